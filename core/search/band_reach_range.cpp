#include "band_reach_range.h"

#include <algorithm>

#include "worker_pool.h"

namespace {

constexpr int max_width = 8192;  // cells of a wide row
constexpr uint8_t unknown = 255;  // a forward value this high or higher
using band_rows::scale;

}  // namespace

struct BandReachRange::Span {
  int64_t edge;  // the offset of cell 0
  int width;
  long long narrow_cells;  // the cells of a row of every unit length's own passes
};

BandReachRange::Span BandReachRange::span_of(unsigned k_lo, unsigned k_hi, int mismatch, int indel, int prefer_longer)
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

std::unique_ptr<BandReachRange> BandReachRange::make(const char* text, uint64_t n, unsigned k_lo, unsigned k_hi,
                                                     const int* min_scores, int mismatch, int indel,
                                                     int prefer_longer, bool Ns_bridged, WorkerPool* pool)
{
  if (!band_rows::applies(k_hi, mismatch, indel)) return nullptr;
  if (k_lo < 1 || k_hi < k_lo || n <= k_lo || n >= UINT32_MAX) return nullptr;
  const Span span = span_of(k_lo, k_hi, mismatch, indel, prefer_longer);
  // Both directions run the wide row; it must cost well below the narrow ones.
  if (span.width > max_width || 4 * span.width > span.narrow_cells) return nullptr;
  std::unique_ptr<BandReachRange> r(new BandReachRange(n, k_lo, k_hi));
  r->build(text, min_scores, mismatch, indel, prefer_longer, Ns_bridged, span, pool);
  return r;
}

// What the blocks of a build share, and what each fills on its thread.
struct BandReachRange::Build {
  const char* text;
  int64_t n, edge;
  int64_t reach;    // rows from a window's first on that its first copy's paths may use
  int64_t segment;  // windows a pass answers for
  int64_t block;    // windows a thread answers for at a time
  int W;
  unsigned K;
  band_rows::Scores scores;
  std::vector<band_rows::UnitLimits> limits;
};

struct BandReachRange::Block {
  std::vector<uint8_t> forward;  // per window of the block and unit length
  band_rows::Rows rows;
  std::vector<char> reversed;
  std::vector<std::vector<Run>> open;  // per unit length, the block's open windows
};

void BandReachRange::build(const char* text, const int* min_scores, int mismatch, int indel, int prefer_longer,
                           bool Ns_bridged, const Span& span, WorkerPool* pool)
{
  Build b;
  b.text = text;
  b.n = static_cast<int64_t>(n_);
  b.K = k_hi_ - k_lo_ + 1;
  b.W = span.width;
  b.edge = span.edge;
  const int16_t cap = band_rows::cap_for(k_hi_);
  b.scores = {mismatch, indel, Ns_bridged, cap};
  units_.resize(b.K);
  for (unsigned k = k_lo_; k <= k_hi_; ++k) {
    b.limits.emplace_back(k, mismatch, indel, prefer_longer);
    Unit& u = units_[k - k_lo_];
    u.target = min_scores[k];
    u.kept = u.target > 0 && scale * u.target <= cap;
  }
  // A pass over a segment of windows ends every path a longest unit length
  // past it (band_reach.h says why): short segments settle more windows, at
  // the cost of the rows they share. A block's forward values wait for its
  // backward passes, as bytes, in at most a few MB.
  b.reach = static_cast<int64_t>(k_hi_) + 1;
  b.segment = std::max<int64_t>(k_hi_, 256);
  b.block = std::max<int64_t>(1, std::min<int64_t>(16384, (int64_t{8} << 20) / b.K) / b.segment) * b.segment;
  const int64_t windows = b.n - k_lo_;
  const std::size_t blocks = static_cast<std::size_t>((windows + b.block - 1) / b.block);
  // Blocks run side by side, a wave of them at a time, and join the lists in
  // order, so that the lists are those of one thread.
  const std::size_t wave = pool && pool->threads() > 1 ? pool->threads() : 1;
  std::vector<Block> scratch(std::min(wave, blocks));
  for (std::size_t first = 0; first < blocks; first += wave) {
    const std::size_t count = std::min(wave, blocks - first);
    auto fill = [&](std::size_t i) { fill_block(b, static_cast<int64_t>(first + i) * b.block, scratch[i]); };
    if (count > 1)
      pool->parallel_for(count, fill);
    else
      fill(0);
    for (std::size_t i = 0; i < count; ++i) join(scratch[i]);
  }
}

void BandReachRange::fill_block(const Build& b, int64_t b0, Block& out) const
{
  const int64_t n = b.n;
  const int64_t b1 = std::min(b0 + b.block, n - k_lo_);
  out.forward.resize(static_cast<std::size_t>(b1 - b0) * b.K);
  out.open.resize(b.K);
  // The backward walk of window s, unit k, starts at row y = s + k - 1,
  // row n - 1 - y of the reversed text.
  const int64_t lo = n - 1 - std::min(n - 2, b1 + k_hi_ - 2), hi = std::min(n, n - (b0 + k_lo_ - 1) + b.reach);
  band_rows::reverse_rows(b.text, n, lo, hi, b.edge, b.W, out.reversed);
  for (int64_t a0 = b0; a0 < b1; a0 += b.segment) fill_segment(b, b0, a0, std::min(a0 + b.segment, b1), lo, out);
}

// The windows [a0, a1) of the block from b0, whose reversed rows begin at
// row lo.
void BandReachRange::fill_segment(const Build& b, int64_t b0, int64_t a0, int64_t a1, int64_t lo, Block& out) const
{
  const int64_t n = b.n, edge = b.edge;
  const unsigned K = b.K;
  band_rows::pass(
      b.text, 0, n, edge, b.W, a0, std::min(n, a1 + b.reach), b.scores, out.rows,
      [&](int64_t x, const int16_t* cz) {
        if (x >= a1) return;
        uint8_t* f = &out.forward[(x - b0) * K];
        const int16_t* z = cz + (k_lo_ - edge);
        for (unsigned i = 0; i < K; ++i) f[i] = static_cast<uint8_t>(std::min<int16_t>(z[i], unknown));
      });
  // y runs up as the reversed rows run down.
  const int64_t y_min = a0 + k_lo_ - 1, y_max = std::min(n - 2, a1 + k_hi_ - 2);
  band_rows::pass(
      out.reversed.data(), lo, n, edge, b.W, n - 1 - y_max, std::min(n, n - y_min + b.reach), b.scores, out.rows,
      [&](int64_t r, const int16_t* cz) {
        const int64_t y = n - 1 - r;
        if (y < y_min || y > y_max) return;
        // s = y - k + 1 in [a0, a1); s + k = y + 1 < n holds by y_max.
        const int64_t k_from = std::max<int64_t>(k_lo_, y + 2 - a1), k_to = std::min<int64_t>(k_hi_, y + 1 - a0);
        for (int64_t k = k_from; k <= k_to; ++k) {
          const Unit& u = units_[k - k_lo_];
          if (!u.kept) continue;
          const uint32_t s = static_cast<uint32_t>(y - k + 1);
          const uint8_t zf = out.forward[(s - b0) * K + (k - k_lo_)];
          if (zf != unknown && b.limits[k - k_lo_].settled(zf, cz[k - edge], u.target)) continue;
          // Windows are left open in runs (beside repeats, low-complexity stretches).
          std::vector<Run>& open = out.open[k - k_lo_];
          if (!open.empty() && open.back().to == s)
            ++open.back().to;
          else
            open.push_back({s, s + 1});
        }
      });
}

// The lists together hold at most about this many bytes a nucleotide; past
// that the shortest unit lengths, whose own programs cost least, give up
// theirs.
constexpr uint64_t bytes_per_nucleotide = 2;

void BandReachRange::join(Block& block)
{
  const uint64_t words = (n_ + 63) / 64;
  for (unsigned i = 0; i < units_.size(); ++i) {
    Unit& u = units_[i];
    std::vector<Run>& more = block.open[i];
    if (u.kept && !more.empty()) {
      if (u.bits.empty()) {
        const bool joins = !u.open.empty() && u.open.back().to == more.front().from;
        if (joins) u.open.back().to = more.front().to;
        u.open.insert(u.open.end(), more.begin() + (joins ? 1 : 0), more.end());
        held_ += (more.size() - (joins ? 1 : 0)) * sizeof(Run);
        // Runs as large as a bit a window turn into those bits.
        if (u.open.size() * sizeof(Run) >= words * sizeof(uint64_t)) {
          u.bits.assign(words, 0);
          held_ += words * sizeof(uint64_t);
          more.swap(u.open);
          held_ -= more.size() * sizeof(Run);
          std::vector<Run>().swap(u.open);
        }
      }
      if (!u.bits.empty())
        for (const Run& r : more)
          for (uint32_t w = r.from; w < r.to; ++w) u.bits[w >> 6] |= 1ull << (w & 63);
    }
    more.clear();
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
