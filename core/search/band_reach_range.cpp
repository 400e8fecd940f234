#include "band_reach_range.h"

#include <algorithm>

namespace {

constexpr unsigned max_unit = 4000;
constexpr int max_penalty = 1000;
constexpr int max_width = 8192;  // cells of a wide row
using band_rows::scale;

struct Span {
  int64_t edge;  // the offset of cell 0
  int width;
  long long narrow_cells;  // the cells of a row of every unit length's own passes
};

Span span_of(unsigned k_lo, unsigned k_hi, int mismatch, int indel, int prefer_longer)
{
  int64_t lo = INT64_MAX, hi = INT64_MIN;
  long long cells = 0;
  for (unsigned k = k_lo; k <= k_hi; ++k) {
    const band_rows::UnitLimits u(k, mismatch, indel, prefer_longer);
    // The backward band holds the forward one.
    lo = std::min<int64_t>(lo, k - u.backward.below);
    hi = std::max<int64_t>(hi, k + u.backward.above);
    cells += u.forward.width() + u.backward.width();
  }
  return {lo, static_cast<int>(std::min<int64_t>(hi - lo, max_width + 1)), cells};
}

}  // namespace

std::unique_ptr<BandReachRange> BandReachRange::make(const char* text, uint64_t n, unsigned k_lo, unsigned k_hi,
                                                     const int* min_scores, int mismatch, int indel,
                                                     int prefer_longer, bool Ns_bridged)
{
  // As for one unit length: a mismatch or deletion must lose in Z.
  if (mismatch > -3 || indel > -3 || mismatch < -max_penalty || indel < -max_penalty) return nullptr;
  if (k_lo < 1 || k_hi < k_lo || k_hi > max_unit || n <= k_lo || n >= UINT32_MAX) return nullptr;
  const Span span = span_of(k_lo, k_hi, mismatch, indel, prefer_longer);
  // Both directions run the wide row; it must cost well below the narrow ones.
  if (span.width > max_width || 4 * span.width > span.narrow_cells) return nullptr;
  std::unique_ptr<BandReachRange> r(new BandReachRange(n, k_lo, k_hi));
  r->build(text, min_scores, mismatch, indel, prefer_longer, Ns_bridged);
  return r;
}

void BandReachRange::build(const char* text, const int* min_scores, int mismatch, int indel, int prefer_longer,
                           bool Ns_bridged)
{
  const int64_t n = static_cast<int64_t>(n_);
  const unsigned K = k_hi_ - k_lo_ + 1;
  const Span span = span_of(k_lo_, k_hi_, mismatch, indel, prefer_longer);
  const int W = span.width;
  const int64_t edge = span.edge;
  const int16_t cap = static_cast<int16_t>(scale * (2 * k_hi_ + 64));
  std::vector<band_rows::UnitLimits> limits;
  units_.resize(K);
  for (unsigned k = k_lo_; k <= k_hi_; ++k) {
    limits.emplace_back(k, mismatch, indel, prefer_longer);
    Unit& u = units_[k - k_lo_];
    u.target = min_scores[k];
    u.kept = u.target > 0 && scale * u.target <= cap;
  }
  // The passes start from conservative rows a slack beyond their block; a
  // block's forward values wait in `forward` for its backward pass, as
  // bytes (`unknown`: this much or more).
  const int64_t slack = 3 * static_cast<int64_t>(k_hi_) + 4 * W + 64;
  const int64_t most = std::max<int64_t>(2 * slack, (int64_t{8} << 20) / K);
  const int64_t block = std::min(std::max<int64_t>(16384, 8 * slack), most);
  const int64_t windows = n - k_lo_;
  constexpr uint8_t unknown = 255;
  std::vector<uint8_t> forward(static_cast<std::size_t>(std::min(block, windows)) * K);
  band_rows::Rows rows;
  std::vector<char> reversed;
  const band_rows::Scores scores{mismatch, indel, Ns_bridged, cap};
  for (int64_t b0 = 0; b0 < windows; b0 += block) {
    const int64_t b1 = std::min(b0 + block, windows);
    band_rows::pass(text, 0, n, edge, W, b0, std::min(n, b1 + slack), scores, rows,
                    [&](int64_t x, const int16_t* cz) {
                      if (x >= b1) return;
                      uint8_t* f = &forward[(x - b0) * K];
                      const int16_t* z = cz + (k_lo_ - edge);
                      for (unsigned i = 0; i < K; ++i) f[i] = static_cast<uint8_t>(std::min<int16_t>(z[i], unknown));
                    });
    // The backward walk of window s, unit k, starts at row y = s + k - 1,
    // row n - 1 - y of the reversed text; y runs up as the reversed rows run down.
    const int64_t y_min = b0 + k_lo_ - 1, y_max = std::min(n - 2, b1 + k_hi_ - 2);
    const int64_t lo = n - 1 - y_max, hi = std::min(n, n - y_min + slack);
    const int64_t reach = band_rows::pass_reach(n, hi, edge, W);
    reversed.resize(static_cast<std::size_t>(reach - lo));
    for (int64_t y = lo; y < reach; ++y) reversed[y - lo] = text[n - 1 - y];
    band_rows::pass(reversed.data(), lo, n, edge, W, lo, hi, scores, rows, [&](int64_t r, const int16_t* cz) {
      const int64_t y = n - 1 - r;
      if (y < y_min || y > y_max) return;
      // s = y - k + 1 in [b0, b1); s + k = y + 1 < n holds by y_max.
      const int64_t k_from = std::max<int64_t>(k_lo_, y + 2 - b1), k_to = std::min<int64_t>(k_hi_, y + 1 - b0);
      for (int64_t k = k_from; k <= k_to; ++k) {
        Unit& u = units_[k - k_lo_];
        if (!u.kept) continue;
        const int64_t s = y - k + 1;
        const uint8_t zf = forward[(s - b0) * K + (k - k_lo_)];
        if (zf == unknown || !limits[k - k_lo_].settled(zf, cz[k - edge], u.target))
          leave_open(static_cast<unsigned>(k), static_cast<uint32_t>(s));
      }
    });
  }
}

// The lists together hold at most about this many bytes a nucleotide; past
// that the shortest unit lengths, whose own programs cost least, give up
// theirs.
constexpr uint64_t bytes_per_nucleotide = 2;

void BandReachRange::leave_open(unsigned k, uint32_t s)
{
  Unit& u = units_[k - k_lo_];
  if (!u.bits.empty()) {
    u.bits[s >> 6] |= 1ull << (s & 63);
    return;
  }
  // Windows are left open in runs (beside repeats, low-complexity stretches).
  if (!u.open.empty() && u.open.back().to == s) {
    ++u.open.back().to;
    return;
  }
  u.open.push_back({s, s + 1});
  held_ += sizeof(Run);
  // Runs as large as a bit a window turn into those bits.
  const uint64_t words = (n_ + 63) / 64;
  if (u.open.size() * sizeof(Run) >= words * sizeof(uint64_t)) {
    u.bits.assign(words, 0);
    for (const Run& r : u.open)
      for (uint32_t w = r.from; w < r.to; ++w) u.bits[w >> 6] |= 1ull << (w & 63);
    held_ += words * sizeof(uint64_t) - u.open.size() * sizeof(Run);
    std::vector<Run>().swap(u.open);
  }
  for (Unit& v : units_) {
    if (held_ <= bytes_per_nucleotide * n_ + (1u << 20)) break;
    if (!v.kept) continue;
    held_ -= v.open.size() * sizeof(Run) + v.bits.size() * sizeof(uint64_t);
    v.kept = false;
    std::vector<Run>().swap(v.open);
    std::vector<uint64_t>().swap(v.bits);
  }
}

bool BandReachRange::covers(unsigned k) const { return k >= k_lo_ && k <= k_hi_ && units_[k - k_lo_].kept; }

bool BandReachRange::hopeless(unsigned k, uint64_t s, long long target, std::size_t& cursor) const
{
  return s + k < n_ && next_open(k, s, target, cursor) != s;
}

uint64_t BandReachRange::next_open(unsigned k, uint64_t s, long long target, std::size_t& cursor) const
{
  const Unit& u = units_[k - k_lo_];
  if (target != u.target) return s;
  if (!u.bits.empty()) {
    std::size_t w = s >> 6;
    if (w >= u.bits.size()) return UINT64_MAX;
    uint64_t word = u.bits[w] & (~0ull << (s & 63));
    while (!word) {
      if (++w == u.bits.size()) return UINT64_MAX;
      word = u.bits[w];
    }
    return w * 64 + static_cast<uint64_t>(__builtin_ctzll(word));
  }
  // The first run that ends after s, from the caller's place on where it can.
  const std::vector<Run>& open = u.open;
  if (cursor > open.size() || (cursor > 0 && open[cursor - 1].to > s))
    cursor = static_cast<std::size_t>(
        std::upper_bound(open.begin(), open.end(), s, [](uint64_t w, const Run& r) { return w < r.to; }) -
        open.begin());
  while (cursor < open.size() && open[cursor].to <= s) ++cursor;
  return cursor < open.size() ? std::max<uint64_t>(s, open[cursor].from) : UINT64_MAX;
}
