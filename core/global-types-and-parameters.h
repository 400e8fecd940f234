// The one process-wide parameter set of a run, and the message functions.
//
// Parameters are written before the first record is read (by the option
// reader of sarvik or by the window of sarvik_gui) and only read afterwards.
#ifndef SARVIK_GLOBAL_TYPES_AND_PARAMETERS_H
#define SARVIK_GLOBAL_TYPES_AND_PARAMETERS_H

#include <cstdio>
#include <string>

#define SARVIK_VERSION "3.3.10"

extern std::string global_input_filename;
extern std::string global_output_filename;
// Optional run summary (TSV) and HTML report; empty: not written.
extern std::string global_summary_filename;
extern std::string global_report_filename;

extern unsigned global_sequence_from;
extern unsigned global_sequence_to;
extern int global_search_mode;

extern unsigned global_min_unit_length;
extern unsigned global_max_unit_length;

extern int global_min_score;
extern int global_min_score_a;
extern float global_min_score_bx;
extern int global_min_length;
extern int global_min_length_a;
extern float global_min_length_bx;

extern float global_min_perfection;
extern float global_max_perfection;

extern int global_mismatch_score;
extern int global_indel_score;
extern int global_maximum_recursion_depth;
extern int global_maximum_scorereduction;

extern bool global_treat_Ns_as_missense;
extern int global_Ns_allowed_in_a_row;
extern int global_prefer_longer_repeat;
extern bool global_remove_mostly_hidden;
extern bool global_mask_repeats;
extern int global_flanking;

extern int global_N_and_perfection_mode;
extern int global_report_unit_mode;
extern int global_print_sat_mode;
extern int global_print_sat_seq_mode;
extern bool global_sequenceInfoAsComment;

// Worker threads of a run (1: the serial search). Never part of the output.
extern unsigned global_threads;

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
