#include "edit_reach.h"

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

bool EditReach::row_within(int w, long long t, long long e) const
{
  if (t <= e) return true;  // row 0
  for (int i = 0; i < w; ++i) {
    const long long above = i ? bottom[i - 1] : t, last = bottom[i];
    if (last <= e) return true;
    // Neighbouring rows differ by one at most: no row of the word lies
    // below the meeting of the slopes from its two ends.
    if (above + last - 64 > 2 * e) continue;
    long long run = above;
    for (int b = 0; b < 64; b += 4) {
      const NibbleStep st = nibble_steps.of[((pv[i] >> b) & 15) | (((mv[i] >> b) & 15) << 4)];
      if (run + st.low <= e) return true;
      run += st.net;
    }
  }
  return false;
}

int EditReach::side_with(int w, int64_t from, int sign, int64_t phase, long long score, long long target,
                         long long& top)
{
  const int64_t rows = 64ll * w;
  peq.assign(4ull * w, 0);
  for (int64_t j = 0, f = phase; j < rows; ++j) {
    const unsigned c = nucleotide_class.of[static_cast<unsigned char>(unit[f])];
    peq[c * w + (j >> 6)] |= 1ull << (j & 63);  // the window holds only A, C, G, T
    f += sign;
    if (f == k) f = 0;
    if (f < 0) f = k - 1;
  }
  pv.assign(w, ~0ull);  // column 0: row j costs j deletions
  mv.assign(w, 0);
  bottom.resize(w);
  for (int i = 0; i < w; ++i) bottom[i] = 64ll * (i + 1);
  long long edits = 0;  // ED of the columns so far
  top = score;
  const uint64_t high = 1ull << 63;
  for (int64_t t = 1, p = from;; ++t, p += sign) {
    if (p < 0 || p >= n) return 1;  // the walk ends at the text's end
    const unsigned char ch = static_cast<unsigned char>(text[p]);
    if (ch == 'N' && Ns_bridged) return 0;
    const unsigned c = nucleotide_class.of[ch];
    // Row 0 costs one more each column (the text consumed against nothing).
    int hin = 1;
    for (int i = 0; i < w; ++i) {
      uint64_t eq = c < 4 ? peq[c * w + i] : 0;
      const uint64_t Pv = pv[i], Mv = mv[i];
      const uint64_t xv = eq | Mv;
      if (hin < 0) eq |= 1;
      const uint64_t xh = (((eq & Pv) + Pv) ^ Pv) | eq;
      uint64_t ph = Mv | ~(xh | Pv);
      uint64_t mh = Pv & xh;
      const int hout = (ph & high) ? 1 : (mh & high) ? -1 : 0;
      ph <<= 1;
      mh <<= 1;
      if (hin < 0)
        mh |= 1;
      else if (hin > 0)
        ph |= 1;
      pv[i] = mh | ~(xv | ph);
      mv[i] = ph & xv;
      bottom[i] += hout;
      hin = hout;
    }
    // The rows must hold every prefix within the edits a state here may
    // have; those beyond lie farther.
    if (t + (score + t - floor - 1) / q >= rows) return -1;
    // One more character costs the best prefix nothing or one edit.
    if (!row_within(w, t, edits)) ++edits;
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
  unit = text + s;
  for (int64_t i = 0; i < k; ++i)
    if (nucleotide_class.of[static_cast<unsigned char>(unit[i])] == 4) return false;
  // The right side goes on at s + k + run_right against phase run_right; the
  // left one at s - 1 - run_left against phase k - 1 - run_left, downwards.
  long long forward_top, backward_top;
  return side_top(s + k + run_right, 1, run_right % k, run_right, target - run_left, forward_top) &&
         side_top(s - 1 - run_left, -1, (k - 1 - run_left % k) % k, forward_top + run_left, target, backward_top) &&
         backward_top < target;
}
