#include "word_reach.h"

#include <cmath>

#include "bit_count.h"
#include "nucleotide_class.h"

namespace {

constexpr int longest_word = 7;    // tables of 4^7 entries at most
constexpr int farthest = 1 << 15;  // sides beyond this would hardly settle a window

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

long long floor_div(long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

WordReach* WordReach::make(const char* text, uint64_t n, unsigned k, int q, int prefer_longer, bool Ns_bridged)
{
  if (q < 1 || q > longest_word || k <= static_cast<unsigned>(2 * q)) return nullptr;
  // In random text a unit's q-words start at a fraction rho of the
  // positions; Phi then falls by about 1 - (q + 1) rho a position, and the
  // walk's reach is the points it may lose (a unit length and a step) times q
  // divided by that. Real genomes hold their common words more often.
  const double words = std::ldexp(1.0, 2 * q);
  const double rho = std::fmin(k, words) / words;
  const double fall = 1 - (q + 1) * rho;
  if (fall < 0.1) return nullptr;
  const double reach = q * (static_cast<double>(k) + prefer_longer + 1 - q) / fall;
  if (8 * reach > farthest) return nullptr;
  return new WordReach(text, n, k, q, prefer_longer, Ns_bridged, static_cast<int>(8 * reach) + 64,
                       static_cast<int>(4 * reach) + 64);
}

WordReach::WordReach(const char* t, uint64_t length, unsigned window, int word, int prefer_longer, bool bridged,
                     int positions, int near_positions)
    : text(t), n(static_cast<int64_t>(length)), k(window), q(word),
      floor(-static_cast<long long>(window) - prefer_longer), Ns_bridged(bridged), side(positions),
      near(near_positions), none(1u << (2 * word))
{
  tables = shared_tables(q);
  if (!tables) {
    own.reset(new CodeTables);
    tables = own.get();
  }
  if (tables->in_unit.empty()) {
    tables->in_unit.assign(std::size_t(none) + 1, 0);
    tables->head.assign(std::size_t(none) + 1, -1);
    tables->tail.assign(std::size_t(none) + 1, -1);
  }
  in_unit = tables->in_unit.data();
  head = tables->head.data();
  tail = tables->tail.data();
  // A ring over the span of word starts kept, or over the whole record.
  const int64_t span = 2 * static_cast<int64_t>(side) + k + q + 1;
  int64_t ring = 128;
  while (ring < span && ring < n) ring <<= 1;
  mask = ring - 1;
  next.assign(ring, -1);
  code.assign(ring, none);
  hit.assign(ring / 64, 0);
  for (int b = 0; b < 256; ++b) {
    int fwd = 0, bwd = 0;
    ByteStep f{0, -32768, 32767}, r{0, -32768, 32767};
    for (int i = 0; i < 8; ++i) {
      fwd += (b >> i) & 1 ? q : -1;
      bwd += (b >> (7 - i)) & 1 ? q : -1;
      f.high = static_cast<int16_t>(fwd > f.high ? fwd : f.high);
      f.low = static_cast<int16_t>(fwd < f.low ? fwd : f.low);
      r.high = static_cast<int16_t>(bwd > r.high ? bwd : r.high);
      r.low = static_cast<int16_t>(bwd < r.low ? bwd : r.low);
    }
    f.net = static_cast<int16_t>(fwd);
    r.net = static_cast<int16_t>(bwd);
    forward_step[b] = f;
    backward_step[b] = r;
  }
}

WordReach::~WordReach()
{
  clear();
  tables->busy = false;
}

uint32_t WordReach::text_code(int64_t p) const
{
  if (p < 0 || p + q > n) return none;
  // The word before it, still in the ring, gives all but the last character.
  const uint32_t before = p > 0 ? code[(p - 1) & mask] : none;
  if (before != none && p - 1 >= lo) {
    const unsigned x = nucleotide_class.of[static_cast<unsigned char>(text[p + q - 1])];
    if (x == 4) return none;
    return ((before << 2) | x) & (none - 1);
  }
  uint32_t c = 0;
  for (int j = 0; j < q; ++j) {
    const unsigned x = nucleotide_class.of[static_cast<unsigned char>(text[p + j])];
    if (x == 4) return none;
    c = (c << 2) | x;
  }
  return c;
}

// The unit's cyclic word at `phase` (0 .. k - 1) of the window at s.
uint32_t WordReach::unit_code(int64_t phase) const
{
  uint32_t c = 0;
  for (int j = 0; j < q; ++j) {
    int64_t f = phase + j;
    if (f >= k) f -= k;
    const unsigned x = nucleotide_class.of[static_cast<unsigned char>(text[s + f])];
    if (x == 4) return none;
    c = (c << 2) | x;
  }
  return c;
}

// The unit's words from phase k - q on (the last one that does not wrap,
// then those that do), from the codes of the text's words at the window's
// start and at s + k - q.
void WordReach::last_unit_words(uint32_t* out) const
{
  const uint32_t first = code[s & mask], last = code[(s + k - q) & mask];
  if (first == none || last == none) {
    for (int j = 0; j < q; ++j) out[j] = unit_code(k - q + j);
    return;
  }
  out[0] = last;
  for (int j = 1; j < q; ++j) out[j] = ((last & ((1u << (2 * (q - j))) - 1)) << (2 * j)) | (first >> (2 * (q - j)));
}

// Calls f with the code of each of the unit's cyclic words: the ring holds
// those that do not wrap, last_unit_words gives the rest.
template <class F>
void WordReach::for_unit_words(F f) const
{
  for (int64_t phase = 0; phase < k - q; ++phase) f(code[(s + phase) & mask]);
  uint32_t last[longest_word];
  last_unit_words(last);
  for (int j = 0; j < q; ++j) f(last[j]);
}

int WordReach::others_in_window() const
{
  int count = 0;
  for (int64_t i = s; i < s + k; ++i) count += nucleotide_class.of[static_cast<unsigned char>(text[i])] == 4;
  return count;
}

void WordReach::set_hit(int64_t p, bool on)
{
  const int64_t i = p & mask;
  const uint64_t bit = 1ull << (i & 63);
  if (on)
    hit[i >> 6] |= bit;
  else
    hit[i >> 6] &= ~bit;
}

// Word c came into the unit's set or left it: its occurrences near the
// window change their hits.
void WordReach::add_unit_word(uint32_t c)
{
  if (in_unit[c]++ == 0 && c != none)
    for (int64_t p = head[c]; p >= 0; p = next[p & mask]) set_hit(p, true);
}

void WordReach::remove_unit_word(uint32_t c)
{
  if (--in_unit[c] == 0 && c != none)
    for (int64_t p = head[c]; p >= 0; p = next[p & mask]) set_hit(p, false);
}

// A position comes into the span (its word's code) or into the near span
// (its word's list and hit).
void WordReach::enter_span(int64_t p)
{
  if (p < 0 || p >= n) return;
  Ns += text[p] == 'N';
  code[p & mask] = text_code(p);
}

void WordReach::enter_near(int64_t p)
{
  if (p < 0 || p >= n) return;
  const uint32_t c = code[p & mask];
  const int64_t i = p & mask;
  next[i] = -1;
  set_hit(p, c != none && in_unit[c] > 0);
  if (c == none) return;
  if (tail[c] >= 0)
    next[tail[c] & mask] = p;
  else
    head[c] = p;
  tail[c] = p;
}

// p is the earliest position of the near span, so the first of its word's list.
void WordReach::leave_near(int64_t p)
{
  if (p < 0 || p >= n) return;
  set_hit(p, false);
  const uint32_t c = code[p & mask];
  if (c == none) return;
  head[c] = next[p & mask];
  if (head[c] < 0) tail[c] = -1;
}

void WordReach::leave_span(int64_t p)
{
  if (p >= 0 && p < n) Ns -= text[p] == 'N';
}

void WordReach::slide()
{
  enter_span(hi++);
  enter_near(near_hi++);
  // The unit's words that go: the one at phase 0 and those that wrap.
  uint32_t going[longest_word], coming[longest_word];
  last_unit_words(going);
  going[0] = code[s & mask] != none ? code[s & mask] : unit_code(0);
  leave_near(near_lo++);
  leave_span(lo++);
  others -= nucleotide_class.of[static_cast<unsigned char>(text[s])] == 4;
  others += nucleotide_class.of[static_cast<unsigned char>(text[s + k])] == 4;
  ++s;
  // Those that come: the new last non-wrapping one and the new wrapping
  // ones. Adding first spares the work of a word that goes and comes back.
  last_unit_words(coming);
  for (int j = 0; j < q; ++j) add_unit_word(coming[j]);
  for (int j = 0; j < q; ++j) remove_unit_word(going[j]);
}

void WordReach::clear()
{
  if (s < 0) return;
  for_unit_words([this](uint32_t c) { --in_unit[c]; });
  for (int64_t p = near_lo < 0 ? 0 : near_lo; p < near_hi && p < n; ++p) {
    const uint32_t c = code[p & mask];
    if (c != none) head[c] = tail[c] = -1;
  }
  for (uint64_t& w : hit) w = 0;
  Ns = 0;
  s = -1;
}

void WordReach::rebuild(int64_t to)
{
  clear();
  s = to;
  lo = s - side - q;
  hi = s + k + side;
  near_lo = s - near - q;
  near_hi = s + k + near;
  for (int64_t p = lo < 0 ? 0 : lo; p < hi; ++p) enter_span(p);
  for (int64_t p = near_lo < 0 ? 0 : near_lo; p < near_hi; ++p) enter_near(p);
  others = others_in_window();
  for_unit_words([this](uint32_t c) { add_unit_word(c); });
}

// The window moves on by less than the near span: the positions both spans
// hold keep their codes and lists, and the unit's words are replaced at once
// rather than a few at every position between.
void WordReach::jump(int64_t to)
{
  for_unit_words([this](uint32_t c) { --in_unit[c]; });
  for (uint64_t& w : hit) w = 0;
  const int64_t gap = to - s;
  for (int64_t end = near_lo + gap; near_lo < end;) leave_near(near_lo++);
  for (int64_t end = lo + gap; lo < end;) leave_span(lo++);
  for (int64_t end = hi + gap; hi < end;) enter_span(hi++);
  for (int64_t end = near_hi + gap; near_hi < end;) enter_near(near_hi++);
  s = to;
  others = others_in_window();
  for_unit_words([this](uint32_t c) { add_unit_word(c); });
}

void WordReach::move_to(int64_t to)
{
  // Sides that often go past the near span (a genome's common words lie
  // closer than random text's) read their hits from the codes there, which
  // costs more than keeping them: the near span grows, up to the span.
  if (sides >= 4096) {
    const bool grow = beyond > sides && near < side;
    sides = beyond = 0;
    if (grow) {
      near = near + near / 2 < side ? near + near / 2 : side;
      rebuild(to);
      return;
    }
  }
  // Sliding costs a few dozen table updates a position; a jump a few a
  // position passed and a few a phase of the unit; rebuilding a few a
  // position of the span.
  if (s < 0 || to < s || to - s > near_hi - near_lo) {
    rebuild(to);
    return;
  }
  if ((to - s) * q > k) {
    jump(to);
    return;
  }
  while (s < to) slide();
}

// The hits of the word starts p .. p + 63 (bit i: p + i); none before the
// text.
uint64_t WordReach::hits_from(int64_t p) const
{
  const int64_t i = p & mask;
  const int64_t w = i >> 6, off = i & 63;
  uint64_t bits = hit[w] >> off;
  if (off) bits |= hit[(w + 1) & (mask >> 6)] << (64 - off);
  if (p < 0) bits = -p >= 64 ? 0 : bits & (~0ull << -p);
  return bits;
}

// The hits of the word starts p .. p + 63 beyond the near span (all within
// the span), from the codes.
uint64_t WordReach::far_hits(int64_t p) const
{
  const uint16_t* const codes = code.data();
  const uint16_t* const in = in_unit;
  const int64_t m = mask;
  uint64_t bits = 0;
  for (int i = 0; i < 64; ++i) bits |= static_cast<uint64_t>(in[codes[(p + i) & m]] != 0) << i;
  // None before the text.
  if (p < 0) bits = -p >= 64 ? 0 : bits & (~0ull << -p);
  return bits;
}

// One side's walk: its first disagreement's word start is `from`, and the
// positions it may consume run from there in direction `sign` up to `to`
// (exclusive): the text's end (to_text_end: the walk then needs no t*) or
// the end of the span. Phi is followed 64 positions at a time where neither
// its highest value so far nor the bound can change in them, a byte at a
// time elsewhere; the hits come from the bits in the near span and from the
// codes beyond it (64 at once too: a walk in a genome's common words goes
// far). A top at `cap` or above settles nothing, so the walk is not
// followed to its stop then.
bool WordReach::side_top(long long score, int64_t from, int64_t to, bool to_text_end, int sign, long long cap,
                         long long& top)
{
  top = score;
  ++sides;
  if (score - q <= floor) return true;  // not even one step
  const long long bar = static_cast<long long>(q) * (floor + q - 1);
  long long phi = static_cast<long long>(q) * score, high = phi;
  const long long enough = static_cast<long long>(q) * cap;
  const int64_t near_end = sign > 0 ? (near_hi < to ? near_hi : to) : (near_lo - 1 > to ? near_lo - 1 : to);
  int64_t at = from;  // the next position
  for (int64_t left = sign > 0 ? to - at : at - to; left >= 64; left -= 64, at += sign * 64) {
    const bool near_span = sign > 0 ? at + 64 <= near_end : at - 64 >= near_end;
    beyond += !near_span;
    const uint64_t bits = near_span ? (sign > 0 ? hits_from(at) : hits_from(at - 63))
                                    : (sign > 0 ? far_hits(at) : far_hits(at - 63));
    const int hits = bit_count(bits);
    if (phi + static_cast<long long>(q) * hits <= high && phi - (64 - hits) > bar) {
      phi += static_cast<long long>(q + 1) * hits - 64;
      continue;
    }
    if (high >= enough) return false;
    for (int b = 0; b < 8; ++b) {
      const unsigned byte = static_cast<unsigned>(sign > 0 ? bits >> (8 * b) : bits >> (8 * (7 - b))) & 255u;
      const ByteStep& st = sign > 0 ? forward_step[byte] : backward_step[byte];
      if (phi + st.low > bar) {
        if (phi + st.high > high) high = phi + st.high;
        phi += st.net;
        continue;
      }
      // The bound lies in this byte: Phi up to it counts.
      for (int i = 0; i < 8; ++i) {
        phi += (sign > 0 ? (byte >> i) & 1 : (byte >> (7 - i)) & 1) ? q : -1;
        if (phi <= bar) break;
        if (phi > high) high = phi;
      }
      top = floor_div(high, q);
      return true;
    }
  }
  if (high >= enough) return false;
  beyond += at != to;
  for (; at != to; at += sign) {
    const bool h = at >= 0 && in_unit[code[at & mask]] > 0;
    phi += h ? q : -1;
    if (phi <= bar) {
      top = floor_div(high, q);
      return true;
    }
    if (phi > high) high = phi;
  }
  if (!to_text_end) return false;
  top = floor_div(high, q);
  return true;
}

bool WordReach::hopeless(uint64_t at, long long run_left, long long run_right, long long target)
{
  move_to(static_cast<int64_t>(at));
  if (others || (Ns_bridged && Ns)) return false;
  // The right side's words start at s + k + run_right on; the left side's
  // end at s - run_left - 1 and down, so start q - 1 before.
  const int64_t right_from = s + k + run_right, right_to = hi < n ? hi : n;
  const int64_t left_from = s - run_left - q, left_to = lo > -q ? lo - 1 : -q;
  if (right_from > right_to || left_from < left_to) return false;
  long long forward_top, backward_top;
  return side_top(run_right, right_from, right_to, right_to == n, 1, target - run_left, forward_top) &&
         side_top(forward_top + run_left, left_from, left_to, left_to == -q, -1, target, backward_top) &&
         backward_top < target;
}
