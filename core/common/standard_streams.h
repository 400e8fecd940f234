// On the command line "-" as the input or output file name stands for the
// standard input or output stream. The graphical program has no standard
// streams worth reading or writing, so there "-" stays an ordinary name.
#ifndef SARVIK_STANDARD_STREAMS_H
#define SARVIK_STANDARD_STREAMS_H

#include <string>

#include "run_frontend.h"

inline bool names_standard_stream(const std::string& file_name)
{
  return file_name == "-" && !is_graphical_program();
}

#endif
