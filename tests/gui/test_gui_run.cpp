// The run window, the progress it shows, and whole runs of the driver from
// the window's settings (the window built but never shown).
#include <unistd.h>

#include <cstring>
#include <ctime>

#include "global-types-and-parameters.h"
#include "gui_frontend.h"
#include "gui_test_support.h"
#include "run_frontend.h"
#include "test_support.h"

namespace {

char program_name[] = "Sarvik";
char* run_argv[] = {program_name, nullptr};

class Run : public GuiTest {
 protected:
  void SetUp() override
  {
    GuiTest::SetUp();
    run.create_window();
    runA = &run;
    dir = fresh_dir("run");
    ASSERT_EQ(chdir(dir.c_str()), 0);
  }
  void TearDown() override
  {
    runA = nullptr;
    if (!run.closed) delete run.progress_window;
    Fl::check();  // carries out a deletion that closing has asked for
    ASSERT_EQ(chdir("/"), 0);
    GuiTest::TearDown();
  }

  std::string status() const { return run.status_box->label() ? run.status_box->label() : ""; }
  std::string state_line() const { return status().substr(status().rfind('\n') + 1); }

  CRunAnalysis run{1, run_argv};
  std::string dir;
};

TEST_F(Run, WindowStartsWithStopAndItsCaptions)
{
  EXPECT_STREQ(run.progress_window->label(), "Progress of sarvik analysis");
  EXPECT_EQ(run.progress_window->w(), 670);
  EXPECT_EQ(run.progress_window->h(), 210);
  EXPECT_STREQ(run.stop_close_button->label(), "Stop");
  EXPECT_EQ(run.stop_close_button->callback(), (Fl_Callback*)CRunAnalysis::stop_callback);
  EXPECT_EQ(run.progress_window->callback(), (Fl_Callback*)CRunAnalysis::close_callback);
  EXPECT_EQ(run.progress_window->user_data(), &run);
  EXPECT_FALSE(run.stop_requested || run.started || run.closed);
  EXPECT_EQ(run.argc, 1);
  EXPECT_STREQ(run.argv[0], "Sarvik");

  EXPECT_EQ(std::string(run.header_text).substr(0, 7), "3.3.10\n");
  EXPECT_LT(std::strlen(run.header_text), sizeof run.header_text);
  EXPECT_GT(std::strlen(run.header_text), 7u) << "the start time follows";

  std::vector<std::string> labels;
  for (int i = 0; i < run.progress_window->children(); ++i)
    labels.push_back(run.progress_window->child(i)->label() ? run.progress_window->child(i)->label() : "");
  ASSERT_EQ(labels.size(), 5u);
  EXPECT_EQ(labels[0], "Sarvik version:\nAnalysis started:");
  EXPECT_EQ(labels[1], run.header_text);
  EXPECT_EQ(labels[2], "Real time:\nSeq. number:\nSeq. name:\nPattern length:\nStatus:");
  EXPECT_EQ(labels[3], "") << "the status box starts empty";
  EXPECT_EQ(run.progress_window->child(3), run.status_box);
}

TEST_F(Run, StopAsksAndCloseClosesWhicheverWayItCame)
{
  run.set_handlers("Stop", CRunAnalysis::stop_callback);
  run.stop_close_button->do_callback();
  EXPECT_EQ(user.questions, (std::vector<std::string>{"Are you sure you want to stop this analysis?"}));
  EXPECT_FALSE(run.stop_requested) << "Cancel";
  user.answers.push_back(1);
  run.progress_window->do_callback();  // the window manager's close button asks the same
  EXPECT_TRUE(run.stop_requested);
  EXPECT_FALSE(run.closed) << "a stop leaves the window open";

  run.set_handlers("Close", CRunAnalysis::close_callback);
  EXPECT_STREQ(run.stop_close_button->label(), "Close");
  run.progress_window->do_callback();
  EXPECT_TRUE(run.closed);
  EXPECT_EQ(user.questions.size(), 2u) << "closing after the run asks nothing";
}

TEST_F(Run, StatusTextByKind)
{
  window_observer().started = std::time(nullptr) - 3725;
  struct {
    char kind;
    const char* state;
  } cases[] = {
      {'r', "running"}, {'f', "finished successfully"}, {'a', "stopped by the user"}, {'e', "aborted due to error"}};
  for (const auto& c : cases) {
    report_status(12, "chr7", 3, c.kind);
    EXPECT_EQ(status(), std::string("01.02.05\n12\nchr7\n3\n") + c.state);
  }
  // An unknown kind shows the previous text again.
  report_status(99, "other", 9, 'x');
  EXPECT_EQ(status(), "01.02.05\n12\nchr7\n3\naborted due to error");
  EXPECT_STREQ(current_status_text(), status().c_str());

  std::string long_name(100, 'n');
  window_observer().started = std::time(nullptr) - (100 * 3600 + 61);
  report_status(4294967295u, long_name.c_str(), 10, 'r');
  EXPECT_EQ(status(), "100.01.01\n-1\n" + long_name.substr(0, 70) + "\n10\nrunning");
}

TEST_F(Run, LoadingNoticeStopRequestAndReadErrorAlert)
{
  show_loading_notice();
  EXPECT_EQ(status(), "\n\n\n\nloading next sequence - cannot be interruped");
  EXPECT_TRUE(is_graphical_program());
  EXPECT_FALSE(stop_requested());
  run.stop_requested = true;
  EXPECT_TRUE(stop_requested());
  runA = nullptr;
  EXPECT_FALSE(stop_requested()) << "no run window, nothing to stop";
  show_read_error_alert("bad input 100%");
  EXPECT_EQ(user.alerts, (std::vector<std::string>{"bad input 100%"}));
}

TEST_F(Run, ReportsAreDueOncePerSecond)
{
  update_report_time();
  EXPECT_FALSE(check_report_status()) << "not within the same second";
  time_next_status_report = std::time(nullptr) - 1;
  EXPECT_TRUE(check_report_status());
  EXPECT_FALSE(check_report_status()) << "rescheduled";
}

TEST_F(Run, FailuresTheDriverKeepsQuietAboutGetAnAlert)
{
  last_run_parameters.input = "in.fa";
  last_run_parameters.output = "out/x.sarvik";
  window_observer().started = std::time(nullptr);
  struct {
    int code;
    const char* contains;
  } cases[] = {{-101, "The input file could not be opened:\nin.fa"},
               {-102, "The output file could not be opened for writing:\nout/x.sarvik"},
               {-103, "repeat-masked sequences could not be opened for writing:\nin.fa.masked"},
               {-104, "The output file is incomplete."},
               {0, nullptr},
               {1, nullptr},
               {-25, nullptr}};
  for (const auto& c : cases) {
    user.alerts.clear();
    report_status(5, "s", 2, 'f');
    report_run_failure(c.code);
    if (!c.contains) {
      EXPECT_TRUE(user.alerts.empty()) << c.code;
      EXPECT_EQ(state_line(), "finished successfully") << c.code;
      continue;
    }
    ASSERT_EQ(user.alerts.size(), 1u) << c.code;
    EXPECT_NE(user.alerts[0].find(c.contains), std::string::npos) << user.alerts[0];
    EXPECT_EQ(state_line(), "aborted due to error") << "a failure never reads as success";
    EXPECT_EQ(status().find("\n5\ns\n2\n"), 8u) << "the other lines stay";
  }

  // A run that fails before its first report shows no lines of an earlier run.
  CRunAnalysis fresh(1, run_argv);
  fresh.create_window();
  runA = &fresh;
  report_run_failure(-102);
  EXPECT_STREQ(fresh.status_box->label(), "\n\n\n\naborted due to error");
  runA = &run;
  delete fresh.progress_window;
}

// ------------------------------------------------------------ whole runs

const char* const two_records = ">first record\nGGACACACACACACACGG\n>second\nTTAGTAGTAGTAGTAGTT\n";

TEST_F(Run, FinishedRunWritesHeaderRecordsAndEndMarkerAndNothingOnStderr)
{
  spit("in.fa", two_records);
  glob_infiletext->set("in.fa");
  glob_outfiletext->set("out.sarvik");
  int code = 99;
  std::string err = capture_stderr([&] { code = main_sarvik(run.argc, run.argv, &run); });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(err, "");
  EXPECT_EQ(runA, &run);
  std::string out = slurp("out.sarvik");
  EXPECT_EQ(out.substr(0, 59), "# Results computed with:\n#    Sarvik, version 3.3.10\n# Para");
  // Labels padded to 40 characters, then the separator.
  EXPECT_NE(out.find("# Input file name:" + std::string(24, ' ') + " in.fa\n"), std::string::npos);
  EXPECT_NE(out.find("# Output file name:" + std::string(23, ' ') + " out.sarvik\n"), std::string::npos);
  EXPECT_NE(out.find("first"), std::string::npos);
  EXPECT_NE(out.find("second"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 29), "## Finished successfully. ##\n");
  EXPECT_EQ(status().substr(status().find('\n')), "\n2\nsecond\n10\nfinished successfully")
      << "the last record and the maximum unit length";
  EXPECT_TRUE(user.alerts.empty());
}

TEST_F(Run, Utf8FileNamesReachTheFilesAndTheHeaderUnchanged)
{
  const std::string in = "Größe €.fa", out = "Ergebnis_ü.sarvik";
  spit(in, two_records);
  glob_infiletext->set(in.c_str());
  glob_outfiletext->set(out.c_str());
  check_outputMaskedSeq->value(1);
  ASSERT_EQ(check_filenames(), 0);
  EXPECT_EQ(main_sarvik(run.argc, run.argv, &run), 0);
  std::string text = slurp(out);
  EXPECT_NE(text.find("# Input file name:" + std::string(24, ' ') + " " + in + "\n"), std::string::npos);
  EXPECT_NE(text.find("# Output file name:" + std::string(23, ' ') + " " + out + "\n"), std::string::npos);
  EXPECT_NE(slurp(in + ".masked").find(">first record"), std::string::npos);
  EXPECT_TRUE(user.alerts.empty());
}

TEST_F(Run, BedItemWritesDataOnlyAndDashIsAPlainFileName)
{
  // A window has no standard streams to offer: "-" names files here.
  spit("-", two_records);
  glob_infiletext->set("-");
  glob_outfiletext->set("-.bed");
  choice_outputFormat->value(7);
  EXPECT_EQ(main_sarvik(run.argc, run.argv, &run), 0);
  std::string out = slurp("-.bed");
  EXPECT_EQ(out.substr(0, 14), "#chrom\tstart\te");
  EXPECT_EQ(out.find("# "), std::string::npos) << "no run header, no end marker";
  EXPECT_NE(out.find("\nfirst\t"), std::string::npos);
  EXPECT_NE(out.find("\nsecond\t"), std::string::npos);
}

TEST_F(Run, StoppedRunHasNoEndMarker)
{
  spit("in.fa", two_records);
  glob_infiletext->set("in.fa");
  glob_outfiletext->set("out.sarvik");
  run.stop_requested = true;
  EXPECT_EQ(main_sarvik(run.argc, run.argv, &run), 1);
  std::string out = slurp("out.sarvik");
  EXPECT_NE(out.find("first"), std::string::npos) << "the record in hand is written";
  EXPECT_EQ(out.find("second"), std::string::npos) << "the next one is not analysed";
  EXPECT_EQ(out.find("Finished"), std::string::npos);
}

TEST_F(Run, ReadErrorShowsInTheWindowAndAnAlert)
{
  spit("in.fa", ">s\nACACACACACAC1\n");
  glob_infiletext->set("in.fa");
  glob_outfiletext->set("out.sarvik");
  std::string err = capture_stderr([&] { EXPECT_EQ(main_sarvik(run.argc, run.argv, &run), -25); });
  EXPECT_EQ(err, "");
  EXPECT_EQ(user.alerts,
            (std::vector<std::string>{
                "An error occurred while reading the input file. It might not be a valid fasta file.\n"
                "File position: line 2"}));
  EXPECT_EQ(state_line(), "aborted due to error");
  EXPECT_EQ(slurp("out.sarvik").find("Finished"), std::string::npos);
}

TEST_F(Run, OutputThatCannotBeOpenedEndsWithoutRecords)
{
  spit("in.fa", two_records);
  glob_infiletext->set("in.fa");
  glob_outfiletext->set("no/such/dir/out.sarvik");
  std::string err = capture_stderr([&] { EXPECT_EQ(main_sarvik(run.argc, run.argv, &run), -102); });
  EXPECT_EQ(err, "");
  EXPECT_TRUE(user.alerts.empty()) << "the driver itself stays silent; the run handler speaks";
}

TEST_F(Run, EachRunTakesTheWindowAndFreshThresholds)
{
  // A tetranucleotide repeat that a first run limited to unit length 2 cannot see.
  spit("in.fa", ">s\nGGACGTACGTACGTACGTACGTGG\n");
  glob_infiletext->set("in.fa");
  glob_outfiletext->set("first.sarvik");
  input_maxUnitSize->value("2");
  ASSERT_EQ(main_sarvik(run.argc, run.argv, &run), 0);
  EXPECT_EQ(slurp("first.sarvik").find("ACGT"), std::string::npos);

  glob_outfiletext->set("second.sarvik");
  input_maxUnitSize->value("10");
  ASSERT_EQ(main_sarvik(run.argc, run.argv, &run), 0);
  std::string second = slurp("second.sarvik");
  size_t line = second.find("Maximum unit length:");
  ASSERT_NE(line, std::string::npos);
  EXPECT_EQ(second.substr(second.find('\n', line) - 3, 4), " 10\n");
  EXPECT_NE(second.find("ACGT"), std::string::npos) << second;
}

}  // namespace
