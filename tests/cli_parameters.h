// The option reader of sarvik, its result made the calling thread's
// parameters (after the defaults of init_param), for tests of the core.
#ifndef SARVIK_TESTS_CLI_PARAMETERS_H
#define SARVIK_TESTS_CLI_PARAMETERS_H

#include "read_and_init_parameters.h"

int read_and_init_parameters(int argc, char** argv);

#endif
