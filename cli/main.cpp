// sarvik: the command-line program.
#include <csignal>
#include <cstdio>

#include "read_and_init_parameters.h"
#include "run_frontend.h"
#include "run_header.h"
#include "sarvik.h"

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
