// The differential check of the production search engine against the
// reference engine (tests/oracle): the same sequence and parameters through
// both, compared record by record, field by field, then as written output in
// every format and as masked sequence.
#ifndef SARVIK_TESTS_EQUIVALENCE_ENGINE_DIFF_H
#define SARVIK_TESTS_EQUIVALENCE_ENGINE_DIFF_H

#include <cstdio>
#include <list>
#include <string>

#include "CSequence_Mol.h"
#include "Csat.h"
#include "random_cases.h"

// The first difference between two result lists over `text`, or "".
std::string first_record_difference(const std::list<Csat*>& production, const std::list<Csat*>& reference,
                                    const char* text);

// Runs both engines on `seq` with the parameters in the globals (the
// thresholds are recomputed). "" when everything agrees, else the first
// difference found. Leaves the sequence as it found it.
std::string first_engine_difference(CSequence_Mol& seq);

// A sequence record named `name` holding `text`.
void load_sequence(CSequence_Mol& seq, const std::string& name, const std::string& text);

// Applies the parameters, runs the check on one record and, on a difference,
// prints `label`, the sarvik command line and the difference to `report`
// and writes the record to `fasta_path` for a replay with the real program.
bool engines_agree(const SearchParams& params, CSequence_Mol& seq, const std::string& label,
                   const std::string& fasta_path, FILE* report);

// One random case, its failing input written to equivalence-<seed>.fa.
bool random_case_agrees(const RandomCase& c, FILE* report);
// Writes the case to equivalence-<seed>.fa and its sarvik command line to
// `report`, running neither engine (for a case that does not finish).
void write_random_case(const RandomCase& c, FILE* report);

#endif
