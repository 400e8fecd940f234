// The parameter set of a search, and the message functions.
//
// Parameters are written before the first record is read (from the options
// of the caller) and only read afterwards.
#ifndef SARVIK_GLOBAL_TYPES_AND_PARAMETERS_H
#define SARVIK_GLOBAL_TYPES_AND_PARAMETERS_H

#include <cstdio>
#include <string>

#include "sarvik/sarvik.hpp"  // SARVIK_VERSION

// Each thread that searches holds its own copy of the parameters, so that
// two searches with different parameters may run side by side: the driver
// sets them in its thread, and a worker pool copies its creator's set into
// every worker (ParameterSet). The plain values are __thread, which needs no
// initialisation check on access: in a program one %fs-relative load, as
// cheap as a global. A shared library that may be loaded late (the Python
// module) defines SARVIK_DYNAMIC_TLS: the initial-exec model would make its
// whole TLS block static, which a late dlopen may not find room for.
#ifdef SARVIK_DYNAMIC_TLS
#define SARVIK_PARAMETER_TLS __thread
#else
#define SARVIK_PARAMETER_TLS __thread __attribute__((tls_model("initial-exec")))
#endif

// The file names are not read by the searches.
#define SARVIK_STRING_PARAMETERS(X) \
  X(global_input_filename)          \
  X(global_output_filename)         \
  X(global_summary_filename)        \
  X(global_report_filename)

#define SARVIK_VALUE_PARAMETERS(X)               \
  X(unsigned, global_sequence_from)              \
  X(unsigned, global_sequence_to)                \
  X(int, global_search_mode)                     \
  X(unsigned, global_min_unit_length)            \
  X(unsigned, global_max_unit_length)            \
  X(int, global_min_score)                       \
  X(int, global_min_score_a)                     \
  X(float, global_min_score_bx)                  \
  X(int, global_min_length)                      \
  X(int, global_min_length_a)                    \
  X(float, global_min_length_bx)                 \
  X(float, global_min_perfection)                \
  X(float, global_max_perfection)                \
  X(int, global_mismatch_score)                  \
  X(int, global_indel_score)                     \
  X(int, global_maximum_recursion_depth)         \
  X(int, global_maximum_scorereduction)          \
  X(bool, global_treat_Ns_as_missense)           \
  X(int, global_Ns_allowed_in_a_row)             \
  X(int, global_prefer_longer_repeat)            \
  X(bool, global_remove_mostly_hidden)           \
  X(bool, global_mask_repeats)                   \
  X(int, global_flanking)                        \
  X(int, global_N_and_perfection_mode)           \
  X(int, global_report_unit_mode)                \
  X(int, global_print_sat_mode)                  \
  X(int, global_print_sat_seq_mode)              \
  X(bool, global_sequenceInfoAsComment)          \
  X(unsigned, global_threads) /* worker threads of a run; never part of the output */

#define SARVIK_DECLARE_STRING(name) extern thread_local std::string name;
#define SARVIK_DECLARE_VALUE(type, name) extern SARVIK_PARAMETER_TLS type name;
SARVIK_STRING_PARAMETERS(SARVIK_DECLARE_STRING)
SARVIK_VALUE_PARAMETERS(SARVIK_DECLARE_VALUE)
#undef SARVIK_DECLARE_STRING
#undef SARVIK_DECLARE_VALUE

// A copy of the calling thread's parameters, to be set in another thread.
struct ParameterSet {
#define SARVIK_MEMBER_STRING(name) std::string name;
#define SARVIK_MEMBER_VALUE(type, name) type name;
  SARVIK_STRING_PARAMETERS(SARVIK_MEMBER_STRING)
  SARVIK_VALUE_PARAMETERS(SARVIK_MEMBER_VALUE)
#undef SARVIK_MEMBER_STRING
#undef SARVIK_MEMBER_VALUE

  static ParameterSet of_this_thread();
  // Sets them in the calling thread; the thresholds derived from the
  // previous set are dropped.
  void set_in_this_thread() const;
};

// Summary wordings of the enumerated values, indexed by value.
extern const char* const search_mode_names[3];
extern const char* const output_format_names[7];
extern const char* const print_seq_mode_names[3];
extern const char* const report_unit_mode_names[3];
extern const char* const N_perfection_mode_names[3];

// Loads every default except the two file names.
void init_param();

// Writes each piece as a printf format without arguments: "%%" gives "%".
// Pieces are fixed texts; user data (file names) goes through general_PrintText.
void PrintMessage(FILE* f, const char* a);
void PrintMessage(FILE* f, const char* a, const char* b);
void PrintMessage(FILE* f, const char* a, const char* b, const char* c);
void PrintMessage(FILE* f, const char* a, const char* b, const char* c, const char* d);
void PrintMessage(FILE* f, const char* a, const char* b, const char* c, const char* d, const char* e);

// As PrintMessage, except that the graphical program writes nothing to stderr.
void general_PrintMessage(FILE* f, const char* a);
void general_PrintMessage(FILE* f, const char* a, const char* b);
void general_PrintMessage(FILE* f, const char* a, const char* b, const char* c);
void general_PrintMessage(FILE* f, const char* a, const char* b, const char* c, const char* d);
void general_PrintMessage(FILE* f, const char* a, const char* b, const char* c, const char* d, const char* e);

// Writes `text` unchanged (no "%%" processing); nothing to stderr in the
// graphical program.
void general_PrintText(FILE* f, const char* text);

#endif
