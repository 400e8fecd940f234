// The command line of sarvik: loads the defaults, parses and validates the
// options into the global parameters. Returns 0 when the run may start, -1
// for a rejected value, -2 for an unknown enumerated value. Help, version and
// malformed command lines end the process inside (status 0, 0 and 1).
#ifndef SARVIK_READ_AND_INIT_PARAMETERS_H
#define SARVIK_READ_AND_INIT_PARAMETERS_H

int read_and_init_parameters(int argc, char** argv);

#endif
