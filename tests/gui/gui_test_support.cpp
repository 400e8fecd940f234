#include "gui_test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "api_internal.h"
#include "dialogs.h"
#include "gui_frontend.h"
#include "run_frontend.h"

CScriptedUser user;
CSingleFileChooser* test_infile_dialog = nullptr;
CSingleFileChooser* test_outfile_dialog = nullptr;
CSingleFileChooser* test_load_dialog = nullptr;
CSingleFileChooser* test_save_dialog = nullptr;

namespace {

const std::string& base_dir()
{
  static const std::string& dir = *new std::string([] {
    char tmpl[] = "/tmp/sarvik-gui-test-XXXXXX";
    std::string d = mkdtemp(tmpl);
    std::atexit([] { std::system(("rm -rf '" + base_dir() + "'").c_str()); });
    return d;
  }());
  return dir;
}

void scripted_alert(const char* text) { user.alerts.push_back(text); }
void scripted_message(const char* text) { user.messages.push_back(text); }

int scripted_choice(const char* question, const char*, const char*)
{
  user.questions.push_back(question);
  if (user.answers.empty()) return 0;
  int a = user.answers.front();
  user.answers.pop_front();
  return a;
}

std::string scripted_file(Fl_File_Chooser*, const char* initial)
{
  user.dialog_starts.push_back(initial);
  if (user.chosen_files.empty()) return std::string();
  std::string f = user.chosen_files.front();
  user.chosen_files.pop_front();
  return f;
}

void scripted_exit(int status) { user.exits.push_back(status); }

void build_once()
{
  if (main_window) return;
  glob_infiletext = new CText;
  glob_outfiletext = new CText;
  test_infile_dialog =
      new CSingleFileChooser(nullptr, glob_infiletext, update_outfile_with_infile, glob_infiletext, glob_outfiletext);
  test_outfile_dialog = new CSingleFileChooser(nullptr, glob_outfiletext, nullptr, nullptr, nullptr);
  test_load_dialog = new CSingleFileChooser(nullptr, nullptr, nullptr, nullptr, nullptr);
  test_save_dialog = new CSingleFileChooser(nullptr, nullptr, nullptr, nullptr, nullptr);
  build_main_window(main_window_width, main_window_height, test_infile_dialog, test_outfile_dialog,
                    test_load_dialog, test_save_dialog);
}

}  // namespace

std::string fresh_dir(const std::string& name)
{
  static int counter = 0;
  std::string d = base_dir() + "/" + name + "-" + std::to_string(++counter);
  mkdir(d.c_str(), 0700);
  return d;
}

std::string slurp(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void spit(const std::string& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

void GuiTest::SetUp()
{
  build_once();
  user = CScriptedUser();
  gui_dialogs = {scripted_alert, scripted_choice, scripted_message, scripted_file, scripted_exit};
  home = fresh_dir("home");
  setenv("HOME", home.c_str(), 1);
  check_treatNsAsMis->value(0);
  factory_settings();
  glob_infiletext->set("");
  glob_outfiletext->set("");
  loadPrefsFilename.clear();
  savePrefsFilename.clear();
  runA = nullptr;
}

void GuiTest::TearDown() { gui_dialogs = toolkit_dialogs; }

void get_GUI_parameter_values() { set_parameters_in_this_thread(window_parameters()); }

namespace {

// Outside a run the test thread reports to the window too, so that the
// window's side of the progress functions can be tried on its own.
[[maybe_unused]] const bool window_reports = [] {
  RunLink link = this_thread_run();
  link.observer = &window_observer();
  set_this_thread_run(link);
  return true;
}();

}  // namespace
