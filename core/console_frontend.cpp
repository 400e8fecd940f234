// The command-line program's side of a run: progress lines on stderr and no
// way for the user to stop a run other than a signal.
#include <cstdio>

#include "run_frontend.h"

bool is_graphical_program() { return false; }

void report_status(unsigned seq_number, const char* name, unsigned unit_length, char)
{
  int h, m, s;
  elapsed_since_start(h, m, s);
  std::fprintf(stderr, "%.2d.%.2d.%.2d - # %3d - %4dbp - %.70s\n", h, m, s, static_cast<int>(seq_number),
               static_cast<int>(unit_length), name);
  std::fflush(stderr);
}

bool stop_requested() { return false; }
void show_loading_notice() {}
void show_read_error_alert(const char*) {}
