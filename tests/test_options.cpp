#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "global-types-and-parameters.h"
#include "cli_parameters.h"
#include "test_support.h"

namespace {

struct Result {
  int code;
  std::string err;
};

// The option reader on "sarvik" plus `args`, from a clean parameter set.
int run_reader(std::vector<std::string> args)
{
  global_input_filename.clear();
  global_output_filename.clear();
  args.insert(args.begin(), "sarvik");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  return read_and_init_parameters(static_cast<int>(args.size()), argv.data());
}

Result parse(const std::vector<std::string>& args)
{
  Result r{0, ""};
  r.err = capture_stderr([&] { r.code = run_reader(args); });
  return r;
}

struct Exit {
  int status;
  std::string out, err;
};

std::string contents(FILE* f)
{
  std::string s;
  std::rewind(f);
  for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
  std::fclose(f);
  return s;
}

// For the command lines after which the option library ends the process.
// Unnamed files: an exit in the child must not run cleanups that remove
// files the parent still needs.
Exit parse_in_child(const std::vector<std::string>& args)
{
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    // Returned instead of ending the process: say what was read.
    int code = run_reader(args);
    std::printf("returned %d, input '%s'", code, global_input_filename.c_str());
    std::fflush(stdout);
    _exit(100);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return {code, contents(out), contents(err)};
}

// Usage text wraps long lines at blanks, commas and bars: compare without
// any white space.
std::string squeeze(const std::string& s)
{
  std::string r;
  for (char c : s)
    if (c != ' ' && c != '\n' && c != '\t') r += c;
  return r;
}

TEST(Options, DefaultsWithOneFileName)
{
  Result r = parse({"in.fa"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(global_input_filename, "in.fa");
  EXPECT_EQ(global_output_filename, "");
  EXPECT_EQ(global_sequence_from, 1u);
  EXPECT_EQ(global_sequence_to, 4294967295u);
  EXPECT_EQ(global_search_mode, 2);
  EXPECT_EQ(global_min_unit_length, 1u);
  EXPECT_EQ(global_max_unit_length, 10u);
  EXPECT_EQ(global_min_score, 6);
  EXPECT_EQ(global_min_score_a, 0);
  EXPECT_EQ(global_min_score_bx, 1.0f);
  EXPECT_EQ(global_min_length, 0);
  EXPECT_EQ(global_min_length_a, 0);
  EXPECT_EQ(global_min_length_bx, 0.0f);
  EXPECT_EQ(global_min_perfection, 0.0f);
  EXPECT_EQ(global_max_perfection, 100.0f);
  EXPECT_EQ(global_mismatch_score, -5);
  EXPECT_EQ(global_indel_score, -5);
  EXPECT_EQ(global_maximum_recursion_depth, 5);
  EXPECT_EQ(global_maximum_scorereduction, 2147483647);
  EXPECT_FALSE(global_treat_Ns_as_missense);
  EXPECT_EQ(global_Ns_allowed_in_a_row, 2);
  EXPECT_EQ(global_prefer_longer_repeat, 1);
  EXPECT_TRUE(global_remove_mostly_hidden);
  EXPECT_FALSE(global_mask_repeats);
  EXPECT_EQ(global_flanking, 0);
  EXPECT_EQ(global_N_and_perfection_mode, 0);
  EXPECT_EQ(global_report_unit_mode, 2);
  EXPECT_EQ(global_print_sat_mode, 1);
  EXPECT_EQ(global_print_sat_seq_mode, 2);
  EXPECT_FALSE(global_sequenceInfoAsComment);
}

TEST(Options, FileNames)
{
  parse({"a.fa", "b.txt"});
  EXPECT_EQ(global_input_filename, "a.fa");
  EXPECT_EQ(global_output_filename, "b.txt");
  Result r = parse({"a.fa", "b.txt", "c.txt"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(global_input_filename, "");
  EXPECT_EQ(global_output_filename, "");
}

TEST(Options, ValuesReachTheirParameters)
{
  struct Case {
    std::vector<std::string> args;
    std::function<bool()> holds;
  } cases[] = {
      {{"-M", "exact"}, [] { return global_search_mode == 0; }},
      {{"--searchMode", "extendExact"}, [] { return global_search_mode == 1; }},
      {{"-M", "imperfect"}, [] { return global_search_mode == 2; }},
      {{"--sequenceInfoAsComment"}, [] { return global_sequenceInfoAsComment; }},
      {{"--NsAsMissense"}, [] { return global_treat_Ns_as_missense; }},
      {{"--preferShorterRepeats"}, [] { return global_prefer_longer_repeat == 0; }},
      {{"--maskX"}, [] { return global_mask_repeats; }},
      {{"-D"}, [] { return !global_remove_mostly_hidden; }},
      {{"-N", "4"}, [] { return global_Ns_allowed_in_a_row == 4; }},
      {{"--succN", "-3"}, [] { return global_Ns_allowed_in_a_row == 0; }},
      {{"-f", "-7"}, [] { return global_flanking == 0; }},
      {{"--flanking", "12"}, [] { return global_flanking == 12; }},
      {{"--firstSeq", "3", "--lastSeq", "4"}, [] { return global_sequence_from == 3 && global_sequence_to == 4; }},
      {{"--firstSeq", "-1"}, [] { return global_sequence_from == 4294967295u; }},
      {{"--lastSeq", "-2"}, [] { return global_sequence_to == 4294967294u; }},
      {{"-R", "30", "-r", "3"}, [] { return global_maximum_scorereduction == 30 && global_maximum_recursion_depth == 3; }},
      {{"-u", "2", "-U", "6"}, [] { return global_min_unit_length == 2 && global_max_unit_length == 6; }},
      {{"-l", "12", "--minLength_a", "3", "--minLength_b", "0.5"},
       [] { return global_min_length == 12 && global_min_length_a == 3 && global_min_length_bx == 0.5f; }},
      {{"-s", "8", "--minScore_a", "-2", "--minScore_b", "1.5"},
       [] { return global_min_score == 8 && global_min_score_a == -2 && global_min_score_bx == 1.5f; }},
      {{"--minPerfection", "70.5", "--maxPerfection", "90"},
       [] { return global_min_perfection == 70.5f && global_max_perfection == 90.0f; }},
      {{"-m", "-3", "-g", "-4"}, [] { return global_mismatch_score == -3 && global_indel_score == -4; }},
      {{"--outputFormat", "4", "--printRepeatSeqMode", "0", "--NPerfectionMode", "2", "--reportUnit", "1"},
       [] {
         return global_print_sat_mode == 4 && global_print_sat_seq_mode == 0 && global_N_and_perfection_mode == 2 &&
                global_report_unit_mode == 1;
       }},
      {{"--outputFormat", "5"}, [] { return global_print_sat_mode == 5; }},
      {{"--outputFormat", "6"}, [] { return global_print_sat_mode == 6; }},
      {{"--outputFormat", "0", "--printRepeatSeqMode", "1", "--NPerfectionMode", "0", "--reportUnit", "0"},
       [] {
         return global_print_sat_mode == 0 && global_print_sat_seq_mode == 1 && global_N_and_perfection_mode == 0 &&
                global_report_unit_mode == 0;
       }},
  };
  for (Case& c : cases) {
    std::string shown = testing::PrintToString(c.args);
    c.args.push_back("in.fa");
    Result r = parse(c.args);
    EXPECT_EQ(r.code, 0) << shown << r.err;
    EXPECT_TRUE(c.holds()) << shown;
  }
}

TEST(Options, RefusedValues)
{
  const std::string enum_text = "Sorry, a problem occured when parsing the command line options. ";
  const std::string min_max = "I think you have made a mistake here: The maximum unit length must be greater\n"
                              "or equal to the minimum unit length.\n";
  const std::string either = "Sorry, either the minimum score or the minimum length must be larger.\n";
  const std::string mismatch = "Sorry, the mismatch score must be smaller or equal to -2.\n";
  const std::string recursion =
      "Sorry, the recursion depth must be greater than 0.\nA value of 0 would corresponds to a perfect search.\n";
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string message;
  } cases[] = {
      {{"--outputFormat", "7"}, -2, enum_text + "An outputFormat with a value of 7 is unknown.\n\n"},
      {{"--outputFormat", "-1"}, -2, enum_text + "An outputFormat with a value of -1 is unknown.\n\n"},
      {{"--printRepeatSeqMode", "3"}, -2, enum_text + "A printRepeatSeqMode with a value of 3 is unknown.\n\n"},
      {{"--NPerfectionMode", "-1"}, -2,
       enum_text + "An option value of -1 for the NPerfectionMode option is unknown.\n\n"},
      {{"--reportUnit", "3"}, -2, enum_text + "An option value of 3 for the reportUnit option is unknown.\n\n"},
      // The first unknown value stops everything after it, validation too.
      {{"--reportUnit", "9", "--outputFormat", "7", "-m", "0"}, -2,
       enum_text + "An outputFormat with a value of 7 is unknown.\n\n"},
      {{"--minScore", "1"}, -1, either},
      {{"-s", "1", "--minScore_b", "1.5"}, -1, either},
      {{"-s", "-3", "--minScore_a", "1", "--minScore_b", "0.99"}, -1, either},
      {{"-m", "-1"}, -1, mismatch},
      {{"-m", "0", "-g", "0", "-r", "0"}, -1, mismatch},
      {{"-g", "-1"}, -1, "Sorry, the indel score must be smaller or equal to -2.\n"},
      {{"-r", "0"}, -1, recursion},
      {{"--recursion", "-4", "-u", "5", "-U", "4"}, -1, recursion},
      {{"-u", "5", "-U", "4"}, -1, min_max},
      {{"-u", "3000000", "-U", "2000000"}, -1, min_max},
      {{"-u", "-1"}, -1, min_max},
      {{"-U", "1000001"}, -1, "Sorry, the maximum unit length must not be larger than 1000000.\n"},
      {{"-u", "0"}, -1, "Sorry, the minimum unit length must be at least 1.\n"},
      {{"-u", "0", "-U", "0"}, -1, "Sorry, the minimum unit length must be at least 1.\n"},
      // Accepted limits.
      {{"--minScore", "1", "--minLength", "2"}, 0, ""},
      {{"-s", "-5", "--minScore_a", "-1", "--minScore_b", "0.1", "-l", "2"}, 0, ""},
      {{"-m", "-2", "-g", "-2"}, 0, ""},
      {{"-U", "1000000"}, 0, ""},
      {{"-u", "4", "-U", "4", "-r", "1"}, 0, ""},
  };
  for (Case& c : cases) {
    std::string shown = testing::PrintToString(c.args);
    c.args.push_back("in.fa");
    Result r = parse(c.args);
    EXPECT_EQ(r.code, c.code) << shown;
    EXPECT_EQ(r.err, c.message) << shown;
  }
}

TEST(Options, MaskXNeedsAnInputFileName)
{
  Result r = parse({"--maskX", "-", "out.txt"});
  EXPECT_EQ(r.code, -1);
  EXPECT_EQ(r.err,
            "Sorry, --maskX cannot be used when the input is the standard input: the masked-sequence file is named\n"
            "after the input file. Give the input as a file name instead.\n");
  EXPECT_EQ(parse({"--maskX", "in.fa", "-"}).code, 0) << "output to the standard output is fine";
  EXPECT_EQ(parse({"-", "-"}).code, 0);
  EXPECT_EQ(global_input_filename, "-");
}

TEST(Options, EnumeratedValueAfterAFailureIsNotCopied)
{
  parse({"--outputFormat", "8", "--reportUnit", "0", "in.fa"});
  EXPECT_EQ(global_report_unit_mode, 2);
}

TEST(Options, ParseErrorsEndTheProcessWithStatus1)
{
  const std::vector<std::string> cases[] = {
      {"-M", "other", "in.fa"},
      {"--noSuchOption", "in.fa"},
      {"in.fa", "--typo", "3"},
      {"in.fa", "-5"},
      {"-D", "-D", "in.fa"},
      {"-s", "3", "-s", "4", "in.fa"},
      {"-s", "abc", "in.fa"},
      {"--minScore_b", "x", "in.fa"},
      {"-N", "in.fa"},
      {},
  };
  for (const auto& args : cases) {
    Exit e = parse_in_child(args);
    EXPECT_EQ(e.status, 1) << testing::PrintToString(args);
    EXPECT_NE(e.err.find("PARSE ERROR: "), std::string::npos) << e.err;
    EXPECT_NE(e.err.find("Brief USAGE: "), std::string::npos);
    EXPECT_NE(e.err.find("For complete USAGE and HELP type: "), std::string::npos);
  }
}

TEST(Options, NameStartingWithADashAfterDoubleDash)
{
  Exit e = parse_in_child({"-s", "8", "--", "-odd.fa"});
  EXPECT_EQ(e.status, 100);
  EXPECT_EQ(e.out, "returned 0, input '-odd.fa'");
}

TEST(Options, VersionText)
{
  Exit e = parse_in_child({"--version"});
  EXPECT_EQ(e.status, 0);
  std::string bits = std::to_string(sizeof(void*) * 8);
  EXPECT_NE(e.out.find("3.3.10.\nThis is a " + bits + " bit version of Sarvik."), std::string::npos) << e.out;
}

TEST(Options, UsageShowsEveryOption)
{
  Exit e = parse_in_child({"--help"});
  EXPECT_EQ(e.status, 0);
  std::string usage = squeeze(e.out);
  const char* expected[] = {
      "This program searches for tandemly repeated patterns in DNA sequences.",
      "Displays usage information and exits.",
      "Displays version information and exits.",
      "Ignores the rest of the labeled arguments following this flag.",
      "--sequenceInfoAsComment In the GFF and one-per-line output modes, show additional sequence information in "
      "the output file as a comment.",
      "-N <int>, --succN <int> The maximum number of successive N's allowed in a satellite. Default: 2.",
      "--NsAsMissense Treat N's as missense. Default: Treat N's as neutral with score 0.",
      "Sarvik will choose the shorter of the two alignments instead of the longer. Sarvik will run faster with "
      "this option.",
      "--reportUnit <int> Repeat units can be reported in three different modes. 0: asIs, 1: Alphabetical normal "
      "form, 2: Alphabetical normal form also considering the reverse complement. Default: 2",
      "--NPerfectionMode <int> Sarvik provides different modes to treat N's",
      "--printRepeatSeqMode <int> Sarvik provides different modes to print the repeat sequence along with its "
      "information. 0: don't print sequence, 1: print sequence, 2: print alignment.",
      "--outputFormat <int> Sarvik provides different output formats for printing the repeat information. 0: "
      "Sarvik output format, 1: extended Sarvik output format, 2: gff - general feature format, 3: one-per-line "
      "format, 4: as fasta sequence",
      "5: BED, 6: STR catalog (repeat definitions for long-read STR genotypers). Formats 5 and 6 hold the repeats "
      "only, without run header or end marker; the flanking, printRepeatSeqMode and sequenceInfoAsComment options "
      "do not apply to them.",
      "A file name of - stands for the standard input (plain or gzip) or the standard output.",
      "--maskX Writes the sequences to a file with the extension \".masked\" in which repeats are masked.",
      "-f <int>, --flanking <int> If the satellite sequence is printed",
      "--minPerfection <float> Minimum perfection of a satellites. Default: 0.",
      "--maxPerfection <float> Maximum perfection of a satellites. Default: 100.",
      "-D, --dontRemoveMostlyOverlapping Sarvik sometimes finds repeats",
      "reports also repeats that mostly overlap with higher scoring repeats.",
      "--firstSeq <int> Number of first sequence to be processed in this run.",
      "--lastSeq <int> Number of last sequence to be processed in this run.",
      "-R <int>, --maximum_score_reduction <int> The maximum amount the score can be reduced before search is "
      "aborded. Typical: 6*mismatch-penalty or infinite. Default: infinite",
      "-r <int>, --recursion <int> The recursion depth used in the search. Values in the range 3 to 7 are "
      "recommended. A value of 0 implies a search for perfect repeats only.",
      "-u <int>, --minUnitLen <int> Minimum unit length. Default: 1",
      "-U <int>, --maxUnitLen <int> Maximum unit length. Default: 10",
      "--minLength_b <float> The minimum length of a repeat is determined with: maximum( minLength, minLength_a + "
      "minLength_b*(unit-length) ). Default value of minLength_b: 0",
      "Default value of minLength_a: 0",
      "-l <int>, --minLength <int> The minimum length",
      "Default value of minLength: 0",
      "--minScore_b <float> The minimum score of a repeat is determined with: maximum( minScore, minScore_a + "
      "minScore_b*(unit-length) ). Default value of minScore_b: 1",
      "Default value of minScore_a: 0",
      "-s <int>, --minScore <int> The minimum score",
      "Default value of minScore: 6",
      "-m <int>, --mismatchScore <int> Score for mismatch - must be negative. Default: -5. Match score is fixed "
      "to one.",
      "-g <int>, --indelScore <int> Score for indels - must be negative. Default: -5. Match score is fixed to one.",
      "-M <exact|extendExact|imperfect>, --searchMode <exact|extendExact|imperfect> Sarvik provides three "
      "different search modes. exact: Search for exact repeats, only. extendExact: Searches for exact repeats and "
      "extends them by inserting mismatches and indels. imperfect: Searches directly for imperfect repeats.",
      "<Input and output filenames> (accepted multiple times) (required) Sarvik requires either one or two file names as "
      "parameters. The first must be the input file in FASTA format. If a second file is specified, output is "
      "written to it. If no second file is given, output is written to the console.",
  };
  for (const char* text : expected) EXPECT_NE(usage.find(squeeze(text)), std::string::npos) << text;
}

}  // namespace
