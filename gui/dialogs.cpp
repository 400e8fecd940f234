#include "dialogs.h"

#include <cstdlib>

#include <FL/Fl.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/fl_ask.H>

namespace {

// "%s" so that a '%' in a message (a file name, say) is shown as it is.
void toolkit_alert(const char* text) { fl_alert("%s", text); }
void toolkit_message(const char* text) { fl_message("%s", text); }
int toolkit_choice(const char* question, const char* b0, const char* b1) { return fl_choice("%s", b0, b1, 0, question); }

std::string toolkit_run_file_chooser(Fl_File_Chooser* chooser, const char* initial)
{
  chooser->value(initial);
  chooser->show();
  while (chooser->shown()) Fl::wait();
  if (chooser->count() != 1) return std::string();
  const char* chosen = chooser->value(1);
  return chosen ? std::string(chosen) : std::string();
}

void toolkit_exit(int status) { std::exit(status); }

}  // namespace

const CDialogs toolkit_dialogs = {toolkit_alert, toolkit_choice, toolkit_message, toolkit_run_file_chooser,
                                  toolkit_exit};

CDialogs gui_dialogs = toolkit_dialogs;
