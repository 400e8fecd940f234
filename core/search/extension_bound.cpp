#include "extension_bound.h"

#include <algorithm>

#include "global-types-and-parameters.h"
#include "nucleotide_class.h"
#include "unit_scan.h"

namespace {

// Phases fit one 128-bit set. Longer units gain little: the program's runs
// against any of so many phases are long enough that it hardly ever ends.
constexpr int max_unit = 128;
constexpr int max_run = 24;        // a longer match makes the seed worth extending anyway
// The bound gives up rather than follow a long stretch; units of about 100
// need several hundred columns (their walks may lose a unit length of points).
constexpr int max_columns = 1024;
constexpr long long dead = -(1ll << 62);
// From about this unit length the first-copy program settles windows for
// less than the neighbourhood's counts and the bound's program; so do the
// word counts, for the windows that the first copies leave open (those lie
// beside repeats and low-complexity stretches, where the neighbourhood's
// counts settle few).
constexpr unsigned band_from = 18;
// Shared by a range of unit lengths, the first-copy program pays from here.
constexpr unsigned range_from = 11;

enum Verdict { below, may_reach };

template <class Set>
struct Program {
  const Set* phases_of;
  Set all;
  int L;
  long long q;
  long long floor;  // the walk never steps to this score or below
  bool Ns_bridged;
};

// Phase f to f + 1 (up) or f - 1 (down), cyclically over L phases.
template <class Set>
inline Set rotate_up(Set set, int L, Set all)
{
  return ((set << 1) | (set >> (L - 1))) & all;
}
template <class Set>
inline Set rotate_down(Set set, int L)
{
  return (set >> 1) | ((set & 1u) << (L - 1));
}

// M(j): the longest match of the sequence from `p` outward with the unit at
// any phase, or -1 where the bound gives up.
template <class D, class Set>
inline int longest_match(const Program<Set>& g, const char* p, const char* limit)
{
  Set set = g.all;
  int t = 0;
  for (;;) {
    const char* x = D::move(p, t);
    if (D::at_limit(x, limit)) return t;
    const unsigned char c = static_cast<unsigned char>(*D::probe(x));
    if (c == 'N' && g.Ns_bridged) return -1;
    set &= g.phases_of[nucleotide_class.of[c]];
    if (!set) return t;
    if (++t > max_run) return -1;
    // The phases that matched move on by one, cyclically.
    set = D::sign > 0 ? rotate_up(set, g.L, g.all) : rotate_down(set, g.L);
  }
}

// Bounds the best score of any state of one walk that has reached `p` with
// `score` and meets a disagreement there (or the limit). Gives up as soon as
// the bound reaches `target`.
template <class D, class Set>
Verdict bound_walk(const Program<Set>& g, const char* p, long long score, const char* limit, long long target,
                   long long& top)
{
  top = score;
  if (top >= target) return may_reach;
  const long long avail = D::sign > 0 ? limit - p : p - (limit + 1);  // steps until the limit
  if (avail == 0 || score - g.q <= g.floor) return below;
  // best[d]: bound on a run starting d positions out; entries past `last`
  // are not yet set. The walk's first step: a deletion starts a run at the
  // disagreement, a mismatch or an insertion one position further.
  long long best[max_columns + max_run + 2];
  best[0] = best[1] = score - g.q;
  int last = 1;
  for (int d = 0; d <= last; ++d) {
    if (d >= max_columns) return may_reach;
    const long long v = best[d];
    if (v <= g.floor) continue;
    if (v > top) top = v;
    if (d == avail) continue;  // at the limit the walk ends
    const int M = longest_match<D>(g, D::move(p, d), limit);
    if (M < 0 || v + M >= target) return may_reach;
    if (v + M > top) top = v + M;
    // A run of r <= M, then a deletion (next run at d + r) or a mismatch or
    // an insertion (next run at d + r + 1), each costing at least q; only
    // runs that leave the score above the floor count.
    const long long need = g.floor - v + g.q + 1;
    if (M < need) continue;
    const int r_min = need > 1 ? static_cast<int>(need) : 1;
    const int r_max = M + 1 < avail - d ? M + 1 : static_cast<int>(avail - d);
    while (last < d + r_max) best[++last] = dead;
    for (int r = r_min; r <= r_max; ++r) {
      const long long w = v - g.q + (r < M ? r : M);
      if (w > best[d + r]) best[d + r] = w;
    }
  }
  return below;
}

// The greedy run from the record's cursor; -1 where the bound gives up.
template <class D>
long long first_run(bool Ns_bridged, const char*& p, const char* u, const char* ub, const char* ue,
                    const char* limit, long long cap)
{
  long long r = 0;
  while (!D::at_limit(p, limit)) {
    const char c = *D::probe(p);
    if (c != *u) {
      if (c == 'N' && Ns_bridged) return -1;
      break;
    }
    p = D::move(p, 1);
    if (D::sign > 0)
      u = u + 1 == ue ? ub : u + 1;
    else
      u = u == ub ? ue - 1 : u - 1;
    if (++r >= cap) return -1;
  }
  return r;
}

}  // namespace

ExtensionBound::ExtensionBound()
    : enabled(global_mismatch_score < 0 && global_indel_score < 0),
      q(-(global_mismatch_score > global_indel_score ? global_mismatch_score : global_indel_score)),
      mismatch(global_mismatch_score),
      indel(global_indel_score),
      Ns_bridged(global_Ns_allowed_in_a_row != 0 && !global_treat_Ns_as_missense),
      prefer_longer(global_prefer_longer_repeat)
{
}

// The phase sets the program needs, slid on from the last unit when the
// window moved by one; false for a unit the program cannot describe.
template <class Set>
bool ExtensionBound::fill_unit(const char* begin, const char* end, Set* of, Set& every)
{
  const long long n = end - begin;
  const Set one(1);
  if (usable && unit && begin == unit + 1 && n == L) {
    // The window moved on by one: every phase moves down, the new last
    // character comes in.
    for (int c = 0; c < 5; ++c) of[c] >>= 1;
    of[nucleotide_class.of[static_cast<unsigned char>(end[-1])]] |= one << (L - 1);
    usable = of[4] == 0;
    unit = begin;
    return usable;
  }
  unit = begin;
  L = static_cast<int>(n);
  every = Set(0);
  for (int f = 0; f < L; ++f) every |= one << f;
  for (int c = 0; c < 5; ++c) of[c] = Set(0);
  for (int f = 0; f < L; ++f) of[nucleotide_class.of[static_cast<unsigned char>(begin[f])]] |= one << f;
  usable = of[4] == 0;
  return usable;
}

bool ExtensionBound::set_unit(const char* begin, const char* end)
{
  const long long n = end - begin;
  if (begin == unit && n == L) return usable;
  return n <= 64 ? fill_unit(begin, end, phases_of, all) : fill_unit(begin, end, wide_of, wide_all);
}

template <class D>
bool ExtensionBound::side_below(const char* p, long long score, const char* limit, long long target,
                                long long floor, long long& top) const
{
  if (L <= 64) return bound_walk<D>(Program<uint64_t>{phases_of, all, L, q, floor, Ns_bridged}, p, score, limit,
                                    target, top) == below;
  return bound_walk<D>(Program<Wide>{wide_of, wide_all, L, q, floor, Ns_bridged}, p, score, limit, target, top) ==
         below;
}

// True when the program of one side stays below `target` (top: its bound),
// false when it may reach it. The program sees the unit only through the set
// of its cyclic words (a run may match it at any phase), so the window one
// further on, whose unit is a rotation of this one when the character it
// takes in equals the one it drops, has the same program wherever its side
// meets the same disagreement. Started lower by some amount, with a target
// lower by as much, every state of the program is at least that much lower
// (states that fall to the floor only drop out), so it stays below with a
// top lower by as much: the next window's first run on the right is one
// shorter and the left one one longer, and it needs the program of neither
// side again.
template <class D>
bool ExtensionBound::side_settled(SideMemo& m, const char* unit_begin, long long n, const char* p, long long score,
                                  const char* limit, long long target, long long floor, long long& top)
{
  if (m.at == p && m.limit == limit && m.L == n &&
      (m.unit == unit_begin || (m.unit + 1 == unit_begin && unit_begin[n - 1] == m.unit[0]))) {
    const long long lower = m.score - score;
    if (lower >= 0 && m.target - target == lower) {
      top = m.top - lower;
      m = SideMemo{unit_begin, n, p, limit, score, target, top};
      return true;
    }
  }
  m.at = nullptr;
  if (!set_unit(unit_begin, unit_begin + n)) return false;
  if (!side_below<D>(p, score, limit, target, floor, top)) return false;
  m = SideMemo{unit_begin, n, p, limit, score, target, top};
  return true;
}

int ExtensionBound::first_runs_needed(unsigned k, int min_score) const
{
  if (!enabled || k > static_cast<unsigned>(max_unit)) return 0;
  // No step while the score after one would be at or below the floor.
  const long long first_step = static_cast<long long>(q) - k - prefer_longer + 1;
  const long long need = first_step < min_score ? first_step : min_score;
  return need < 1 ? 0 : static_cast<int>(need);
}

std::unique_ptr<BandReachRange> ExtensionBound::first_copies(const char* text, uint64_t n, unsigned k_lo,
                                                             unsigned k_hi, const int* min_scores, WorkerPool* pool)
{
  const ExtensionBound b;
  if (!b.enabled) return nullptr;
  return BandReachRange::make(text, n, std::max(k_lo, range_from), k_hi, min_scores, b.mismatch, b.indel,
                              b.prefer_longer, b.Ns_bridged, pool);
}

void ExtensionBound::scan_windows(const char* text, uint64_t n, unsigned k, const BandReachRange* range)
{
  // Counting pays once the record is about as long as a side (setting the
  // counts up costs about as much as a side's worth of windows settled
  // without them); the tables have 4^(q+1) entries.
  if (!enabled) return;
  scan_text = text;
  scan_length = n;
  scan_k = k;
  band_range = range && range->covers(k) ? range : nullptr;
  band_range_cursor = 0;
  if (k >= band_from && !band_range)
    band_reach.reset(BandReach::make(text, n, k, mismatch, indel, prefer_longer, Ns_bridged));
  // Long units, whose walks may lose about a unit length of points before
  // they stop, need a side longer than the neighbourhood's counts cover
  // even for a window with no hits at all (side_top).
  const long long budget = static_cast<long long>(k) + prefer_longer - q - 1;
  if (budget >= 0 && ((band_range && k >= band_from) || 1 + q * budget + q + 1 > KmerNeighbourhood::reach)) {
    word_reach.reset(WordReach::make(text, n, k, q, prefer_longer, Ns_bridged));
    // The edit distance settles what the counts leave (in a genome, whose
    // common words are the units' words too, that is much) for less than the
    // program or the walks cost.
    edit_reach.reset(new EditReach(text, n, k, q, prefer_longer, Ns_bridged));
    return;
  }
  if (q >= KmerNeighbourhood::max_word || n < KmerNeighbourhood::reach || k > max_unit) return;
  neighbourhood.reset(new KmerNeighbourhood(text, n, k, q));
}

bool ExtensionBound::window_hopeless(uint64_t s, int min_score)
{
  if (!neighbourhood && !band_reach && !word_reach && !edit_reach) return false;
  const long long target = min_score;
  if (target <= 0) return false;
  const char* const w = scan_text + s;
  const uint64_t k = scan_k;
  // The seed scores 0; its first runs repeat the characters a unit length
  // away. A run that stops at an N that may be bridged leaves it open.
  const long long run_left = static_cast<long long>(equal_behind(w, w + k, s));
  const long long run_right = static_cast<long long>(equal_ahead(w + k, w, scan_length - s - k));
  if (run_left + run_right >= target) return false;
  if (Ns_bridged && ((run_left < static_cast<long long>(s) && w[-run_left - 1] == 'N') ||
                     (s + k + run_right < scan_length && w[k + run_right] == 'N')))
    return false;
  const long long floor = -static_cast<long long>(k) - prefer_longer;
  auto budget = [&](long long score) { return score - q - floor - 1; };
  if (budget(run_right + run_left) < 0) return true;  // neither walk takes a step
  if (band_reach && band_reach->hopeless(s, target)) return true;
  if (word_reach && word_reach->hopeless(s, run_left, run_right, target)) return true;
  if (edit_reach) return edit_reach->hopeless(s, run_left, run_right, target);
  if (!neighbourhood) return false;
  neighbourhood->move_to(s);
  if (!neighbourhood->plain_unit() || (Ns_bridged && neighbourhood->N_nearby())) return false;
  const KmerNeighbourhood::Hits hits = neighbourhood->hits();
  long long forward_top, backward_top;
  return side_top(hits.long_right, hits.short_right, run_right, run_right, floor, forward_top) &&
         side_top(hits.long_left, hits.short_left, forward_top + run_left, run_left, floor, backward_top) &&
         backward_top < target;
}

uint64_t ExtensionBound::next_listed_open(uint64_t s, uint64_t to, int min_score)
{
  return std::min(to, band_range->next_open(scan_k, s, min_score, band_range_cursor));
}

// One side's walk reaches its first disagreement `first` positions out with
// `score`, and has `budget` points to lose before its steps reach the floor.
// Each run after a step is a match against the unit at some phase, and a
// run of r > q covers r - q starts of the unit's cyclic words of length
// q + 1 (`long_hits`). Runs do not overlap, so if every start they touch lies
// on the counted side, the walk gains at most long_hits over `score`.
// Where the runs can start: a run of r < q and its step lose l = q - r >= 1
// points and move on at most r + 1 <= q * l positions, a run of exactly q
// (a word of length q there, `short_hits`) loses nothing and moves on q + 1,
// a run of r > q gains r - q and moves on q + 1 + (r - q). So with G gained,
// the runs start at most first + 1 + q * (budget + G) + (q + 1) * short_hits
// + G positions out.
// A run from such a start that left the side would make every start from
// there to the side's last one a long word: more than long_hits when the
// side has room for them. Gives false where the side cannot tell.
bool ExtensionBound::side_top(uint32_t long_hits, uint32_t short_hits, long long score, long long first,
                              long long floor, long long& top) const
{
  top = score;
  const long long budget = score - q - floor - 1;
  if (budget < 0) return true;  // not even one step
  const long long gain = long_hits;
  const long long last_start = first + 1 + q * (budget + gain) + (q + 1) * static_cast<long long>(short_hits) + gain;
  if (last_start + q + 1 + gain > KmerNeighbourhood::reach) return false;
  top = score + gain;
  return true;
}

bool ExtensionBound::cannot_reach(const Csat& seed, int min_score, const char* limit_left, const char* limit_right)
{
  if (!enabled) return false;
  const long long target = min_score;
  const long long cap = target - static_cast<long long>(seed.score);
  if (cap <= 0) return false;
  const long long unit_len = seed.unit_end - seed.unit_begin;
  if (unit_len < 1 || unit_len > max_unit) return false;

  // The backward walk's first run does not depend on the forward walk.
  const char* left = seed.start;
  const long long run_left =
      first_run<ScanBackward>(Ns_bridged, left, seed.unit_bwd, seed.unit_begin, seed.unit_end, limit_left, cap);
  if (run_left < 0) return false;
  const char* right = seed.end;
  const long long run_right = first_run<ScanForward>(Ns_bridged, right, seed.unit_fwd, seed.unit_begin,
                                                     seed.unit_end, limit_right, cap - run_left);
  if (run_right < 0) return false;

  const long long forward_start = seed.score + run_right;
  if (forward_start + run_left >= target) return false;
  const long long floor = -unit_len - prefer_longer;
  auto budget = [&](long long score) { return score - q - floor - 1; };

  // Counts are only needed where the walk can take a step at all.
  const bool counted = neighbourhood && seed.unit_begin >= scan_text && seed.start == seed.unit_begin &&
                       seed.end == seed.unit_end;
  KmerNeighbourhood::Hits hits{};
  bool quick = false;
  if (counted && budget(forward_start + run_left) >= 0) {
    neighbourhood->move_to(static_cast<uint64_t>(seed.start - scan_text));
    quick = neighbourhood->plain_unit() && !(Ns_bridged && neighbourhood->N_nearby());
    if (quick) hits = neighbourhood->hits();
  }

  long long forward_top, backward_top;
  if (quick && side_top(hits.long_right, hits.short_right, forward_start, run_right, floor, forward_top) &&
      side_top(hits.long_left, hits.short_left, forward_top + run_left, run_left, floor, backward_top) &&
      backward_top < target)
    return true;
  // The program bounds a side more tightly where its counts allow a gain.
  forward_top = forward_start;
  if (budget(forward_start) >= 0 &&
      !(quick && hits.long_right == 0 &&
        side_top(hits.long_right, hits.short_right, forward_start, run_right, floor, forward_top))) {
    if (!side_settled<ScanForward>(forward_memo, seed.unit_begin, unit_len, right, forward_start, limit_right,
                                   target - run_left, floor, forward_top))
      return false;
  }
  const long long backward_start = forward_top + run_left;
  if (budget(backward_start) < 0) return backward_start < target;
  if (quick && side_top(hits.long_left, hits.short_left, backward_start, run_left, floor, backward_top) &&
      backward_top < target)
    return true;
  return side_settled<ScanBackward>(backward_memo, seed.unit_begin, unit_len, left, backward_start, limit_left,
                                    target, floor, backward_top);
}
