// The analysis driver shared by both programs.
#ifndef SARVIK_SARVIK_H
#define SARVIK_SARVIK_H

#include <cstdio>
#include <string>

// Status codes of a run; the command-line exit status is the code mod 256.
enum {
  status_finished = 0,
  status_stopped = 1,
  status_bad_parameter = -1,
  status_bad_enum_value = -2,
  status_read_error = -25,
  status_input_not_opened = -101,
  status_output_not_opened = -102,
  status_masked_not_opened = -103,
  status_write_failed = -104,
};

// Runs one analysis with the parameters already set: opens the files, writes
// the header, walks the records in range, searches and reports each, and
// returns one of the codes above.
int run_sarvik_analysis();

class CFile;
class CSequence_Mol;
// The message of a read error that stopped `input` in the record `seq`
// (without a final line end).
std::string read_error_message(const CFile& input, const CSequence_Mol& seq);

class CSearchController;
class CsatContainer;
// Searches the controller's record and thins out its results: the list
// that is written, as the program and the streaming reader both need it.
CsatContainer& search_record(CSearchController& controller, FILE* out);

#endif
