#include <algorithm>
#include <string>
#include <vector>

#include "CSearchController.h"
#include "sat_perfection.h"
#include "sat_test_support.h"

namespace {

struct Found {
  long start, end;
  unsigned k;
  int score, Ns;
  bool operator==(const Found& o) const
  {
    return start == o.start && end == o.end && k == o.k && score == o.score && Ns == o.Ns;
  }
};

std::ostream& operator<<(std::ostream& os, const Found& f)
{
  return os << "{" << f.start << "," << f.end << " k" << f.k << " s" << f.score << " N" << f.Ns << "}";
}

class ExactSearch : public SatTest {
 protected:
  void SetUp() override
  {
    SatTest::SetUp();
    global_search_mode = 0;
  }

  std::vector<Found> run(const std::string& text)
  {
    set_sequence(text);
    CSearchController c(1, seq);
    c.exact_search_2();
    std::vector<Found> out;
    for (const Csat* s : c.satList_exact)
      out.push_back({s->start - at(0), s->end - at(0), s->unit_length(), s->score, s->Ns});
    return out;
  }
};

TEST_F(ExactSearch, HomopolymerIsFoundOnceAtUnitLengthOne)
{
  global_min_unit_length = 1;
  global_max_unit_length = 10;
  EXPECT_EQ(run("AAAAAAAAAA"), (std::vector<Found>{{0, 10, 1, 9, 0}}));
}

TEST_F(ExactSearch, HomopolymerNeverSeedsLongerUnits)
{
  global_min_unit_length = 2;
  global_max_unit_length = 10;
  EXPECT_TRUE(run("AAAAAAAAAA").empty());
}

TEST_F(ExactSearch, MinimumUnitLengthZeroActsAsOne)
{
  global_min_unit_length = 0;
  global_max_unit_length = 3;
  EXPECT_EQ(run("AAAAAAAAAA"), (std::vector<Found>{{0, 10, 1, 9, 0}}));
}

TEST_F(ExactSearch, UnitLengthOneScanJumpsOverKeptRuns)
{
  global_min_unit_length = 1;
  global_max_unit_length = 1;
  EXPECT_EQ(run("CAAAAAAAGGGGGGGGT"), (std::vector<Found>{{1, 8, 1, 6, 0}, {8, 16, 1, 7, 0}}));
}

TEST_F(ExactSearch, MarkedRepeatKeepsLongerUnitsFromAnchoringInside)
{
  global_min_unit_length = 2;
  global_max_unit_length = 4;
  global_min_score = 6;
  global_min_length = 0;
  global_min_perfection = 0;
  global_max_perfection = 100;
  EXPECT_EQ(run("ACACACACACAC"), (std::vector<Found>{{0, 12, 2, 10, 0}}));
}

TEST_F(ExactSearch, AnchorRuleAtTheBordersOfMarkedRepeats)
{
  // A free first position is not enough: GAC would end inside the marked
  // ACACACAC (length thresholds: 8 at unit length 2, 3 at unit length 3).
  global_min_unit_length = 2;
  global_max_unit_length = 3;
  global_min_score = 0;
  global_min_score_bx = 0;
  global_min_length_a = 18;
  global_min_length_bx = -5;
  EXPECT_EQ(run("GACACACACTT"), (std::vector<Found>{{1, 9, 2, 6, 0}}));

  // A marked first position is allowed when the one before it and the
  // seed's last are free: the 9-unit seed at 1 spans the marked ACACACAC;
  // the TG run keeps the later seeds 9 and 10 from finding the same repeat.
  init_param();
  CSearchController::reset_minimum_arrays();
  global_min_unit_length = 2;
  global_max_unit_length = 9;
  EXPECT_EQ(run("GACACACACTACACACACTGTGTGTGTG"),
            (std::vector<Found>{{1, 9, 2, 6, 0}, {1, 19, 9, 9, 0}, {10, 18, 2, 6, 0}, {18, 28, 2, 8, 0}}));

  // A free first position with the seed's last marked but the position after
  // it free: only seed 0 finds AAC x 3 (its third A bridged as N); seed 1
  // holds the N, and the later free seeds start inside marked repeats.
  init_param();
  CSearchController::reset_minimum_arrays();
  global_min_unit_length = 2;
  global_max_unit_length = 3;
  global_min_score = 0;
  global_min_score_bx = 0;
  global_min_length = 2;
  global_Ns_allowed_in_a_row = 1;
  EXPECT_EQ(run("AACNACAAC"), (std::vector<Found>{{0, 9, 3, 5, 1}, {1, 3, 2, 0, 0}, {4, 7, 2, 1, 0}}));
}

TEST_F(ExactSearch, NBridging)
{
  struct Case {
    const char* name;
    const char* text;
    unsigned k;
    int allowed;
    bool missense;
    std::vector<Found> expected;
  };
  const std::vector<Case> cases = {
      {"single N bridged", "ACACACNCACAC", 2, 1, false, {{0, 12, 2, 9, 1}}},
      {"bridging off", "ACACACNCACAC", 2, 0, false, {}},
      {"Ns as missense", "ACACACNCACAC", 2, 2, true, {}},
      {"run as long as allowed", "AAAAAAANNAAAAAAA", 1, 2, false, {{0, 16, 1, 13, 2}}},
      {"run one too long", "AAAAAAANNNAAAAAAA", 1, 2, false, {{0, 7, 1, 6, 0}, {10, 17, 1, 6, 0}}},
      // The run is absorbed, but the unit phase after it does not match: trimmed off again.
      {"run bridged out of phase", "ACACACACNNNACACACAC", 2, 3, false, {{0, 8, 2, 6, 0}, {11, 19, 2, 6, 0}}},
      {"trailing Ns", "ACACACACNN", 2, 2, false, {{0, 8, 2, 6, 0}}},
      {"leading Ns", "NNACACACAC", 2, 2, false, {{2, 10, 2, 6, 0}}},
      {"trailing N at unit length one", "AAAAAAAN", 1, 2, false, {{0, 7, 1, 6, 0}}},
      {"bridge at unit length one", "CCCCNCCCCCCC", 1, 1, false, {{0, 12, 1, 10, 1}}},
  };
  for (const Case& c : cases) {
    init_param();
    CSearchController::reset_minimum_arrays();
    global_min_unit_length = global_max_unit_length = c.k;
    global_Ns_allowed_in_a_row = c.allowed;
    global_treat_Ns_as_missense = c.missense;
    EXPECT_EQ(run(c.text), c.expected) << c.name;
  }
}

TEST_F(ExactSearch, BridgedNsLowerPerfectionInModeZeroOnly)
{
  global_min_unit_length = global_max_unit_length = 2;
  global_Ns_allowed_in_a_row = 1;
  set_sequence("ACACACNCACAC");
  CSearchController c(1, seq);
  c.exact_search_2();
  ASSERT_EQ(c.satList_exact.size(), 1u);
  const Csat& s = *c.satList_exact.front();
  const float expected[] = {11.0f / 12.0f * 100.0f, 100.0f, 100.0f};
  for (int mode = 0; mode < 3; ++mode) {
    global_N_and_perfection_mode = mode;
    EXPECT_EQ(sat_perfection(s), expected[mode]) << "mode " << mode;
  }
}

TEST_F(ExactSearch, ShortSequences)
{
  struct Case {
    const char* text;
    unsigned kmin, kmax;
    size_t expected;
  };
  // With a minimum score of 0 every attempted seed is kept, so the count is
  // the number of positions that were tried (unmarked: perfection range 0..50).
  const std::vector<Case> cases = {
      {"", 1, 4, 0},     {"N", 1, 4, 0},    {"NNNN", 1, 4, 0}, {"A", 1, 1, 0},
      {"AC", 1, 1, 1},   {"ACG", 3, 3, 0},  {"ACGT", 3, 3, 1}, {"ACGTA", 3, 3, 2},
      {"ACNGT", 2, 2, 1},
  };
  for (const Case& c : cases) {
    init_param();
    CSearchController::reset_minimum_arrays();
    global_min_score = 0;
    global_min_score_bx = 0;
    global_max_perfection = 50;
    global_min_unit_length = c.kmin;
    global_max_unit_length = c.kmax;
    EXPECT_EQ(run(c.text).size(), c.expected) << "'" << c.text << "'";
  }
}

TEST_F(ExactSearch, UnmarkedRecordsRepeatInOrderOfDiscovery)
{
  struct Case {
    const char* name;
    float min_perfection, max_perfection;
    int N_mode;
    size_t expected;
  };
  // Eight seeds of ACACACNCACAC contain no N; each finds the whole stretch
  // again unless the first one marked it.
  const std::vector<Case> cases = {
      {"mode 0, 91.7% inside the range", 0, 95, 0, 1},
      {"mode 0, 91.7% below the range", 95, 100, 0, 8},
      {"mode 2 counts the N as a match", 95, 100, 2, 1},
      {"range excludes 100%", 0, 99.9f, 2, 8},
  };
  for (const Case& c : cases) {
    init_param();
    CSearchController::reset_minimum_arrays();
    global_min_unit_length = global_max_unit_length = 2;
    global_Ns_allowed_in_a_row = 1;
    global_min_perfection = c.min_perfection;
    global_max_perfection = c.max_perfection;
    global_N_and_perfection_mode = c.N_mode;
    std::vector<Found> found = run("ACACACNCACAC");
    EXPECT_EQ(found.size(), c.expected) << c.name;
    for (const Found& f : found) EXPECT_EQ(f, (Found{0, 12, 2, 9, 1})) << c.name;
  }
}

TEST_F(ExactSearch, SortIsStableAcrossUnitLengths)
{
  global_min_unit_length = 2;
  global_max_unit_length = 4;
  global_max_perfection = 50;  // nothing is marked
  std::vector<Found> found = run("ACACACACACAC");
  // Ten seeds of AC (positions 0..9) and eight of ACAC/CACA (0..7) all cover
  // 0..12; the unit length 2 records come first, as they were found first.
  ASSERT_EQ(found.size(), 18u);
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].k, i < 10 ? 2u : 4u) << i;
    EXPECT_EQ(found[i].start, 0);
    EXPECT_EQ(found[i].end, 12);
  }
}

TEST_F(ExactSearch, ResultIsSortedByStartThenEnd)
{
  global_min_unit_length = 1;
  global_max_unit_length = 3;
  global_min_score = 4;
  std::vector<Found> found = run("GGGGGGATGATGATGCACACACATTTTTT");
  ASSERT_FALSE(found.empty());
  for (size_t i = 1; i < found.size(); ++i)
    EXPECT_TRUE(found[i - 1].start < found[i].start ||
                (found[i - 1].start == found[i].start && found[i - 1].end <= found[i].end))
        << i;
}

// Seeds tried under thresholds below the user's: a record that passes the
// search thresholds but not the user's leaves its positions unmarked.
TEST_F(ExactSearch, InternalThresholdsLeaveWeakRecordsUnmarked)
{
  global_min_unit_length = global_max_unit_length = 2;
  global_min_score = 8;
  set_sequence("ACACACACTCACACAC");
  CSearchController c(1, seq);
  CSearchController::minScores = CSearchController::minScores_intern;
  CSearchController::minLengths = CSearchController::minLengths_intern;
  c.exact_search_2();
  std::vector<std::pair<long, long>> spans;
  for (const Csat* s : c.satList_exact) spans.push_back({s->start - at(0), s->end - at(0)});
  std::vector<std::pair<long, long>> expected(7, {0, 8});
  expected.insert(expected.end(), 5, {9, 16});
  EXPECT_EQ(spans, expected);
}

TEST_F(ExactSearch, FailedAttemptsReuseOneSpareRecord)
{
  global_min_unit_length = 1;
  global_max_unit_length = 6;
  const size_t pool_before = sat_alloc.size();
  {
    set_sequence("ACGTTGCAAGTCCATGACTGGATCCAGTAC");
    CSearchController c(1, seq);
    c.exact_search_2();
    EXPECT_TRUE(c.satList_exact.empty());
    // The spare is back in the pool; no record per attempt was ever created.
    EXPECT_EQ(sat_alloc.size(), std::max<size_t>(pool_before, 1));
  }
}

}  // namespace
