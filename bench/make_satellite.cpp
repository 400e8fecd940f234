// Writes one reproducible FASTA record holding a diverged satellite array,
// for benchmarks and tests:
//
//   make_satellite SEED UNIT DIVERGENCE_PERCENT ARRAY_LEN [FLANK_LEN [N_EVERY [GENOME]]] > out.fa
//
// The array copies UNIT (letters A, C, G, T) until ARRAY_LEN characters are
// written; each copied character is, with the given share, substituted,
// deleted or followed by an inserted random character (a third each). With
// N_EVERY > 0 a run of 1 to 5 N's replaces the text about every N_EVERY
// characters of the array. FLANK_LEN random characters (default 5000) stand
// on either side; with GENOME 1 the flanks also hold ordinary short repeats,
// about one in 1500 positions, like a genome around a satellite. The same
// arguments always give the same file, byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "random_fasta.h"

namespace {

void flank(line_writer& w, uint64_t len, bool genome)
{
  uint64_t i = 0;
  while (i < len) {
    if (genome && below(1500) == 0) {
      char unit[10];
      const uint64_t k = 1 + below(10);
      for (uint64_t j = 0; j < k; ++j) unit[j] = bases[below(4)];
      const uint64_t n = k * (3 + below(28));
      for (uint64_t j = 0; j < n && i < len; ++j, ++i) w.put(below(25) == 0 ? bases[below(4)] : unit[j % k]);
      continue;
    }
    w.put(bases[below(4)]);
    ++i;
  }
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 5 || argc > 8) {
    std::fprintf(stderr,
                 "usage: make_satellite SEED UNIT DIVERGENCE_PERCENT ARRAY_LEN [FLANK_LEN [N_EVERY [GENOME]]]\n");
    return 2;
  }
  state = std::strtoull(argv[1], nullptr, 10) * 0x9E3779B97F4A7C15ull + 7;
  const char* unit = argv[2];
  const std::size_t k = std::strlen(unit);
  const double divergence = std::strtod(argv[3], nullptr) / 100.0;
  const uint64_t array_len = std::strtoull(argv[4], nullptr, 10);
  const uint64_t flank_len = argc > 5 ? std::strtoull(argv[5], nullptr, 10) : 5000;
  const uint64_t n_every = argc > 6 ? std::strtoull(argv[6], nullptr, 10) : 0;
  const bool genome = argc > 7 && std::strcmp(argv[7], "1") == 0;
  if (k == 0 || std::strspn(unit, "ACGT") != k || divergence < 0 || divergence > 1) return 2;
  const uint64_t threshold = static_cast<uint64_t>(divergence * 1e9);

  static char out_buffer[1 << 20];
  std::setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);
  std::printf(">sat_%s_%s_%llu\n", unit, argv[3], static_cast<unsigned long long>(array_len));
  line_writer w;
  flank(w, flank_len, genome);
  uint64_t written = 0, j = 0;
  while (written < array_len) {
    if (n_every && below(n_every) == 0) {
      for (uint64_t n = 1 + below(5); n && written < array_len; --n, ++written) w.put('N');
      continue;
    }
    const char c = unit[j++ % k];
    if (below(1000000000) >= threshold) {
      w.put(c);
      ++written;
      continue;
    }
    switch (below(3)) {
      case 0:  // substitution
        w.put(bases[(std::strchr(bases, c) - bases + 1 + below(3)) % 4]);
        ++written;
        break;
      case 1:  // deletion
        break;
      default:  // insertion after the character
        w.put(c);
        ++written;
        if (written < array_len) {
          w.put(bases[below(4)]);
          ++written;
        }
    }
  }
  flank(w, flank_len, genome);
  w.flush_line();
  return 0;
}
