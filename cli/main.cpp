// sarvik: the command-line program.
#include <cstdio>

#include "read_and_init_parameters.h"
#include "run_frontend.h"
#include "run_header.h"
#include "sarvik.h"

int main(int argc, char** argv)
{
  time_analysis_started = std::time(nullptr);
  sarvik_welcome(stderr);
  std::fflush(stderr);

  int r = read_and_init_parameters(argc, argv);
  if (r != 0) {
    good_bye_on_error(r);
    return r;
  }
  return run_sarvik_analysis();
}
