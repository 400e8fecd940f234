#include "band_reach.h"

#include <algorithm>

namespace {

using band_rows::scale;

}  // namespace

BandReach* BandReach::make(const char* text, uint64_t n, unsigned k, int mismatch, int indel, int prefer_longer,
                           bool Ns_bridged)
{
  // A mismatch or deletion must still lose in Z for random text to lose ground.
  if (!band_rows::applies(k, mismatch, indel)) return nullptr;
  return new BandReach(text, n, k, mismatch, indel, prefer_longer, Ns_bridged);
}

BandReach::BandReach(const char* t, uint64_t length, unsigned window, int mis, int ind, int prefer_longer,
                     bool bridged)
    : text(t), n(static_cast<int64_t>(length)), k(window), mismatch(mis), indel(ind), Ns_bridged(bridged),
      limits(window, mis, ind, prefer_longer)
{
  block = 16384;
  cap = band_rows::cap_for(k);
  forward_z.resize(block);
  backward_z.resize(block);
}

// The pass is forward: cell i of row x compares t[x] with t[x + k + i - M];
// the backward walk's passes run forward over the reversed text.
void BandReach::pass(const char* t, int64_t origin, Band band, int64_t lo, int64_t hi, int16_t* z, int64_t first,
                     int64_t count, int step_out)
{
  const int M = band.below;  // cell i: d = i - M
  const band_rows::Scores scores{mismatch, indel, Ns_bridged, cap};
  band_rows::pass(t, origin, n, k - M, band.width(), lo, hi, scores, rows,
                  [&](int64_t x, const int16_t* cz) {
                    if (x >= first && x < first + count) z[step_out > 0 ? x - first : first + count - 1 - x] = cz[M];
                  });
}

void BandReach::fill_block(int64_t from)
{
  // Blocks lie on a grid, so that a window's values do not depend on which
  // window was asked first.
  begin = from - from % block;
  end = std::min(begin + block, n - k);
  const int64_t count = end - begin, reach = k + 1;
  pass(text, 0, limits.forward, begin, std::min(n, end + reach), forward_z.data(), begin, count, 1);
  // The backward walk of window s starts at row s + k - 1, which is row
  // n - k - s of the reversed text.
  const int64_t lo = n - k - (end - 1), hi = std::min(n, n - k - begin + 1 + reach);
  band_rows::reverse_rows(text, n, lo, hi, k - limits.backward.below, limits.backward.width(), reversed);
  pass(reversed.data(), lo, limits.backward, lo, hi, backward_z.data(), lo, count, -1);
}

bool BandReach::hopeless(uint64_t at, long long target)
{
  const int64_t s = static_cast<int64_t>(at);
  if (scale * target > cap || s + k >= n) return false;
  if (s < begin || s >= end) fill_block(s);
  const int64_t i = s - begin;
  return limits.settled(forward_z[i], backward_z[i], target);
}
