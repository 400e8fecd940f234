// Writes a reproducible pseudo-random DNA FASTA file with tandem repeats mixed
// in, for benchmarks: make_fasta SEED RECORDS MIN_LEN MAX_LEN > out.fa
//
// Every record's length is drawn from [MIN_LEN, MAX_LEN]. About one position
// in 1500 starts a tandem repeat (unit 1 to 10, 3 to 30 copies, 4% of its
// characters mutated); one in 50,000 starts a run of 1 to 200 N's. The same
// seed always gives the same file, byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "random_fasta.h"

int main(int argc, char** argv)
{
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_fasta SEED RECORDS MIN_LEN MAX_LEN > out.fa\n");
    return 2;
  }
  state = std::strtoull(argv[1], nullptr, 10) * 0x9E3779B97F4A7C15ull + 1;
  const uint64_t records = std::strtoull(argv[2], nullptr, 10);
  const uint64_t min_len = std::strtoull(argv[3], nullptr, 10);
  const uint64_t max_len = std::strtoull(argv[4], nullptr, 10);
  if (min_len > max_len) return 2;

  static char out_buffer[1 << 20];
  std::setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);

  line_writer w;
  for (uint64_t r = 1; r <= records; ++r) {
    const uint64_t len = min_len + below(max_len - min_len + 1);
    std::printf(">rec%llu length %llu\n", static_cast<unsigned long long>(r), static_cast<unsigned long long>(len));
    uint64_t i = 0;
    while (i < len) {
      const uint64_t roll = below(50000);
      if (roll < 33) {  // a tandem repeat
        char unit[10];
        const uint64_t k = 1 + below(10);
        for (uint64_t j = 0; j < k; ++j) unit[j] = bases[below(4)];
        const uint64_t n = k * (3 + below(28));
        for (uint64_t j = 0; j < n && i < len; ++j, ++i) w.put(below(25) == 0 ? bases[below(4)] : unit[j % k]);
      } else if (roll == 33) {  // a run of N's
        const uint64_t n = 1 + below(200);
        for (uint64_t j = 0; j < n && i < len; ++j, ++i) w.put('N');
      } else {
        w.put(bases[next() >> 62]);
        ++i;
      }
    }
    w.flush_line();
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
