// The seeded generator and the line writer of the benchmark's FASTA makers:
// the same seed gives the same bytes in every one of them.
#ifndef SARVIK_BENCH_RANDOM_FASTA_H
#define SARVIK_BENCH_RANDOM_FASTA_H

#include <cstdint>
#include <cstdio>

namespace {

uint64_t state;

uint64_t next()  // xorshift64*
{
  state ^= state >> 12;
  state ^= state << 25;
  state ^= state >> 27;
  return state * 2685821657736338717ull;
}

uint64_t below(uint64_t n) { return (next() >> 11) % n; }

const char bases[] = "ACGT";

// Lines of 60 characters, written through one buffer.
class line_writer {
 public:
  void put(char c)
  {
    line[fill++] = c;
    if (fill == 60) flush_line();
  }
  void flush_line()
  {
    if (fill == 0) return;
    line[fill++] = '\n';
    std::fwrite(line, 1, fill, stdout);
    fill = 0;
  }

 private:
  char line[61];
  unsigned fill = 0;
};

}  // namespace

#endif
