#include "kmer_neighbourhood.h"

#include <vector>

#include "nucleotide_class.h"

namespace {

constexpr int starts = KmerNeighbourhood::ring;  // a side has fewer starts

// Count tables are large next to a short text: each thread keeps one pair
// and every scan leaves it as empty as it found it.
struct CountTables {
  std::vector<uint32_t> shorts, longs;
  int q = -1;
};

CountTables& tables_for(int q)
{
  thread_local CountTables t;
  if (t.q != q) {
    t.shorts.assign((std::size_t(1) << (2 * q)) + 1, 0);
    t.longs.assign((std::size_t(1) << (2 * (q + 1))) + 1, 0);
    t.q = q;
  }
  return t;
}

inline int slot(int64_t start) { return static_cast<int>(start & (starts - 1)); }

}  // namespace

KmerNeighbourhood::KmerNeighbourhood(const char* t, uint64_t length, unsigned window, int word)
    : text(t), n(static_cast<int64_t>(length)), k(window), q(word), T(word + 1),
      long_mask((1u << (2 * (word + 1))) - 1), bad_mask((1u << (word + 1)) - 1), unit_mask(window >= 32 ? ~0ull : (1ull << (2 * window)) - 1)
{
  CountTables& tables = tables_for(q);
  short_count = tables.shorts.data();
  long_count = tables.longs.data();
  right.one = 1;
  left.one = 1u << 16;
}

KmerNeighbourhood::~KmerNeighbourhood()
{
  if (s < 0) return;
  clear_side(right, s + k);
  clear_side(left, s - reach);
}

int KmerNeighbourhood::char_class(int64_t i) const
{
  return i < 0 || i >= n ? 4 : nucleotide_class.of[static_cast<unsigned char>(text[i])];
}

// Shifts character i into the word as its last character.
void KmerNeighbourhood::roll(Word& w, int64_t i) const
{
  const int c = char_class(i);
  w.code = ((w.code << 2) | static_cast<uint32_t>(c & 3)) & long_mask;
  w.bad = ((w.bad << 1) | (c == 4 ? 1u : 0u)) & bad_mask;
}

// `side.entering` must hold the word starting at `start`.
void KmerNeighbourhood::add(Side& side, int64_t start)
{
  const Word& w = side.entering;
  // A word with a character other than A, C, G, T goes to the spare last
  // entry, which no query reads.
  const uint32_t whole = w.bad == 0 ? w.code : long_mask + 1;
  const uint32_t prefix = (w.bad >> 1) == 0 ? w.code >> 2 : (long_mask >> 2) + 1;
  side.ring_long[slot(start)] = whole;
  side.ring_short[slot(start)] = prefix;
  long_count[whole] += side.one;
  short_count[prefix] += side.one;
}

void KmerNeighbourhood::remove(Side& side, int64_t start)
{
  long_count[side.ring_long[slot(start)]] -= side.one;
  short_count[side.ring_short[slot(start)]] -= side.one;
}

// Fills a side whose starts run from first_start over reach - T + 1 positions.
void KmerNeighbourhood::start_side(Side& side, int64_t first_start)
{
  side.entering = Word();
  for (int64_t i = first_start; i < first_start + T - 1; ++i) roll(side.entering, i);
  for (int64_t x = first_start; x <= first_start + reach - T; ++x) {
    roll(side.entering, x + T - 1);
    add(side, x);
  }
}

void KmerNeighbourhood::clear_side(Side& side, int64_t first_start)
{
  for (int64_t x = first_start; x <= first_start + reach - T; ++x) remove(side, x);
}

void KmerNeighbourhood::rebuild(uint64_t to)
{
  if (s >= 0) {
    clear_side(right, s + k);
    clear_side(left, s - reach);
  }
  s = static_cast<int64_t>(to);
  start_side(right, s + k);
  start_side(left, s - reach);
  Ns = 0;
  for (int64_t i = s - reach; i < s + k + reach; ++i)
    if (i >= 0 && i < n && text[i] == 'N') ++Ns;
  unit_code = 0;
  unit_others = 0;
  for (int64_t i = s; i < s + k; ++i) {
    const int c = char_class(i);
    unit_code = (unit_code << 2) | (c & 3u);
    unit_others += c == 4;
  }
}

// The right side moved on by one where its new last character lies past
// the text's end: that word counts as one of other characters.
void KmerNeighbourhood::step_right_past_end()
{
  remove(right, s + k);
  roll(right.entering, s + k + reach);  // the word starting at s + k + reach - T + 1
  add(right, s + k + reach - T + 1);
}

// A unit too long for one word of codes: its cyclic words one by one, from
// phase 0 on.
KmerNeighbourhood::Hits KmerNeighbourhood::hits_of_long_unit() const
{
  const unsigned char* unit = reinterpret_cast<const unsigned char*>(text + s);
  uint32_t short_sum = 0, long_sum = 0;
  uint32_t word = 0;
  int64_t next = 0;
  for (int i = 0; i < T; ++i) {
    word = (word << 2) | (nucleotide_class.of[unit[next]] & 3u);
    if (++next == k) next = 0;
  }
  word &= long_mask;
  for (int64_t a = 0; a < k; ++a) {
    long_sum += long_count[word];
    short_sum += short_count[word >> 2];
    word = ((word << 2) | (nucleotide_class.of[unit[next]] & 3u)) & long_mask;
    if (++next == k) next = 0;
  }
  return Hits{short_sum & 0xFFFF, long_sum & 0xFFFF, short_sum >> 16, long_sum >> 16};
}
