// Running an analysis from the main window: the file-name checks, the
// progress window with its Stop/Close button, and the About and Quit handlers.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include <FL/fl_ask.H>

#include "dialogs.h"
#include "gui_frontend.h"
#include "sarvik/sarvik.hpp"
#include "sarvik_gui.h"

CRunAnalysis* runA = nullptr;

CRunAnalysis::CRunAnalysis(int c, char** v)
    : status_box(nullptr),
      progress_window(nullptr),
      stop_requested(false),
      started(false),
      closed(false),
      stop_close_button(nullptr),
      argc(c),
      argv(v)
{
  header_text[0] = '\0';
}

namespace {

Fl_Box* run_box(int x, int y, int w, int h, const char* text, Fl_Align align, bool bold)
{
  Fl_Box* b = new Fl_Box(x, y, w, h, text);
  b->box(FL_FLAT_BOX);
  b->labelsize(14);
  b->align(FL_ALIGN_TOP | align | FL_ALIGN_INSIDE);
  if (bold) b->labelfont(FL_HELVETICA_BOLD);
  return b;
}

}  // namespace

void CRunAnalysis::create_window()
{
  char started_at[64] = "";
  std::time_t now = std::time(nullptr);
  if (const std::tm* t = std::localtime(&now)) std::strftime(started_at, sizeof started_at, "%c", t);
  // The time text is cut to what the 40 characters leave after the version line.
  const int room = static_cast<int>(sizeof header_text - sizeof SARVIK_VERSION - 1);
  std::snprintf(header_text, sizeof header_text, "%s\n%.*s", SARVIK_VERSION, room, started_at);

  progress_window = new Fl_Window(670, 210, "Progress of sarvik analysis");
  run_box(10, 10, 150, 40, "Sarvik version:\nAnalysis started:", FL_ALIGN_RIGHT, true);
  run_box(165, 10, 495, 40, header_text, FL_ALIGN_LEFT, false);
  run_box(10, 58, 150, 90, "Real time:\nSeq. number:\nSeq. name:\nPattern length:\nStatus:", FL_ALIGN_RIGHT, true);
  status_box = run_box(165, 58, 495, 90, "", FL_ALIGN_LEFT, false);
  stop_close_button = new Fl_Button(285, 165, 100, 30, "Stop");
  stop_close_button->callback(stop_callback, this);
  progress_window->end();
  progress_window->callback(close_callback, this);
}

void CRunAnalysis::set_handlers(const char* label, Fl_Callback* cb)
{
  stop_close_button->label(label);
  stop_close_button->callback(cb, this);
  progress_window->callback(cb, this);
}

void CRunAnalysis::stop_callback(Fl_Widget*, void* self)
{
  if (gui_dialogs.choice("Are you sure you want to stop this analysis?", "Cancel", "Stop analysis") == 1)
    static_cast<CRunAnalysis*>(self)->stop_requested = true;
}

void CRunAnalysis::close_callback(Fl_Widget*, void* self)
{
  CRunAnalysis* run = static_cast<CRunAnalysis*>(self);
  run->progress_window->hide();
  Fl::delete_widget(run->progress_window);
  run->closed = true;
}

sarvik::Parameters last_run_parameters;

int main_sarvik(int, char**, CRunAnalysis* window)
{
  runA = window;
  last_run_parameters = window_parameters();
  window_observer().started = std::time(nullptr);
  return sarvik::run_analysis(last_run_parameters, window_observer());
}

// The driver tells a terminal user on stderr when it cannot open or write a
// file; the window has no stderr, so say it here instead of ending silently.
void report_run_failure(int code)
{
  std::string text;
  switch (code) {
    case sarvik::input_not_opened:
      text = "The input file could not be opened:\n" + last_run_parameters.input;
      break;
    case sarvik::output_not_opened:
      text = "The output file could not be opened for writing:\n" +
             (last_run_parameters.output.empty() ? std::string("standard output") : last_run_parameters.output) +
             "\nNo analysis has been run.";
      break;
    case sarvik::masked_not_opened:
      text = "The file for the repeat-masked sequences could not be opened for writing:\n" + last_run_parameters.input +
             ".masked\nNo analysis has been run.";
      break;
    case sarvik::write_failed:
      text = "The results could not be written completely (is the disk full?).\nThe output file is incomplete.";
      break;
    default:
      return;  // finished, stopped, or a read error that has had its own alert
  }
  show_run_failed();
  gui_dialogs.alert(text.c_str());
}

void callback_runAnalysis(Fl_Widget*, void*)
{
  if (check_parameters() != 0) {
    gui_dialogs.alert(
        "The \"Run Analysis\" command has been aborted since invalid\nsearch parameters were set to their default "
        "values.");
    return;
  }
  if (check_filenames() != 0) return;

  button_run->deactivate();
  static char program_name[] = "Sarvik";
  static char* run_argv[] = {program_name, nullptr};
  CRunAnalysis run(1, run_argv);
  run.create_window();
  run.progress_window->show();

  if (!run.started) {
    run.started = true;
    run.set_handlers("Stop", CRunAnalysis::stop_callback);
    Fl::wait();  // lets the window appear before the run holds the toolkit
    int code = main_sarvik(run.argc, run.argv, &run);
    run.set_handlers("Close", CRunAnalysis::close_callback);
    Fl::check();
    report_run_failure(code);
  }
  while (!run.closed) Fl::wait();
  // The window is gone; nothing may report into it any more.
  if (runA == &run) runA = nullptr;
  button_run->activate();
}

namespace {

// Whether two paths name one file (same device and inode), whatever their
// spelling; false when either does not exist.
bool same_file(const char* a, const char* b)
{
  struct stat sa, sb;
  return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

bool fileExists(const char* name)
{
  FILE* f = std::fopen(name, "r");
  if (!f) return false;
  std::fclose(f);
  return true;
}

int check_filenames()
{
  glob_infiletext->sync();
  glob_outfiletext->sync();
  const char* in = glob_infiletext->text;
  const char* out = glob_outfiletext->text;
  if (!fileExists(in)) {
    gui_dialogs.alert("The specified input file does not exist! Please specify a valid input file!");
    return -1;
  }
  // Two spellings of one file ("./in.fa", "in.fa", a link) would truncate the input as well.
  if (std::strcmp(in, out) == 0 || (out[0] && same_file(in, out))) {
    gui_dialogs.alert("The output file name is identical to the input file name! Please specify a valid output file!");
    return -2;
  }
  if (fileExists(out) &&
      gui_dialogs.choice("The specified output file already exists. Are you sure you want to overwrite it?",
                         "Cancel", "Overwrite") == 0)
    return 1;
  return 0;
}

void callback_quit(Fl_Widget*, void*)
{
  if (gui_dialogs.choice("Are you sure you want to quit?", "Cancel", "Quit") != 1) return;
  if (check_parameters() != 0) {
    gui_dialogs.alert(
        "Quitting has been aborted due to the attempt to save invalid\ndefault search parameters for the next call "
        "to this program.");
    return;
  }
  writePrefs(nullptr);
  gui_dialogs.exit_program(0);
}

void callback_about(Fl_Widget*, void*)
{
  fl_message_font(FL_HELVETICA_BOLD, 12);
  gui_dialogs.message(
      "Welcome to Sarvik, version " SARVIK_VERSION ", a tandem repeat search tool.\n"
      "\n"
      "Sarvik finds microsatellites and satellites, perfect and imperfect,\n"
      "in DNA sequences given in FASTA format.\n"
      "\n"
      "Sarvik is free software under the MIT licence and comes without any warranty.\n"
      "If you publish results obtained with it, please cite it.\n"
      "Questions and bug reports are welcome through the project's issue tracker.\n"
      "\n"
      "The window is built with the FLTK toolkit; the command-line program\n"
      "uses TCLAP, and compressed input is read with zlib.");
}
