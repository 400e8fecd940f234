// Seeded random inputs for comparing the search engines: one parameter set
// that reaches the search and the writer, and a sequence built from planted
// repeats, homopolymers, N runs and background. A case is a pure function of
// its seed, so any case can be replayed from the seed alone.
#ifndef SARVIK_TESTS_EQUIVALENCE_RANDOM_CASES_H
#define SARVIK_TESTS_EQUIVALENCE_RANDOM_CASES_H

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

// splitmix64: tiny, and the same stream on every platform and library.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next()
  {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }
  int between(int lo, int hi) { return lo + static_cast<int>(below(static_cast<unsigned>(hi - lo + 1))); }
  bool chance(double p) { return static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
  template <typename T, size_t N>
  const T& pick(const T (&options)[N])
  {
    return options[below(N)];
  }

 private:
  uint64_t state_;
};

// Every parameter that reaches the searches or the writer, with sarvik's defaults.
struct SearchParams {
  int mode = 2;  // 0 exact, 1 extendExact, 2 imperfect
  unsigned min_unit = 1;
  unsigned max_unit = 10;
  int min_score = 6;
  int min_score_a = 0;
  float min_score_b = 1.0f;
  int min_length = 0;
  int min_length_a = 0;
  float min_length_b = 0.0f;
  float min_perfection = 0.0f;
  float max_perfection = 100.0f;
  int mismatch = -5;
  int indel = -5;
  int depth = 5;
  int reduction = INT_MAX;
  int Ns_allowed = 2;
  bool Ns_missense = false;
  bool prefer_shorter = false;
  bool keep_hidden = false;  // -D
  // Only the writer reads these.
  int N_perfection_mode = 0;
  int report_unit = 2;
  int seq_mode = 2;
  int flanking = 0;
  bool info_as_comment = false;

  // Loads the defaults, then these values, into the globals and drops the
  // thresholds computed for the previous set.
  void apply() const;
  // The sarvik options that set these values (defaults left out).
  std::string options() const;
};

// What the sequence generator may produce.
struct SequenceLimits {
  size_t max_length = 3000;
  double satellite_chance = 0.0;  // a 10 to 100 kb satellite array (capped by max_length)
  // A case of long units (11 to 200) over planted minisatellites instead,
  // of at most long_unit_length characters (the reference engine walks
  // every window of a long unit, so these stay short).
  double long_unit_chance = 0.0;
  size_t long_unit_length = 900;
};

struct RandomCase {
  uint64_t seed;
  SearchParams params;
  std::string text;  // A, C, G, T and N only
};

SearchParams random_params(Rng& rng);
std::string random_sequence(Rng& rng, const SequenceLimits& limits);
// Parameters first, then a sequence whose length shrinks with the look-ahead
// depth so that deep searches stay affordable.
// A long-unit case is drawn from a stream of its own, so that the other
// cases of a seed stay what they were.
RandomCase make_case(uint64_t seed, const SequenceLimits& limits);
// Turns c into a long-unit case: the unit range and thresholds, and a text
// of minisatellites with mismatches and indels, long-unit satellites and
// background.
void make_long_unit_case(Rng& rng, RandomCase& c, size_t max_length);

#endif
