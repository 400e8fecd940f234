// Csat: one tandem repeat in the sequence text being searched, and the pool
// its records are recycled through.
//
// All positions point into the current CSequence_Mol::seq_text, so a record
// is only meaningful while that sequence is loaded. The unit is the stretch
// [unit_begin, unit_end) of the text itself; unit_fwd is the unit character
// the text at `end` must match to grow right, unit_bwd the one the text just
// before `start` must match to grow left. Both move cyclically in the unit.
#ifndef SARVIK_CSAT_H
#define SARVIK_CSAT_H

#include <cstdio>
#include <list>

#include "CSequence_Mol.h"
#include "fastvector.h"

// One alignment event: 'M' mismatch, 'I' insertion, 'D' deletion at `pos`.
struct missense_entry {
  const char* pos;
  char kind;
};

// The plain fields of a record, copyable as a whole: the extension keeps such
// copies of its best end point while it explores.
struct CsatFields {
  const char* start;
  const char* end;
  const char* unit_fwd;
  const char* unit_bwd;
  const char* unit_begin;
  const char* unit_end;
  int score;
  int mismatches;
  int insertions;
  int deletions;
  int Ns;
};

// What a kept record holds instead of a long entry list it dropped: the
// entries can be computed again from the record as its extension began.
struct DroppedEntries {
  CsatFields seed;
  const char* reach;  // one past its last entry
};

class Csat : public CsatFields {
 public:
  fastvector<missense_entry> missense_list;
  // Set when the searches dropped the entries of this kept record (satellite
  // arrays keep hundreds of records over the same stretch, each with an
  // entry every few characters); the list is then empty except while a user
  // has it back (restore_entries).
  DroppedEntries* dropped = nullptr;
  // Entries beyond the list that the walk sharing still holds for this
  // record (see walk_sharing.h); 0 once the searches are done with it.
  uint32_t deferred_entries = 0;

  Csat() = default;
  ~Csat() { delete dropped; }
  Csat(const Csat&) = delete;
  Csat& operator=(const Csat&) = delete;

  // Makes the record cover exactly the seed unit [a, b), counters cleared.
  void reset(const char* a, const char* b)
  {
    start = unit_fwd = unit_begin = a;
    end = unit_end = b;
    unit_bwd = b - 1;
    score = mismatches = insertions = deletions = Ns = 0;
    missense_list.count = 0;
    deferred_entries = 0;
    if (dropped) {
      delete dropped;
      dropped = nullptr;
    }
  }
  // The entries are dropped and not given back at the moment.
  bool entries_missing() const { return dropped && missense_list.count == 0; }
  uint64_t entry_count() const { return static_cast<uint64_t>(missense_list.count) + deferred_entries; }

  unsigned unit_length() const { return static_cast<unsigned>(unit_end - unit_begin); }
  unsigned length() const { return static_cast<unsigned>(end - start); }
  int normalized_length() const { return static_cast<int>(end - start) - insertions + deletions; }

  static bool lessThan_missense(const missense_entry& x, const missense_entry& y)
  {
    return x.pos < y.pos || (x.pos == y.pos && x.kind < y.kind);
  }

  int print_repeat_name(FILE* out) const;
  void report_sat(FILE* out, CSequence_Mol& seq);
};

inline bool lessThan_sat(const Csat* a, const Csat* b)
{
  return a->start < b->start || (a->start == b->start && a->end < b->end);
}

// A list of records it owns: destroying it frees them.
class CBasicSatContainer : public std::list<Csat*> {
 public:
  CBasicSatContainer() = default;
  CBasicSatContainer(const CBasicSatContainer&) = delete;
  CBasicSatContainer& operator=(const CBasicSatContainer&) = delete;
  ~CBasicSatContainer();
};

// A free list of records not in use; releases them when it ends.
class Csat_garbagecollector : public CBasicSatContainer {
 public:
  Csat* get_new(const char* a, const char* b);
  void give_back(Csat* s) { push_back(s); }
};

// The thread's pool, for lists made without one; threads never share it.
extern thread_local Csat_garbagecollector sat_alloc;

// A list of records drawn from a pool; destroying it hands them back.
class CsatContainer : public CBasicSatContainer {
 public:
  explicit CsatContainer(Csat_garbagecollector* p = &sat_alloc) : pool(p) {}
  ~CsatContainer();
  Csat_garbagecollector* pool;
};

#endif
