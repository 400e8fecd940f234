// Runs of equal characters between two stretches of text, eight at a time.
#ifndef SARVIK_WORD_COMPARE_H
#define SARVIK_WORD_COMPARE_H

#include <cstdint>
#include <cstring>

// A word as if loaded little-endian, so that the lowest byte is the first.
inline uint64_t load_order(uint64_t w)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return __builtin_bswap64(w);
#else
  return w;
#endif
}

// Number of leading positions i < n with a[i] == b[i].
inline uint64_t equal_ahead(const char* a, const char* b, uint64_t n)
{
  uint64_t r = 0;
  for (; r + 8 <= n; r += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + r, 8);
    std::memcpy(&y, b + r, 8);
    if (x != y) return r + (static_cast<uint64_t>(__builtin_ctzll(load_order(x ^ y))) >> 3);
  }
  while (r < n && a[r] == b[r]) ++r;
  return r;
}

// Number of positions i < n, going back from a and b, with a[-1-i] == b[-1-i].
inline uint64_t equal_behind(const char* a, const char* b, uint64_t n)
{
  uint64_t r = 0;
  for (; r + 8 <= n; r += 8) {
    uint64_t x, y;
    std::memcpy(&x, a - r - 8, 8);
    std::memcpy(&y, b - r - 8, 8);
    if (x != y) return r + (static_cast<uint64_t>(__builtin_clzll(load_order(x ^ y))) >> 3);
  }
  while (r < n && a[-1 - static_cast<int64_t>(r)] == b[-1 - static_cast<int64_t>(r)]) ++r;
  return r;
}

#endif
