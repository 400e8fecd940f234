#include "word_reach.h"

#include <cmath>

#include "nucleotide_class.h"

namespace {

constexpr int longest_word = 7;       // tables of 4^7 entries at most
constexpr int farthest = 1 << 14;     // offsets beyond this would hardly settle a window

// The tables indexed by word code are large next to a short record: each
// thread keeps one set per word length and every filter leaves it as it
// found it (no word in the unit, no occurrence listed). A second filter alive
// on the same thread builds its own.
CodeTables* shared_tables(int w)
{
  thread_local CodeTables t[longest_word + 1];
  CodeTables& c = t[w];
  if (c.busy) return nullptr;
  c.busy = true;
  return &c;
}

}  // namespace

WordReach* WordReach::make(const char* text, uint64_t n, unsigned k, int q, int prefer_longer, bool Ns_bridged)
{
  if (q < 1 || q + 1 > longest_word || k <= static_cast<unsigned>(2 * q)) return nullptr;
  // In random text a unit's q-words start at a fraction rho of the
  // positions; Phi then falls by about 1 - (q + 1) rho a position, and the
  // walk's reach is the points it may lose (a unit length and a step)
  // divided by that. The left side starts higher by the right side's gain.
  const double words = std::ldexp(1.0, 2 * q);
  const double rho = std::fmin(k, words) / words;
  const double rho_long = std::fmin(k, 4 * words) / (4 * words);
  const double fall = 1 - (q + 1) * rho;
  if (fall < 0.15) return nullptr;
  const double loss = q * (static_cast<double>(k) + prefer_longer + 1 - q);
  const double reach_right = loss / fall;
  const double reach_left = (loss + q * rho_long * reach_right) / fall;
  if (rho_long * (reach_right + reach_left) > 0.8 * k) return nullptr;
  // Offsets from a little short of the typical reach to well past it.
  int offsets[checkpoints];
  const double first = 0.75 * reach_right, last = 6 * reach_left;
  for (int i = 0; i < checkpoints; ++i) {
    offsets[i] = static_cast<int>(first * std::pow(last / first, i / double(checkpoints - 1))) + 1;
    if (i > 0 && offsets[i] <= offsets[i - 1]) offsets[i] = offsets[i - 1] + 1;
  }
  if (offsets[checkpoints - 1] > farthest) return nullptr;
  return new WordReach(text, n, k, q, prefer_longer, Ns_bridged, offsets);
}

WordReach::WordReach(const char* t, uint64_t length, unsigned window, int word, int prefer_longer, bool bridged,
                     const int (&offsets)[checkpoints])
    : text(t), n(static_cast<int64_t>(length)), k(window), q(word),
      floor(-static_cast<long long>(window) - prefer_longer), Ns_bridged(bridged)
{
  for (int i = 0; i < checkpoints; ++i) R[i] = offsets[i];
  const int last = R[checkpoints - 1];
  band_of.resize(last);
  for (int o = 0, b = 0; o < last; ++o) {
    while (o >= R[b]) ++b;
    band_of[o] = static_cast<uint8_t>(b);
  }
  // A ring over the span of word starts kept, or over the whole record.
  const int64_t span = 2 * static_cast<int64_t>(last) + k + q + 1;
  int64_t ring = 64;
  while (ring < span && ring < n) ring <<= 1;
  mask = ring - 1;
  for (int i = 0; i < 2; ++i) {
    Words& W = words[i];
    W.w = q + i;
    W.none = 1u << (2 * W.w);
    W.tables = shared_tables(W.w);
    if (!W.tables) {
      W.own.reset(new CodeTables);
      W.tables = W.own.get();
    }
    if (W.tables->in_unit.empty()) {
      const std::size_t size = std::size_t(W.none) + 1;
      W.tables->in_unit.assign(size, 0);
      W.tables->head.assign(size, -1);
      W.tables->tail.assign(size, -1);
    }
    W.in_unit = W.tables->in_unit.data();
    W.head = W.tables->head.data();
    W.tail = W.tables->tail.data();
    W.next.assign(ring, -1);
    W.code.assign(ring, W.none);
    W.hit.assign(ring, 0);
    for (int b = 0; b < checkpoints; ++b) W.right[b] = W.left[b] = 0;
  }
}

WordReach::~WordReach()
{
  clear();
  for (Words& W : words) W.tables->busy = false;
}

uint32_t WordReach::text_code(const Words& W, int64_t p) const
{
  if (p < 0 || p + W.w > n) return W.none;
  uint32_t c = 0;
  for (int j = 0; j < W.w; ++j) {
    const unsigned x = nucleotide_class.of[static_cast<unsigned char>(text[p + j])];
    if (x == 4) return W.none;
    c = (c << 2) | x;
  }
  return c;
}

// The unit's cyclic word at `phase` (0 .. k - 1) of the window at s.
uint32_t WordReach::unit_code(const Words& W, int64_t phase) const
{
  uint32_t c = 0;
  for (int j = 0; j < W.w; ++j) {
    int64_t f = phase + j;
    if (f >= k) f -= k;
    const unsigned x = nucleotide_class.of[static_cast<unsigned char>(text[s + f])];
    if (x == 4) return W.none;
    c = (c << 2) | x;
  }
  return c;
}

int WordReach::band_right(int64_t p) const
{
  const int64_t o = p - (s + k);
  return o >= 0 && o < R[checkpoints - 1] ? band_of[o] : -1;
}

int WordReach::band_left(const Words& W, int64_t p) const
{
  const int64_t o = s - 1 - (p + W.w - 1);
  return o >= 0 && o < R[checkpoints - 1] ? band_of[o] : -1;
}

void WordReach::count(Words& W, int64_t p, int sign)
{
  const int r = band_right(p);
  if (r >= 0) W.right[r] += sign;
  const int l = band_left(W, p);
  if (l >= 0) W.left[l] += sign;
}

// Word c came into the unit's set (present) or left it: its occurrences
// near the window change their hit, and the bands their counts.
void WordReach::flip(Words& W, uint32_t c, bool present)
{
  for (int64_t p = W.head[c]; p >= 0; p = W.next[p & mask]) {
    W.hit[p & mask] = present;
    count(W, p, present ? 1 : -1);
  }
}

void WordReach::add_unit_word(Words& W, uint32_t c)
{
  if (W.in_unit[c]++ == 0 && c != W.none) flip(W, c, true);
}

void WordReach::remove_unit_word(Words& W, uint32_t c)
{
  if (--W.in_unit[c] == 0 && c != W.none) flip(W, c, false);
}

void WordReach::enter_span(int64_t p)
{
  if (p < 0 || p >= n) return;
  Ns += text[p] == 'N';
  for (Words& W : words) {
    const uint32_t c = text_code(W, p);
    const int64_t i = p & mask;
    W.code[i] = c;
    W.next[i] = -1;
    W.hit[i] = c != W.none && W.in_unit[c] > 0;
    if (c == W.none) continue;
    if (W.tail[c] >= 0)
      W.next[W.tail[c] & mask] = p;
    else
      W.head[c] = p;
    W.tail[c] = p;
  }
}

// p is the earliest position of the span, so the first of its word's list.
void WordReach::leave_span(int64_t p)
{
  if (p < 0 || p >= n) return;
  Ns -= text[p] == 'N';
  for (Words& W : words) {
    const uint32_t c = W.code[p & mask];
    if (c == W.none) continue;
    W.head[c] = W.next[p & mask];
    if (W.head[c] < 0) W.tail[c] = -1;
  }
}

// The bands as the window moves on by one (the hits still those of the
// current unit): on the right every offset falls by one, on the left it
// grows by one.
void WordReach::shift_bands(Words& W)
{
  auto hit = [&](int64_t p) { return p >= 0 && p < n && W.hit[p & mask]; };
  if (hit(s + k)) --W.right[0];
  for (int i = 0; i < checkpoints; ++i) {
    if (!hit(s + k + R[i])) continue;
    ++W.right[i];
    if (i + 1 < checkpoints) --W.right[i + 1];
  }
  if (hit(s - W.w + 1)) ++W.left[0];
  for (int i = 0; i < checkpoints; ++i) {
    if (!hit(s - R[i] - W.w + 1)) continue;
    --W.left[i];
    if (i + 1 < checkpoints) ++W.left[i + 1];
  }
}

// The unit's words from phase k - w on (the last one that does not wrap,
// then those that do), from the codes of the text's words at the window's
// start and at s + k - w.
void WordReach::last_unit_words(const Words& W, uint32_t* out) const
{
  const uint32_t first = W.code[s & mask], last = W.code[(s + k - W.w) & mask];
  if (first == W.none || last == W.none) {
    for (int j = 0; j < W.w; ++j) out[j] = unit_code(W, k - W.w + j);
    return;
  }
  out[0] = last;
  for (int j = 1; j < W.w; ++j)
    out[j] = ((last & ((1u << (2 * (W.w - j))) - 1)) << (2 * j)) | (first >> (2 * (W.w - j)));
}

void WordReach::slide()
{
  enter_span(hi++);
  for (Words& W : words) shift_bands(W);
  // The unit's words that go: the one at phase 0 and those that wrap.
  uint32_t going[2][longest_word], coming[2][longest_word];
  for (int i = 0; i < 2; ++i) {
    last_unit_words(words[i], going[i]);
    going[i][0] = words[i].code[s & mask];
    if (going[i][0] == words[i].none) going[i][0] = unit_code(words[i], 0);
  }
  leave_span(lo++);
  others -= nucleotide_class.of[static_cast<unsigned char>(text[s])] == 4;
  others += nucleotide_class.of[static_cast<unsigned char>(text[s + k])] == 4;
  ++s;
  // Those that come: the new last non-wrapping one and the new wrapping
  // ones. Adding first spares the work of a word that goes and comes back.
  for (int i = 0; i < 2; ++i) {
    Words& W = words[i];
    last_unit_words(W, coming[i]);
    for (int j = 0; j < W.w; ++j) add_unit_word(W, coming[i][j]);
    for (int j = 0; j < W.w; ++j) remove_unit_word(W, going[i][j]);
  }
}

void WordReach::clear()
{
  if (s < 0) return;
  for (Words& W : words) {
    for (int64_t phase = 0; phase < k; ++phase) --W.in_unit[unit_code(W, phase)];
    for (int64_t p = lo < 0 ? 0 : lo; p < hi && p < n; ++p) {
      const uint32_t c = W.code[p & mask];
      if (c != W.none) W.head[c] = W.tail[c] = -1;
    }
    for (int b = 0; b < checkpoints; ++b) W.right[b] = W.left[b] = 0;
  }
  Ns = 0;
  s = -1;
}

void WordReach::rebuild(int64_t to)
{
  clear();
  s = to;
  lo = s - R[checkpoints - 1] - q;
  hi = s + k + R[checkpoints - 1];
  for (int64_t p = lo < 0 ? 0 : lo; p < hi; ++p) enter_span(p);
  others = 0;
  for (int64_t i = s; i < s + k; ++i) others += nucleotide_class.of[static_cast<unsigned char>(text[i])] == 4;
  for (Words& W : words)
    for (int64_t phase = 0; phase < k; ++phase) add_unit_word(W, unit_code(W, phase));
}

void WordReach::move_to(int64_t to)
{
  // Sliding costs a few dozen table updates a position, rebuilding about
  // ten a position of the span.
  if (s < 0 || to < s || to - s > (hi - lo) / 4) {
    rebuild(to);
    return;
  }
  while (s < to) slide();
}

// One side's walk from its first disagreement, `first` positions out, with
// `score`: its best score (top) from the counts of the first band edge whose
// Phi stops it, or false where none does.
bool WordReach::side_top(long long score, long long first, const int* hq, const int* hl, const int64_t* room,
                         long long& top) const
{
  top = score;
  if (score - q <= floor) return true;  // not even one step
  long long short_hits = 0, long_hits = 0;
  for (int i = 0; i < checkpoints; ++i) {
    short_hits += hq[i];
    long_hits += hl[i];
    const long long t = R[i] - first;
    // room[i] <= 0: the side ends within the offset, the walk cannot pass it.
    if (room[i] <= 0 || (t > 0 && q * score + (q + 1) * short_hits - t <= q * (floor + q - 1))) {
      top = score + long_hits;
      return true;
    }
  }
  return false;
}

bool WordReach::hopeless(uint64_t at, long long run_left, long long run_right, long long target)
{
  move_to(static_cast<int64_t>(at));
  if (others || (Ns_bridged && Ns)) return false;
  int64_t room_right[checkpoints], room_left[checkpoints];
  for (int i = 0; i < checkpoints; ++i) {
    room_right[i] = n - (s + k + R[i]);
    room_left[i] = s - R[i];
  }
  long long forward_top, backward_top;
  return side_top(run_right, run_right, words[0].right, words[1].right, room_right, forward_top) &&
         side_top(forward_top + run_left, run_left, words[0].left, words[1].left, room_left, backward_top) &&
         backward_top < target;
}
