// Every modal interaction of sarvik_gui goes through these function pointers,
// so that tests can answer in place of a person and see what would be shown.
// The texts are final: no printf processing happens on the way.
#ifndef SARVIK_GUI_DIALOGS_H
#define SARVIK_GUI_DIALOGS_H

#include <string>

class Fl_File_Chooser;

struct CDialogs {
  void (*alert)(const char* text);
  // The index of the button pressed: 0 for b0, 1 for b1.
  int (*choice)(const char* question, const char* b0, const char* b1);
  void (*message)(const char* text);
  // Shows the dialog starting from `initial` until it is closed; the one
  // chosen name, or "" when the user cancelled.
  std::string (*run_file_chooser)(Fl_File_Chooser* chooser, const char* initial);
  // Ends the process (Quit).
  void (*exit_program)(int status);
};

extern CDialogs gui_dialogs;

// The toolkit's own implementations, which gui_dialogs starts with.
extern const CDialogs toolkit_dialogs;

#endif
