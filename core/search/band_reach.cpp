#include "band_reach.h"

#include <algorithm>

namespace {

constexpr unsigned max_unit = 4000;
constexpr int max_penalty = 1000;

constexpr int32_t scale = 2, tilt = 3;

}  // namespace

BandReach* BandReach::make(const char* text, uint64_t n, unsigned k, int mismatch, int indel, int prefer_longer,
                           bool Ns_bridged)
{
  // Z gains 2 a row: a mismatch or deletion must still lose for random text
  // to lose ground.
  if (mismatch > -3 || indel > -3) return nullptr;
  // The programs' values fit 16 bits.
  if (k > max_unit || mismatch < -max_penalty || indel < -max_penalty) return nullptr;
  // Meeting the edge costs an indel a diagonal, less what the matches between
  // give back (about one point in five in random text).
  const int q = -std::max(mismatch, indel);
  const int band = (static_cast<int>(k) + prefer_longer + 8) / (q - 1) + 2;
  return new BandReach(text, n, k, mismatch, indel, prefer_longer, Ns_bridged, band);
}

BandReach::BandReach(const char* t, uint64_t length, unsigned window, int mis, int ind, int prefer_longer,
                     bool bridged, int band)
    : text(t), n(static_cast<int64_t>(length)), k(window), mismatch(mis), indel(ind),
      floor(-static_cast<long long>(window) - prefer_longer), Ns_bridged(bridged), M(band),
      slack(3 * static_cast<int64_t>(window) + 8 * band + 64), block(std::max<int64_t>(16384, 16 * slack)),
      cap(static_cast<int16_t>(scale * (2 * window + 64))), deep(static_cast<int16_t>(cap / scale + window + 2))
{
  forward_z.resize(block);
  forward_drop.resize(block);
  backward_z.resize(block);
  backward_drop.resize(block);
  row_z.resize(2 * M + 1);
  row_drop.resize(2 * M + 1);
  next_z.resize(2 * M + 1);
  next_drop.resize(2 * M + 1);
}

// The cells of a row depend on the row before it (matches, mismatches and
// deletions), which runs over the whole row at once, and on their neighbour
// in the row (insertions), a chain along it: Z falls and drop grows along it
// (drop is never negative, so it needs no clamp), and neither leaves its range.
//
// The pass is forward: cell i of row x compares t[x] with t[x + k + i - M];
// the backward walk's passes run forward over the reversed text.
void BandReach::pass(const char* t, int64_t origin, int64_t lo, int64_t hi, int16_t* z, int16_t* drop,
                     int64_t first, int64_t count, int step_out)
{
  const int W = 2 * M;
  // The row the first one depends on: past the text it is exact, else it
  // starts the pass conservatively.
  const bool exact = hi + k - (M - 1) >= n;
  int16_t* pz = next_z.data();
  int16_t* pd = next_drop.data();
  int16_t* cz = row_z.data();
  int16_t* cd = row_drop.data();
  for (int i = 1; i < W; ++i) {
    pz[i] = exact ? 0 : cap;
    pd[i] = exact ? deep : 0;
  }
  pz[0] = pz[W] = cz[0] = cz[W] = 0;
  pd[0] = pd[W] = cd[0] = cd[W] = 0;
  const int16_t g = static_cast<int16_t>(indel), m = static_cast<int16_t>(mismatch);
  const int16_t sg = static_cast<int16_t>(scale * indel), sgt = static_cast<int16_t>(sg + tilt);
  const int16_t z_match = scale + tilt, z_none = tilt, z_mismatch = static_cast<int16_t>(scale * mismatch + tilt);
  const char none = Ns_bridged ? 'N' : '\0';  // scores 0 against any unit character
  for (int64_t x = hi - 1; x >= lo; --x) {
    const char u = t[x - origin];
    // Cells from `top` on compare past the text's end: their paths end.
    const int64_t j0 = x + k - M;
    const int top = static_cast<int>(std::min<int64_t>(W, std::max<int64_t>(1, n - j0)));
    const char* c = t + (j0 - origin);
    const int16_t cap_ = cap, deep_ = deep;
    for (int i = 1; i < top; ++i) {
      const bool match = c[i] == u, neutral = c[i] == none;
      const int16_t w = match ? 1 : neutral ? 0 : m;
      const int16_t zw = match ? z_match : neutral ? z_none : z_mismatch;
      const int16_t zv = std::max<int16_t>(std::max<int16_t>(0, zw + pz[i]), sgt + pz[i - 1]);
      cz[i] = std::min(zv, cap_);
      const int16_t dv = std::min<int16_t>(std::max<int16_t>(0, pd[i] - w), std::max<int16_t>(0, pd[i - 1] - g));
      cd[i] = std::min(dv, deep_);
    }
    for (int i = top; i < W; ++i) {
      cz[i] = 0;
      cd[i] = deep;
    }
    int16_t z_on = cz[top], d_on = cd[top];
    for (int i = top - 1; i >= 1; --i) {
      z_on = cz[i] = std::max<int16_t>(cz[i], z_on + sg);
      d_on = cd[i] = std::min<int16_t>(cd[i], d_on - g);
    }
    if (x >= first && x < first + count) {
      const int64_t at = step_out > 0 ? x - first : first + count - 1 - x;
      z[at] = cz[M];
      drop[at] = cd[M];
    }
    std::swap(pz, cz);
    std::swap(pd, cd);
  }
}

void BandReach::fill_block(int64_t from)
{
  begin = from;
  end = std::min(from + block, n - k);
  const int64_t count = end - begin;
  pass(text, 0, begin, std::min(n, end + slack), forward_z.data(), forward_drop.data(), begin, count, 1);
  // The backward walk of window s starts at row s + k - 1, which is row
  // n - k - s of the reversed text; its pass runs from a slack below the
  // block's first window (above, reversed).
  const int64_t lo = n - k - (end - 1), hi = std::min(n, n - k - begin + 1 + slack);
  const int64_t reach = std::min(n, hi + k + M);
  reversed.resize(static_cast<size_t>(reach - lo));
  for (int64_t y = lo; y < reach; ++y) reversed[y - lo] = text[n - 1 - y];
  pass(reversed.data(), lo, lo, hi, backward_z.data(), backward_drop.data(), lo, count, -1);
}

bool BandReach::hopeless(uint64_t at, long long target)
{
  const int64_t s = static_cast<int64_t>(at);
  if (scale * target > cap || s + k >= n) return false;
  if (s < begin || s >= end) fill_block(s);
  const int64_t i = s - begin;
  const long long exit = scale * (floor + 1) + tilt * k;  // Z needed to reach the next copy
  const long long zf = forward_z[i];
  target *= scale;
  if (forward_drop[i] < -floor || zf >= exit || zf >= target) return false;
  const long long zb = backward_z[i];
  return backward_drop[i] >= zf / scale - floor && zb < exit - zf && zf + zb < target;
}
