// The graphical program's side of a run: progress goes into the run window,
// and each report lets the toolkit handle pending events, which is when a
// click on Stop reaches the run.
#include <cstdio>
#include <cstring>

#include "dialogs.h"
#include "gui_frontend.h"
#include "sarvik/sarvik.hpp"
#include "sarvik_gui.h"

namespace {

// The text last shown; it stays between reports and between runs.
char status_text[140];

const char* const loading_notice_text = "\n\n\n\nloading next sequence - cannot be interruped";

void let_toolkit_run()
{
  for (int i = 0; i < 4; ++i) Fl::check();
}

void show_status(const char* text)
{
  if (runA && runA->status_box) {
    runA->status_box->label(text);
    runA->status_box->redraw();
  }
}

class WindowObserver : public sarvik::RunObserver {
 public:
  bool interactive() const override { return true; }
  void status(unsigned seq_number, const char* name, unsigned unit_length, char status) override;
  bool stop_requested() override { return runA && runA->stop_requested; }
  void loading_notice() override;
  void read_error(const char* message) override { gui_dialogs.alert(message); }
};

}  // namespace

sarvik::RunObserver& window_observer()
{
  static WindowObserver observer;
  return observer;
}

void WindowObserver::status(unsigned seq_number, const char* name, unsigned unit_length, char status)
{
  const char* format;
  switch (status) {
    case 'r': format = "%.2d.%.2d.%.2d\n%d\n%.70s\n%d\nrunning"; break;
    case 'f': format = "%.2d.%.2d.%.2d\n%d\n%.70s\n%d\nfinished successfully"; break;
    case 'a': format = "%.2d.%.2d.%.2d\n%d\n%.70s\n%d\nstopped by the user"; break;
    case 'e': format = "%.2d.%.2d.%.2d\n%d\n%.70s\n%d\naborted due to error"; break;
    default: format = nullptr;
  }
  if (format) {
    int h, m, s;
    elapsed(h, m, s);
    std::snprintf(status_text, sizeof status_text, format, h, m, s, static_cast<int>(seq_number), name,
                  static_cast<int>(unit_length));
  }
  show_status(status_text);
  let_toolkit_run();
}

void WindowObserver::loading_notice()
{
  show_status(loading_notice_text);
  let_toolkit_run();
}

const char* current_status_text() { return status_text; }

void show_run_failed()
{
  const char* state = "aborted due to error";
  // A report of this run: keep time, number, name and unit length and change
  // the state line. Nothing reported yet (the buffer then still holds an
  // earlier run's text): the state line alone.
  char* p = nullptr;
  if (runA && runA->status_box && runA->status_box->label() == status_text) {
    p = status_text;
    for (int lines = 0; lines < 4 && p; ++lines) {
      p = std::strchr(p, '\n');
      if (p) ++p;
    }
  }
  if (p && static_cast<size_t>(p - status_text) + std::strlen(state) < sizeof status_text)
    std::strcpy(p, state);
  else
    std::snprintf(status_text, sizeof status_text, "\n\n\n\n%s", state);
  show_status(status_text);
}
