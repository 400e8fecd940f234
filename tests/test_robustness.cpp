// Faults that fuzzing found, each pinned by the smallest input that showed
// it, and the test seam the option fuzzer relies on.
#include <tclap/CmdLine.h>

#include <climits>
#include <iostream>
#include <sstream>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "CFile.h"
#include "CSequence_Mol.h"
#include "cli_parameters.h"
#include "sat_test_support.h"
#include "test_support.h"

// The largest single array allocation since the last reset: the alignment
// lines of a record must be sized by what is printed, not by what -f asks.
namespace {
std::size_t largest_array_request = 0;
}
void* operator new[](std::size_t n)
{
  if (n > largest_array_request) largest_array_request = n;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

std::string str(const faststring& s) { return std::string(s.data ? s.data : "", s.len); }

struct LastRecord {
  int records;
  std::string name, full_name;
  bool read_error;
};

LastRecord read_all(const std::string& content)
{
  CFile f;
  f.open(write_temp_file(content, "robust.fa").c_str());
  CSequence_Mol s(CSequence_Mol::dna, 'N', 0);
  LastRecord r{0, "", "", false};
  while (!f.eof()) {
    s.readFastaSequence(f);
    if (f.fail() && !f.eof()) {
      r.read_error = true;
      break;
    }
    ++r.records;
    r.name = str(s.name);
    r.full_name = str(s.full_name);
  }
  return r;
}

// A lone CR is a line end like LF, also as the very last byte after an empty
// header; only a '>' that is itself the last byte keeps the previous name.
TEST(RobustnessFasta, EmptyHeaderAtTheEnd)
{
  struct Case {
    const char* what;
    std::string input;
    int records;
    const char* name;
  } cases[] = {
      {"LF after the last '>'", ">s\nAC\n>\n", 2, ""},
      {"CR after the last '>'", ">s\nAC\n>\r", 2, ""},
      {"CR LF after the last '>'", ">s\nAC\n>\r\n", 2, ""},
      {"'>' as the last byte", ">s\nAC\n>", 2, "s"},
      {"found by fuzzing", ">s\r\nAK-GT*\r\nA C\r>\r", 2, ""},
      {"CR after a named header", ">s\nAC\n>t\r", 2, "t"},
  };
  for (const Case& c : cases) {
    LastRecord r = read_all(c.input);
    EXPECT_FALSE(r.read_error) << c.what;
    EXPECT_EQ(r.records, c.records) << c.what;
    EXPECT_EQ(r.name, c.name) << c.what;
  }
}

class RobustnessReport : public SatTest {};

// Flanks of any requested size print as far as the sequence reaches, and the
// alignment buffer stays the size of the record.
TEST_F(RobustnessReport, HugeFlankingWithAlignment)
{
  global_print_sat_mode = 1;
  global_print_sat_seq_mode = 2;
  global_report_unit_mode = 0;
  set_sequence("GGACACACACACACACTT");
  Csat* s = make(2, 16, 2, 2, 12);

  global_flanking = 2;
  const std::string want = capture_output([&](FILE* f) { s->report_sat(f, seq); });
  ASSERT_NE(want.find("GG:ACACACACACACAC:TT\n"), std::string::npos) << want;
  for (int flank : {3, 1000, 1 << 30, INT_MAX - 1, INT_MAX}) {
    global_flanking = flank;
    largest_array_request = 0;
    EXPECT_EQ(capture_output([&](FILE* f) { s->report_sat(f, seq); }), want) << flank;
    EXPECT_LT(largest_array_request, 1000u) << flank;
  }
}

class RobustnessThresholds : public SatTest {};

// A minimum beyond the int range saturates: an enormous requested minimum
// must not wrap into no minimum at all.
TEST_F(RobustnessThresholds, SaturateOutsideTheIntRange)
{
  struct Case {
    int floor_value, a;
    float b;
    unsigned k;
    int want;
  } cases[] = {
      {6, 0, 1e30f, 10, INT_MAX},
      {6, 0, 1e30f, 0, 6},
      {6, 0, 2147483648.0f, 1, INT_MAX},  // 2^31: the first float outside
      {6, 0, 2147483520.0f, 1, 2147483520},  // the largest float inside
      {6, 5, 1e9f, 3, INT_MAX},
      {6, 0, -1e30f, 10, 6},
      {INT_MIN, 0, -1e30f, 10, INT_MIN},
      {-7, 0, -2147483648.0f, 1, -7},
  };
  for (const Case& c : cases) {
    CSearchController::reset_minimum_arrays();
    global_max_unit_length = c.k;
    global_min_score = c.floor_value;
    global_min_score_a = c.a;
    global_min_score_bx = c.b;
    global_min_length = c.floor_value;
    global_min_length_a = c.a;
    global_min_length_bx = c.b;
    CSearchController controller(1, seq);
    EXPECT_EQ(CSearchController::minScores_user[c.k], c.want) << c.b << " x " << c.k;
    EXPECT_EQ(CSearchController::minLengths_user[c.k], c.want) << c.b << " x " << c.k;
  }
}

// With the seam on, the command lines after which the option library ends
// the process throw its exit status instead; the rest parse as always.
TEST(RobustnessOptions, ExitThrowsSeam)
{
  struct Case {
    std::vector<std::string> args;
    int exit_status;  // -1: no exit, the reader returns `code`
    int code;
  } cases[] = {
      {{"--version"}, 0, 0},
      {{"-h"}, 0, 0},
      {{"-s", "abc", "in.fa"}, 1, 0},
      {{"-s", "7", "-s", "8", "in.fa"}, 1, 0},
      {{"-M", "other", "in.fa"}, 1, 0},
      {{}, 1, 0},
      {{"in.fa"}, -1, 0},
      {{"--outputFormat", "7", "in.fa"}, -1, -2},
      {{"-r", "0", "in.fa"}, -1, -1},
  };
  set_option_exit_throws(true);
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "sarvik");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int status = -1, code = 0;
    std::ostringstream usage;  // help and version go to std::cout
    std::streambuf* saved = std::cout.rdbuf(usage.rdbuf());
    std::string shown = capture_stderr([&] {
      try {
        code = read_and_init_parameters(static_cast<int>(args.size()), argv.data());
      } catch (TCLAP::ExitException& e) {
        status = e.getExitStatus();
      }
    });
    std::cout.rdbuf(saved);
    EXPECT_EQ(status, c.exit_status) << args.size() << " " << args.back();
    EXPECT_EQ(code, c.code) << args.back();
    if (status == 1) {
      EXPECT_NE(shown.find("PARSE ERROR"), std::string::npos) << shown;
    }
  }
  set_option_exit_throws(false);
}

}  // namespace
