// Which windows of the exact search can possibly pass its thresholds.
//
// Without an N nearby, the seed [j, j + k) grows over the run of positions
// i with S[i] == S[i + k] that starts at j, and back over the one that ends
// at j - 1: its score is the length of the run that holds j or j - 1. So a
// window next to no run of at least `run` such positions scores less than
// `run`. The runs are found 64 windows at a time from 16-byte comparisons.
#ifndef SARVIK_EXACT_CANDIDATES_H
#define SARVIK_EXACT_CANDIDATES_H

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Bit b: window x + b exists (0 <= x + b, x + b + k < L) and S[x + b] == S[x + b + k].
inline uint64_t period_matches(const char* S, uint64_t L, int64_t x, uint64_t k)
{
  uint64_t bits = 0;
#if defined(__SSE2__)
  if (x >= 0 && static_cast<uint64_t>(x) + k + 64 <= L) {
    for (int c = 0; c < 4; ++c) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + x + 16 * c));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + x + k + 16 * c));
      const uint64_t m = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
      bits |= m << (16 * c);
    }
    return bits;
  }
#endif
  for (int b = 0; b < 64; ++b) {
    const int64_t j = x + b;
    if (j >= 0 && static_cast<uint64_t>(j) + k < L && S[j] == S[j + k]) bits |= 1ull << b;
  }
  return bits;
}

// The windows w .. w + 63 that lie next to a run of at least `run` (1 .. 8)
// period matches: bit b for window w + b.
inline uint64_t windows_next_to_runs(const char* S, uint64_t L, uint64_t w, uint64_t k, unsigned run)
{
  // Matches for positions w - 32 .. w + 95: enough on both sides for runs of 8.
  const int64_t x = static_cast<int64_t>(w) - 32;
  const unsigned __int128 m = static_cast<unsigned __int128>(period_matches(S, L, x, k)) |
                              (static_cast<unsigned __int128>(period_matches(S, L, x + 64, k)) << 64);
  // A run of `run` matches starts here: the matches shifted by 0 .. run - 1
  // all agree, found by doubling the shift.
  unsigned __int128 starts = m;
  unsigned len = 1;
  while (2 * len <= run) {
    starts &= starts >> len;
    len *= 2;
  }
  if (len < run) starts &= starts >> (run - len);
  // Inside such a run: the starts spread over the next run - 1 positions.
  unsigned __int128 inside = starts;
  len = 1;
  while (2 * len <= run) {
    inside |= inside << len;
    len *= 2;
  }
  if (len < run) inside |= inside << (run - len);
  const unsigned __int128 next = inside | (inside << 1);  // the run holds j or j - 1
  return static_cast<uint64_t>(next >> 32);
}

// Whether stretches of the text hold an N, for stretches asked in increasing
// order. Each search looks a bounded way ahead, so that a scan that starts
// in the middle of a long text without N does not read on to its end.
class NCursor {
 public:
  NCursor(const char* S, const char* E) : E_(E), next_(S) {}

  // True when [p, p + len) holds no N; p + len <= the text's end.
  bool clear(const char* p, uint64_t len)
  {
    if (p >= next_ || (!found_ && static_cast<uint64_t>(next_ - p) < len)) seek(p, len);
    return static_cast<uint64_t>(next_ - p) >= len;
  }

 private:
  void seek(const char* p, uint64_t len)
  {
    const uint64_t ahead = len > horizon ? len : horizon;
    const char* far = static_cast<uint64_t>(E_ - p) > ahead ? p + ahead : E_;
    const void* n = std::memchr(p, 'N', static_cast<std::size_t>(far - p));
    next_ = n ? static_cast<const char*>(n) : far;
    found_ = n || far == E_;  // next_ is an N, or the text's end
  }

  static constexpr uint64_t horizon = 1 << 16;
  const char* E_;
  const char* next_;    // no N from where the last search began up to here
  bool found_ = false;  // here is an N or the text's end, not just where the search stopped
};

// The windows of one unit length, visited in increasing order, that lie next
// to a run of at least `need` period matches (at most 8 are looked for);
// every window where an N lies close enough that a run could be bridged
// over it, and every window when `need` is below 1.
class RunNeighbours {
 public:
  RunNeighbours(const char* S, uint64_t L, uint64_t k, int need)
      : S_(S), L_(L), k_(k), need_(need), run_(need < 8 ? static_cast<unsigned>(need) : 8), Ns_(S, S + L)
  {
  }

  bool may_pass(uint64_t i)
  {
    if (need_ < 1) return true;
    const uint64_t w = i & ~63ull;
    if (w != block_) {
      block_ = w;
      todo_ = ~0ull;
      // Near an end of the text every window is tried, as near an N.
      const uint64_t lo = w >= 16 ? w - 16 : 0;
      const uint64_t hi = w + 64 + k_ + 16;
      if (hi <= L_ && Ns_.clear(S_ + lo, hi - lo)) todo_ = windows_next_to_runs(S_, L_, w, k_, run_);
    }
    return (todo_ >> (i - w)) & 1;
  }

  // The first window from i on, below `to`, that may pass (`to` if none).
  uint64_t next(uint64_t i, uint64_t to)
  {
    if (need_ < 1) return i;
    while (i < to && !may_pass(i)) {
      const uint64_t w = i & ~63ull;
      const uint64_t rest = todo_ >> (i - w);
      i = rest ? i + static_cast<uint64_t>(__builtin_ctzll(rest)) : w + 64;
    }
    return i < to ? i : to;
  }

 private:
  const char* S_;
  uint64_t L_;
  uint64_t k_;
  int need_;
  unsigned run_;
  NCursor Ns_;
  uint64_t block_ = ~0ull;
  uint64_t todo_ = 0;
};

#endif
