#include <sys/mman.h>

#include <cstring>
#include <string>
#include <vector>

#include "prime_factors.h"
#include "sat_perfection.h"
#include "sat_test_support.h"
#include "test_support.h"

namespace {

std::string repeat(const std::string& s, int n)
{
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// A unit of n characters without any internal period.
std::string aperiodic_unit(int n)
{
  std::string u;
  unsigned x = 12345;
  for (int i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    u += "ACGT"[(x >> 16) & 3];
  }
  u[0] = 'G';  // keeps it from being one letter repeated
  u[n - 1] = 'T';
  return u;
}

int count_lines(const std::string& s)
{
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

class ReportSat : public SatTest {
 protected:
  void SetUp() override
  {
    SatTest::SetUp();
    global_report_unit_mode = 0;
    global_print_sat_seq_mode = 0;
  }
  std::string report(Csat* s)
  {
    return capture_output([&](FILE* f) { s->report_sat(f, seq); });
  }
  // AC x 10 at 101..120, flanked by G's and T's.
  Csat* ac_repeat()
  {
    set_sequence(std::string(100, 'G') + repeat("AC", 10) + std::string(10, 'T'));
    return make(100, 120, 100, 2, 18);
  }
  // AGC x 10 at 5..34 with a mismatch at its 14th nucleotide.
  Csat* agc_repeat()
  {
    std::string r = repeat("AGC", 10);
    r[13] = 'T';
    set_sequence("TTTT" + r + "TTTT");
    Csat* s = make(4, 34, 4, 3, 21);
    s->mismatches = 1;
    add_event(s, 17, 'M');
    return s;
  }
};

TEST_F(ReportSat, NativeFormatLine)
{
  global_print_sat_mode = 0;
  EXPECT_EQ(report(ac_repeat()),
            "    dinucleotide       101 :       120 |     20 bp |     20 BP |     18 pt | 100.000 % | unit AC\n");
}

TEST_F(ReportSat, ExtendedFormatWithAndWithoutNColumn)
{
  global_print_sat_mode = 1;
  Csat* s = agc_repeat();
  const std::string head = "   trinucleotide         5 :        34 |     30 bp |     30 BP |     21 pt |  96.667 % "
                           "|   1 mis |   0 ins |   0 del | ";
  EXPECT_EQ(report(s), head + "  0 N |  unit AGC\nMissense: (14,M),\n");
  global_treat_Ns_as_missense = true;
  EXPECT_EQ(report(s), head + " unit AGC\nMissense: (14,M),\n");
  s->missense_list.count = 0;
  EXPECT_EQ(report(s), head + " unit AGC\nMissense: \n");
}

TEST_F(ReportSat, RepeatNameField)
{
  struct Case {
    long k;
    const char* field;
  };
  const std::vector<Case> cases = {
      {1, "  mononucleotide"}, {2, "    dinucleotide"}, {3, "   trinucleotide"},  {4, " tetranucleotide"},
      {5, " pentanucleotide"}, {6, "  hexanucleotide"}, {7, "    7-nucleotide"},  {12, "   12-nucleotide"},
  };
  set_sequence(aperiodic_unit(24));
  for (const Case& c : cases) {
    Csat* s = make(0, 2 * c.k, 0, c.k);
    int written = 0;
    EXPECT_EQ(capture_output([&](FILE* f) { written = s->print_repeat_name(f); }), c.field) << c.k;
    EXPECT_EQ(written, 16) << c.k;
  }
}

TEST_F(ReportSat, PerfectionModes)
{
  set_sequence(repeat("AC", 10));
  struct Case {
    int mismatches, insertions, deletions, Ns;
    float mode0, mode1, mode2;
  };
  // Normalized length 10 (insertions and deletions shift it: 10 - ins + del).
  const std::vector<Case> cases = {
      {0, 0, 0, 0, 100.0f, 100.0f, 100.0f},
      {1, 0, 0, 2, 70.0f, 87.5f, 90.0f},
      {0, 3, 1, 1, 37.5f, 100.0f * (3.0f / 7.0f), 50.0f},
  };
  for (const Case& c : cases) {
    Csat* s = make(0, 10, 0, 2);
    s->mismatches = c.mismatches;
    s->insertions = c.insertions;
    s->deletions = c.deletions;
    s->Ns = c.Ns;
    const float expected[] = {c.mode0, c.mode1, c.mode2};
    for (int mode = 0; mode < 3; ++mode) {
      global_N_and_perfection_mode = mode;
      EXPECT_FLOAT_EQ(sat_perfection(*s), expected[mode]) << "mode " << mode;
    }
  }
}

TEST_F(ReportSat, UnknownPerfectionModeExitsWithStatusTwo)
{
  Csat* s = ac_repeat();
  global_N_and_perfection_mode = 3;
  EXPECT_EXIT(report(s), ::testing::ExitedWithCode(2), "");
}

TEST_F(ReportSat, PerfectionBoundsAreInclusive)
{
  set_sequence(repeat("AC", 4));
  Csat* s = make(0, 8, 0, 2, 0);
  s->mismatches = 2;  // 6 of 8: exactly 75 %
  global_print_sat_mode = 3;
  struct Case {
    float min, max;
    bool written;
  };
  const std::vector<Case> cases = {
      {75.0f, 100.0f, true}, {75.001f, 100.0f, false}, {0.0f, 75.0f, true}, {0.0f, 74.999f, false},
      {75.0f, 75.0f, true},
  };
  for (const Case& c : cases) {
    global_min_perfection = c.min;
    global_max_perfection = c.max;
    EXPECT_EQ(!report(s).empty(), c.written) << c.min << ".." << c.max;
  }
}

TEST_F(ReportSat, UnitsThatRepeatAShorterUnit)
{
  struct Case {
    const char* unit;
    bool as_is, rotation, revcomp;  // written in unit modes 0, 1, 2
  };
  const std::vector<Case> cases = {
      {"ATAT", false, false, false}, {"ACGACG", false, false, false}, {"AACAAC", false, false, false},
      {"AAT", true, true, true},     {"AAA", true, false, false},     {"AC", true, true, true},
      {"AAAAAC", true, true, true},  {"A", true, true, true},         {"ACACAC", false, false, false},
  };
  global_print_sat_mode = 2;
  for (const Case& c : cases) {
    const std::string u = c.unit;
    set_sequence(repeat(u, 3));
    Csat* s = make(0, 3 * static_cast<long>(u.size()), 0, static_cast<long>(u.size()));
    const bool expected[] = {c.as_is, c.rotation, c.revcomp};
    for (int mode = 0; mode < 3; ++mode) {
      global_report_unit_mode = mode;
      EXPECT_EQ(!report(s).empty(), expected[mode]) << u << " mode " << mode;
    }
  }
}

TEST(PrimeFactors, Rows)
{
  struct Case {
    int n;
    std::vector<int> factors;
  };
  const std::vector<Case> cases = {
      {0, {}},       {1, {}},          {2, {}},      {4, {2}},      {12, {2, 3}}, {30, {2, 3, 5}},
      {2310, {2, 3, 5, 7, 11}},        {9973, {}},   {10000, {2, 5}}, {9409, {97}},
  };
  for (const Case& c : cases) {
    std::vector<int> row;
    for (const int* p = primeFactors[c.n]; *p; ++p) row.push_back(*p);
    EXPECT_EQ(row, c.factors) << c.n;
  }
}

TEST(PrimeFactors, RepetitionTestBeyondTheTable)
{
  struct Case {
    const char* name;
    std::string unit;
    bool repeated;
  };
  const std::string u10007 = aperiodic_unit(10007);  // 10007 is prime
  const std::vector<Case> cases = {
      {"prime length, one letter", std::string(10007, 'A'), false},
      {"2 x 10007", u10007 + u10007, true},
      {"2 x 10007 with one change", u10007 + u10007.substr(0, 10006) + "C", false},
      // Only the large prime 10007 finds blocks of 3 here.
      {"10007 x ACG", repeat("ACG", 10007), true},
      {"period 6 in 10002", repeat("AACGTT", 1667), true},
      {"period 4 in 10004", repeat("AACG", 2501), true},
      {"aperiodic 10004", aperiodic_unit(10004), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(unit_is_repetition_of_shorter_unit(c.unit.data(), static_cast<unsigned>(c.unit.size())), c.repeated)
        << c.name;
  EXPECT_TRUE(unit_is_repetition_of_shorter_unit("ACGACG", 6));
  EXPECT_FALSE(unit_is_repetition_of_shorter_unit("ACGACT", 6));
}

TEST_F(ReportSat, ReportedUnitModes)
{
  set_sequence(repeat("GT", 5));
  Csat* s = make(0, 10, 0, 2, 8);
  global_print_sat_mode = 0;
  const char* units[] = {"unit GT\n", "unit GT\n", "unit AC\n"};
  for (int mode = 0; mode < 3; ++mode) {
    global_report_unit_mode = mode;
    std::string line = report(s);
    EXPECT_EQ(line.substr(line.size() - 8), units[mode]) << mode;
  }
}

TEST_F(ReportSat, GffLine)
{
  global_print_sat_mode = 2;
  EXPECT_EQ(report(ac_repeat()),
            "s\tSarvik\ttandem-repeat\t101\t120\t100.00\t.\t.\tName=\"repeat_region 101-120 unit_size 2 "
            "repeat_number 10.000 perfection 100.000 unit AC\"\n");
}

TEST_F(ReportSat, GffOmitsUnitsLongerThanFifty)
{
  global_print_sat_mode = 2;
  for (int k : {50, 51}) {
    const std::string u = aperiodic_unit(k);
    set_sequence(u + u);
    Csat* s = make(0, 2 * k, 0, k, k - 1);
    const std::string tail = k == 50 ? "unit " + u + "\"\n" : std::string("unit .\"\n");
    std::string line = report(s);
    ASSERT_GE(line.size(), tail.size());
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail) << k;
    EXPECT_NE(line.find("unit_size " + std::to_string(k) + " repeat_number 2.000"), std::string::npos);
  }
}

TEST_F(ReportSat, OnePerLineFormat)
{
  global_print_sat_mode = 3;
  Csat* s = ac_repeat();
  const std::string head = "s\t2\t100.000\t101\t120\t20\t 10.000\t18\t0\t0\t0\t";
  const std::string seq20 = repeat("AC", 10);
  EXPECT_EQ(report(s), head + "0\tAC\t" + seq20 + "\n");
  global_treat_Ns_as_missense = true;
  EXPECT_EQ(report(s), head + ".\tAC\t" + seq20 + "\n");
  global_flanking = 3;
  EXPECT_EQ(report(s), head + ".\tAC\t" + seq20 + "\tGGG\tTTT\n");
}

TEST_F(ReportSat, FastaFormat)
{
  global_print_sat_mode = 4;
  EXPECT_EQ(report(ac_repeat()), ">s 1 20 2 101 120 10.000 18 100.000 0 0 0\n" + repeat("AC", 10) + "\n");
}

TEST_F(ReportSat, BedLineIsZeroBasedWithAClippedScore)
{
  global_print_sat_mode = 5;
  Csat* s = agc_repeat();
  const std::string tail = "\t.\t3\t10.000\t96.667\t1\t0\t0\t";
  EXPECT_EQ(report(s), "s\t4\t34\tAGC\t21" + tail + "0\n");
  global_treat_Ns_as_missense = true;
  EXPECT_EQ(report(s), "s\t4\t34\tAGC\t21" + tail + ".\n");
  s->score = 1500;
  EXPECT_EQ(report(s), "s\t4\t34\tAGC\t1000" + tail + ".\n");
  s->score = -3;
  EXPECT_EQ(report(s), "s\t4\t34\tAGC\t0" + tail + ".\n");
  global_flanking = 4;
  global_print_sat_seq_mode = 2;
  EXPECT_EQ(report(s), "s\t4\t34\tAGC\t0" + tail + ".\n") << "no flanks, no sequence lines";
}

TEST_F(ReportSat, CatalogMotifReadsAsTheForwardStrandFromTheRepeatStart)
{
  global_print_sat_mode = 6;
  global_report_unit_mode = 2;  // would print AGC for both repeats below
  set_sequence("TT" + repeat("CTG", 4) + "TT");
  EXPECT_EQ(report(make(2, 14, 2, 3, 9)), "s\t2\t14\tID=s_2_14;MOTIFS=CTG;STRUC=(CTG)n\n");
  set_sequence("TT" + repeat("CAG", 4) + "TT");
  EXPECT_EQ(report(make(2, 14, 3, 3, 9)), "s\t2\t14\tID=s_2_14;MOTIFS=CAG;STRUC=(CAG)n\n")
      << "stored unit AGC, read in the repeat's own phase";
  global_print_sat_mode = 5;
  EXPECT_EQ(report(make(2, 14, 3, 3, 9)).substr(0, 13), "s\t2\t14\tAGC\t9\t") << "BED names the reported unit";
}

TEST_F(ReportSat, FlanksAreClippedAtTheSequenceEnds)
{
  set_sequence("GG" + repeat("AC", 6) + "TT");
  Csat* s = make(2, 14, 2, 2, 10);
  global_flanking = 5;
  struct Case {
    int format, seq_mode;
    std::string expected;
  };
  const std::string line0 =
      "    dinucleotide         3 :        14 |     12 bp |     12 BP |     10 pt | 100.000 % | unit AC\n";
  const std::vector<Case> cases = {
      {4, 0, ">s 3 12 2 3 14 6.000 10 100.000 0 0 0\nGGACACACACACACTT\n"},
      {3, 0, "s\t2\t100.000\t3\t14\t12\t  6.000\t10\t0\t0\t0\t0\tAC\tACACACACACAC\tGG\tTT\n"},
      {0, 1, line0 + "GG:ACACACACACAC:TT\n"},
  };
  for (const Case& c : cases) {
    global_print_sat_mode = c.format;
    global_print_sat_seq_mode = c.seq_mode;
    EXPECT_EQ(report(s), c.expected) << c.format;
  }
}

TEST_F(ReportSat, SequenceLineOfPrintModeOne)
{
  set_sequence(repeat("AC", 6) + "TTTTTTT");
  Csat* s = make(0, 12, 0, 2, 10);
  global_print_sat_mode = 0;
  global_print_sat_seq_mode = 1;
  const std::string line0 =
      "    dinucleotide         1 :        12 |     12 bp |     12 BP |     10 pt | 100.000 % | unit AC\n";
  EXPECT_EQ(report(s), line0 + "ACACACACACAC\n");
  global_flanking = 3;
  EXPECT_EQ(report(s), line0 + ":ACACACACACAC:TTT\n");
}

TEST_F(ReportSat, AlignmentLines)
{
  global_print_sat_mode = 0;
  global_print_sat_seq_mode = 2;
  struct Case {
    const char* name;
    std::string text;
    long start, end, unit_at;
    int mismatches, insertions, deletions, Ns, flanking;
    std::vector<std::pair<long, char>> events;
    std::string lines;
  };
  const std::vector<Case> cases = {
      {"deletion before insertion at one position", "ACGTCG", 0, 6, 0, 0, 1, 1, 0, 0,
       {{3, 'D'}, {3, 'I'}}, "ACG-TCG\n|||  ||\nACGA-CG\n"},
      {"mismatch, N and flanks", "TTACGATGNCGGG", 2, 11, 2, 1, 0, 0, 1, 2,
       {{6, 'M'}}, "TT:ACGATGNCG:GG\n   |||| |*||   \n   ACGACGACG   \n"},
      {"repeat starting inside its unit", "GACGACGA", 0, 8, 1, 0, 0, 0, 0, 0,
       {}, "GACGACGA\n||||||||\nGACGACGA\n"},
      {"two deletions in a row", "ACGCG", 0, 5, 0, 0, 0, 1, 0, 0,
       {{3, 'D'}}, "ACG-CG\n||| ||\nACGACG\n"},
  };
  for (const Case& c : cases) {
    set_sequence(c.text);
    Csat* s = make(c.start, c.end, c.unit_at, 3);
    s->mismatches = c.mismatches;
    s->insertions = c.insertions;
    s->deletions = c.deletions;
    s->Ns = c.Ns;
    global_flanking = c.flanking;
    for (const auto& e : c.events) add_event(s, e.first, e.second);
    std::string out = report(s);
    ASSERT_GE(out.size(), c.lines.size()) << c.name;
    EXPECT_EQ(out.substr(out.size() - c.lines.size()), c.lines) << c.name;
    EXPECT_EQ(count_lines(out), 4) << c.name;
  }
}

// A satellite too long for the alignment room a thread keeps, then a short
// repeat in that room: each gets exactly its own columns.
TEST_F(ReportSat, AlignmentOfALongSatelliteThenAShortRepeat)
{
  global_print_sat_mode = 0;
  global_print_sat_seq_mode = 2;
  const std::string satellite = repeat("ACG", 10000);
  set_sequence(satellite);
  std::string out = report(make(0, 30000, 0, 3));
  EXPECT_NE(out.find(satellite + "\n" + std::string(30000, '|') + "\n" + satellite + "\n"), std::string::npos);

  out = report(agc_repeat());
  std::string r = repeat("AGC", 10);
  r[13] = 'T';
  std::string match(30, '|');
  match[13] = ' ';
  EXPECT_EQ(out.substr(out.find('\n') + 1), r + "\n" + match + "\n" + repeat("AGC", 10) + "\n");
}

TEST_F(ReportSat, OnlyTheTableFormatsPrintSequenceLines)
{
  Csat* s = ac_repeat();
  global_flanking = 2;
  for (int seq_mode = 0; seq_mode < 3; ++seq_mode) {
    global_print_sat_seq_mode = seq_mode;
    const int table_lines = seq_mode == 0 ? 0 : seq_mode == 1 ? 1 : 3;
    const int expected[] = {1 + table_lines, 2 + table_lines, 1, 1, 2};
    for (int format = 0; format < 5; ++format) {
      global_print_sat_mode = format;
      EXPECT_EQ(count_lines(report(s)), expected[format]) << "format " << format << " seq mode " << seq_mode;
    }
  }
}

TEST_F(ReportSat, UnknownOutputFormat)
{
  global_print_sat_mode = 7;
  global_print_sat_seq_mode = 2;
  EXPECT_EQ(report(ac_repeat()), "Internal error. Unknown output format. Please report this bug");
}

// The records point into the text: writing one must never move it, even
// when the text fills its buffer exactly.
TEST_F(ReportSat, TextBufferIsNotMoved)
{
  seq.seq_text.len = 0;
  seq.seq_text.capacity = 0;
  std::free(seq.seq_text.data);
  seq.seq_text.data = nullptr;
  for (char c : std::string("ACACACAC")) seq.seq_text.push_back(c);
  ASSERT_EQ(seq.seq_text.len, seq.seq_text.capacity);
  const char* before = seq.seq_text.data;
  Csat* s = make(0, 8, 0, 2, 6);
  global_print_sat_mode = 3;
  global_flanking = 4;
  EXPECT_EQ(report(s), "s\t2\t100.000\t1\t8\t8\t  4.000\t6\t0\t0\t0\t0\tAC\tACACACAC\t\t\n");
  EXPECT_EQ(seq.seq_text.data, before);
}

}  // namespace

// Chromosomes of more than 2^31 nucleotides exist; their positions must not
// wrap. The text lives in a sparse mapping, so only the touched page is real.
TEST(ReportSatPositions, BeyondTwoToThe31)
{
  const std::size_t offset = (std::size_t(1) << 31) + 100, size = offset + 4096;
  void* map = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (map == MAP_FAILED) GTEST_SKIP() << "no room for a sparse 2 GB mapping";
  char* text = static_cast<char*>(map);
  std::memcpy(text + offset, "ACACACAC", 8);

  init_param();
  global_report_unit_mode = 0;
  global_print_sat_seq_mode = 0;
  CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  seq.name.assign("chrBig");
  seq.seq_text.data = text;
  seq.seq_text.len = seq.seq_text.capacity = static_cast<uint32_t>(size);
  Csat* s = sat_alloc.get_new(text + offset, text + offset + 2);
  s->end = text + offset + 8;
  s->score = 6;

  global_print_sat_mode = 0;
  EXPECT_EQ(capture_output([&](FILE* f) { s->report_sat(f, seq); }),
            "    dinucleotide 2147483749 : 2147483756 |      8 bp |      8 BP |      6 pt | 100.000 % | unit AC\n");
  global_print_sat_mode = 2;
  EXPECT_EQ(capture_output([&](FILE* f) { s->report_sat(f, seq); }),
            "chrBig\tSarvik\ttandem-repeat\t2147483749\t2147483756\t100.00\t.\t.\tName=\"repeat_region "
            "2147483749-2147483756 unit_size 2 repeat_number 4.000 perfection 100.000 unit AC\"\n");

  sat_alloc.give_back(s);
  seq.seq_text.data = nullptr;  // the mapping is not the string's to free
  munmap(map, size);
}
