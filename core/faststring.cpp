#include "faststring.h"

#include <cstdio>

void abort_on_failed_realloc()
{
  std::fputs("Program aborded due to failed realloc!\n", stderr);
  std::fflush(stderr);
  std::exit(1);
}
