#include "run_header.h"

#include "global-types-and-parameters.h"
#include "number2cstring.h"
#include "standard_streams.h"

namespace {

const char* separator() { return (global_print_sat_mode == 2 || global_print_sat_mode == 3) ? "\t" : " "; }

const char* yes_no(bool b) { return b ? "yes" : "no"; }

// prefix, label, separator: the start of every summary line.
void begin_line(FILE* f, const char* prefix, const char* label)
{
  general_PrintText(f, prefix);
  general_PrintMessage(f, label, separator());
}

void summary_line(FILE* f, const char* prefix, const char* label, const char* value)
{
  begin_line(f, prefix, label);
  general_PrintMessage(f, value, "\n");
}

// The same for values that are user data and must not be read as formats.
void summary_line_text(FILE* f, const char* prefix, const char* label, const std::string& value)
{
  begin_line(f, prefix, label);
  general_PrintText(f, value.c_str());
  general_PrintMessage(f, "\n");
}

// "maximum (<floor>, <a>+<b>*unitlength )"
void threshold_line(FILE* f, const char* prefix, const char* label, int floor_value, int a, float b)
{
  begin_line(f, prefix, label);
  general_PrintMessage(f, "maximum (", number2str(floor_value), ", ");
  general_PrintMessage(f, number2str(a), "+");
  general_PrintMessage(f, number2str(b), "*unitlength )\n");
}

const char* name_of(const char* const* names, int count, int value)
{
  // Out-of-range values read as the last wording, as the summary always did.
  return names[(value >= 0 && value < count) ? value : count - 1];
}

// BED and the catalog came later: values outside 0..6 still read as the last
// of the first five wordings.
const char* output_format_name(int value)
{
  return (value == 5 || value == 6) ? output_format_names[value] : name_of(output_format_names, 5, value);
}

}  // namespace

void sarvik_welcome(FILE* f)
{
  general_PrintMessage(f, "\n\n      Welcome to Sarvik, version " SARVIK_VERSION ",\n",
                       "      a search tool for microsatellites and satellites in DNA sequences.\n",
                       "      Sarvik is free software under the MIT licence and comes without any\n",
                       "      warranty. If you publish results obtained with it, please cite it.\n", "\n");
}

void creator_message(FILE* f, const char* prefix)
{
  general_PrintText(f, prefix);
  general_PrintMessage(f, "Results computed with:\n");
  general_PrintText(f, prefix);
  general_PrintMessage(f, "   Sarvik, version " SARVIK_VERSION "\n");
}

void print_search_parameters(FILE* f, const char* P)
{
  const bool imperfect_mode = global_search_mode != 0;

  summary_line(f, P, "Parameter settings used in this search:", "");
  summary_line_text(f, P, "Input file name:                        ",
                    names_standard_stream(global_input_filename) ? "standard input" : global_input_filename);
  if (!global_output_filename.empty() && !names_standard_stream(global_output_filename))
    summary_line_text(f, P, "Output file name:                       ", global_output_filename);

  begin_line(f, P, "   Sequence range to process:           ");
  general_PrintMessage(f, number2str(global_sequence_from), " - ");
  general_PrintMessage(f, global_sequence_to == 4294967295u ? "last sequence" : number2str(global_sequence_to), "\n");

  begin_line(f, P, "   Satellites searched for:             ");
  general_PrintMessage(f, name_of(search_mode_names, 3, global_search_mode));

  if (imperfect_mode) {
    summary_line(f, P, "   Recursion depth:                     ", number2str(global_maximum_recursion_depth));
    summary_line(f, P, "   Maximum score reduction:             ",
                 global_maximum_scorereduction == 2147483647 ? "-" : number2str(global_maximum_scorereduction));
  }
  summary_line(f, P, "   Minimum unit length:                 ", number2str(global_min_unit_length));
  summary_line(f, P, "   Maximum unit length:                 ", number2str(global_max_unit_length));
  threshold_line(f, P, "   Minimum score:                       ", global_min_score, global_min_score_a,
                 global_min_score_bx);
  threshold_line(f, P, "   Minimum length:                      ", global_min_length, global_min_length_a,
                 global_min_length_bx);

  begin_line(f, P, "   Min. to max. perfection range:       ");
  general_PrintMessage(f, number2str(global_min_perfection), " %% - ");
  general_PrintMessage(f, number2str(global_max_perfection), " %%\n");

  summary_line(f, P, "   Treat N's as:                        ", global_treat_Ns_as_missense ? "missense" : "neutral");
  summary_line(f, P, "   Max. succesive N's allowed:          ", number2str(global_Ns_allowed_in_a_row));
  if (imperfect_mode) {
    summary_line(f, P, "   Mismatch score:                      ", number2str(global_mismatch_score));
    summary_line(f, P, "   Indel score:                         ", number2str(global_indel_score));
  }
  summary_line(f, P, "   Show shorter (not longer) of two repeat variants with equal score: ",
               global_prefer_longer_repeat != 0 ? "no" : "yes");
  summary_line(f, P, "   Number of flanking nucletides:       ", number2str(global_flanking));
  summary_line(f, P, "   Remove mostly overlapping satellites:", yes_no(global_remove_mostly_hidden));
  summary_line(f, P, "   Write file with masked seq.:         ", yes_no(global_mask_repeats));
  summary_line(f, P, "   Computing perfections treat N's:     ",
               name_of(N_perfection_mode_names, 3, global_N_and_perfection_mode));
  summary_line(f, P, "   Report units as:                     ",
               name_of(report_unit_mode_names, 3, global_report_unit_mode));
  summary_line(f, P, "   Output format:                       ", output_format_name(global_print_sat_mode));
  summary_line(f, P, "   Print sequence mode:                 ",
               name_of(print_seq_mode_names, 3, global_print_sat_seq_mode));
  if (global_print_sat_mode == 2 || global_print_sat_mode == 3)
    summary_line(f, P, "   Print seq. info as comment:          ", yes_no(global_sequenceInfoAsComment));
}

void print_output_format(FILE* f, const char* P)
{
  if (global_print_sat_mode == 0 || global_print_sat_mode == 1) {
    static const char* const columns[] = {
        "%sColumn %2d: Repeat unit length\n",
        "%sColumn %2d: Position at which repeat starts in current sequence\n",
        "%sColumn %2d: Position at which repeat ends in current sequence\n",
        "%sColumn %2d: Length of repeat in original sequence, i.e. (end-start+1)\n",
        "%sColumn %2d: Normalized repeat length, i.e. (end-start+1-insertions+deletions)\n",
        "%sColumn %2d: Repeat score\n",
        "%sColumn %2d: Repeat perfection\n",
    };
    std::fprintf(f, "%s\n%sColumns in lines of output providing repeat information:\n", P, P);
    int n = 0;
    for (const char* c : columns) std::fprintf(f, c, P, ++n);
    if (global_print_sat_mode == 1) {
      std::fprintf(f, "%sColumn %2d: Number of mismatches\n", P, ++n);
      std::fprintf(f, "%sColumn %2d: Number of insertions\n", P, ++n);
      std::fprintf(f, "%sColumn %2d: Number of deletions\n", P, ++n);
      if (!global_treat_Ns_as_missense) std::fprintf(f, "%sColumn %2d: Number of N's\n", P, ++n);
    }
    std::fprintf(f, "%sColumn %2d: Repeat unit\n", P, ++n);
    std::fprintf(f, "%s\n", P);
  } else if (global_print_sat_mode == 3) {
    std::fputs("seq-name\tunit-length\tperfection\tstart\tend\tlength\trepeat-number\tscore\tmismatches\t"
               "insertions\tdeletions\tNs\tunit\trepeat-seq",
               f);
    if (global_flanking != 0) std::fputs("\tleft-flanking-seq\tright-flanking-seq", f);
    std::fputs("\n", f);
  } else if (global_print_sat_mode == 5) {
    // BED readers take a line that begins with '#' as a comment.
    std::fputs("#chrom\tstart\tend\tname\tscore\tstrand\tperiod\tcopies\tperfection\tmismatches\tinsertions\t"
               "deletions\tNs\n",
               f);
  }
}

bool output_has_run_header() { return global_print_sat_mode != 5 && global_print_sat_mode != 6; }

bool good_bye(FILE* f)
{
  if (global_print_sat_mode == 2)
    std::fputs("# End tandem repeats\n", f);
  else if (global_print_sat_mode != 4 && output_has_run_header())
    std::fputs("## Finished successfully. ##\n", f);
  // Never announce success for results that did not reach the file.
  if (std::fflush(f) != 0 || std::ferror(f)) return false;
  general_PrintMessage(stderr, "\nAnalysis finished successfully.\n\n", "Sarvik says goodbye.\n\n");
  std::fflush(stderr);
  return true;
}
