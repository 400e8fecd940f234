#include "band_reach.h"

#include <algorithm>

namespace {

constexpr unsigned max_unit = 4000;
constexpr int max_penalty = 1000;
constexpr int16_t scale = 2, tilt = 3;  // Z = scale * score + tilt * rows
constexpr int lanes = 8;                // cells a vector instruction takes
constexpr int16_t beyond = -20000;

}  // namespace

BandReach* BandReach::make(const char* text, uint64_t n, unsigned k, int mismatch, int indel, int prefer_longer,
                           bool Ns_bridged)
{
  // A mismatch or deletion must still lose in Z for random text to lose ground.
  if (mismatch > -3 || indel > -3) return nullptr;
  if (k > max_unit || mismatch < -max_penalty || indel < -max_penalty) return nullptr;
  return new BandReach(text, n, k, mismatch, indel, prefer_longer, Ns_bridged);
}

BandReach::BandReach(const char* t, uint64_t length, unsigned window, int mis, int ind, int prefer_longer,
                     bool bridged)
    : text(t), n(static_cast<int64_t>(length)), k(window), mismatch(mis), indel(ind),
      floor(-static_cast<long long>(window) - prefer_longer), Ns_bridged(bridged)
{
  // q M + floor + 1 - F >= k rows before the edge (see above), F the lead.
  const long long q = -std::max(mis, ind);
  backward_lead = static_cast<int>(k / 4 + 8);
  // Deletions advance a row each, so the side they lead to may be narrower.
  auto band = [&](long long lead) {
    const long long rows = k - floor - 1 + lead;
    return Band{static_cast<int>((rows + q) / (q + 1)), static_cast<int>((rows + q - 1) / q)};
  };
  forward_band = band(0);
  backward_band = band(backward_lead);
  const int widest = backward_band.below + backward_band.above;
  slack = 3 * k + 4 * widest + 64;
  block = std::max<int64_t>(16384, 16 * slack);
  cap = static_cast<int16_t>(scale * (2 * k + 64));
  forward_z.resize(block);
  backward_z.resize(block);
  row_z.resize(widest + 4 * lanes);
  next_z.resize(widest + 4 * lanes);
}

// The cells of a row depend on the row before it (matches, mismatches and
// deletions) and on their neighbour in the row (insertions). The first part
// runs over the whole row at once. The second runs over the row again until
// nothing changes, a few times at most (once a cell does not gain from its
// neighbour's value plus one insertion, it gains from no longer chain; Z
// falls a penalty a step along a chain and mostly sits near 0 in random
// text); a row that is still changing then finishes along its chain.
//
// The pass is forward: cell i of row x compares t[x] with t[x + k + i - M];
// the backward walk's passes run forward over the reversed text.
void BandReach::pass(const char* t, int64_t origin, Band band, int64_t lo, int64_t hi, int16_t* z, int64_t first,
                     int64_t count, int step_out)
{
  const int M = band.below, W = band.below + band.above;  // cell i: d = i - M
  // Rows away from the text's end run over whole groups of `lanes` cells:
  // the cells past the band's edge hold `beyond`, which no cell gains from,
  // and are set back after each row's first part.
  const int groups = (W - 1 + lanes - 1) / lanes, span = groups * lanes;
  // The row the first one depends on: past the text it is exact, else it
  // starts the pass conservatively.
  const bool exact = hi + k - (M - 1) >= n;
  int16_t* pz = next_z.data() + lanes;
  int16_t* cz = row_z.data() + lanes;
  for (int i = 1; i < W; ++i) pz[i] = exact ? 0 : cap;
  pz[0] = pz[W] = cz[0] = cz[W] = 0;
  for (int i = W + 1; i <= span + 1; ++i) pz[i] = cz[i] = beyond;
  const int16_t sg = static_cast<int16_t>(scale * indel), sgt = static_cast<int16_t>(sg + tilt);
  const int16_t z_match = scale + tilt, z_none = tilt, z_mismatch = static_cast<int16_t>(scale * mismatch + tilt);
  const int16_t cap_ = cap;
  const char none = Ns_bridged ? 'N' : '\0';  // scores 0 against any unit character
  for (int64_t x = hi - 1; x >= lo; --x) {
    const char u = t[x - origin];
    const int64_t j0 = x + k - M;
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
      cz[i] = std::min(v, cap_);
    }
    for (int i = top; i <= W; ++i) cz[i] = 0;
    for (int i = W + 1; i <= span; ++i) cz[i] = beyond;
    bool settled = false;
    for (int round = 0; round < 3 && !settled; ++round) {
      int16_t changed = 0;
      for (int i = 1; i <= last; ++i) {
        const int16_t v = std::max<int16_t>(cz[i], cz[i + 1] + sg);
        changed |= static_cast<int16_t>(v ^ cz[i]);
        cz[i] = v;
      }
      settled = changed == 0;
    }
    if (!settled)
      for (int i = top - 1; i >= 1; --i) cz[i] = std::max<int16_t>(cz[i], cz[i + 1] + sg);
    if (x >= first && x < first + count) z[step_out > 0 ? x - first : first + count - 1 - x] = cz[M];
    std::swap(pz, cz);
  }
}

void BandReach::fill_block(int64_t from)
{
  begin = from;
  end = std::min(from + block, n - k);
  const int64_t count = end - begin;
  pass(text, 0, forward_band, begin, std::min(n, end + slack), forward_z.data(), begin, count, 1);
  // The backward walk of window s starts at row s + k - 1, which is row
  // n - k - s of the reversed text; its pass runs from a slack below the
  // block's first window (above, reversed).
  const int64_t lo = n - k - (end - 1), hi = std::min(n, n - k - begin + 1 + slack);
  const int64_t reach = std::min(n, hi + k + backward_band.above + lanes);  // rows read whole vector groups
  reversed.resize(static_cast<size_t>(reach - lo));
  for (int64_t y = lo; y < reach; ++y) reversed[y - lo] = text[n - 1 - y];
  pass(reversed.data(), lo, backward_band, lo, hi, backward_z.data(), lo, count, -1);
}

bool BandReach::hopeless(uint64_t at, long long target)
{
  const int64_t s = static_cast<int64_t>(at);
  if (scale * target > cap || s + k >= n) return false;
  if (s < begin || s >= end) fill_block(s);
  const int64_t i = s - begin;
  const long long exit = scale * (floor + 1) + tilt * k;  // Z needed to reach the next copy
  const long long zf = forward_z[i], zb = backward_z[i];
  const long long lead = zf / scale;  // the forward best is at most this
  return zf < exit && lead <= backward_lead && zb < exit - scale * lead && zf + zb < scale * target;
}
