// sarvik_gui: the graphical program. Builds the main window, brings back the
// settings of the last session and runs the toolkit's event loop; analyses
// run inside the "Run analysis" handler.
#include <FL/Fl.H>

#include "startup.h"

int main(int, char** argv)
{
  start_sarvik_gui(argv[0]);
  return Fl::run();
}
