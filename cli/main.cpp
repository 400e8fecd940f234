// sarvik: the command-line program.
#include <csignal>
#include <cstdio>

#include "read_and_init_parameters.h"
#include "sarvik/sarvik.hpp"

namespace {

// A reader that stops early (`sarvik ... - | head`) must end the run the way
// it ends every filter: silently, by SIGPIPE, with a non-zero status. A parent
// may have left the signal ignored or blocked; then writes would fail with
// EPIPE and the run would end with a disk-full message instead.
void restore_default_sigpipe()
{
  std::signal(SIGPIPE, SIG_DFL);
  sigset_t pipe_only;
  sigemptyset(&pipe_only);
  sigaddset(&pipe_only, SIGPIPE);
  sigprocmask(SIG_UNBLOCK, &pipe_only, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
  restore_default_sigpipe();
  sarvik::ConsoleObserver console;  // the run's clock starts here
  sarvik::write_welcome();

  sarvik::Parameters parameters;
  int r = read_parameters(argc, argv, parameters);
  if (r != 0) {
    sarvik::write_abort_message(r);
    return r;
  }
  return sarvik::run_analysis(parameters, console);
}
