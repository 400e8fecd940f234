// BandReach: settles the windows of long units from a small dynamic program
// over the text's comparison with itself a unit length away, shared by every
// window of the pass, so that a window costs a few table reads instead of a
// walk, a bound's program or an edit-distance table of its own.
//
// Why it is exact. Take the forward walk of the window at s (unit
// u = text[s, s + k), seed score 0). Its state is a text position j and a
// unit position x - s, counted on without wrapping; while x < s + k the unit
// character is text[x]. Write j = x + k + d: the walk starts at (x, d) =
// (s, 0), a match or mismatch moves to (x + 1, d), an insertion to
// (x, d + 1), a deletion to (x + 1, d - 1). These cells and moves, weighted
// by the walk's scores (a match +1, an N it may bridge 0, else the
// mismatch; indels the indel score), form a graph that does not depend on s:
// in it every window's first copy is the part of rows s .. s + k - 1.
// Over a band -M' < d < M of it the pass computes, from every cell,
//   Z = the highest of 2 * score + 3 * (rows advanced) over paths from there
// (paths end at the band's edges and past the text's end).
// The walk only steps to scores above floor = -k - prefer_longer (its lower
// bound never lies below that). Follow it until it first meets an edge or
// row s + k; up to there its path is one of the graph's.
// - Meeting row s + k, at a score above floor after k rows, needs
//   Z(s, 0) >= 2 (floor + 1) + 3k.
// - Meeting d = M takes M insertions, each costing at least q (the cheaper
//   penalty), so the walk's matches, hence its rows, number at least
//   q M + floor + 1; meeting d = -M' takes M' deletions, which advance a row
//   each, so its rows number at least (q + 1) M' + floor + 1. The band is
//   wide enough to make both k or more, so the walk has met row s + k first.
// Where Z(s, 0) is below the threshold, the walk never leaves the band's first
// copy, every state of it is a path of the graph, and the forward walk's
// best is at most Z(s, 0) / 2.
// The backward walk is the mirror (rows down from s + k - 1, j = x - k - d)
// and starts at the forward best F <= Zf / 2: it may fall F further, so its
// band's sides are wider by the most F it is taken for, its exit needs
// Zb >= 2 (floor + 1 - F) + 3k, and the record scores at most (Zf + Zb) / 2.
//
// Both arguments use only the paths of the walk's first copy, which stay
// within k rows of the window's. So a pass that answers for a segment of
// windows may end every path k rows past the segment (each cell there
// worth 0): those paths keep their values, and longer ones, which only
// loosen the bound, are dropped (in a genome they reach similar stretches
// far off). Shorter segments drop more of them, for more rows run. Z is
// held up to a cap above every threshold it is compared with.
#ifndef SARVIK_BAND_REACH_H
#define SARVIK_BAND_REACH_H

#include <cstdint>
#include <vector>

#include "band_rows.h"

class BandReach {
 public:
  // Null where the parameters give the program no grip (penalties above -3)
  // or its values would not fit.
  static BandReach* make(const char* text, uint64_t n, unsigned k, int mismatch, int indel, int prefer_longer,
                         bool Ns_bridged);

  // True when the window at s (no N in it) certainly cannot reach `target`.
  bool hopeless(uint64_t s, long long target);

 private:
  BandReach(const char* text, uint64_t n, unsigned k, int mismatch, int indel, int prefer_longer, bool Ns_bridged);

  void fill_block(int64_t from);
  using Band = band_rows::Band;
  // Rows [lo, hi) of text t (t[y - origin] is character y) over `band`;
  // the values of its start rows [first, first + count) go to z, in the
  // rows' order (step_out 1) or the reverse (-1).
  void pass(const char* t, int64_t origin, Band band, int64_t lo, int64_t hi, int16_t* z, int64_t first, int64_t count,
            int step_out);

  const char* text;
  int64_t n;
  int64_t k;
  int mismatch, indel;
  bool Ns_bridged;
  band_rows::UnitLimits limits;
  int64_t block;                    // windows a block answers for
  int16_t cap;                      // Z is held at or below this
  int64_t begin = 0, end = 0;       // the windows the block answers for
  std::vector<int16_t> forward_z, backward_z;
  band_rows::Rows rows;
  std::vector<char> reversed;          // the text the backward passes read
};

#endif
