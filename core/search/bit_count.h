// Population count of a 64-bit word.
#ifndef SARVIK_BIT_COUNT_H
#define SARVIK_BIT_COUNT_H

#include <cstdint>

// Inline: the portable build has no population count instruction, and the
// library call costs more than this.
inline int bit_count(uint64_t x)
{
  x -= (x >> 1) & 0x5555555555555555ull;
  x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
  x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0full;
  return static_cast<int>((x * 0x0101010101010101ull) >> 56);
}

#endif
