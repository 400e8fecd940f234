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

#endif
