#include "cli_parameters.h"

#include "api_internal.h"
#include "global-types-and-parameters.h"

int read_and_init_parameters(int argc, char** argv)
{
  init_param();
  sarvik::Parameters p;
  int r = read_parameters(argc, argv, p);
  // A refused command line leaves the defaults.
  if (r == 0) set_parameters_in_this_thread(p);
  return r;
}
