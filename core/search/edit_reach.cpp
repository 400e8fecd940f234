#include "edit_reach.h"

#include <cstring>

#include "bit_count.h"
#include "nucleotide_class.h"

namespace {

constexpr int most_words = 64;  // 4,096 rows; a side that needs more is left alone

// Least prefix sum and net sum of four vertical steps, by the steps' up bits
// (low nibble) and down bits (high nibble).
struct NibbleStep {
  signed char net, low;
};
struct NibbleSteps {
  NibbleStep of[256];
  constexpr NibbleSteps() : of()
  {
    for (int i = 0; i < 256; ++i) {
      int sum = 0, low = 0;
      for (int b = 0; b < 4; ++b) {
        sum += ((i >> b) & 1) - ((i >> (4 + b)) & 1);
        if (sum < low) low = sum;
      }
      of[i] = NibbleStep{static_cast<signed char>(sum), static_cast<signed char>(low)};
    }
  }
};
constexpr NibbleSteps nibble_steps;

}  // namespace

EditReach::EditReach(const char* t, uint64_t length, unsigned window, int word, int prefer_longer, bool bridged)
    : text(t), n(static_cast<int64_t>(length)), k(window), q(word),
      floor(-static_cast<long long>(window) - prefer_longer), Ns_bridged(bridged)
{
  // A side in random text lasts about k / (q / 2 - 1) columns, with about
  // half as many edits: start with rows for that.
  words = static_cast<int>((5 * k / 4) / 64 + 1);
  if (words > most_words) words = most_words;
}

bool EditReach::word_within(int i, long long t, long long e) const
{
  const long long above = i ? bottom[i - 1] : t, last = bottom[i];
  if (last <= e) return true;
  // Neighbouring rows differ by one at most: no row of the word lies below
  // the meeting of the slopes from its two ends.
  if (above + last - 64 > 2 * e) return false;
  // Nor below the first row's entry less the word's steps down, or the
  // last row's less its steps up.
  if (above - bit_count(mv[i]) > e || last - bit_count(pv[i]) > e) return false;
  long long run = above;
  for (int b = 0; b < 64; b += 4) {
    const NibbleStep st = nibble_steps.of[((pv[i] >> b) & 15) | (((mv[i] >> b) & 15) << 4)];
    if (run + st.low <= e) return true;
    run += st.net;
  }
  return false;
}

long long EditReach::least_entry(int w, long long t)
{
  long long best = t;  // row 0
  // The best prefix moves slowly: look where it was first, for a low bar.
  for (int pass = 0; pass < 2; ++pass)
    for (int i = pass ? 0 : near; i < (pass ? w : near + 1); ++i) {
      if (pass && i == near) continue;
      const long long above = i ? bottom[i - 1] : t, last = bottom[i];
      if (last < best) best = last, near = i;
      // Neighbouring rows differ by one at most: no row of the word lies
      // below the meeting of the slopes from its two ends.
      if (above + last - 64 >= 2 * best) continue;
      long long run = above;
      for (int b = 0; b < 64; b += 4) {
        const NibbleStep st = nibble_steps.of[((pv[i] >> b) & 15) | (((mv[i] >> b) & 15) << 4)];
        if (run + st.low < best) best = run + st.low, near = i;
        run += st.net;
      }
    }
  return best;
}

// A word of rows joins column t with the least entries its rows can have
// (j - t, or one less per row below the row above it): any entries whose
// steps are -1, 0 or 1 keep the walk's path bounded, and these also keep
// every entry at most the full table's.
void EditReach::add_word(int i, long long t)
{
  const long long above = i ? bottom[i - 1] : t;
  uint64_t up = 0, down = 0;
  long long last = above;
  for (int d = 1; d <= 64; ++d) {
    const long long by_length = 64ll * i + d - t, by_row = above - d;
    const long long v = by_length > by_row ? by_length : by_row;
    if (v > last) up |= 1ull << (d - 1);
    if (v < last) down |= 1ull << (d - 1);
    last = v;
  }
  pv[i] = up;
  mv[i] = down;
  bottom[i] = last;
}

// Bit i: bit `bit` of byte i of x.
inline uint64_t byte_bits(uint64_t x, int bit)
{
  return (((x >> bit) & 0x0101010101010101ull) * 0x0102040810204080ull) >> 56;
}

// The repetition's classes in word i of rows (row j holds the unit's
// character at phase + sign * j), made as the rows join: a side that stops
// early needs few. The window holds only A, C, G, T, told apart by two bits
// of their codes (A 00, C 01, G 11, T 10), so a word that does not wrap
// round the unit takes its rows eight at a time.
void EditReach::fill_rows(int i, int w, int64_t phase, int sign)
{
  int64_t f = (phase + sign * 64ll * i) % k;
  if (f < 0) f += k;
  uint64_t rows[4] = {0, 0, 0, 0};
  if (sign > 0 ? f + 64 <= k : f >= 63) {
    for (int b = 0; b < 64; b += 8) {
      uint64_t x;
      if (sign > 0) {
        std::memcpy(&x, unit + f + b, 8);
      } else {
        std::memcpy(&x, unit + f - b - 7, 8);
        x = __builtin_bswap64(x);
      }
      const uint64_t low = byte_bits(x, 1), high = byte_bits(x, 2);
      rows[0] |= (~low & ~high & 255) << b;
      rows[1] |= (low & ~high) << b;
      rows[2] |= (low & high) << b;
      rows[3] |= (~low & high & 255) << b;
    }
  } else {
    for (int b = 0; b < 64; ++b) {
      rows[nucleotide_class.of[static_cast<unsigned char>(unit[f])] & 3] |= 1ull << b;
      f += sign;
      if (f == k) f = 0;
      if (f < 0) f = k - 1;
    }
  }
  for (int x = 0; x < 4; ++x) peq[x * w + i] = rows[x];
}

int EditReach::side_with(int w, int64_t from, int sign, int64_t phase, long long score, long long target,
                         long long& top)
{
  peq.resize(4ull * w);
  pv.resize(w);
  mv.resize(w);
  bottom.resize(w);
  int used = 0;         // words of rows in the column
  long long edits = 0;  // ED of the columns so far
  near = 0;             // a side's bound depends on nothing else before it
  top = score;
  for (int64_t t = 1, p = from;; ++t, p += sign) {
    if (p < 0 || p >= n) return 1;  // the walk ends at the text's end
    const unsigned char ch = static_cast<unsigned char>(text[p]);
    if (ch == 'N' && Ns_bridged) return 0;
    // The rows must hold every prefix within the edits a state here may
    // have; those beyond lie farther.
    while (t + (score + t - floor - 1) / q >= 64ll * used) {
      if (used == w) return -1;
      fill_rows(used, w, phase, sign);
      add_word(used++, t - 1);
    }
    const unsigned c = nucleotide_class.of[ch];
    // Row 0 costs one more each column (the text consumed against nothing).
    uint64_t hin_up = 1, hin_down = 0;
    const uint64_t* const eqs = c < 4 ? &peq[c * w] : nullptr;
    for (int i = 0; i < used; ++i) {
      uint64_t eq = eqs ? eqs[i] : 0;
      const uint64_t Pv = pv[i], Mv = mv[i];
      const uint64_t xv = eq | Mv;
      eq |= hin_down;
      const uint64_t xh = (((eq & Pv) + Pv) ^ Pv) | eq;
      uint64_t ph = Mv | ~(xh | Pv);
      uint64_t mh = Pv & xh;
      const uint64_t out_up = ph >> 63, out_down = mh >> 63;
      ph = (ph << 1) | hin_up;
      mh = (mh << 1) | hin_down;
      pv[i] = mh | ~(xv | ph);
      mv[i] = ph & xv;
      bottom[i] += static_cast<long long>(out_up) - static_cast<long long>(out_down);
      hin_up = out_up;
      hin_down = out_down;
    }
    // ED never falls, so the last one found bounds it from below (and the
    // bound from above). It is looked for again only where the bound would
    // rise past the top, and every 32 columns (a stop comes that much later
    // at most: searching all words each column costs more); first in the
    // best row's word, which mostly still holds it, then in full.
    if ((t % 32 == 0 || score + t - q * edits > top) && (near >= used || !word_within(near, t, edits)))
      edits = least_entry(used, t);
    const long long value = score + t - q * edits;
    if (value <= floor) return 1;
    if (value >= target) return 0;
    if (value > top) top = value;
  }
}

bool EditReach::side_top(int64_t from, int sign, int64_t phase, long long score, long long target, long long& top)
{
  top = score;
  if (score - q <= floor) return true;  // not even one step
  for (;;) {
    const int got = side_with(words, from, sign, phase, score, target, top);
    if (got >= 0) return got == 1;
    if (words >= most_words) return false;
    words += 1 + words / 4;
    if (words > most_words) words = most_words;
  }
}

bool EditReach::hopeless(uint64_t at, long long run_left, long long run_right, long long target)
{
  const int64_t s = static_cast<int64_t>(at);
  // Where the first run on the right of the last window went on, this
  // window's unit is the last one's rotation by one (the character it takes
  // in is the one it drops), and its sides meet the same disagreements with
  // the same repetitions beyond: the right one starting one lower (its top
  // is lower by as much, at least), the left one one higher after that, so
  // at the same score as before.
  if (last.s >= 0 && s == last.s + 1 && run_right + 1 == last.run_right && run_left == last.run_left + 1) {
    last = Sides{s, run_left, run_right, last.forward_top - 1, last.backward_top};
    return last.backward_top < target;
  }
  last.s = -1;
  unit = text + s;
  for (int64_t i = 0; i < k; ++i)
    if (nucleotide_class.of[static_cast<unsigned char>(unit[i])] == 4) return false;
  // The right side goes on at s + k + run_right against phase run_right; the
  // left one at s - 1 - run_left against phase k - 1 - run_left, downwards.
  long long forward_top, backward_top;
  if (!side_top(s + k + run_right, 1, run_right % k, run_right, target - run_left, forward_top) ||
      !side_top(s - 1 - run_left, -1, k - 1 - run_left % k, forward_top + run_left, target, backward_top))
    return false;
  last = Sides{s, run_left, run_right, forward_top, backward_top};
  return backward_top < target;
}
