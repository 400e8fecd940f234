// The main window built once per test program, without a display, and a
// stand-in for the person in front of it: every alert and message is
// recorded, questions and file dialogs are answered from scripted queues.
#ifndef SARVIK_GUI_TEST_SUPPORT_H
#define SARVIK_GUI_TEST_SUPPORT_H

#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sarvik_gui.h"

// The window's parameters made the thread's parameter set, for tests that
// look at what a run would search with.
void get_GUI_parameter_values();

struct CScriptedUser {
  std::vector<std::string> alerts;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::deque<int> answers;               // button index per question; none left: 0 (Cancel)
  std::deque<std::string> chosen_files;  // per file dialog; none left: cancelled
  std::vector<std::string> dialog_starts;
  std::vector<int> exits;
};

extern CScriptedUser user;

// The four dialogs, without toolkit windows behind them.
extern CSingleFileChooser* test_infile_dialog;
extern CSingleFileChooser* test_outfile_dialog;
extern CSingleFileChooser* test_load_dialog;
extern CSingleFileChooser* test_save_dialog;

// Builds the window on first use, then for every test: a fresh scripted
// user, factory settings, empty file names and remembered names, the
// N's-as-missense check off, and HOME pointing at a fresh empty folder.
class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string home;
};

// A fresh empty folder below the test program's temporary folder.
std::string fresh_dir(const std::string& name);
std::string slurp(const std::string& path);
void spit(const std::string& path, const std::string& content);

#endif
