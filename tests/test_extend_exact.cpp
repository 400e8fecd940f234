// Search mode 1: perfect repeats found under the internal thresholds, each
// extended into an imperfect repeat and kept by the user thresholds.
#include <ostream>

#include "imperfect_fixture.h"
#include "test_support.h"

namespace {

// User thresholds that every seed meets, so only the internal ones decide.
void low_user_thresholds()
{
  global_min_score = 2;
  global_min_score_bx = 0;
}

const SearchCase cases[] = {
    // A seed of unit length up to 3 needs score 4, of unit length k >= 4 score k.
    {"unit 2, four characters: no seed", "ACAC", [] { units(2, 2), low_user_thresholds(); }, {}},
    {"unit 2, six characters: a seed", "ACACAC", [] { units(2, 2), low_user_thresholds(); },
     {"k2 0-6 s4 m0 i0 d0 n0 []"}},
    {"unit 5, nine characters: no seed", "ACGTTACGT", [] { units(5, 5), low_user_thresholds(); }, {}},
    {"unit 5, ten characters: a seed", "ACGTTACGTT", [] { units(5, 5), low_user_thresholds(); },
     {"k5 0-10 s5 m0 i0 d0 n0 []"}},
    {"unit 1, four characters: no seed", "AAAA", [] { units(1, 1), low_user_thresholds(); }, {}},
    {"unit 1, five characters: a seed", "AAAAA", [] { units(1, 1), low_user_thresholds(); },
     {"k1 0-5 s4 m0 i0 d0 n0 []"}},

    // Steps tried on either side are undone: the seed comes back unchanged.
    {"seed that does not grow", "GGACACACGG", [] { units(2, 2), low_user_thresholds(); },
     {"k2 2-8 s4 m0 i0 d0 n0 []"}},
    // The seed before the T is marked; the five after it score only 5 and are
    // not, so each grows into the same repeat.
    {"seeds grown through a mismatch", "ACACACACTCACACAC", [] { units(2, 2); },
     std::vector<std::string>(6, "k2 0-16 s8 m1 i0 d0 n0 [8M]")},
    {"extension fails the user score", "ACACACACTCACACAC", [] { units(2, 2), global_min_score = 9; }, {}},
    {"Ns taken at the sequence end are trimmed", "ACACACACNN", [] { units(2, 2); }, {"k2 0-8 s6 m0 i0 d0 n0 []"}},

    // The one perfect seed TGCCCTGCCCT grows left through two deletions and a
    // mismatch; the complete search aligns the same text differently.
    {"finite reduction from a seed",
     "GCCCTGCCTGCTTGCCCTGCCCT",
     [] {
       global_maximum_scorereduction = 4;
       global_mismatch_score = -3;
       global_indel_score = -2;
       units(5, 5);
       global_min_score = 2;
     },
     {"k5 0-23 s10 m1 i0 d2 n0 [6D 10D 11M]"}},
};

class ExtendExact : public EngineTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(ExtendExact, Records)
{
  const SearchCase& c = GetParam();
  c.setup();
  Engine e(c.text);
  capture_stderr([&] { e.ctl->search_exact_and_extend_to_imperfect_repeats(); });
  EXPECT_EQ(describe_all(e.ctl->satList_imperfect, e.text()), c.expected) << c.what;
  EXPECT_TRUE(e.ctl->satList_exact.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtendExact, ::testing::ValuesIn(cases));

// With a user score above what the seeds have, no seed is marked, so each
// position inside a perfect stretch finds it again: seven seeds over 0-8 and
// five over 9-16. All twelve grow into the same repeat and all are kept, in
// the order they were found.
TEST_F(EngineTest, DuplicateSeedsAreAllExtendedAndKept)
{
  units(2, 2);
  global_min_score = 8;
  Engine e("ACACACACTCACACAC");
  capture_stderr([&] { e.ctl->search_exact_and_extend_to_imperfect_repeats(); });
  std::vector<std::string> expected(12, "k2 0-16 s8 m1 i0 d0 n0 [8M]");
  EXPECT_EQ(describe_all(e.ctl->satList_imperfect, e.text()), expected);
  std::vector<long> seeds;
  for (const Csat* s : e.ctl->satList_imperfect) seeds.push_back(s->unit_begin - e.text());
  EXPECT_EQ(seeds, (std::vector<long>{0, 1, 2, 3, 4, 5, 6, 9, 10, 11, 12, 13}));
}

TEST_F(EngineTest, FailingSeedsReturnToThePool)
{
  units(2, 2);
  global_min_score = 100;
  fill_pool(30);
  const size_t before = sat_alloc.size();
  {
    Engine e("ACACACACTCACACAC");
    capture_stderr([&] { e.ctl->search_exact_and_extend_to_imperfect_repeats(); });
    EXPECT_TRUE(e.ctl->satList_imperfect.empty());
    EXPECT_TRUE(e.ctl->satList_exact.empty());
    EXPECT_EQ(sat_alloc.size(), before) << "every seed is back in the pool";
  }
  EXPECT_EQ(sat_alloc.size(), before);
}

TEST_F(EngineTest, ExtendExactProgressLinesAndThresholds)
{
  Engine e("ACACACACTCACACAC");
  std::string err = capture_stderr([&] { e.ctl->search_exact_and_extend_to_imperfect_repeats(); });
  EXPECT_EQ(err, "  Searching for exact repeats.\n  Extend exact to imperfect repeats.\n");
  EXPECT_EQ(CSearchController::minScores, CSearchController::minScores_user);
  EXPECT_EQ(CSearchController::minLengths, CSearchController::minLengths_user);
}

}  // namespace
