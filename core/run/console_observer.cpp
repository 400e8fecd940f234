// The command-line program's side of a run: progress lines on stderr and no
// way for the user to stop a run other than a signal.
#include <cstdio>

#include "run_frontend.h"
#include "sarvik/sarvik.hpp"

void sarvik::ConsoleObserver::status(unsigned seq_number, const char* name, unsigned unit_length, char)
{
  int h, m, s;
  elapsed_since_start(h, m, s);
  std::fprintf(stderr, "%.2d.%.2d.%.2d - # %3d - %4dbp - %.70s\n", h, m, s, static_cast<int>(seq_number),
               static_cast<int>(unit_length), name);
  std::fflush(stderr);
}
