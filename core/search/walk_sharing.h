// WalkSharing: lets the extension walks of one thread share the stretches of
// their paths that provably coincide, so that the walks of a satellite array
// (hundreds of windows and seeds, each growing over the whole array) cost
// about one walk per distinct path instead of one per seed.
//
// While an instance lives on a thread, extend_imperfect_forward and
// extend_imperfect_backward on that thread, over the text it names, record
// the disagreements ("nodes") of their walks and, at each node, look for an
// earlier walk that met the same node. The results are those of the walks
// without sharing, to the byte; why is explained in imperfect_extension.cpp
// (see "Why a shared path gives the same record"). Without an instance, or
// where the parameters rule the argument out, the walks run as before.
//
// The memory it holds is released when the instance ends; nest them freely
// (the inner one is in force until it ends).
#ifndef SARVIK_WALK_SHARING_H
#define SARVIK_WALK_SHARING_H

#include <cstdint>
#include <memory>

#include "Csat.h"

class WalkSharing {
 public:
  // For walks over the text [text, text + n).
  WalkSharing(const char* text, uint64_t n);
  ~WalkSharing();
  WalkSharing(const WalkSharing&) = delete;
  WalkSharing& operator=(const WalkSharing&) = delete;

  // What the sharing did, for tests and benchmarks.
  struct Stats {
    uint64_t nodes_recorded = 0;
    uint64_t joins = 0;           // walks that took over a recorded stretch
    uint64_t nodes_followed = 0;  // disagreements they did not walk
  };
  const Stats& stats() const { return stats_; }

  struct Memo;  // one direction and unit length's recorded walks
  static WalkSharing* current();
  Memo* memo(int direction, int L);
  bool covers(const char* p) const { return p >= text && p <= text + n; }

  const char* const text;
  const uint64_t n;
  Stats stats_;

 private:
  WalkSharing* previous;
  std::unique_ptr<Memo> memos[2][65];
};

// A kept record's entries take 16 bytes each, and a satellite array keeps
// hundreds of records over its whole length: the searches drop the entries
// of records with this many or more once the marks are set, and whoever needs
// them again (the writer, the marks of a redone chunk) recomputes them.
constexpr uint32_t drop_entries_from = 1024;

// Drops the entries of the kept record `r` (sorted, as finished), when they
// are many; `seed` is the record as its extension began.
void drop_entries(Csat& r, const CsatFields& seed);
// Gives a record its dropped entries back by extending its seed again over
// the text [text, text + n) (the same walk, so the same record); nothing
// when the entries are there. release_entries() drops them again.
void restore_entries(Csat& r, const char* text, uint64_t n);
// The two extensions of a seed over the text [text, text + n), forward
// first, as the searches call them.
void extend_seed(Csat& r, const char* text, uint64_t n);
inline void release_entries(Csat& r)
{
  if (r.dropped) r.missense_list.release();
}

#endif
