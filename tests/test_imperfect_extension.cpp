// The extension walk. Each case grows a seed forward and checks the record;
// the same case on the reversed text, grown backward, must give the mirror
// image, unit phase included.
#include <cstring>
#include <random>
#include <ostream>

#include "imperfect_fixture.h"
#include "lazy_marks.h"
#include "walk_sharing.h"

namespace {

struct ExtendCase {
  const char* what;
  const char* text;
  int seed_begin;
  int seed_end;
  ExtendParams params;
  const char* expected;  // describe() of the record after the forward walk
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ExtendCase& c, std::ostream* os) { *os << c.what; }

ExtendParams reduction(int r)
{
  ExtendParams p;
  p.reduction = r;
  return p;
}

ExtendParams cheap_steps_depth(int d)
{
  ExtendParams p;
  p.mismatch = p.indel = -2;
  p.depth = d;
  return p;
}

const ExtendCase cases[] = {
    {"one mismatch", "ACACACACTCACACAC", 0, 2, {}, "0-16 s8 m1 i0 d0 n0 [8M]"},
    {"one insertion", "ACACACACAGCACACAC", 0, 2, {}, "0-17 s9 m0 i1 d0 n0 [9I]"},
    {"one deletion", "ACACACACCACACAC", 0, 2, {}, "0-15 s8 m0 i0 d1 n0 [8D]"},

    // Two end points with score 6: before the T and at the sequence end.
    {"equal scores, longer preferred", "ACACACACTCACAC", 0, 2, prefer_longer(1), "0-14 s6 m1 i0 d0 n0 [8M]"},
    {"equal scores, shorter preferred", "ACACACACTCACAC", 0, 2, prefer_longer(0), "0-8 s6 m0 i0 d0 n0 []"},

    // Best 3 before the sixth character; the deletion there climbs back to 2
    // and the walk finds no alternative at the tenth: one below the best stays.
    {"stop for lack of an alternative keeps one below best", "ACACAACACC", 0, 2, {}, "0-9 s2 m0 i0 d1 n0 [5D]"},
    {"shorter preferred: the bound stops the walk at the best", "ACACAACACC", 0, 2, prefer_longer(0),
     "0-5 s3 m0 i0 d0 n0 []"},
    // The mismatch taken at the first G is undone with its entry and count.
    {"steps after the best are dropped", "ACACACACGGGG", 0, 2, {}, "0-8 s6 m0 i0 d0 n0 []"},

    {"seed already at the sequence end", "GTAC", 2, 4, {}, "2-4 s0 m0 i0 d0 n0 []"},

    {"two Ns passed at no score", "ACACACNNACACAC", 0, 2, {}, "0-14 s10 m0 i0 d0 n2 []"},
    {"three Ns end the walk before the run", "ACACACNNNACACAC", 0, 2, {}, "0-6 s4 m0 i0 d0 n0 []"},
    {"N run at the sequence end is taken", "ACACACNN", 0, 2, {}, "0-8 s4 m0 i0 d0 n2 []"},
    {"N as a mismatch", "ACACACNCACACAC", 0, 2, Ns(2, true), "0-14 s6 m1 i0 d0 n0 [6M]"},
    {"no Ns allowed: N as a mismatch", "ACACACNCACACAC", 0, 2, Ns(0, false), "0-14 s6 m1 i0 d0 n0 [6M]"},

    // Finite reduction: at the T the best is 6, the bound max(-2, 6 - R) - 1.
    {"reduction 4 stops at the T", "ACACACACTCACACAC", 0, 2, reduction(4), "0-8 s6 m0 i0 d0 n0 []"},
    {"reduction 5 lets the mismatch through", "ACACACACTCACACAC", 0, 2, reduction(5), "0-16 s8 m1 i0 d0 n0 [8M]"},

    // Depth changes the choice at the G: ranked by the greedy run alone the
    // insertion wins; a deeper look prefers mismatch plus deletion.
    {"depth 1", "AACGAAACCA", 0, 3, cheap_steps_depth(1), "0-6 s0 m0 i1 d0 n0 [3I]"},
    {"depth 5", "AACGAAACCA", 0, 3, cheap_steps_depth(5), "0-8 s0 m1 i0 d1 n0 [3M 5D]"},

    // A unit of 3 wrapping across an N run and a mismatch.
    {"unit of 3 with N and mismatch", "ACGACGANGACGTCGACGACG", 0, 3, {}, "0-21 s11 m1 i0 d0 n1 [12M]"},
};

// The forward record seen from the other end: positions p become n - p,
// a character's entry n-1-p, a deletion's (which names the position after
// its gap) n - p.
std::string mirror_of(const Csat& f, const char* t, int n)
{
  std::vector<std::pair<long, char>> entries;
  for (uint32_t i = 0; i < f.missense_list.count; ++i) {
    const missense_entry& e = f.missense_list.data[i];
    long p = e.pos - t;
    entries.push_back({e.kind == 'D' ? n - p : n - 1 - p, e.kind});
  }
  std::string r = std::to_string(n - (f.end - t)) + "-" + std::to_string(n - (f.start - t)) + " s" +
                  std::to_string(f.score) + " m" + std::to_string(f.mismatches) + " i" +
                  std::to_string(f.insertions) + " d" + std::to_string(f.deletions) + " n" + std::to_string(f.Ns) +
                  " [";
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i) r += " ";
    r += std::to_string(entries[i].first) + entries[i].second;
  }
  return r + "] bwd@" + std::to_string(n - 1 - (f.unit_fwd - t));
}

class Extension : public EngineTest, public ::testing::WithParamInterface<ExtendCase> {};

TEST_P(Extension, ForwardAndMirroredBackward)
{
  const ExtendCase& c = GetParam();
  c.params.apply();

  Engine fwd(c.text);
  Csat f;
  f.reset(fwd.text() + c.seed_begin, fwd.text() + c.seed_end);
  fwd.ctl->extend_imperfect_forward(f, fwd.after_end());
  EXPECT_EQ(describe(f, fwd.text()), c.expected) << c.what;
  EXPECT_EQ(f.unit_begin, fwd.text() + c.seed_begin);
  EXPECT_EQ(f.unit_end, fwd.text() + c.seed_end);
  EXPECT_EQ(f.unit_bwd, fwd.text() + c.seed_end - 1) << "forward never moves the backward phase";

  Engine bwd(reversed(c.text));
  const int n = bwd.size();
  Csat b;
  b.reset(bwd.text() + (n - c.seed_end), bwd.text() + (n - c.seed_begin));
  bwd.ctl->extend_imperfect_backward(b, bwd.before_begin());
  std::string got = describe(b, bwd.text());
  // Backward appends entries outward, i.e. in the reverse order of forward.
  std::string mirrored = mirror_of(f, fwd.text(), n);
  EXPECT_EQ(got + " bwd@" + std::to_string(b.unit_bwd - bwd.text()), mirrored) << c.what << " (backward)";
}

INSTANTIATE_TEST_SUITE_P(Cases, Extension, ::testing::ValuesIn(cases));

// Forward then backward on one seed, as the searches call them: the backward
// walk starts from what the forward walk left, entries included.
TEST_F(EngineTest, BackwardContinuesFromForwardResult)
{
  Engine e("ACACACTCACACACACGCACACAC");
  Csat s;
  s.reset(e.text() + 10, e.text() + 12);  // seed "AC" in the middle
  e.ctl->extend_imperfect_forward(s, e.after_end());
  EXPECT_EQ(describe(s, e.text()), "10-24 s6 m1 i0 d0 n0 [16M]");
  e.ctl->extend_imperfect_backward(s, e.before_begin());
  EXPECT_EQ(describe(s, e.text()), "0-24 s10 m2 i0 d0 n0 [16M 6M]");
  EXPECT_EQ(s.unit_fwd, e.text() + 10);
  EXPECT_EQ(s.unit_bwd, e.text() + 11);
}

// A backward walk that restores its best state must give back the entries of
// the forward walk too, not only its own.
TEST_F(EngineTest, RestoreKeepsEntriesFromBeforeTheWalk)
{
  Engine e("GGGGACACACACTCACACAC");
  Csat s;
  s.reset(e.text() + 4, e.text() + 6);
  e.ctl->extend_imperfect_forward(s, e.after_end());
  ASSERT_EQ(describe(s, e.text()), "4-20 s8 m1 i0 d0 n0 [12M]");
  e.ctl->extend_imperfect_backward(s, e.before_begin());
  EXPECT_EQ(describe(s, e.text()), "4-20 s8 m1 i0 d0 n0 [12M]");
}

// The record window [s, s + k) grows into, forward then backward, like the
// searches grow it; entries a sharing deferred are given back first.
std::string grown(Engine& e, unsigned s, unsigned k)
{
  Csat r;
  r.reset(e.text() + s, e.text() + s + k);
  e.ctl->extend_imperfect_forward(r, e.after_end());
  e.ctl->extend_imperfect_backward(r, e.before_begin());
  if (r.deferred_entries) WalkSharing::current()->give_deferred_entries(r);
  return describe(r, e.text()) + " fwd " + std::to_string(r.unit_fwd - e.text()) + " bwd " +
         std::to_string(r.unit_bwd - e.text());
}

// Walks that take over an earlier walk's path must leave every record as the
// walk alone would: fields, entries and best end point. Windows all over a
// satellite array, of its unit's length and of lengths near its multiples
// (those walk the whole array too), under parameter sets inside and outside
// what the sharing admits; seeds are grown forward then backward, like the
// searches do, and one sharing scope serves all windows, like a pass. With
// deferred tails the entries taken over are given back after the walks.
// Windows a unit longer than the array's walk close to their bound, so safe
// walks also pass through steps their recorders took unsafely.
TEST_F(EngineTest, SharedWalksGiveTheRecordsOfLoneWalks)
{
  uint64_t safe_steps = 0, chains = 0, led_on = 0;
  struct Set {
    const char* what;
    ExtendParams p;
    bool shares;  // sharing must actually happen
  };
  std::vector<Set> sets;
  sets.push_back({"defaults", ExtendParams(), true});
  sets.push_back({"prefer shorter", prefer_longer(0), true});
  sets.push_back({"depth 1", depth(1), true});
  ExtendParams skewed = depth(3);
  skewed.mismatch = -3;
  skewed.indel = -7;
  sets.push_back({"depth 3, -3/-7", skewed, true});
  sets.push_back({"Ns as missense", Ns(2, true), true});
  sets.push_back({"no Ns bridged", Ns(0, false), true});
  ExtendParams finite = ExtendParams();
  finite.reduction = 12;
  sets.push_back({"finite R", finite, false});
  ExtendParams wide = ExtendParams();
  wide.reduction = 100000;
  sets.push_back({"finite R beyond the text", wide, true});

  const struct {
    const char* unit;
    double rate;
    bool Ns;
  } arrays[] = {{"ATTCC", 0.01, false}, {"ATTCC", 0.03, true}, {"AATAGTG", 0.02, false}, {"AC", 0.02, true}};
  for (const auto& a : arrays) {
    const std::string text = diverged_satellite(7, a.unit, a.rate, 900, a.Ns);
    const unsigned L = static_cast<unsigned>(std::strlen(a.unit));
    const unsigned lengths[] = {L, L + 1, 2 * L - 1, 2 * L};
    for (const Set& set : sets) {
      set.p.apply();
      Engine e(text);
      auto grow = [&](unsigned s, unsigned k) { return grown(e, s, k); };
      std::vector<std::string> alone;
      for (unsigned k : lengths)
        for (unsigned s = 140; s + k < text.size() - 140; s += 11) alone.push_back(grow(s, k));
      for (WalkSharing::Tails tails : {WalkSharing::Tails::copied, WalkSharing::Tails::deferred}) {
        const char* how = tails == WalkSharing::Tails::copied ? "copied" : "deferred";
        WalkSharing sharing(e.text(), static_cast<uint64_t>(e.size()), tails);
        size_t i = 0;
        for (unsigned k : lengths)
          for (unsigned s = 140; s + k < text.size() - 140; s += 11, ++i)
            ASSERT_EQ(grow(s, k), alone[i]) << a.unit << " " << a.rate << ", " << set.what << ", " << how
                                             << ", window " << s << " of length " << k;
        if (set.shares)
          EXPECT_GT(sharing.stats().joins, 0u) << a.unit << ", " << set.what;
        else
          EXPECT_EQ(sharing.stats().joins, 0u) << a.unit << ", " << set.what;
        safe_steps += sharing.stats().safe_steps;
        chains += sharing.stats().chains_taken;
        led_on += sharing.stats().stops_led_on;
      }
    }
  }
  EXPECT_GT(safe_steps, 0u);
  EXPECT_GT(chains, 0u);
  EXPECT_GT(led_on, 0u);
}

// The walks of every window of a pass, in scan order, over arrays long
// enough for chains of joins to form: later windows' walks take whole chains
// at once, and stops that earlier walks could not pass lead on to the nodes
// of later ones. Equal best scores at both ends of a chain decide by
// prefer_longer, so both values are tried.
TEST_F(EngineTest, ChainsOfSharedWalksGiveTheRecordsOfLoneWalks)
{
  uint64_t chains = 0, led_on = 0;
  const char* units[] = {"ATTCC", "AATAGTG", "AC", "CAGT", "GGAAT"};
  for (unsigned seed = 1; seed <= 14; ++seed) {
    const std::string unit = units[seed % 5];
    const double rate = 0.01 * (1 + seed % 6);
    std::string text = diverged_satellite(seed, unit, rate, 2500, seed % 3 == 0);
    if (seed > 10) {
      // A level stretch: a substitution after every L + 1 matches costs
      // what they gain, so the walks meet equal best scores all along it.
      const size_t level_end = seed % 2 ? text.size() - 150 : text.size() / 2;
      for (size_t i = 150; i < level_end; ++i)
        text[i] = i % (unit.size() + 1) == 0 ? 'G' : unit[i % unit.size()];
    }
    const unsigned L = static_cast<unsigned>(unit.size());
    for (int longer = 0; longer <= 1; ++longer) {
      prefer_longer(longer).apply();
      Engine e(text);
      auto grow = [&](unsigned s, unsigned k) { return grown(e, s, k); };
      for (unsigned k : {L, L + 1}) {
        std::vector<std::string> alone;
        for (unsigned s = 100; s + k < text.size() - 100; s += 3) alone.push_back(grow(s, k));
        WalkSharing sharing(e.text(), static_cast<uint64_t>(e.size()), WalkSharing::Tails::deferred);
        size_t i = 0;
        for (unsigned s = 100; s + k < text.size() - 100; s += 3, ++i)
          ASSERT_EQ(grow(s, k), alone[i]) << unit << " " << rate << ", seed " << seed << ", prefer_longer "
                                          << longer << ", window " << s << " of length " << k;
        chains += sharing.stats().chains_taken;
        led_on += sharing.stats().stops_led_on;
      }
    }
  }
  EXPECT_GT(chains, 100u) << led_on;
  EXPECT_GT(led_on, 0u) << chains;
}

// Records long enough to claim their stretch under late marks, whose entries
// lie on chains of shared walks: read in either order, and written out at
// the end, the marks are those of the record's cover written at once.
TEST_F(EngineTest, ChainedEntriesReadAsTheirCoverWrittenAtOnce)
{
  uint64_t chained = 0, claims = 0;
  for (unsigned seed = 1; seed <= 3; ++seed) {
    const std::string text = diverged_satellite(seed, "AATAGTG", 0.01, 9000, seed == 3);
    Engine e(text);
    const long n = e.size();
    WalkSharing sharing(e.text(), static_cast<uint64_t>(n), WalkSharing::Tails::deferred);
    std::mt19937_64 r(seed);
    for (long s = 200; s + 8 < n - 200; s += 37) {
      Csat rec;
      rec.reset(e.text() + s, e.text() + s + 8);
      e.ctl->extend_imperfect_forward(rec, e.after_end());
      e.ctl->extend_imperfect_backward(rec, e.before_begin());
      if (rec.entry_count() >= claim_entries_from) {
        ++claims;
        for (const WalkSharing::Tail& t : sharing.deferred_tails(rec)) chained += t.chained;
        std::vector<uint64_t> source(static_cast<std::size_t>(n + 2 + 63) / 64);
        for (uint64_t& w : source) w = r();
        std::vector<uint64_t> eager_words = source;
        MarkView eager{eager_words.data(), -1, n + 1};
        eager.fill(rec.start - e.text(), rec.end - e.text(), ' ');
        for (const missense_entry& m : rec.missense_list) eager.set(m.pos - e.text(), 'a');
        sharing.for_each_deferred_position(rec, [&](const char* p) { eager.set(p - e.text(), 'a'); });
        for (bool rising : {true, false}) {
          std::vector<uint64_t> words = source;
          MarkView base{words.data(), -1, n + 1};
          {
            LazyMarks<MarkView> lazy(base, e.text(), &sharing);
            lazy.cover(rec);
            for (long i = 0; i <= n + 1; ++i) {
              const long p = rising ? i - 1 : n - i;
              ASSERT_EQ(lazy.at(p), eager.at(p)) << "seed " << seed << ", window " << s << ", position " << p;
            }
          }
          for (long p = -1; p <= n; ++p) ASSERT_EQ(base.at(p), eager.at(p)) << "seed " << seed << ", written " << p;
        }
      }
      if (rec.deferred_entries) sharing.forget_deferred(rec);
    }
  }
  EXPECT_GT(claims, 0u);
  EXPECT_GT(chained, 0u);
}

}  // namespace
