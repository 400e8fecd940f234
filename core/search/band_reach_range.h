// BandReachRange: the first-copy program (band_reach.h) of a whole range of
// long unit lengths at once, run before their passes, so that a pass of
// unit length k settles its windows from a list instead of a program of
// its own.
//
// The program of unit length k reads the text's comparison with itself at
// the offsets k + d of its band (cell (x, d) compares text[x] with
// text[x + k + d]); its graph is the same for every k, only the band moves.
// So one pass over a band that holds the bands of every k of the range
// gives each k its values at offset k: paths within k's band are paths of
// the wide one, and a walk of unit k that leaves its own band has reached
// its next copy first (the argument in band_reach.h holds unchanged for any
// band around k's), so the wide values bound the walks as k's own do. The
// row costs the wide band's width, where the passes of the range cost the
// sum of theirs.
//
// The passes of a record run one unit length after the other, so what each
// gets is kept: the windows the values leave open, per unit length. Where
// those would take more than a few bytes a nucleotide, the shortest unit
// lengths are left to programs of their own.
#ifndef SARVIK_BAND_REACH_RANGE_H
#define SARVIK_BAND_REACH_RANGE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "band_rows.h"

class WorkerPool;

class BandReachRange {
 public:
  // For unit lengths [k_lo, k_hi] of a text of n; min_scores[k] is what a
  // window of unit length k must reach. Null where the program has no grip
  // or a range would not pay.
  // The work is spread over `pool` when there is one.
  static std::unique_ptr<BandReachRange> make(const char* text, uint64_t n, unsigned k_lo, unsigned k_hi,
                                              const int* min_scores, int mismatch, int indel, int prefer_longer,
                                              bool Ns_bridged, WorkerPool* pool = nullptr);

  // True when the windows of unit length k are listed.
  bool covers(unsigned k) const;
  // For a covered k: the first window from s on that k's list leaves open
  // (UINT64_MAX: none); every window before it (no N in it) certainly cannot
  // reach `target`. s itself for a target other than the one listed.
  // `cursor` is the caller's place in k's list, 0 to begin with; windows
  // visited in increasing order cost a step each.
  uint64_t next_open(unsigned k, uint64_t s, long long target, std::size_t& cursor) const;

 private:
  BandReachRange(uint64_t n, unsigned k_lo, unsigned k_hi) : n_(n), k_lo_(k_lo), k_hi_(k_hi) {}
  struct Span;
  static Span span_of(unsigned k_lo, unsigned k_hi, int mismatch, int indel, int prefer_longer);
  struct Build;
  struct Block;
  void build(const char* text, const int* min_scores, int mismatch, int indel, int prefer_longer, bool Ns_bridged,
             const Span& span, WorkerPool* pool);
  // The windows from b0 on, a block of them, into `out`; then their open
  // windows into the lists, in the blocks' order.
  void fill_block(const Build& b, int64_t b0, Block& out) const;
  void fill_segment(const Build& b, int64_t b0, int64_t a0, int64_t a1, int64_t lo, Block& out) const;
  void join(Block& block);

  uint64_t n_;
  unsigned k_lo_, k_hi_;
  // The windows a unit length's values leave open: as runs of windows while
  // they are few, as a bit a window once the runs would be as large.
  struct Run {
    uint32_t from, to;
  };
  struct Unit {
    bool kept = false;
    long long target = 0;
    std::vector<Run> open;       // increasing
    std::vector<uint64_t> bits;  // bit s set: window s is open (when not empty)
  };
  std::vector<Unit> units_;  // per k - k_lo
  uint64_t held_ = 0;        // bytes in the lists
};

#endif
