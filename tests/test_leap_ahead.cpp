// The look-ahead that ranks mismatch, insertion and deletion. Every case runs
// forward and, on the reversed text, backward: the two must agree exactly.
#include <ostream>

#include "imperfect_fixture.h"

namespace {

// A look-ahead state in forward terms; indices into `text`.
struct LeapCase {
  const char* what;
  const char* text;
  int pos;
  int unit_pos;
  int unit_begin;
  int unit_end;
  int score;
  int best;
  ExtendParams params;
  int expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const LeapCase& c, std::ostream* os) { *os << c.what; }

int forward_leap(const LeapCase& c)
{
  Engine e(c.text);
  const char* t = e.text();
  return e.ctl->extend_imperfect_forward_leap_ahead(t + c.pos, t + c.unit_pos, t + c.unit_begin, t + c.unit_end,
                                                    c.score, c.unit_end - c.unit_begin, 1, e.after_end(), c.best);
}

// The same state on the reversed text: a position p becomes n - p (the
// character examined is the one before it), a unit character u becomes n-1-u.
int backward_leap(const LeapCase& c)
{
  Engine e(reversed(c.text));
  const char* t = e.text();
  const int n = e.size();
  return e.ctl->extend_imperfect_backward_leap_ahead(t + (n - c.pos), t + (n - 1 - c.unit_pos), t + (n - c.unit_end),
                                                     t + (n - c.unit_begin), c.score, c.unit_end - c.unit_begin, 1,
                                                     e.before_begin(), c.best);
}

ExtendParams finite_reduction()
{
  ExtendParams p;
  p.reduction = 4;
  p.mismatch = -3;
  p.indel = -2;
  return p;
}

// Eight matches, six disagreements, then forty matches (unit AC).
const char* const run_behind_gap = "ACACACACGTGTGTACACACACACACACACACACACACACACACACACACACAC";

const LeapCase cases[] = {
    // At the T of ACACACACTCACACAC after six matches: the walk's three calls.
    {"mismatch at T", "ACACACACTCACACAC", 9, 1, 0, 2, 1, 6, {}, 8},
    {"insertion at T", "ACACACACTCACACAC", 9, 0, 0, 2, 1, 6, {}, 1},
    {"deletion at T", "ACACACACTCACACAC", 8, 1, 0, 2, 1, 6, {}, 1},
    // At the G of ACACACACAGCACACAC after seven matches.
    {"mismatch at G", "ACACACACAGCACACAC", 10, 0, 0, 2, 2, 7, {}, 2},
    {"insertion at G", "ACACACACAGCACACAC", 10, 1, 0, 2, 2, 7, {}, 9},
    {"deletion at G", "ACACACACAGCACACAC", 9, 0, 0, 2, 2, 7, {}, 2},

    {"state at the limit keeps its score", "ACAC", 4, 0, 0, 2, -3, 9, {}, -3},
    {"greedy run up to the limit", "ACACAC", 2, 0, 0, 2, 5, 5, {}, 9},

    // Depth: at depth 1 the call ranks by its greedy run alone; the insertion
    // that would reach the long run behind the G is never tried.
    {"depth 1 does not branch", "ACACGACACACACAC", 2, 0, 0, 2, 5, 5, depth(1), 7},
    {"depth 2 branches once", "ACACGACACACACAC", 2, 0, 0, 2, 5, 5, depth(2), 12},
    {"depth above 255 never equals the 8-bit level", "ACACGACACACACAC", 2, 0, 0, 2, 5, 5, depth(257), 12},
    // Six unit characters missing before a long run: seven levels reach it,
    // six do not. Seven levels fit one block of the level-by-level search,
    // eight take a second one below it: the values must not tell.
    {"six levels stop short of the run", run_behind_gap, 8, 0, 0, 2, 40, 40, depth(6), 40},
    {"seven levels reach the run", run_behind_gap, 8, 0, 0, 2, 40, 40, depth(7), 50},
    {"eight levels, in two blocks", run_behind_gap, 8, 0, 0, 2, 40, 40, depth(8), 50},

    // N runs inside the greedy run.
    {"two Ns are bridged at no score", "ACNNACAC", 2, 0, 0, 2, 0, 0, Ns(2, false), 4},
    {"three Ns end the branch before the run", "ACNNNACAC", 2, 0, 0, 2, 0, 0, Ns(2, false), 0},
    {"Ns as missense end the greedy run", "ACNNACAC", 2, 0, 0, 2, 0, 0, Ns(2, true), 0},
    {"no Ns allowed end the greedy run", "ACNNACAC", 2, 0, 0, 2, 0, 0, Ns(0, false), 0},
    {"a bridged N stands for a unit character", "ACANACA", 2, 0, 0, 2, 0, 0, Ns(1, false), 4},

    // The bound follows the best score along the path: once the greedy run
    // reaches 2, the mismatch child at score 0 no longer explores a further
    // mismatch (-3 is not above max(-3, 2 - 4) - 1), so the run of six
    // matches behind it, which would give 3, stays unseen.
    {"bound from the best score along the path", "CGACGTCAACGACG", 3, 0, 0, 3, 0, 0, finite_reduction(), 2},
};

class LeapAhead : public EngineTest, public ::testing::WithParamInterface<LeapCase> {};

TEST_P(LeapAhead, ForwardAndMirroredBackward)
{
  const LeapCase& c = GetParam();
  c.params.apply();
  EXPECT_EQ(forward_leap(c), c.expected) << c.what;
  EXPECT_EQ(backward_leap(c), c.expected) << c.what << " (backward)";
}

INSTANTIATE_TEST_SUITE_P(Cases, LeapAhead, ::testing::ValuesIn(cases));

TEST_F(EngineTest, LeapAheadAtBackwardLimitKeepsScore)
{
  Engine e("ACAC");
  const char* t = e.text();
  // pos at the first character: nothing is left to the left.
  EXPECT_EQ(e.ctl->extend_imperfect_backward_leap_ahead(t, t + 1, t, t + 2, 4, 2, 1, e.before_begin(), 4), 4);
}

}  // namespace
