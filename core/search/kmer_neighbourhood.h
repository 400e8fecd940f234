// KmerNeighbourhood: how often the short words of a window's unit occur in
// the sequence just beside the window, kept up to date as the window slides.
//
// For a window [s, s + k) it counts, on the right side [s + k, s + k + reach)
// and on the left side [s - reach, s), the words of length q + 1 that lie
// wholly inside the side and the words of length q that start where those
// do (their first q characters), in one table per length. A query sums
// the counts of the unit's cyclic words: a run of q or more matches against
// the unit at any phase, starting on a side, is such a word there. Moving on
// by one position costs a few table updates; a jump rebuilds the two sides.
#ifndef SARVIK_KMER_NEIGHBOURHOOD_H
#define SARVIK_KMER_NEIGHBOURHOOD_H

#include <cstdint>

#include "nucleotide_class.h"

class KmerNeighbourhood {
 public:
  // Long enough for a walk that may lose the points of two steps and gain
  // one or two over a few words, short enough that hits stay rare.
  static constexpr int reach = 128;
  static constexpr int max_word = 7;  // tables of 4^7 entries at most
  static constexpr int ring = 128;    // slots for a side's word starts

  // q: the shorter word length, 1 .. max_word - 1; k: the window length.
  KmerNeighbourhood(const char* text, uint64_t n, unsigned k, int q);
  // Leaves the thread's count tables empty for the next one.
  ~KmerNeighbourhood();
  KmerNeighbourhood(const KmerNeighbourhood&) = delete;
  KmerNeighbourhood& operator=(const KmerNeighbourhood&) = delete;

  struct Hits {
    uint32_t short_right, long_right, short_left, long_left;
  };

  // Brings the sides to the window starting at s.
  void move_to(uint64_t s);
  // The unit's cyclic words counted on each side (words that occur in the
  // unit more than once count more than once).
  Hits hits() const;
  // Any N in [s - reach, s + k + reach).
  bool N_nearby() const { return Ns != 0; }
  // The window holds only A, C, G and T: hits() needs that.
  bool plain_unit() const { return unit_others == 0; }

 private:
  struct Word {
    uint32_t code = 0;
    uint32_t bad = 0;  // bit i: character i from the end is not A, C, G or T
  };
  // Both sides share the count tables: the right side's count is the low
  // half of an entry, the left side's the high half, so one load serves both
  // (a side holds fewer than reach words, so a sum over a unit's at most 64
  // words never carries from one half into the other).
  struct Side {
    uint32_t one;                                   // 1 in this side's half
    uint32_t ring_short[ring], ring_long[ring];  // by start position & (ring - 1)
    Word entering;                                  // the word of the last start added
  };
  static_assert((ring & (ring - 1)) == 0 && ring >= reach, "ring positions are masked");

  int char_class(int64_t i) const;
  void roll(Word& w, int64_t i) const;
  void add(Side& side, int64_t start);
  void remove(Side& side, int64_t start);
  void start_side(Side& side, int64_t first_start);
  void clear_side(Side& side, int64_t first_start);
  void rebuild(uint64_t s);
  void step_right_past_end();
  void step_inside(Side& side, int64_t leaving, int64_t last);
  void step_unit();
  Hits hits_of_long_unit() const;

  const char* text;
  int64_t n;
  int64_t k;
  int q;
  int T;  // q + 1
  uint32_t long_mask;
  uint32_t bad_mask;
  int64_t s = -1;  // current window start; -1 before the first
  uint64_t unit_code = 0;  // the window's last (up to 32) characters, two bits each
  uint64_t unit_mask;
  int unit_others = 0;     // characters of the window other than A, C, G, T
  int Ns = 0;
  uint32_t* short_count;  // the thread's tables, empty between scans
  uint32_t* long_count;
  Side right, left;
};

// The per-window work, inline: a scan asks once for every window.

inline void KmerNeighbourhood::move_to(uint64_t to)
{
  const int64_t target = static_cast<int64_t>(to);
  if (s < 0 || target < s || target - s > reach) {
    rebuild(to);
    return;
  }
  while (s < target) {
    // The left side's new character is the window's first: it always lies
    // in the text; words that reach before the text hold other characters.
    const int64_t last = s + k + reach;
    if (last < n) {
      step_inside(right, s + k, last);
      Ns += text[last] == 'N';
    } else {
      step_right_past_end();
    }
    step_inside(left, s - reach, s);
    if (s >= reach) Ns -= text[s - reach] == 'N';
    step_unit();
  }
}

// One side moved on by one, away from the text's ends: the word at
// `leaving` goes, the word ending with character `last` comes.
inline void KmerNeighbourhood::step_inside(Side& side, int64_t leaving, int64_t last)
{
  const int out = static_cast<int>(leaving & (ring - 1));
  long_count[side.ring_long[out]] -= side.one;
  short_count[side.ring_short[out]] -= side.one;
  Word& w = side.entering;
  const uint32_t c = nucleotide_class.of[static_cast<unsigned char>(text[last])];
  w.code = ((w.code << 2) | (c & 3u)) & long_mask;
  w.bad = ((w.bad << 1) | (c >> 2)) & bad_mask;
  const uint32_t whole = w.bad == 0 ? w.code : long_mask + 1;
  const uint32_t prefix = (w.bad >> 1) == 0 ? w.code >> 2 : (long_mask >> 2) + 1;
  const int in = static_cast<int>((last - T + 1) & (ring - 1));
  side.ring_long[in] = whole;
  side.ring_short[in] = prefix;
  long_count[whole] += side.one;
  short_count[prefix] += side.one;
}

inline void KmerNeighbourhood::step_unit()
{
  const int entering = nucleotide_class.of[static_cast<unsigned char>(text[s + k])];
  unit_others += (entering == 4) - (nucleotide_class.of[static_cast<unsigned char>(text[s])] == 4);
  unit_code = ((unit_code << 2) | (entering & 3u)) & unit_mask;
  ++s;
}

inline KmerNeighbourhood::Hits KmerNeighbourhood::hits() const
{
  if (k + T - 1 > 32) return hits_of_long_unit();
  // The first k + T - 1 characters of the unit repeated: its cyclic words
  // are plain windows of that, taken from the last one down.
  uint64_t extended;
  if (T - 1 <= k) {
    extended = (unit_code << (2 * (T - 1))) | (unit_code >> (2 * (k - T + 1)));
  } else {
    uint64_t repeated = unit_code;  // a short unit: at most 2 (T - 1) characters
    int64_t length = k;
    for (; length < k + T - 1; length += k) repeated = (repeated << (2 * k)) | unit_code;
    extended = repeated >> (2 * (length - (k + T - 1)));
  }
  uint32_t short_sum = 0, long_sum = 0;
  for (int64_t a = 0; a < k; ++a) {
    const uint32_t word = static_cast<uint32_t>(extended) & long_mask;
    long_sum += long_count[word];
    short_sum += short_count[word >> 2];
    extended >>= 2;
  }
  return Hits{short_sum & 0xFFFF, long_sum & 0xFFFF, short_sum >> 16, long_sum >> 16};
}

#endif
