// The bound that lets the searches skip seeds: whenever it says a seed cannot
// reach a score, the real extension (forward, then backward) must leave it
// below that score. Checked as a property on seeded random texts with planted
// imperfect repeats, N runs and repeats at the text ends, over random scoring
// parameters; and the bound must settle most windows of random DNA, or it
// would be no bound at all.
#include <climits>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "band_reach.h"
#include "band_rows.h"
#include "band_reach_range.h"
#include "edit_reach.h"
#include "exact_candidates.h"
#include "extension_bound.h"
#include "imperfect_fixture.h"
#include "word_compare.h"
#include "word_reach.h"
#include "test_support.h"

namespace {

using Rng = std::mt19937;

int pick(Rng& r, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(r); }
char base(Rng& r) { return "ACGT"[pick(r, 0, 3)]; }

// Copies of a random unit of length shortest .. longest (1 .. 14 unless
// asked), with mismatches, insertions, deletions and N runs at a random rate
// (none at all now and then).
std::string imperfect_repeat(Rng& r, int shortest = 1, int longest = 14)
{
  std::string unit;
  const int L = pick(r, shortest, longest);
  for (int i = 0; i < L; ++i) unit += base(r);
  const int length = longest <= 14 ? pick(r, L, 160) : pick(r, L, 5 * L);
  const int noise = std::vector<int>{0, 50, 20, 10, 5}[pick(r, 0, 4)];
  std::string t;
  for (int i = 0; t.size() < static_cast<size_t>(length); ++i) {
    const char c = unit[i % L];
    if (noise && pick(r, 1, noise) == 1) {
      switch (pick(r, 0, 3)) {
        case 0: t += base(r); break;                        // mismatch (or not)
        case 1: t += base(r), t += c; break;                // insertion
        case 2: break;                                      // deletion
        default: t += std::string(pick(r, 1, 4), 'N');      // N run
      }
    } else {
      t += c;
    }
  }
  return t;
}

// Random DNA with planted repeats and N runs, which often start or end the text.
std::string planted_text(Rng& r, int n, int shortest = 1, int longest = 14)
{
  std::string t;
  while (t.size() < static_cast<size_t>(n)) {
    const int kind = pick(r, 0, 9);
    if (kind < 4) {
      const int len = pick(r, 0, 80);
      for (int i = 0; i < len; ++i) t += base(r);
    } else if (kind < 9) {
      t += imperfect_repeat(r, shortest, longest);
    } else {
      t += std::string(pick(r, 1, 5), 'N');
    }
  }
  t.resize(n);
  return t;
}

ExtendParams random_params(Rng& r)
{
  static const int penalties[] = {-2, -3, -4, -5, -6, -7, -9};
  ExtendParams p;
  p.mismatch = penalties[pick(r, 0, 6)];
  p.indel = pick(r, 0, 2) ? penalties[pick(r, 0, 6)] : p.mismatch;
  p.prefer_longer = pick(r, 0, 1);
  p.reduction = pick(r, 0, 2) ? INT_MAX : pick(r, 1, 12);
  p.depth = pick(r, 0, 3) ? 5 : pick(r, 1, 4);
  p.Ns_allowed = std::vector<int>{0, 1, 2, 2, 3, 6}[pick(r, 0, 5)];
  p.Ns_missense = pick(r, 0, 3) == 0;
  return p;
}

std::string describe_params(const ExtendParams& p)
{
  std::ostringstream o;
  o << "mismatch " << p.mismatch << " indel " << p.indel << " prefer_longer " << p.prefer_longer << " reduction "
    << p.reduction << " depth " << p.depth << " Ns " << p.Ns_allowed << (p.Ns_missense ? " missense" : "");
  return o.str();
}

// The score the searches would see for this seed: forward, then backward.
int extended_score(Engine& e, const CsatFields& seed)
{
  Csat s;
  static_cast<CsatFields&>(s) = seed;
  s.missense_list.count = 0;
  e.ctl->extend_imperfect_forward(s, e.after_end());
  e.ctl->extend_imperfect_backward(s, e.before_begin());
  return s.score;
}

bool has_N(const char* p, int k)
{
  for (int i = 0; i < k; ++i)
    if (p[i] == 'N') return true;
  return false;
}

// Every score the seed did reach must be one the bound leaves open.
void expect_no_false_verdict(Engine& e, ExtensionBound& bound, const Csat& seed, bool counted, uint64_t s)
{
  const int reached = extended_score(e, seed);
  const int k = static_cast<int>(seed.unit_length());
  for (int m = std::max(seed.score + 1, reached - 200); m <= reached; ++m) {
    if (counted) {
      ASSERT_FALSE(bound.window_hopeless(s, m))
          << "window " << s << " k " << k << " said hopeless for " << m << ", reached " << reached;
    }
    ASSERT_FALSE(bound.cannot_reach(seed, m, e.before_begin(), e.after_end()))
        << "seed " << describe(seed, e.text()) << " k " << k << " said cannot reach " << m << ", reached "
        << reached;
  }
}

// body(seed, r) for seeds 1 .. cases, each under random scoring parameters
// that the trace names; stops at the first fatal failure.
template <class Body>
void for_random_params(uint32_t cases, Body&& body)
{
  for (uint32_t seed = 1; seed <= cases; ++seed) {
    Rng r(seed);
    const ExtendParams params = random_params(r);
    SCOPED_TRACE("seed " + std::to_string(seed) + ": " + describe_params(params));
    params.apply();
    body(seed, r);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// The complete search's use: one bound per unit length over the windows in
// order (with gaps), the counts asked first, then the seed.
TEST_F(EngineTest, WindowVerdictsNeverExcludeAReachedScore)
{
  for_random_params(90, [&](uint32_t seed, Rng& r) {
    // Long enough for the counts now and then, short texts too.
    const int n = pick(r, 0, 2) ? pick(r, 256, 1200) : pick(r, 2, 255);
    Engine e(planted_text(r, n));
    for (int round = 0; round < 3; ++round) {
      const unsigned k = static_cast<unsigned>(round == 2 && seed % 5 == 0 ? pick(r, 15, 64) : pick(r, 1, 14));
      if (k >= static_cast<unsigned>(n)) continue;
      SCOPED_TRACE("k " + std::to_string(k));
      ExtensionBound bound;
      bound.scan_windows(e.text(), static_cast<uint64_t>(n), k);
      for (uint64_t s = 0; s + k <= static_cast<uint64_t>(n); s += pick(r, 0, 4) ? 1 : pick(r, 2, 70)) {
        Csat w;
        w.reset(e.text() + s, e.text() + s + k);
        expect_no_false_verdict(e, bound, w, !has_N(w.start, static_cast<int>(k)), s);
        if (HasFatalFailure()) return;
      }
    }
  });
}

// The use after the exact search: perfect seeds with a score of their own,
// no counts.
TEST_F(EngineTest, ExactSeedVerdictsNeverExcludeAReachedScore)
{
  for_random_params(150, [&](uint32_t, Rng& r) {
    units(1, 14);
    CSearchController::reset_minimum_arrays();
    Engine e(planted_text(r, pick(r, 20, 500)));
    CSearchController::minScores = CSearchController::minScores_intern;
    CSearchController::minLengths = CSearchController::minLengths_intern;
    capture_stderr([&] { e.ctl->exact_search_2(); });
    ExtensionBound bound;
    for (const Csat* s : e.ctl->satList_exact) {
      expect_no_false_verdict(e, bound, *s, false, 0);
      if (HasFatalFailure()) return;
    }
  });
}

// The windows the complete search passes over, too short of period matches
// to take a step, never reach the score they were passed over for.
TEST_F(EngineTest, WindowsPassedOverForShortRunsNeverReachTheScore)
{
  for_random_params(60, [&](uint32_t, Rng& r) {
    const int n = pick(r, 2, 600);
    Engine e(planted_text(r, n));
    const ExtensionBound bound;
    for (unsigned k = 1; k <= 8 && k < static_cast<unsigned>(n); ++k) {
      const int m = pick(r, 1, 12);
      RunNeighbours runs(e.text(), static_cast<uint64_t>(n), k, bound.first_runs_needed(k, m));
      for (uint64_t s = 0; s + k < static_cast<uint64_t>(n); ++s) {
        if (runs.may_pass(s) || has_N(e.text() + s, static_cast<int>(k))) continue;
        Csat w;
        w.reset(e.text() + s, e.text() + s + k);
        ASSERT_LT(extended_score(e, w), m) << "window " << s << " k " << k << " passed over";
      }
    }
  });
}

// On random DNA under the default parameters almost no window reaches the
// default minimum score; the bound must say so for nearly all of them: from
// the counts alone, and from the seed alone (as after the exact search,
// without counts) too.
TEST_F(EngineTest, MostRandomWindowsAreSettled)
{
  Rng r(2024);
  std::string t;
  for (int i = 0; i < 3000; ++i) t += base(r);
  units(1, 14);
  Engine e(t);
  const int n = e.size();
  for (unsigned k = 1; k <= 14; ++k) {
    SCOPED_TRACE("k " + std::to_string(k));
    ExtensionBound counted, plain;
    counted.scan_windows(e.text(), static_cast<uint64_t>(n), k);
    const int m = CSearchController::minScores[k];
    int windows = 0, hopeless = 0, settled = 0, by_seed_alone = 0;
    for (unsigned s = 0; s + k < static_cast<unsigned>(n); ++s) {
      ++windows;
      Csat w;
      w.reset(e.text() + s, e.text() + s + k);
      const bool by_counts = counted.window_hopeless(s, m);
      hopeless += by_counts;
      settled += by_counts || counted.cannot_reach(w, m, e.before_begin(), e.after_end());
      by_seed_alone += plain.cannot_reach(w, m, e.before_begin(), e.after_end());
    }
    // Measured: at least 94 % hopeless (k 14) and 99 % settled either way.
    EXPECT_GE(hopeless, windows * 9 / 10);
    EXPECT_GE(settled, windows * 9 / 10);
    EXPECT_GE(by_seed_alone, windows * 9 / 10);
  }
}

// Copies of one long unit, each mutated at its own rate (up to about one
// character in three): the walks from a window cross poor copies at a loss
// and gain on the good ones beyond, so the bound must follow them far. One
// change in six is an N (or, with N_percent below 75, fewer).
std::string long_unit_copies(Rng& r, int L, int N_percent = 75)
{
  std::string unit, t;
  for (int i = 0; i < L; ++i) unit += base(r);
  for (int i = pick(r, 0, 30); i > 0; --i) t += base(r);
  for (int copies = pick(r, 2, 6); copies > 0; --copies) {
    const int rate = std::vector<int>{0, 0, 3, 10, 20, 35}[pick(r, 0, 5)];
    for (char c : unit) {
      if (pick(r, 1, 100) > rate) {
        t += c;
        continue;
      }
      switch (pick(r, 0, 5)) {
        case 0: case 1: case 2: t += base(r); break;  // mismatch (or not)
        case 3: t += base(r), t += c; break;          // insertion
        case 4: break;                                // deletion
        default: t += pick(r, 1, 100) <= N_percent ? 'N' : base(r);  // an N now and then
      }
    }
  }
  for (int i = pick(r, 0, 30); i > 0; --i) t += base(r);
  return t;
}

// Long units, whose sets of phases span two words, over every window of such
// copies; the highest score reached is the one a false verdict most likely
// excludes, a few lower ones are asked too.
TEST_F(EngineTest, LongUnitVerdictsNeverExcludeAReachedScore)
{
  for_random_params(40, [&](uint32_t seed, Rng& r) {
    const unsigned k = static_cast<unsigned>(seed % 4 == 0 ? pick(r, 15, 64) : pick(r, 65, 128));
    const std::string t = seed % 3 == 0 ? planted_text(r, pick(r, 300, 1200), 15, 128) : long_unit_copies(r, k);
    if (k >= t.size()) return;
    Engine e(t);
    const unsigned n = static_cast<unsigned>(e.size());
    SCOPED_TRACE("k " + std::to_string(k));
    ExtensionBound bound;
    bound.scan_windows(e.text(), n, k);
    for (unsigned s = 0; s + k <= n; s += pick(r, 0, 3) ? 1 : pick(r, 2, 20)) {
      Csat w;
      w.reset(e.text() + s, e.text() + s + k);
      const int reached = extended_score(e, w);
      for (int m : {reached, reached - 1, reached - pick(r, 2, 60)}) {
        if (m <= 0) continue;
        ASSERT_FALSE(bound.cannot_reach(w, m, e.before_begin(), e.after_end()))
            << "window " << s << " said cannot reach " << m << ", reached " << reached;
      }
    }
  });
}

// Units too long for the neighbourhood's counts are settled from the word
// counts of a few bands beside the window, kept up to date as the window
// slides (and rebuilt after a jump): no window they settle may reach the
// score, near the text's ends and N runs too. Copies of a unit amid long
// random stretches make the counts' bound tight on the copies (every
// position there holds a word of the unit); penalties of 4 to 6 leave the
// counts on.
// Over windows of length k of `e` (mostly near each other, one in `odds`
// up to `far` apart): no verdict calls hopeless a score the extension
// reached. Counts the windows asked and those settled two above what they
// reached, each of which `settled` also sees.
template <class Hopeless, class Settled>
void check_verdicts(Engine& e, unsigned k, Rng& r, int odds, int far, int& asked, int& tight, Hopeless&& hopeless,
                    Settled&& settled)
{
  const unsigned n = static_cast<unsigned>(e.size());
  for (unsigned s = 0; s + k < n; s += pick(r, 0, odds) ? pick(r, 1, 9) : pick(r, 10, far)) {
    if (has_N(e.text() + s, static_cast<int>(k))) continue;
    Csat w;
    w.reset(e.text() + s, e.text() + s + k);
    const int reached = extended_score(e, w);
    for (int m : {reached, reached - 1, reached - pick(r, 2, 40)}) {
      if (m <= 0) continue;
      ASSERT_FALSE(hopeless(s, m)) << "window " << s << " said hopeless for " << m << ", reached " << reached;
    }
    ++asked;
    if (hopeless(s, reached + 2)) {
      ++tight;
      settled(s, reached + 2);
    }
  }
}

// The same for the whole bound, as the searches ask it.
template <class Settled>
void check_window_verdicts(Engine& e, unsigned k, Rng& r, int odds, int far, int& asked, int& tight,
                           Settled&& settled)
{
  ExtensionBound bound;
  bound.scan_windows(e.text(), static_cast<uint64_t>(e.size()), k);
  check_verdicts(e, k, r, odds, far, asked, tight, [&](unsigned s, int m) { return bound.window_hopeless(s, m); },
                 settled);
}

TEST_F(EngineTest, WordReachVerdictsNeverExcludeAReachedScore)
{
  int asked = 0, tight = 0;
  for_random_params(150, [&](uint32_t seed, Rng& r) {
    const int q = pick(r, 4, 6);
    global_mismatch_score = -q - pick(r, 0, 1) * pick(r, 0, 3);
    global_indel_score = pick(r, 0, 1) ? -q : -q - pick(r, 0, 3);
    if (pick(r, 0, 1)) std::swap(global_mismatch_score, global_indel_score);
    const unsigned k = static_cast<unsigned>(pick(r, 25, q == 4 ? 40 : 140));
    std::string t;
    for (int i = pick(r, 0, 1500); i > 0; --i) t += base(r);
    t += seed % 3 == 0 ? planted_text(r, pick(r, 300, 1500), 25, 140) : long_unit_copies(r, k, seed % 3 == 1 ? 20 : 0);
    for (int i = pick(r, 0, 1500); i > 0; --i) t += base(r);
    if (k >= t.size()) return;
    Engine e(t);
    SCOPED_TRACE("k " + std::to_string(k) + " mismatch " + std::to_string(global_mismatch_score) + " indel " +
                 std::to_string(global_indel_score));
    check_window_verdicts(e, k, r, 5, 300, asked, tight, [](unsigned, int) {});
  });
  // The test means something only where the bound comes close.
  EXPECT_GE(tight, asked / 20);
}

// The counts a sliding filter keeps must be those it would build afresh at
// every window: any verdict of the one must be the other's.
TEST_F(EngineTest, WordReachSlidesToTheCountsItWouldBuild)
{
  for_random_params(20, [&](uint32_t seed, Rng& r) {
    const unsigned k = static_cast<unsigned>(pick(r, 25, 120));
    const std::string t = seed % 2 ? long_unit_copies(r, k, 5) + planted_text(r, 600, 25, 120)
                                   : planted_text(r, pick(r, 400, 6000), 25, 120);
    if (k >= t.size()) return;
    const int q = pick(r, 2, 6), prefer = pick(r, 0, 1);
    const bool bridged = pick(r, 0, 1);
    std::unique_ptr<WordReach> sliding(WordReach::make(t.data(), t.size(), k, q, prefer, bridged));
    if (!sliding) return;
    // Steps of one slide; longer ones jump, past the near span they rebuild.
    for (unsigned s = 0; s + k < t.size(); s += pick(r, 0, 8) ? 1 : pick(r, 2, pick(r, 0, 3) ? 300 : 2500)) {
      std::unique_ptr<WordReach> fresh(WordReach::make(t.data(), t.size(), k, q, prefer, bridged));
      const long long left = pick(r, 0, 3), right = pick(r, 0, 3);
      for (long long m : {1ll, 5ll, static_cast<long long>(k) / 3, static_cast<long long>(k), 2ll * k}) {
        ASSERT_EQ(sliding->hopeless(s, left, right, m), fresh->hopeless(s, left, right, m))
            << "window " << s << " k " << k << " q " << q << " target " << m;
      }
    }
  });
}

// The filter's verdict worked out position by position from the unit's
// word set, over the whole text: what the filter must say wherever its span
// covers the text.
bool reference_hopeless(const std::string& t, unsigned k, int q, int prefer, bool bridged, long long s,
                        long long run_left, long long run_right, long long target)
{
  const std::string unit = t.substr(s, k);
  if (unit.find_first_not_of("ACGT") != std::string::npos) return false;
  if (bridged && t.find('N') != std::string::npos) return false;
  std::set<std::string> words;
  for (unsigned phase = 0; phase < k; ++phase) {
    std::string w;
    for (int j = 0; j < q; ++j) w += unit[(phase + j) % k];
    words.insert(w);
  }
  const long long n = static_cast<long long>(t.size());
  auto hit = [&](long long x) { return x >= 0 && x + q <= n && words.count(t.substr(x, q)) > 0; };
  const long long floor = -static_cast<long long>(k) - prefer, bar = q * (floor + q - 1);
  auto side = [&](long long score, long long from, long long step, long long end) {
    if (score - q <= floor) return score;
    long long phi = q * score, high = phi;
    for (long long x = from; x != end; x += step) {
      phi += hit(x) ? q : -1;
      if (phi <= bar) break;
      high = std::max(high, phi);
    }
    return high >= 0 ? high / q : -((-high + q - 1) / q);
  };
  const long long forward = side(run_right, s + k + run_right, 1, n);
  return side(forward + run_left, s - run_left - q, -1, -q) < target;
}

// The filter follows its bound 64 positions and a byte at a time over bits
// it keeps as the window slides; on texts its span covers it must give the
// verdicts of the plain walk over the positions.
TEST_F(EngineTest, WordReachFollowsTheBoundPositionByPosition)
{
  for_random_params(40, [&](uint32_t seed, Rng& r) {
    const int q = pick(r, 4, 6);
    const unsigned k = static_cast<unsigned>(q == 4 ? pick(r, 30, 45) : pick(r, 45, 100));
    std::string t = seed % 2 ? long_unit_copies(r, k, 10) : planted_text(r, 900, 25, 100);
    t.resize(std::min<size_t>(t.size(), 1000));
    for (int i = pick(r, 0, 300); i > 0 && t.size() < 1000; --i) t += base(r);
    if (k >= t.size()) return;
    const int prefer = pick(r, 0, 1);
    const bool bridged = pick(r, 0, 1);
    std::unique_ptr<WordReach> filter(WordReach::make(t.data(), t.size(), k, q, prefer, bridged));
    ASSERT_TRUE(filter);
    for (unsigned s = 0; s + k < t.size(); s += pick(r, 0, 6) ? 1 : pick(r, 2, 200)) {
      // First runs as a window may have them (within the text).
      const long long left = std::min<long long>(s, pick(r, 0, 4));
      const long long right = std::min<long long>(t.size() - s - k, pick(r, 0, 4));
      for (long long m = 1; m <= 3 * static_cast<long long>(k); m += pick(r, 1, 6))
        ASSERT_EQ(filter->hopeless(s, left, right, m), reference_hopeless(t, k, q, prefer, bridged, s, left, right, m))
            << "window " << s << " k " << k << " q " << q << " runs " << left << " " << right << " target " << m;
    }
  });
}


// The plain walk's best score over both sides of window s, from the text's
// word codes (-1: another character) and the unit's word set.
long long reference_top(const std::vector<int>& codes, const std::string& t, unsigned k, int q, int prefer,
                        long long s, long long run_left, long long run_right)
{
  std::vector<char> in_unit(std::size_t(1) << (2 * q), 0);
  for (unsigned phase = 0; phase < k; ++phase) {
    int c = 0;
    for (int j = 0; j < q; ++j) c = (c << 2) | static_cast<int>(std::string("ACGT").find(t[s + (phase + j) % k]));
    in_unit[c] = 1;
  }
  const long long n = static_cast<long long>(t.size());
  const long long floor = -static_cast<long long>(k) - prefer, bar = q * (floor + q - 1);
  auto side = [&](long long score, long long from, long long step, long long end) {
    if (score - q <= floor) return score;
    long long phi = q * score, high = phi;
    for (long long x = from; x != end; x += step) {
      phi += x >= 0 && codes[x] >= 0 && in_unit[codes[x]] ? q : -1;
      if (phi <= bar) break;
      high = std::max(high, phi);
    }
    return high >= 0 ? high / q : -((-high + q - 1) / q);
  };
  return side(side(run_right, s + k + run_right, 1, n) + run_left, s - run_left - q, -1, -q);
}

// In GC-rich text, whose common words a unit holds too, long units' sides
// go far past the near span (read there from the codes), the filter widens
// it after a few thousand sides, and sides that cannot settle a window stop
// early: over every window of such a text, which its span covers, the
// verdicts stay those of the plain walk.
TEST_F(EngineTest, WordReachFollowsTheBoundPastItsNearSpan)
{
  for_random_params(4, [&](uint32_t seed, Rng& r) {
    const int q = 5, prefer = pick(r, 0, 1);
    const unsigned k = static_cast<unsigned>(pick(r, 90, 100));
    std::string t;
    while (t.size() < 7000) {
      if (seed % 2 && pick(r, 0, 30) == 0) t += long_unit_copies(r, static_cast<int>(k), 0);
      t += "GCGCGCAT"[pick(r, 0, 7)];
    }
    t.resize(7000);
    std::vector<int> codes(t.size(), -1);
    for (std::size_t x = 0; x + q <= t.size(); ++x) {
      codes[x] = 0;
      for (int j = 0; j < q; ++j) codes[x] = (codes[x] << 2) | static_cast<int>(std::string("ACGT").find(t[x + j]));
    }
    std::unique_ptr<WordReach> filter(WordReach::make(t.data(), t.size(), k, q, prefer, false));
    ASSERT_TRUE(filter);
    for (unsigned s = 0; s + k < t.size(); ++s) {
      const long long left = std::min<long long>(s, pick(r, 0, 3));
      const long long right = std::min<long long>(t.size() - s - k, pick(r, 0, 3));
      const long long top = reference_top(codes, t, k, q, prefer, s, left, right);
      for (long long m : {top, top + 1, top + pick(r, 2, 20), static_cast<long long>(pick(r, 1, 150))})
        ASSERT_EQ(filter->hopeless(s, left, right, m), top < m)
            << "window " << s << " k " << k << " runs " << left << " " << right << " target " << m;
    }
  });
}

// Past the span too: on a text longer than the ring, the widened near span
// must keep the bits a fresh filter builds.
TEST_F(EngineTest, WordReachWidensItsNearSpanAsAFreshOneWouldRead)
{
  for_random_params(3, [&](uint32_t, Rng& r) {
    const int q = 5;
    const unsigned k = static_cast<unsigned>(pick(r, 90, 100));
    std::string t;
    for (int i = 0; i < 12000; ++i) t += "GCGCGCAT"[pick(r, 0, 7)];
    for (int i = 0; i < 30000; ++i) t += pick(r, 0, 2) ? "GCGCGCAT"[pick(r, 0, 7)] : base(r);
    std::unique_ptr<WordReach> sliding(WordReach::make(t.data(), t.size(), k, q, 0, false));
    ASSERT_TRUE(sliding);
    for (unsigned s = 0; s + k < t.size(); ++s) {
      const long long left = std::min<long long>(s, pick(r, 0, 3)), right = pick(r, 0, 3);
      const long long m = pick(r, 1, 150);
      const bool verdict = sliding->hopeless(s, left, right, m);
      if (s % 97) continue;
      std::unique_ptr<WordReach> fresh(WordReach::make(t.data(), t.size(), k, q, 0, false));
      ASSERT_EQ(verdict, fresh->hopeless(s, left, right, m)) << "window " << s << " k " << k << " target " << m;
    }
  });
}


// Under the default parameters nearly every window of random DNA is settled
// without the bound's program: by the word counts for units of 30 to 60, by
// the edit distance for units of 150 to 500, which no count bounds, by the
// first-copy program for both. Every `step`-th window of `length` random
// characters; settles(e, k) gives a filter's verdict on window s for score m.
template <class Settles>
void expect_random_windows_settled(uint32_t seed, int length, unsigned max_unit, std::initializer_list<unsigned> ks,
                                   unsigned step, int percent, Settles&& settles)
{
  Rng r(seed);
  std::string t;
  for (int i = 0; i < length; ++i) t += base(r);
  units(1, max_unit);
  CSearchController::reset_minimum_arrays();
  Engine e(t);
  for (unsigned k : ks) {
    SCOPED_TRACE("k " + std::to_string(k));
    auto settled_window = settles(e, k);
    const int m = CSearchController::minScores_user[k];
    int windows = 0, settled = 0;
    for (unsigned s = 0; s + k < static_cast<unsigned>(e.size()); s += step) {
      ++windows;
      settled += settled_window(s, m);
    }
    EXPECT_GE(settled, windows * percent / 100);
  }
}

// One long-unit filter's verdict on a window (no N in it), from the window's
// first runs, as the bound asks it; `Filter` is WordReach or EditReach.
template <class Filter>
auto by_filter(Filter* (*make)(const char*, uint64_t, unsigned))
{
  return [make](Engine& e, unsigned k) {
    const uint64_t n = static_cast<uint64_t>(e.size());
    std::shared_ptr<Filter> filter(make(e.text(), n, k));
    return [filter, &e, k, n](unsigned s, int m) {
      const char* w = e.text() + s;
      const long long left = static_cast<long long>(equal_behind(w, w + k, s));
      const long long right = static_cast<long long>(equal_ahead(w + k, w, n - s - k));
      return filter && left + right < m && filter->hopeless(s, left, right, m);
    };
  };
}
WordReach* word_counts(const char* t, uint64_t n, unsigned k) { return WordReach::make(t, n, k, 5, 1, true); }
EditReach* edit_distance(const char* t, uint64_t n, unsigned k) { return new EditReach(t, n, k, 5, 1, true); }

TEST_F(EngineTest, WordReachSettlesMostRandomWindows)
{
  expect_random_windows_settled(91, 6000, 100, {30, 45, 60}, 1, 99, by_filter(word_counts));  // measured: all
}

TEST_F(EngineTest, EditReachSettlesMostRandomWindows)
{
  expect_random_windows_settled(93, 4000, 500, {150, 300, 500}, 7, 99, by_filter(edit_distance));
}

// A bound that slides from window to window reuses a side's program where
// the next unit is a rotation of the last; it must never settle a window that
// a bound with no history leaves open.
TEST_F(EngineTest, SlidingVerdictsAreNoStrongerThanFreshOnes)
{
  for_random_params(30, [&](uint32_t seed, Rng& r) {
    const unsigned k = static_cast<unsigned>(pick(r, 15, 128));
    const std::string t = seed % 2 ? long_unit_copies(r, k) : planted_text(r, pick(r, 300, 900), 15, 128);
    if (k >= t.size()) return;
    Engine e(t);
    SCOPED_TRACE("k " + std::to_string(k));
    ExtensionBound sliding;
    const int m = pick(r, 1, static_cast<int>(k) + 40);
    for (unsigned s = 0; s + k <= static_cast<unsigned>(e.size()); ++s) {
      Csat w;
      w.reset(e.text() + s, e.text() + s + k);
      if (!sliding.cannot_reach(w, m, e.before_begin(), e.after_end())) continue;
      ExtensionBound fresh;
      ASSERT_TRUE(fresh.cannot_reach(w, m, e.before_begin(), e.after_end())) << "window " << s << ", score " << m;
    }
  });
}

// Under the default parameters the bound settles nearly every window of
// random DNA for units up to 128 (the walk of such a unit may lose a unit
// length of points before it ends, so the bound follows it far).
TEST_F(EngineTest, MostRandomWindowsOfLongUnitsAreSettled)
{
  Rng r(77);
  std::string t;
  for (int i = 0; i < 2500; ++i) t += base(r);
  units(1, 128);
  CSearchController::reset_minimum_arrays();
  Engine e(t);
  for (unsigned k : {20u, 64u, 65u, 100u, 128u}) {
    SCOPED_TRACE("k " + std::to_string(k));
    ExtensionBound bound;
    const int m = CSearchController::minScores_user[k];
    int windows = 0, settled = 0;
    for (unsigned s = 0; s + k < static_cast<unsigned>(e.size()); s += 3) {
      ++windows;
      Csat w;
      w.reset(e.text() + s, e.text() + s + k);
      settled += bound.cannot_reach(w, m, e.before_begin(), e.after_end());
    }
    EXPECT_GE(settled, windows * 95 / 100);
  }
}

// Units whose words cover too much of the text for the word counts (longer
// than about 140, or any length under small penalties) are settled from the
// edit distance of their sides to the unit's repetition: no window so
// settled may reach the score. Copies of one unit mutated at their own rates
// make the walks cross poor copies at a loss and gain on good ones; random
// flanks make the bound end on both sides.
TEST_F(EngineTest, EditReachVerdictsNeverExcludeAReachedScore)
{
  int asked = 0, tight = 0;
  for_random_params(120, [&](uint32_t seed, Rng& r) {
    const bool small_penalty = seed % 4 == 0;
    if (small_penalty) global_mismatch_score = global_indel_score = -pick(r, 2, 3);
    const unsigned k = static_cast<unsigned>(small_penalty ? pick(r, 12, 90) : pick(r, 150, 320));
    std::string t;
    for (int i = pick(r, 0, 400); i > 0; --i) t += base(r);
    t += seed % 3 == 0 ? planted_text(r, pick(r, 300, 1500), 12, 320) : long_unit_copies(r, k, seed % 3 == 1 ? 20 : 0);
    for (int i = pick(r, 0, 400); i > 0; --i) t += base(r);
    if (k >= t.size()) return;
    Engine e(t);
    const unsigned n = static_cast<unsigned>(e.size());
    SCOPED_TRACE("k " + std::to_string(k) + " mismatch " + std::to_string(global_mismatch_score) + " indel " +
                 std::to_string(global_indel_score));
    // A verdict carried over from the last window must be one made afresh.
    check_window_verdicts(e, k, r, 3, 200, asked, tight, [&](unsigned s, int m) {
      ExtensionBound fresh;
      fresh.scan_windows(e.text(), n, k);
      ASSERT_TRUE(fresh.window_hopeless(s, m)) << "window " << s;
    });
  });
  EXPECT_GE(tight, asked / 5);
}

// The side's bound the plain way: the whole edit-distance table of the text
// against the repetition's prefixes, column by column, without early ends.
// -1 where the side meets an N it may bridge, -2 where it outgrows the table.
long long plain_side_top(const std::string& t, const std::string& unit, int q, long long floor, bool bridged,
                         long long score, long long from, int sign, long long phase)
{
  if (score - q <= floor) return score;
  const long long k = static_cast<long long>(unit.size()), n = static_cast<long long>(t.size());
  const long long rows = 8 * k + 400;
  std::vector<long long> D(rows + 1), next(rows + 1);
  for (long long j = 0; j <= rows; ++j) D[j] = j;
  long long top = score;
  for (long long c = 1, p = from;; ++c, p += sign) {
    if (p < 0 || p >= n) return top;
    if (bridged && t[p] == 'N') return -1;
    if (c + (score + c - floor - 1) / q >= rows) return -2;
    next[0] = c;
    long long least = c;
    for (long long j = 1; j <= rows; ++j) {
      const char u = unit[((phase + sign * (j - 1)) % k + k) % k];
      next[j] = std::min({D[j - 1] + (t[p] == u ? 0 : 1), D[j] + 1, next[j - 1] + 1});
      least = std::min(least, next[j]);
    }
    std::swap(D, next);
    const long long value = score + c - q * least;
    if (value <= floor) return top;
    top = std::max(top, value);
  }
}

// The bit-parallel columns, with rows that join late, against the plain
// table: the filter may only be weaker (its late rows hold lower bounds),
// and where the plain table settles a window it must nearly always too.
TEST_F(EngineTest, EditReachFollowsThePlainTable)
{
  int plain_settled = 0, both = 0;
  for_random_params(40, [&](uint32_t seed, Rng& r) {
    const int q = pick(r, 2, 7);
    const unsigned k = static_cast<unsigned>(pick(r, 5, 200));
    std::string t = seed % 2 ? long_unit_copies(r, k, 10) : planted_text(r, 900, 5, 200);
    for (int i = pick(r, 0, 600); i > 0; --i) t += base(r);
    if (k >= t.size()) return;
    const int prefer = pick(r, 0, 1);
    const bool bridged = pick(r, 0, 1);
    const long long floor = -static_cast<long long>(k) - prefer;
    EditReach filter(t.data(), t.size(), k, q, prefer, bridged);
    // Runs made up for a window next to the last could pass for a rotation's.
    for (unsigned s = 0; s + k < t.size(); s += pick(r, 2, 40)) {
      const std::string unit = t.substr(s, k);
      if (unit.find_first_not_of("ACGT") != std::string::npos) continue;
      const long long left = std::min<long long>(s, pick(r, 0, 4));
      const long long right = std::min<long long>(t.size() - s - k, pick(r, 0, 4));
      const long long forward =
          plain_side_top(t, unit, q, floor, bridged, right, s + k + right, 1, right % k);
      const long long backward =
          forward < 0 ? forward
                      : plain_side_top(t, unit, q, floor, bridged, forward + left, s - 1 - left, -1, k - 1 - left % k);
      if (backward == -2) continue;
      std::vector<long long> targets{backward, backward + 1};  // where a bound too strong shows first
      for (long long m = 1; m <= 2 * static_cast<long long>(k); m += pick(r, 1, 9)) targets.push_back(m);
      for (long long m : targets) {
        if (m <= 0) continue;
        const bool plain = backward >= 0 && backward < m;
        const bool fast = filter.hopeless(s, left, right, m);
        ASSERT_FALSE(fast && !plain) << "window " << s << " k " << k << " q " << q << " runs " << left << " "
                                     << right << " target " << m << ": settled beyond the plain table";
        plain_settled += plain;
        both += plain && fast;
      }
    }
  });
  EXPECT_GE(both, plain_settled * 95 / 100);
}

// A window whose unit is the last one's rotation takes its verdict from the
// last window's sides: over consecutive windows, with their real first runs,
// it must never settle a score that the sides followed afresh leave open.
// Low-complexity stretches make rotations common.
TEST_F(EngineTest, EditReachCarriesVerdictsOverRotationsSoundly)
{
  int carried = 0;
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    Rng r(seed);
    const int q = pick(r, 2, 6);
    const unsigned k = static_cast<unsigned>(pick(r, 8, 120));
    const int prefer = pick(r, 0, 1);
    std::string t;
    while (t.size() < 700) {
      const int kind = pick(r, 0, 2);
      const std::string motif = kind == 0 ? std::string(1, base(r)) : std::string{base(r), base(r)};
      for (int i = pick(r, 5, 60); i > 0; --i) t += kind == 2 ? std::string(1, base(r)) : motif;
      if (seed % 2) t += long_unit_copies(r, static_cast<int>(k), 0);
    }
    const long long n = static_cast<long long>(t.size());
    EditReach sliding(t.data(), t.size(), k, q, prefer, false);
    for (long long s = 0; s + k < n; ++s) {
      long long left = 0, right = 0;
      while (s - 1 - left >= 0 && t[s - 1 - left] == t[s + k - 1 - left]) ++left;
      while (s + k + right < n && t[s + k + right] == t[s + right]) ++right;
      // The fresh top: the highest target the sides followed afresh leave open.
      long long lo = 0, hi = 4 * static_cast<long long>(k) + 4;
      while (lo + 1 < hi) {
        const long long m = (lo + hi) / 2;
        EditReach fresh(t.data(), t.size(), k, q, prefer, false);
        (fresh.hopeless(s, left, right, m) ? hi : lo) = m;
      }
      if (lo < 1) continue;
      ASSERT_FALSE(sliding.hopeless(s, left, right, lo))
          << "seed " << seed << " window " << s << " k " << k << " q " << q << ": settled " << lo;
      carried += right > 0;
    }
  }
  EXPECT_GT(carried, 700);
}


}  // namespace

// A unit, a copy of it with a character inserted (or one left out) every few
// characters or with many mismatches, then good copies: the walk drifts off
// its diagonal or sinks near its lower bound in the second copy and gains it
// back beyond, where it compares the text with the unit far from where it
// started.
std::string drifting_copies(Rng& r, int L)
{
  std::string unit, t;
  for (int i = 0; i < L; ++i) unit += base(r);
  for (int i = pick(r, 0, 30); i > 0; --i) t += base(r);
  t += unit;
  const int every = pick(r, 2, 6), kind = pick(r, 0, 2);
  for (int i = 0; i < L; ++i) {
    if (kind == 2) {  // a poor copy, which the walk crosses just above its lower bound
      t += pick(r, 1, 100) <= 28 ? "ACGTACGT"[std::string("ACGT").find(unit[i]) + pick(r, 1, 3)] : unit[i];
      continue;
    }
    if (i % every == every - 1 && kind == 0) continue;
    t += unit[i];
    if (i % every == every - 1) t += base(r);
  }
  for (int copies = pick(r, 1, 4); copies > 0; --copies) t += unit;
  for (int i = pick(r, 0, 30); i > 0; --i) t += base(r);
  return t;
}

// Random flanks around planted repeats, copies of a unit of length k
// mutated at their own rates, or copies that drift (seed picks which).
std::string first_copy_text(Rng& r, uint32_t seed, int k)
{
  std::string t;
  for (int i = pick(r, 0, 500); i > 0; --i) t += base(r);
  t += seed % 3 == 0   ? planted_text(r, pick(r, 300, 1500), 8, 300)
       : seed % 3 == 1 ? long_unit_copies(r, k, seed % 2 ? 20 : 0)
                       : drifting_copies(r, k);
  for (int i = pick(r, 0, 500); i > 0; --i) t += base(r);
  return t;
}

bool Ns_bridged() { return global_Ns_allowed_in_a_row != 0 && !global_treat_Ns_as_missense; }

// The first-copy programs shared by a pass's windows: no window they settle
// may reach the score. Copies mutated at their own rates make walks cross
// poor copies at a loss (near the band's edge and the next copy), random
// flanks and text ends end them; windows are visited out of order now and
// then, so blocks start anywhere.
TEST_F(EngineTest, BandReachVerdictsNeverExcludeAReachedScore)
{
  int asked = 0, tight = 0;
  for_random_params(160, [&](uint32_t seed, Rng& r) {
    if (seed % 5 == 0) global_mismatch_score = global_indel_score = -3;
    const unsigned k = static_cast<unsigned>(seed % 4 == 0 ? pick(r, 8, 40) : pick(r, 41, 300));
    const std::string t = first_copy_text(r, seed, static_cast<int>(k));
    if (k >= t.size()) return;
    Engine e(t);
    const unsigned n = static_cast<unsigned>(e.size());
    std::unique_ptr<BandReach> band(BandReach::make(e.text(), n, k, global_mismatch_score, global_indel_score,
                                                    global_prefer_longer_repeat, Ns_bridged()));
    if (!band) return;
    SCOPED_TRACE("k " + std::to_string(k));
    // Now and then a window before the last one first, so that blocks start anywhere.
    check_verdicts(e, k, r, 4, 200, asked, tight, [&](unsigned s, int m) {
      if (pick(r, 0, 30) == 0) band->hopeless(static_cast<unsigned>(pick(r, 0, static_cast<int>(s))), m);
      return band->hopeless(s, m);
    }, [](unsigned, int) {});
  });
  // The test means something only where the programs come close.
  EXPECT_GE(tight, asked / 12);
}

// Under the default parameters the programs settle nearly every window of
// random DNA by themselves, for units of any length they take.
TEST_F(EngineTest, BandReachSettlesMostRandomWindows)
{
  expect_random_windows_settled(95, 30000, 500, {30, 60, 100, 250, 500}, 7, 95, [](Engine& e, unsigned k) {
    std::shared_ptr<BandReach> band(BandReach::make(e.text(), static_cast<uint64_t>(e.size()), k, -5, -5, 1, true));
    return [band](unsigned s, int m) { return band && band->hopeless(s, m); };
  });
}

// The row program against the plain one: each row from the one after it,
// then its insertions cell by cell from the band's far edge. Texts with runs
// of one letter, and penalties near the least the program takes, make long
// chains of insertions.
TEST_F(EngineTest, BandRowsFollowThePlainProgram)
{
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    Rng r(seed);
    std::string t;
    while (t.size() < 1200) {
      if (pick(r, 0, 3) == 0) t += std::string(pick(r, 5, 60), base(r));
      for (int i = pick(r, 0, 40); i > 0; --i) t += pick(r, 0, 50) ? base(r) : 'N';
    }
    const int64_t n = static_cast<int64_t>(t.size());
    const int W = pick(r, 2, 300), edge = pick(r, 1, 100);
    const int64_t lo = pick(r, 0, 500), hi = std::min<int64_t>(n, lo + pick(r, 1, 700));
    const band_rows::Scores sc{-pick(r, 3, 7), -pick(r, 3, 7), pick(r, 0, 1) == 1, band_rows::cap_for(pick(r, 10, 500))};
    std::vector<int16_t> next(W + 1, 0), row(W + 1, 0);
    band_rows::Rows rows;
    band_rows::pass(t.data(), 0, n, edge, W, lo, hi, sc, rows, [&](int64_t x, const int16_t* cz) {
      for (int i = 1; i < W; ++i) {
        const int64_t j = x + edge + i;
        if (j >= n) {
          row[i] = 0;
          continue;
        }
        const int w = t[j] == t[x] ? band_rows::scale + band_rows::tilt
                      : sc.Ns_bridged && t[j] == 'N' ? band_rows::tilt
                                                      : band_rows::scale * sc.mismatch + band_rows::tilt;
        const int v = std::max({0, w + next[i], band_rows::scale * sc.indel + band_rows::tilt + next[i - 1]});
        row[i] = static_cast<int16_t>(std::min<int>(v, sc.cap));
      }
      row[0] = row[W] = 0;
      for (int i = W - 1; i >= 1; --i) row[i] = static_cast<int16_t>(std::max<int>(row[i], row[i + 1] + band_rows::scale * sc.indel));
      for (int i = 1; i < W; ++i)
        ASSERT_EQ(cz[i], row[i]) << "seed " << seed << " row " << x << " cell " << i << " of " << W;
      std::swap(next, row);
    });
  }
}

// The first copies of a range of unit lengths, built once for the passes of
// all of them: no window a unit length's list settles may reach that unit
// length's score. Each unit length is asked as a pass asks it, skipping to
// the next window left open, with jumps back now and then (chunks start
// anywhere); the texts are those of the program of one unit length.
TEST_F(EngineTest, BandReachRangeVerdictsNeverExcludeAReachedScore)
{
  int asked = 0, tight = 0;
  for_random_params(100, [&](uint32_t seed, Rng& r) {
    if (seed % 5 == 0) global_mismatch_score = global_indel_score = -3;
    const unsigned k_lo = static_cast<unsigned>(pick(r, seed % 4 ? 18 : 11, 60)), k_hi = k_lo + static_cast<unsigned>(pick(r, 4, 80));
    const int planted = pick(r, static_cast<int>(k_lo), static_cast<int>(k_hi));
    Engine e(first_copy_text(r, seed, planted));
    const unsigned n = static_cast<unsigned>(e.size());
    // Scores near what the planted copies reach, and some far from it.
    std::vector<int> targets(k_hi + 1);
    for (unsigned k = k_lo; k <= k_hi; ++k) targets[k] = pick(r, 0, 3) ? pick(r, 1, 3 * planted) : pick(r, 1, 10);
    const std::unique_ptr<BandReachRange> range =
        BandReachRange::make(e.text(), n, k_lo, k_hi, targets.data(), global_mismatch_score, global_indel_score,
                             global_prefer_longer_repeat, Ns_bridged());
    if (!range) return;
    for (int unit = 0; unit < 3; ++unit) {
      const unsigned k = unit == 0 ? static_cast<unsigned>(planted) : static_cast<unsigned>(pick(r, k_lo, k_hi));
      if (!range->covers(k)) continue;
      SCOPED_TRACE("k " + std::to_string(k) + " in " + std::to_string(k_lo) + ".." + std::to_string(k_hi));
      std::size_t cursor = 0;
      uint64_t open = range->next_open(k, 0, targets[k], cursor);
      for (unsigned s = 0; s + k < n; s += pick(r, 1, 6)) {
        if (pick(r, 0, 40) == 0) open = range->next_open(k, static_cast<unsigned>(pick(r, 0, static_cast<int>(s))), targets[k], cursor);
        if (open < s) open = range->next_open(k, s, targets[k], cursor);
        if (open == s || has_N(e.text() + s, static_cast<int>(k))) continue;
        Csat w;
        w.reset(e.text() + s, e.text() + s + k);
        const int reached = extended_score(e, w);
        ASSERT_LT(reached, targets[k]) << "window " << s << " settled, reached " << reached;
        ++asked;
        tight += reached + 3 >= targets[k];
      }
    }
  });
  // The test means something only where the lists come close.
  EXPECT_GE(tight, asked / 40);
  EXPECT_GT(asked, 10000);
}

// A pass over a segment of windows ends every path a longest unit length
// past it: windows of copies that begin just before a segment ends still
// need their whole first copy, whose paths cross that end, to stay open.
TEST_F(EngineTest, BandReachRangeKeepsTheFirstCopiesThatCrossASegment)
{
  int asked = 0;
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    Rng r(seed);
    const unsigned k_lo = static_cast<unsigned>(pick(r, 11, 60)), k_hi = k_lo + static_cast<unsigned>(pick(r, 4, 80));
    const int k = pick(r, static_cast<int>(k_lo), static_cast<int>(k_hi));
    const int segment = std::max(static_cast<int>(k_hi), 256);
    std::string t;
    for (int i = pick(r, 1, 2) * segment - pick(r, 1, k + 5); i > 0; --i) t += base(r);
    const int start = static_cast<int>(t.size());
    std::string unit;
    for (int i = 0; i < k; ++i) unit += base(r);
    for (int c = pick(r, 2, 4); c > 0; --c)
      for (char x : unit) t += pick(r, 1, 100) <= 2 ? base(r) : x;
    for (int i = 300; i > 0; --i) t += base(r);
    Engine e(t);
    const uint64_t n = e.size();
    std::vector<int> targets(k_hi + 1, k);
    const std::unique_ptr<BandReachRange> range = BandReachRange::make(
        e.text(), n, k_lo, k_hi, targets.data(), global_mismatch_score, global_indel_score, global_prefer_longer_repeat, false);
    if (!range || !range->covers(static_cast<unsigned>(k))) continue;
    for (int s = start - 3; s <= start + 3; ++s) {
      Csat w;
      w.reset(e.text() + s, e.text() + s + k);
      if (extended_score(e, w) < k) continue;
      std::size_t cursor = 0;
      ASSERT_EQ(range->next_open(static_cast<unsigned>(k), static_cast<uint64_t>(s), k, cursor), static_cast<uint64_t>(s))
          << "seed " << seed << " window " << s << " k " << k << " reaches its score but is settled";
      ++asked;
    }
  }
  EXPECT_GT(asked, 60);
}

// The range settles about as many random windows as each unit length's own program.
TEST_F(EngineTest, BandReachRangeSettlesMostRandomWindows)
{
  std::shared_ptr<BandReachRange> range;
  expect_random_windows_settled(95, 30000, 500, {30, 60, 100, 250, 500}, 7, 95, [&](Engine& e, unsigned k) {
    if (!range)
      range = BandReachRange::make(e.text(), static_cast<uint64_t>(e.size()), 20, 500,
                                   CSearchController::minScores_user, -5, -5, 1, true);
    EXPECT_TRUE(range && range->covers(k));
    return [range, k](unsigned s, int m) {
      std::size_t cursor = 0;
      return range && range->covers(k) && range->next_open(k, s, m, cursor) != s;
    };
  });
}

// Records shorter than the neighbourhood's reach, and penalties too large
// for its words, leave units of 18 to 27 with the first-copy program alone:
// windows it does not settle must still be answered, not crash the pass.
TEST_F(EngineTest, UnitsWithoutNeighbourhoodAreStillSettledSoundly)
{
  int asked = 0, tight = 0;
  for_random_params(60, [&](uint32_t seed, Rng& r) {
    if (seed % 2) global_mismatch_score = global_indel_score = -pick(r, 7, 12);
    const unsigned k = static_cast<unsigned>(pick(r, 18, 27));
    const std::string t = seed % 2 ? planted_text(r, pick(r, 300, 900), 18, 27) : planted_text(r, pick(r, 40, 127), 18, 27);
    if (k >= t.size()) return;
    Engine e(t);
    SCOPED_TRACE("k " + std::to_string(k) + " length " + std::to_string(t.size()));
    check_window_verdicts(e, k, r, 2, 20, asked, tight, [](unsigned, int) {});
  });
  EXPECT_GT(asked, 0);
}
