// The rows of the first-copy program (see band_reach.h): one pass of its
// dynamic program over a band of diagonals, shared by the program of one
// unit length and that of a range of them.
#ifndef SARVIK_BAND_ROWS_H
#define SARVIK_BAND_ROWS_H

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace band_rows {

constexpr int16_t scale = 2, tilt = 3;  // Z = scale * score + tilt * rows
constexpr int lanes = 8;                // cells a vector instruction takes
constexpr int16_t beyond = -20000;

// The program needs a mismatch and a deletion to lose in Z (else random
// text lifts Z over every threshold), and values that fit its cells.
inline bool applies(unsigned longest_unit, int mismatch, int indel)
{
  constexpr unsigned max_unit = 4000;
  constexpr int max_penalty = 1000;
  return mismatch <= -3 && indel <= -3 && mismatch >= -max_penalty && indel >= -max_penalty &&
         longest_unit <= max_unit;
}
// Z is held at or below this, above every threshold of units up to k.
inline int16_t cap_for(int64_t k) { return static_cast<int16_t>(scale * (2 * k + 64)); }

struct Scores {
  int mismatch, indel;
  bool Ns_bridged;
  int16_t cap;  // Z is held at or below this
};

// The diagonals a pass keeps: -below < d < above.
struct Band {
  int below, above;
  int width() const { return below + above; }
};

// What the program needs of one unit length k: its bands, and the verdict
// from a window's two values (see band_reach.h for why).
struct UnitLimits {
  int64_t k;
  long long floor;    // the walk never steps to this score or below
  int backward_lead;  // the most forward best the backward band allows for
  Band forward, backward;

  UnitLimits(unsigned unit, int mismatch, int indel, int prefer_longer)
      : k(unit), floor(-static_cast<long long>(unit) - prefer_longer), backward_lead(static_cast<int>(unit / 4 + 8))
  {
    // q M + floor + 1 - F >= k rows before the edge, F the lead; deletions
    // advance a row each, so the side they lead to may be narrower.
    const long long q = -std::max(mismatch, indel);
    auto band = [&](long long lead) {
      const long long rows = k - floor - 1 + lead;
      return Band{static_cast<int>((rows + q) / (q + 1)), static_cast<int>((rows + q - 1) / q)};
    };
    forward = band(0);
    backward = band(backward_lead);
  }
  // Z values of a pass whose cap is at least scale * target.
  bool settled(long long zf, long long zb, long long target) const
  {
    const long long exit = scale * (floor + 1) + tilt * k;  // Z needed to reach the next copy
    const long long lead = zf / scale;                      // the forward best is at most this
    return zf < exit && lead <= backward_lead && zb < exit - scale * lead && zf + zb < scale * target;
  }
};

// Two rows of W + 1 cells and their vector margins.
struct Rows {
  std::vector<int16_t> row, next;
  void fit(int W)
  {
    row.resize(W + 4 * lanes);
    next.resize(W + 4 * lanes);
  }
};

// A pass over rows x = hi - 1 down to lo of text t (t[y - origin] is
// character y of a text of n): cell i (0 <= i <= W) of row x compares t[x]
// with t[x + edge + i]; cells 0 and W are the band's edges, where paths end.
// Calls row(x, cells) after each row (cells[i] for 1 <= i < W).
//
// The cells of a row depend on the row before it (matches, mismatches and
// deletions) and on their neighbour in the row (insertions). The first part
// runs over the whole row at once. The second runs over the row again until
// nothing changes, each round reaching twice as far along the chains of
// insertions (Z falls a penalty a step along one and mostly sits near 0 in
// random text, so most rows settle in the first round).
// Every path ends by row hi (the callers need no longer ones).
template <class Row>
void pass(const char* t, int64_t origin, int64_t n, int64_t edge, int W, int64_t lo, int64_t hi, const Scores& sc,
          Rows& rows, Row&& row)
{
  // Rows away from the text's end run over whole groups of `lanes` cells:
  // the cells past the band's edge hold `beyond`, which no cell gains from,
  // and are set back after each row's first part.
  const int groups = (W - 1 + lanes - 1) / lanes, span = groups * lanes;
  rows.fit(W);
  int16_t* pz = rows.next.data() + lanes;
  int16_t* cz = rows.row.data() + lanes;
  for (int i = 1; i < W; ++i) pz[i] = 0;  // row hi, where the paths end
  pz[0] = pz[W] = cz[0] = cz[W] = 0;
  for (int i = W + 1; i <= span + 1; ++i) pz[i] = cz[i] = beyond;
  const int16_t sg = static_cast<int16_t>(scale * sc.indel), sgt = static_cast<int16_t>(sg + tilt);
  const int16_t z_match = scale + tilt, z_none = tilt, z_mismatch = static_cast<int16_t>(scale * sc.mismatch + tilt);
  const int16_t cap = sc.cap;
  const char none = sc.Ns_bridged ? 'N' : '\0';  // scores 0 against any unit character
  for (int64_t x = hi - 1; x >= lo; --x) {
    const char u = t[x - origin];
    const int64_t j0 = x + edge;
    const char* c = t + (j0 - origin);
    // Cells from `top` on compare past the text's end: their paths end.
    int top = W, last = span;
    if (j0 + span + 1 > n) {
      top = static_cast<int>(std::min<int64_t>(W, std::max<int64_t>(1, n - j0)));
      last = top - 1;
    }
    for (int i = 1; i <= last; ++i) {
      const int16_t w = c[i] == u ? z_match : c[i] == none ? z_none : z_mismatch;
      const int16_t v = std::max<int16_t>(std::max<int16_t>(0, w + pz[i]), sgt + pz[i - 1]);
      cz[i] = std::min(v, cap);
    }
    for (int i = top; i <= W; ++i) cz[i] = 0;
    for (int i = W + 1; i <= span; ++i) cz[i] = beyond;
    // Round d lets each cell gain from the one d on (d insertions), so after
    // rounds 1, 2, 4, ..., d each holds its best over the next 2d cells. A
    // round that changes nothing leaves none to gain from farther on, and
    // none can beyond cap / -sg cells (Z >= 0). Cells past W never gain.
    const int ends = std::min(last + 1, W);
    for (int d = 1; d < ends; d *= 2) {
      const int16_t step = static_cast<int16_t>(d * sg);
      int16_t changed = 0;
      for (int i = 1; i + d <= ends; ++i) {
        const int16_t v = std::max<int16_t>(cz[i], cz[i + d] + step);
        changed |= static_cast<int16_t>(v ^ cz[i]);
        cz[i] = v;
      }
      if (!changed || 2 * d * -sg > cap) break;
    }
    row(x, static_cast<const int16_t*>(cz));
    std::swap(pz, cz);
  }
}

// The reversed text [lo, hi) a backward pass over rows below hi of a band
// (edge, W) reads: out[y - lo] = text[n - 1 - y].
inline void reverse_rows(const char* text, int64_t n, int64_t lo, int64_t hi, int64_t edge, int W, std::vector<char>& out)
{
  const int64_t reach = std::min(n, hi + edge + W + lanes);
  out.resize(static_cast<std::size_t>(reach - lo));
  for (int64_t y = lo; y < reach; ++y) out[y - lo] = text[n - 1 - y];
}

}  // namespace band_rows

#endif
