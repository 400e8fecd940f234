// The public API against the program's own output: the repeats of find() and
// of the Scanner are the lines of format 3, record for record, and searches
// with different parameters running at once each get what they get alone.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sarvik/sarvik.hpp"
#include "test_support.h"

namespace {

const std::string demo = std::string(SARVIK_TEST_DATA) + "/../examples/dm3_upstream_40.fa";

// The line format 3 writes for `r` of the record `name`.
std::string line_of(const std::string& name, const sarvik::Repeat& r, const sarvik::Parameters& p)
{
  char head[400];
  std::snprintf(head, sizeof head, "%s\t%u\t%.3f\t%llu\t%llu\t%u\t%7.3f\t%d\t%d\t%d\t%d", name.c_str(),
                r.unit_length, static_cast<double>(r.perfection), static_cast<unsigned long long>(r.start),
                static_cast<unsigned long long>(r.end), r.length, static_cast<double>(r.copy_number), r.score,
                r.mismatches, r.insertions, r.deletions);
  std::string s = head;
  s += p.NsAsMissense ? "\t." : "\t" + std::to_string(r.Ns);
  return s + "\t" + r.unit + "\t" + r.sequence;
}

// The records of a whole run of the program in format 3.
std::vector<std::string> program_lines(sarvik::Parameters p, const std::string& input)
{
  p.input = input;
  p.output = temp_path("api_run.txt");
  p.outputFormat = 3;
  p.flanking = 0;
  class Quiet : public sarvik::RunObserver {
   public:
    bool interactive() const override { return true; }
    void status(unsigned, const char*, unsigned, char) override {}
  } quiet;
  EXPECT_EQ(sarvik::run_analysis(p, quiet), 0);
  std::vector<std::string> lines;
  std::istringstream in(read_file(p.output));
  for (std::string l; std::getline(in, l);)
    if (!l.empty() && l[0] != '#' && l.compare(0, 9, "seq-name\t") != 0) lines.push_back(l);
  return lines;
}

std::vector<std::string> scanned_lines(const sarvik::Parameters& p, const std::string& input)
{
  std::vector<std::string> lines;
  sarvik::Scanner scan(input, p);
  while (const sarvik::Record* rec = scan.next())
    for (const sarvik::Repeat& r : rec->repeats) lines.push_back(line_of(rec->name, r, p));
  return lines;
}

std::vector<sarvik::Parameters> option_sets()
{
  std::vector<sarvik::Parameters> sets;
  for (const char* mode : {"exact", "extendExact", "imperfect"}) {
    sarvik::Parameters p;
    p.searchMode = mode;
    sets.push_back(p);
    p.minScore = 12;
    p.reportUnit = 0;
    p.NsAsMissense = true;
    p.NPerfectionMode = 1;
    p.minUnitLen = 2;
    p.maxUnitLen = 30;
    sets.push_back(p);
    p = sarvik::Parameters();
    p.searchMode = mode;
    p.dontRemoveMostlyOverlapping = true;
    p.minPerfection = 80;
    p.mismatchScore = -3;
    p.indelScore = -4;
    p.reportUnit = 1;
    p.threads = 3;
    sets.push_back(p);
  }
  return sets;
}

TEST(Api, ScannerAndFindGiveTheLinesOfFormat3)
{
  // The sequence of every record of the file, by name.
  std::vector<std::pair<std::string, std::string>> records;
  {
    std::istringstream in(read_file(demo));
    for (std::string l; std::getline(in, l);)
      if (l[0] == '>')
        records.emplace_back(l.substr(1, l.find(' ') - 1), "");
      else
        records.back().second += l;
  }
  for (sarvik::Parameters p : option_sets()) {
    ASSERT_FALSE(sarvik::validate(p));
    const std::vector<std::string> expected = program_lines(p, demo);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(scanned_lines(p, demo), expected) << p.searchMode << " " << p.minScore << " " << p.threads;

    // find() on the first record with repeats gives that record's lines.
    const std::string name = expected.front().substr(0, expected.front().find('\t'));
    std::string text;
    for (const auto& r : records)
      if (r.first == name) text = r.second;
    std::vector<std::string> first;
    for (const std::string& l : expected)
      if (l.compare(0, name.size() + 1, name + "\t") == 0) first.push_back(l);
    std::vector<std::string> found;
    for (const sarvik::Repeat& r : sarvik::find(text, p)) found.push_back(line_of(name, r, p));
    EXPECT_EQ(found, first) << p.searchMode;
  }
}

TEST(Api, RepeatFieldsBeyondTheLine)
{
  sarvik::Parameters p;
  p.reportUnit = 2;
  // GT repeated, one mismatch: found as "TG" or "GT", reported in normal form AC.
  const std::vector<sarvik::Repeat> rs = sarvik::find("ccgTGTGTGTGTGAGTGTGTGTGTGTgcc", p);
  ASSERT_EQ(rs.size(), 1u);
  const sarvik::Repeat& r = rs[0];
  EXPECT_EQ(r.unit, "AC");
  EXPECT_TRUE(r.unit_as_found == "TG" || r.unit_as_found == "GT") << r.unit_as_found;
  EXPECT_EQ(r.start, 3u);
  EXPECT_EQ(r.bed_start(), 2u);
  EXPECT_EQ(r.bed_end(), r.end);
  EXPECT_EQ(r.length, r.end - r.start + 1);
  EXPECT_EQ(r.sequence.size(), r.length);
  ASSERT_EQ(r.missense.size(), 1u);
  EXPECT_EQ(r.missense[0].kind, 'M');
  EXPECT_EQ(r.sequence[r.missense[0].position - 1], 'A');

  // Ambiguity codes read as N, blanks are left out, anything else is refused.
  EXPECT_EQ(sarvik::find("AC AC\nACACACACAC", p).at(0).length, 14u);
  EXPECT_THROW(sarvik::find("ACAC1ACAC", p), std::invalid_argument);
  EXPECT_TRUE(sarvik::find("", p).empty());
}

// A satellite's repeat holds thousands of events, which the search itself
// does not keep: the library must still hand every one of them over.
TEST(Api, LongRepeatsKeepEveryAlignmentEvent)
{
  std::string text;
  for (int i = 0; text.size() < 30000; ++i) text += i % 4 == 3 ? "ATGCC" : "ATTCC";  // a mismatch every 20
  const std::vector<sarvik::Repeat> rs = sarvik::find(text, sarvik::Parameters());
  ASSERT_FALSE(rs.empty());
  for (const sarvik::Repeat& r : rs)
    EXPECT_EQ(r.missense.size(), static_cast<std::size_t>(r.mismatches + r.insertions + r.deletions)) << r.start;
  EXPECT_GT(rs[0].missense.size(), 1024u);
}

TEST(Api, ValidationHasTheProgramsMessagesAndCodes)
{
  struct Case {
    void (*change)(sarvik::Parameters&);
    int code;
    const char* message;
  } cases[] = {
      {[](sarvik::Parameters& p) { p.outputFormat = 8; },
       -2,
       "Sorry, a problem occured when parsing the command line options. An outputFormat with a value of 8 is "
       "unknown.\n\n"},
      {[](sarvik::Parameters& p) { p.mismatchScore = -1; }, -1,
       "Sorry, the mismatch score must be smaller or equal to -2.\n"},
      {[](sarvik::Parameters& p) { p.threads = 0; }, -1, "Sorry, the number of threads must be at least 1.\n"},
      {[](sarvik::Parameters& p) { p.minUnitLen = 0; }, -1, "Sorry, the minimum unit length must be at least 1.\n"},
      {[](sarvik::Parameters& p) { p.searchMode = "fast"; }, -1, nullptr},
  };
  for (const Case& c : cases) {
    sarvik::Parameters p;
    c.change(p);
    sarvik::ParameterError e = sarvik::validate(p);
    EXPECT_EQ(e.code, c.code);
    if (c.message) {
      EXPECT_EQ(e.message, c.message);
    }
    EXPECT_THROW(sarvik::check(p), sarvik::InvalidParameters);
  }
  sarvik::Parameters p;
  p.succN = -4;
  EXPECT_FALSE(sarvik::validate(p));
  EXPECT_EQ(p.succN, 0) << "raised to 0 as the program does";
}

TEST(Api, ScannerReadsGzipReportsErrorsAndStops)
{
  const std::string plain = read_file(demo);
  const std::string gz = temp_path("api_demo.fa.gz");
  gzFile f = gzopen(gz.c_str(), "wb");
  gzwrite(f, plain.data(), static_cast<unsigned>(plain.size()));
  gzclose(f);
  sarvik::Parameters p;
  EXPECT_EQ(scanned_lines(p, gz), scanned_lines(p, demo));

  // The records before a damaged one, then the program's message.
  sarvik::Scanner bad(write_temp_file(">a\nACACACACACACACACAC\n>b\nAC1AC\n", "api_bad.fa"), p);
  const sarvik::Record* first = bad.next();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->name, "a");
  EXPECT_EQ(first->repeats.size(), 1u);
  try {
    bad.next();
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("File position: line 4"), std::string::npos) << e.what();
  }
  EXPECT_THROW(sarvik::Scanner("/nonexistent/x.fa", p).next(), std::runtime_error);

  // A '>' as the last byte: a record with no sequence that keeps the name
  // before it, as in the program, on every thread count.
  for (int threads : {1, 3}) {
    p.threads = threads;
    sarvik::Scanner tail(write_temp_file(">a x\nACACACACACACACACAC\n>b\nGG\n>", "api_tail.fa"), p);
    std::vector<std::string> names;
    while (const sarvik::Record* rec = tail.next()) names.push_back(rec->name + "/" + std::to_string(rec->length));
    EXPECT_EQ(names, (std::vector<std::string>{"a/18", "b/2", "b/0"})) << threads << " threads";
  }
  p.threads = sarvik::Parameters().threads;

  // A stop from the progress callback ends the stream.
  sarvik::Scanner scan(demo, p);
  std::size_t progress_calls = 0;
  scan.on_progress([&](const sarvik::Progress& pr) {
    ++progress_calls;
    if (pr.records_done == 2) scan.stop();
  });
  std::size_t records = 0;
  while (scan.next()) ++records;
  EXPECT_EQ(records, 2u);
  EXPECT_GE(progress_calls, 2u);
}

TEST(Api, SearchesWithDifferentParametersAtOnceGetWhatTheyGetAlone)
{
  sarvik::Parameters a, b;
  a.threads = 2;
  b.searchMode = "extendExact";
  b.minScore = 10;
  b.reportUnit = 0;
  b.maxUnitLen = 6;
  b.threads = 2;
  const std::vector<std::string> alone_a = scanned_lines(a, demo), alone_b = scanned_lines(b, demo);
  ASSERT_NE(alone_a, alone_b);
  std::vector<std::string> together_a, together_b;
  std::thread ta([&] { together_a = scanned_lines(a, demo); });
  std::thread tb([&] { together_b = scanned_lines(b, demo); });
  ta.join();
  tb.join();
  EXPECT_EQ(together_a, alone_a);
  EXPECT_EQ(together_b, alone_b);
}

}  // namespace
