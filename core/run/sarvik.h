// The analysis driver shared by both programs.
#ifndef SARVIK_SARVIK_H
#define SARVIK_SARVIK_H

#include <cstdio>
#include <string>

#include "sarvik/sarvik.hpp"

// Runs one analysis with the parameters already set: opens the files, writes
// the header, walks the records in range, searches and reports each, and
// returns one of the codes of sarvik::RunStatus.
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
