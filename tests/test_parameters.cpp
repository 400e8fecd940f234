#include <gtest/gtest.h>

#include "global-types-and-parameters.h"
#include "number2cstring.h"
#include "test_support.h"

namespace {

TEST(Number2str, FormatsEachType)
{
  EXPECT_STREQ(number2str(-101), "-101");
  EXPECT_STREQ(number2str(2147483647), "2147483647");
  EXPECT_STREQ(number2str(4294967295u), "4294967295");
  EXPECT_STREQ(number2str(1.0f), "1");
  EXPECT_STREQ(number2str(100.0f), "100");
  EXPECT_STREQ(number2str(0.5f), "0.5");
  EXPECT_STREQ(number2str(0.1f), "0.1");  // widened, then 6 significant digits
  EXPECT_STREQ(number2str(1234567.0f), "1.23457e+06");
  EXPECT_STREQ(number2str(0.1), "0.1");
  EXPECT_STREQ(number2str(-1e300), "-1e+300");
}

TEST(Number2str, SharesOneBuffer)
{
  const char* a = number2str(1);
  const char* b = number2str(2.5);
  EXPECT_EQ(a, b);
  EXPECT_STREQ(a, "2.5");
}

TEST(PrintMessage, PiecesAreFormatsWithoutArguments)
{
  struct Case {
    const char* piece;
    const char* printed;
  } cases[] = {
      {"plain", "plain"}, {"100%%", "100%"}, {"%%%%", "%%"},   {"%d%s%n", "%d%s%n"},
      {"a%b", "a%b"},     {"end%", "end%"},  {"%%%", "%%"},    {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(capture_output([&](FILE* f) { PrintMessage(f, c.piece); }), c.printed) << c.piece;

  EXPECT_EQ(capture_output([](FILE* f) { PrintMessage(f, "a", "b%%", "c", "d", "e"); }), "ab%cde");
  EXPECT_EQ(capture_output([](FILE* f) { general_PrintMessage(f, "1", "2", "3%%"); }), "123%");
}

TEST(PrintMessage, CommandLineProgramWritesToStderr)
{
  EXPECT_EQ(capture_stderr([] { general_PrintMessage(stderr, "x%%", "y"); }), "x%y");
  EXPECT_EQ(capture_stderr([] { general_PrintText(stderr, "in 50%%.fa"); }), "in 50%%.fa");
}

TEST(Parameters, InitKeepsFileNames)
{
  global_input_filename = "in.fa";
  global_output_filename = "out.txt";
  global_min_score = 99;
  init_param();
  EXPECT_EQ(global_input_filename, "in.fa");
  EXPECT_EQ(global_output_filename, "out.txt");
  EXPECT_EQ(global_min_score, 6);
  EXPECT_EQ(global_sequence_to, 4294967295u);
  global_input_filename.clear();
  global_output_filename.clear();
}

}  // namespace
