// The command line of sarvik: parses and validates the options into a
// parameter set. Returns 0 when the run may start, -1 for a rejected value,
// -2 for an unknown enumerated value (the message is then on stderr). Help,
// version and malformed command lines end the process inside (status 0, 0
// and 1).
#ifndef SARVIK_READ_AND_INIT_PARAMETERS_H
#define SARVIK_READ_AND_INIT_PARAMETERS_H

#include "sarvik/sarvik.hpp"

int read_parameters(int argc, char** argv, sarvik::Parameters& p);

// For tests and fuzzing; off in sarvik. When on, help, version and malformed
// command lines print what they always print and then, instead of ending the
// process, throw TCLAP::ExitException out of read_parameters; its
// getExitStatus() is the status the process would have ended with.
void set_option_exit_throws(bool on);

#endif
