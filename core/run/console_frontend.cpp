// For test programs that drive the core without the public API: the main
// thread reports as the command-line program does.
#include "run_frontend.h"
#include "sarvik/sarvik.hpp"

namespace {

sarvik::ConsoleObserver console;

[[maybe_unused]] const bool installed = [] {
  RunLink link = this_thread_run();
  link.observer = &console;
  set_this_thread_run(link);
  return true;
}();

}  // namespace
