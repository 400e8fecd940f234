// UnitScan: a repeat unit laid out for fast comparison with the sequence.
//
// The extension aligns the sequence against the endless repetition of a unit.
// Here the unit cursor is a phase 0 .. L-1, and the unit is copied into a
// periodic buffer with eight characters of margin on either side, so that
// eight sequence characters can be compared with eight unit characters in
// one 64-bit word, in either direction, from any phase. One instance per
// thread is reused from seed to seed; it only grows.
#ifndef SARVIK_UNIT_SCAN_H
#define SARVIK_UNIT_SCAN_H

#include <cstdint>
#include <cstring>
#include <vector>

#include "Csat.h"
#include "word_compare.h"

class UnitScan {
 public:
  // The scan of this thread, set up for the unit [begin, end).
  static UnitScan& for_unit(const char* begin, const char* end);

  int length() const { return L; }
  char at(int phase) const { return periodic[phase]; }

  // Phase moved by -8 .. 8 positions, wrapping.
  int step(int phase, int delta) const { return wrap[phase + delta]; }
  // Phase moved by any number of positions, wrapping.
  int step_far(int phase, long long delta) const
  {
    long long r = (phase + delta) % L;
    return static_cast<int>(r < 0 ? r + L : r);
  }

  // Eight unit characters from `phase` on, as they lie in memory.
  uint64_t word(int phase) const
  {
    uint64_t w;
    std::memcpy(&w, periodic + phase, sizeof w);
    return w;
  }

 private:
  static constexpr int margin = 8;
  void set_unit(const char* begin, const char* end);

  int L = 0;
  int wrap_length = -1;  // the L that `wrap` was built for
  std::vector<char> periodic_buffer;
  std::vector<int> wrap_buffer;
  const char* periodic = nullptr;  // periodic[x] = unit[x mod L], x in [-8, L + 8)
  const int* wrap = nullptr;       // wrap[x] = x mod L, x in [-8, L + 8)
};

inline uint64_t load_word(const char* p)
{
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return load_order(w);
}

inline uint64_t unit_word(const UnitScan& u, int phase) { return load_order(u.word(phase)); }

// Growing to the right: the cursor is `end`, the character examined is *end.
struct ScanForward {
  static constexpr int sign = 1;
  static const char* probe(const char* p) { return p; }
  static const char* move(const char* p, long long n) { return p + n; }
  static bool at_limit(const char* p, const char* limit) { return p == limit; }

  // Matches taken from `p` on, up to `limit`; moves p and phase past them.
  static int match_run(const UnitScan& u, const char*& p, int& phase, const char* limit)
  {
    int run = 0;
    while (limit - p >= 8) {
      const uint64_t diff = load_word(p) ^ unit_word(u, phase);
      if (diff) {
        const int n = __builtin_ctzll(diff) >> 3;  // the lowest byte is the nearest
        p += n;
        phase = u.step(phase, n);
        return run + n;
      }
      p += 8;
      run += 8;
      phase = u.step(phase, 8);
    }
    while (p != limit && *p == u.at(phase)) {
      ++p;
      ++run;
      phase = u.step(phase, 1);
    }
    return run;
  }
  static const char*& cursor(Csat& s) { return s.end; }
  static const char*& unit_cursor(Csat& s) { return s.unit_fwd; }
};

// Growing to the left: the cursor is `start`, the character examined is the
// one before it. `limit` lies before the text and is only compared.
struct ScanBackward {
  static constexpr int sign = -1;
  static const char* probe(const char* p) { return p - 1; }
  static const char* move(const char* p, long long n) { return p - n; }
  static bool at_limit(const char* p, const char* limit) { return p == limit + 1; }

  static int match_run(const UnitScan& u, const char*& p, int& phase, const char* limit)
  {
    int run = 0;
    while (p - limit > 8) {
      // p[-8 .. -1] against the unit up to `phase`: the highest byte is the nearest.
      const uint64_t diff = load_word(p - 8) ^ unit_word(u, phase - 7);
      if (diff) {
        const int n = __builtin_clzll(diff) >> 3;
        p -= n;
        phase = u.step(phase, -n);
        return run + n;
      }
      p -= 8;
      run += 8;
      phase = u.step(phase, -8);
    }
    while (p - 1 != limit && p[-1] == u.at(phase)) {
      --p;
      ++run;
      phase = u.step(phase, -1);
    }
    return run;
  }
  static const char*& cursor(Csat& s) { return s.start; }
  static const char*& unit_cursor(Csat& s) { return s.unit_bwd; }
};

#endif
