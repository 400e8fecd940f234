#ifndef SARVIK_GUI_STARTUP_H
#define SARVIK_GUI_STARTUP_H

#include <FL/Fl_Double_Window.H>

// Creates the file-name fields, the four dialogs and the main window, shows
// it, and sets it to the factory settings overlaid by the user's preference
// file. Needs a display.
Fl_Double_Window* start_sarvik_gui(char* program_name);

#endif
