#include <string>
#include <vector>

#include "sat_test_support.h"
#include "test_support.h"

namespace {

class OverlapRemoval : public SatTest {
 protected:
  void SetUp() override
  {
    SatTest::SetUp();
    set_sequence(std::string(60, 'A'));
  }
  std::vector<Csat*> survivors()
  {
    CSearchController c(1, seq);
    c.remove_hidden(records);
    return std::vector<Csat*>(records.begin(), records.end());
  }
};

TEST_F(OverlapRemoval, MostlyHiddenLoserGoes)
{
  struct Case {
    const char* name;
    long b_start;
    int score_a, score_b;
    bool a_stays, b_stays;
  };
  // a: 0..20, unit 2; b: 20 long, unit 3, starting at b_start.
  const std::vector<Case> cases = {
      {"overlap 17: both keep a unit outside", 3, 10, 12, true, true},
      {"overlap 18: b mostly hidden, a lower", 2, 10, 12, false, true},
      {"overlap 18: b mostly hidden, b lower", 2, 12, 10, true, false},
      {"overlap 18: tie keeps the earlier", 2, 10, 10, true, false},
      {"touching: not compared", 20, 1, 100, true, true},
  };
  for (const Case& c : cases) {
    records.pool->splice(records.pool->end(), records);
    Csat* a = make(0, 20, 0, 2, c.score_a);
    Csat* b = make(c.b_start, c.b_start + 20, c.b_start, 3, c.score_b);
    std::vector<Csat*> expected;
    if (c.a_stays) expected.push_back(a);
    if (c.b_stays) expected.push_back(b);
    EXPECT_EQ(survivors(), expected) << c.name;
  }
}

TEST_F(OverlapRemoval, EqualRecordsReduceToTheFirst)
{
  Csat* first = make(5, 25, 5, 2, 7);
  make(5, 25, 5, 2, 7);
  make(5, 25, 5, 2, 7);
  const size_t pool_before = sat_alloc.size();
  EXPECT_EQ(survivors(), std::vector<Csat*>{first});
  EXPECT_EQ(sat_alloc.size(), pool_before + 2);  // the removed ones are back in the pool
}

TEST_F(OverlapRemoval, SwitchedOffKeepsDuplicates)
{
  global_remove_mostly_hidden = false;
  Csat* a = make(5, 25, 5, 2, 7);
  Csat* b = make(5, 25, 5, 2, 7);
  EXPECT_EQ(survivors(), (std::vector<Csat*>{a, b}));
}

TEST_F(OverlapRemoval, ComparisonsGoPastRecordsThatBothStay)
{
  // a and b overlap by 20 and both keep units outside; c lies inside a and
  // inside b; it loses to a, though it would beat b.
  Csat* a = make(0, 30, 0, 2, 20);
  Csat* b = make(10, 40, 10, 2, 0);
  make(12, 16, 12, 2, 1);
  EXPECT_EQ(survivors(), (std::vector<Csat*>{a, b}));
}

TEST_F(OverlapRemoval, RemovedFirstRecordHandsOverToTheNext)
{
  // a loses to b; b, now the first, then removes c, which a could not reach.
  make(0, 10, 0, 2, 1);
  Csat* b = make(1, 30, 1, 2, 9);
  make(12, 18, 12, 2, 3);
  Csat* d = make(30, 40, 30, 2, 1);
  EXPECT_EQ(survivors(), (std::vector<Csat*>{b, d}));
}

TEST_F(OverlapRemoval, EmptyListFraming)
{
  set_sequence("ACGTACGTACGT", "seq1 some description");
  struct Case {
    int format;
    bool comment;
    std::string expected;
  };
  const std::string table = ">seq1 some description\nsequence length: 12\n"
                            "# Analysis of sequence \"seq1 some description\" completed.\n";
  const std::string commented = "# Full sequence name:\n#>seq1 some description\n##sequence-region seq1 1 12\n"
                                "# Analysis of sequence \"seq1\" completed.\n";
  const std::vector<Case> cases = {
      {0, false, table}, {1, false, table},     {0, true, table}, {2, false, ""}, {3, false, ""},
      {2, true, commented}, {3, true, commented}, {4, false, ""}, {4, true, ""},    {9, true, ""},
  };
  for (const Case& c : cases) {
    global_print_sat_mode = c.format;
    global_sequenceInfoAsComment = c.comment;
    CSearchController ctl(1, seq);
    int result = -1;
    EXPECT_EQ(capture_output([&](FILE* f) { result = ctl.report_SATList(f, {}); }), c.expected)
        << c.format << " " << c.comment;
    EXPECT_EQ(result, 0);
  }
}

TEST_F(OverlapRemoval, RecordsBetweenHeaderAndClosingLine)
{
  set_sequence("GGACACACACACGG", "s");
  global_print_sat_mode = 0;
  global_print_sat_seq_mode = 0;
  global_report_unit_mode = 0;
  make(2, 12, 2, 2, 8);
  make(2, 12, 3, 2, 8);  // unit CA, from the next seed
  CSearchController ctl(1, seq);
  const std::string line = "    dinucleotide         3 :        12 |     10 bp |     10 BP |      8 pt | 100.000 % | unit ";
  EXPECT_EQ(capture_output([&](FILE* f) { ctl.report_SATList(f, std::list<Csat*>(records.begin(), records.end())); }),
            ">s\nsequence length: 14\n" + line + "AC\n" + line + "CA\n# Analysis of sequence \"s\" completed.\n");
}

}  // namespace
