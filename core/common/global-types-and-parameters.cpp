#include "global-types-and-parameters.h"

#include <cstring>

#include "CSearchController.h"
#include "run_frontend.h"
#include "worker_pool.h"

// Everything but the file names holds zero until init_param() or a caller
// sets it.
#define SARVIK_DEFINE_STRING(name) thread_local std::string name;
#define SARVIK_DEFINE_VALUE(type, name) SARVIK_PARAMETER_TLS type name;
SARVIK_STRING_PARAMETERS(SARVIK_DEFINE_STRING)
SARVIK_VALUE_PARAMETERS(SARVIK_DEFINE_VALUE)

ParameterSet ParameterSet::of_this_thread()
{
  ParameterSet p;
#define SARVIK_COPY_OUT_STRING(name) p.name = ::name;
#define SARVIK_COPY_OUT_VALUE(type, name) p.name = ::name;
  SARVIK_STRING_PARAMETERS(SARVIK_COPY_OUT_STRING)
  SARVIK_VALUE_PARAMETERS(SARVIK_COPY_OUT_VALUE)
  return p;
}

void ParameterSet::set_in_this_thread() const
{
#define SARVIK_COPY_IN_STRING(name) ::name = name;
#define SARVIK_COPY_IN_VALUE(type, name) ::name = name;
  SARVIK_STRING_PARAMETERS(SARVIK_COPY_IN_STRING)
  SARVIK_VALUE_PARAMETERS(SARVIK_COPY_IN_VALUE)
  CSearchController::reset_minimum_arrays();
}

const char* const search_mode_names[3] = {
    "exact repeats\n",
    "exact repeats which are extended to imperfect repeats\n",
    "imperfect repeats\n",
};

const char* const output_format_names[7] = {
    "sarvik format", "extended sarvik format", "gff", "one-per-line format", "fasta format", "bed format",
    "STR catalog format",
};

const char* const print_seq_mode_names[3] = {"don't print sequence", "print sequence", "print alignment"};

const char* const report_unit_mode_names[3] = {
    "as they are",
    "alphabetical normal form",
    "alphabetical normal form using reverse complement",
};

const char* const N_perfection_mode_names[3] = {"asMismatch", "asNeutral", "asMatch"};

void init_param()
{
  global_sequence_from = 1;
  global_sequence_to = static_cast<unsigned>(-1);
  global_search_mode = 2;

  global_min_unit_length = 1;
  global_max_unit_length = 10;

  global_min_score = 6;
  global_min_score_a = 0;
  global_min_score_bx = 1.0f;
  global_min_length = 0;
  global_min_length_a = 0;
  global_min_length_bx = 0.0f;

  global_min_perfection = 0.0f;
  global_max_perfection = 100.0f;

  global_mismatch_score = -5;
  global_indel_score = -5;
  global_maximum_recursion_depth = 5;
  global_maximum_scorereduction = 2147483647;

  global_treat_Ns_as_missense = false;
  global_Ns_allowed_in_a_row = 2;
  global_prefer_longer_repeat = 1;
  global_remove_mostly_hidden = true;
  global_mask_repeats = false;
  global_flanking = 0;

  global_N_and_perfection_mode = 0;
  global_report_unit_mode = 2;
  global_print_sat_mode = 1;
  global_print_sat_seq_mode = 2;
  global_sequenceInfoAsComment = false;
  global_threads = available_cores();
}

namespace {

// The pieces are printf formats without arguments. Writing them through
// printf would hand any stray conversion to printf with nothing to read, so
// copy the text and only collapse "%%"; a lone '%' is written as it is.
void write_format_piece(FILE* f, const char* s)
{
  while (*s) {
    const char* pct = std::strchr(s, '%');
    if (!pct) {
      std::fputs(s, f);
      return;
    }
    std::fwrite(s, 1, static_cast<size_t>(pct - s) + 1, f);
    s = pct[1] == '%' ? pct + 2 : pct + 1;
  }
}

bool suppressed(FILE* f) { return f == stderr && is_graphical_program(); }

}  // namespace

void PrintMessage(FILE* f, const char* a) { write_format_piece(f, a); }

void PrintMessage(FILE* f, const char* a, const char* b)
{
  write_format_piece(f, a);
  write_format_piece(f, b);
}

void PrintMessage(FILE* f, const char* a, const char* b, const char* c)
{
  PrintMessage(f, a, b);
  write_format_piece(f, c);
}

void PrintMessage(FILE* f, const char* a, const char* b, const char* c, const char* d)
{
  PrintMessage(f, a, b, c);
  write_format_piece(f, d);
}

void PrintMessage(FILE* f, const char* a, const char* b, const char* c, const char* d, const char* e)
{
  PrintMessage(f, a, b, c, d);
  write_format_piece(f, e);
}

void general_PrintMessage(FILE* f, const char* a)
{
  if (!suppressed(f)) PrintMessage(f, a);
}

void general_PrintMessage(FILE* f, const char* a, const char* b)
{
  if (!suppressed(f)) PrintMessage(f, a, b);
}

void general_PrintMessage(FILE* f, const char* a, const char* b, const char* c)
{
  if (!suppressed(f)) PrintMessage(f, a, b, c);
}

void general_PrintMessage(FILE* f, const char* a, const char* b, const char* c, const char* d)
{
  if (!suppressed(f)) PrintMessage(f, a, b, c, d);
}

void general_PrintMessage(FILE* f, const char* a, const char* b, const char* c, const char* d, const char* e)
{
  if (!suppressed(f)) PrintMessage(f, a, b, c, d, e);
}

void general_PrintText(FILE* f, const char* text)
{
  if (!suppressed(f)) std::fputs(text, f);
}
