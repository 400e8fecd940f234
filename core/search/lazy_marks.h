// LazyMarks: the marks of one unit length's serial scan, where the cover of
// a kept record with a long entry list is written only where no later record
// covers it again.
//
// On a satellite array nearly every kept record covers the whole array and
// frees the positions of its entries, tens of thousands of them; the next
// record covers the same stretch again. Writing each record's marks made the
// pass cost the records times the array. Here such a record only claims its
// stretch [start, end): a read inside it asks whether the position is one of
// its entries, and what is still claimed at the end of the scan (or when
// too many records hold claims) is written then.
//
// Why the marks read are the same. Covering writes "taken" over [start, end)
// and then "free" at every entry, wherever it lies; so after a cover a
// position of [start, end) is free exactly when it is an entry, and entries
// outside it are free. A later cover of a position overwrites it whole. The
// claims are the parts of the records' stretches that no later cover has
// reached since (later covers clip them), so a position inside a claim has
// the value its claiming record gave it, and every other position holds the
// last value written. Entries outside their record's stretch are written at
// once, like the covers of records with short lists.
#ifndef SARVIK_LAZY_MARKS_H
#define SARVIK_LAZY_MARKS_H

#include <cstdint>
#include <vector>

#include "chunked_scan.h"
#include "walk_sharing.h"

// Over a record's marks (MarkView) or a chunk's copy of them (BitMarkView).
// Records with this many entries or more claim their stretch; the covers of
// shorter ones are written at once.
constexpr uint32_t claim_entries_from = 1024;

template <class View>
class LazyMarks {
 public:
  // Over the marks `base` of the text at `text`; deferred entries are read
  // from `sharing`, which must outlive the scan.
  LazyMarks(View& base, const char* text, const WalkSharing* sharing);
  ~LazyMarks();
  LazyMarks(const LazyMarks&) = delete;
  LazyMarks& operator=(const LazyMarks&) = delete;

  // Read for every window of every unit length: the common case, no claims,
  // stays as cheap as the plain marks.
  char at(long p) const { return claims.empty() ? base.at(p) : claimed_at(p); }
  // The marks of the kept record r (its own entries in any order, its
  // deferred ones on the sharing); nothing of r is read after.
  void cover(const Csat& r);
  // Writes every claim: the marks are then all in `base`.
  void flush();

 private:
  struct TailRange {
    WalkSharing::Tail tail;
    long lo, hi;     // the lowest and highest entry offsets of the tail
    int chain = -1;  // a chain of stretches: its index in the claimant's chains
  };
  // A chain's stretches, found as far as reads have needed them: chains run
  // over whole arrays, and reads come at the scan's position, near their start.
  struct ChainReading {
    std::vector<TailRange> stretches;  // in walk order
    uint32_t next;                     // the node the next stretch starts at
  };
  struct Claimant {
    std::vector<long> own;          // its own entries' offsets, sorted
    std::vector<TailRange> tails;   // its deferred ones, by offset
    mutable std::vector<ChainReading> chains;
    unsigned claims = 0;            // spans it holds
    bool live = false;
    uint64_t age = 0;
  };
  struct Claim {
    long a, b;
    uint32_t who;
  };

  char claimed_at(long p) const;
  long entry(const WalkSharing::Tail& t, uint32_t i) const;
  bool is_entry(const Claimant& c, long p) const;
  bool in_stretch(const WalkSharing::Tail& t, long p) const;
  bool in_chain(const TailRange& r, ChainReading& chain, long p) const;
  TailRange stretch_range(const WalkSharing::Tail& chain, uint32_t from, uint32_t to) const;
  template <class F>
  void for_each_entry_in(const Claimant& c, long a, long b, F&& f) const;
  void clip(long a, long b);
  void write(const Claim& claim);
  void release(uint32_t who);
  void flush_oldest();
  void cover_now(const Csat& r);

  View& base;
  const char* text;
  const WalkSharing* sharing;
  std::vector<Claim> claims;  // disjoint, by start
  std::vector<Claimant> claimants;
  std::vector<uint32_t> unused;
  unsigned holding = 0;  // claimants with claims
  uint64_t covers = 0;
  std::vector<Claim> cut;  // scratch for clip
};

#endif
