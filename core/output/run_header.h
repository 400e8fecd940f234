// The texts around the records: welcome banner, creator lines, parameter
// summary, column legend and end marker. `prefix` is "# " in the output file
// and "" on stderr.
#ifndef SARVIK_RUN_HEADER_H
#define SARVIK_RUN_HEADER_H

#include <cstdio>

void sarvik_welcome(FILE* f);
void creator_message(FILE* f, const char* prefix);
void print_search_parameters(FILE* f, const char* prefix);
void print_output_format(FILE* f, const char* prefix);
// False for the formats that other tools read as pure data, BED (5) and the
// STR catalog (6): their output holds no "# " run header and no end marker,
// only the records (and, in BED, one column header line).
bool output_has_run_header();
// End marker on `f`; on the command line also the closing messages on stderr.
// False, and no closing message, when `f` could not be written.
bool good_bye(FILE* f);

#endif
