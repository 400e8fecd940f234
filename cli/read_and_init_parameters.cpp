#include "read_and_init_parameters.h"

#include <tclap/CmdLine.h>

#include <cstdio>
#include <string>
#include <vector>

#include "global-types-and-parameters.h"
#include "number2cstring.h"
#include "standard_streams.h"

namespace {

bool exit_throws = false;

const char* const min_length_text =
    "The minimum length of a repeat is determined with: maximum( minLength, minLength_a + "
    "minLength_b*(unit-length) ). ";
const char* const min_score_text =
    "The minimum score of a repeat is determined with: maximum( minScore, minScore_a + "
    "minScore_b*(unit-length) ). ";

// The unlabeled file names. The library hands every argument that no option
// claims to this list, so a mistyped option would silently become a file
// name; refuse those (a name may still begin with '-' after "--").
class file_name_list : public TCLAP::UnlabeledMultiArg<std::string> {
 public:
  using TCLAP::UnlabeledMultiArg<std::string>::UnlabeledMultiArg;

  bool processArg(int* i, std::vector<std::string>& args) override
  {
    const std::string& a = args[*i];
    if (!TCLAP::Arg::ignoreRest() && a.size() > 1 && a[0] == '-') return false;
    return TCLAP::UnlabeledMultiArg<std::string>::processArg(i, args);
  }
};

const char* search_mode_word(int mode)
{
  if (mode == 0) return "exact";
  if (mode == 1) return "extendExact";
  return "imperfect";
}

void report_unknown(const char* article_and_option, int value)
{
  std::fputs("Sorry, a problem occured when parsing the command line options. ", stderr);
  std::fputs(article_and_option, stderr);
  std::fputs(" with a value of ", stderr);
  std::fputs(number2str(value), stderr);
  std::fputs(" is unknown.\n\n", stderr);
  std::fflush(stderr);
}

void report_unknown_option_value(const char* option, int value)
{
  std::fputs("Sorry, a problem occured when parsing the command line options. An option value of ", stderr);
  std::fputs(number2str(value), stderr);
  std::fputs(" for the ", stderr);
  std::fputs(option, stderr);
  std::fputs(" option is unknown.\n\n", stderr);
  std::fflush(stderr);
}

int refuse(const char* message)
{
  std::fputs(message, stderr);
  std::fflush(stderr);
  return -1;
}

// Parses the command line into the parameters. Returns 0, or -2 for an
// unknown enumerated value. The option objects live only inside this call.
int parse_options(int argc, char** argv)
{
  std::string version = std::string(SARVIK_VERSION) + ".\nThis is a ";
  version += number2str(static_cast<int>(sizeof(void*) * 8));
  version += " bit version of Sarvik.";

  TCLAP::CmdLine cmd("This program searches for tandemly repeated patterns in DNA sequences.", ' ', version);

  TCLAP::ValueArg<std::string> summary(
      "", "summary",
      "Also write a summary of the run to this file (tab-separated): per unit length the number of repeats, the "
      "nucleotides they cover, their share of the input, median length and copy number, and the counts per "
      "perfection band, with a total row and the input size. Works with every output format and search mode. "
      "\"-\" writes it to the standard output when the results go to a file.",
      false, "", "file");
  TCLAP::ValueArg<std::string> report(
      "", "report",
      "Also write a report of the run to this file: one self-contained HTML page with the summary table and "
      "plots (repeats and covered nucleotides per unit length, repeat lengths, the most frequent units, "
      "perfection, repeat density along the longest records), readable offline.",
      false, "", "file.html");
  TCLAP::SwitchArg sequenceInfoAsComment(
      "", "sequenceInfoAsComment",
      "In the GFF and one-per-line output modes, show additional sequence information in the output file as "
      "a comment.",
      global_sequenceInfoAsComment);
  TCLAP::ValueArg<int> succN("N", "succN", "The maximum number of successive N's allowed in a satellite. Default: 2.",
                             false, global_Ns_allowed_in_a_row, "int");
  TCLAP::SwitchArg NsAsMissense("", "NsAsMissense", "Treat N's as missense. Default: Treat N's as neutral with score 0.",
                                global_treat_Ns_as_missense);
  TCLAP::SwitchArg preferShorterRepeats(
      "", "preferShorterRepeats",
      "For two alignments of the same repeat that have the same score, Sarvik reports by default (since version "
      "3.3.9) the longer alignment. The longer alignment will have more mismatches/gaps and a lower perfection. "
      "With this option, Sarvik will choose the shorter of the two alignments instead of the longer. Sarvik will "
      "run faster with this option.",
      !global_prefer_longer_repeat);
  TCLAP::ValueArg<int> reportUnit(
      "", "reportUnit",
      "Repeat units can be reported in three different modes. 0: asIs, 1: Alphabetical normal form, 2: "
      "Alphabetical normal form also considering the reverse complement. Default: 2",
      false, global_report_unit_mode, "int");
  TCLAP::ValueArg<int> NPerfectionMode(
      "", "NPerfectionMode",
      "Sarvik provides different modes to treat N's when computing the perfection of a repeat. 0: asMismatch, 1: "
      "asNeutral, 2: asMatch. Default: 0",
      false, global_N_and_perfection_mode, "int");
  TCLAP::ValueArg<int> printRepeatSeqMode(
      "", "printRepeatSeqMode",
      "Sarvik provides different modes to print the repeat sequence along with its information. 0: don't print "
      "sequence, 1: print sequence, 2: print alignment.",
      false, global_print_sat_seq_mode, "int");
  TCLAP::ValueArg<int> outputFormat(
      "", "outputFormat",
      "Sarvik provides different output formats for printing the repeat information. 0: Sarvik output format, 1: "
      "extended Sarvik output format, 2: gff - general feature format, 3: one-per-line format, 4: as fasta "
      "sequence, 5: BED, 6: STR catalog (repeat definitions for long-read STR genotypers). Formats 5 and 6 hold "
      "the repeats only, without run header or end marker; the flanking, printRepeatSeqMode and "
      "sequenceInfoAsComment options do not apply to them.",
      false, global_print_sat_mode, "int");
  TCLAP::SwitchArg maskX(
      "", "maskX",
      "Writes the sequences to a file with the extension \".masked\" in which repeats are masked. Currently, this "
      "option has the sometime unwanted side effect of changing all ambiguity codes to Ns.",
      global_mask_repeats);
  TCLAP::ValueArg<int> flanking(
      "f", "flanking",
      "If the satellite sequence is printed, this is the number of flanking nucleotides to be printed to the "
      "left and right of it. Default: 0",
      false, global_flanking, "int");
  TCLAP::ValueArg<float> minPerfection("", "minPerfection", "Minimum perfection of a satellites. Default: 0.", false,
                                       global_min_perfection, "float");
  TCLAP::ValueArg<float> maxPerfection("", "maxPerfection", "Maximum perfection of a satellites. Default: 100.",
                                       false, global_max_perfection, "float");
  TCLAP::SwitchArg dontRemoveMostlyOverlapping(
      "D", "dontRemoveMostlyOverlapping",
      "Sarvik sometimes finds repeats that partially or completely overlap with other repeats, e.g. if "
      "alignments with alternative repeat patterns exist at the same locus in a sequence. The default is to "
      "remove one of any two mostly overlapping repeats in favour of that repeat with the highest score. With "
      "this option, Sarvik reports also repeats that mostly overlap with higher scoring repeats.",
      global_remove_mostly_hidden);
  TCLAP::ValueArg<int> firstSeq("", "firstSeq", "Number of first sequence to be processed in this run.", false,
                                static_cast<int>(global_sequence_from), "int");
  TCLAP::ValueArg<int> lastSeq("", "lastSeq", "Number of last sequence to be processed in this run.", false,
                               static_cast<int>(global_sequence_to), "int");
  TCLAP::ValueArg<int> maximum_score_reduction(
      "R", "maximum_score_reduction",
      "The maximum amount the score can be reduced before search is aborded. Typical: 6*mismatch-penalty or "
      "infinite. Default: infinite",
      false, global_maximum_scorereduction, "int");
  TCLAP::ValueArg<int> recursion(
      "r", "recursion",
      "The recursion depth used in the search. Values in the range 3 to 7 are recommended. A value of 0 implies "
      "a search for perfect repeats only.",
      false, global_maximum_recursion_depth, "int");
  TCLAP::ValueArg<unsigned> minUnitLen("u", "minUnitLen", "Minimum unit length. Default: 1", false,
                                       global_min_unit_length, "int");
  TCLAP::ValueArg<unsigned> maxUnitLen("U", "maxUnitLen", "Maximum unit length. Default: 10", false,
                                       global_max_unit_length, "int");
  TCLAP::ValueArg<float> minLength_b("", "minLength_b",
                                     std::string(min_length_text) + "Default value of minLength_b: 0", false,
                                     global_min_length_bx, "float");
  TCLAP::ValueArg<int> minLength_a("", "minLength_a",
                                   std::string(min_length_text) + "Default value of minLength_a: 0", false,
                                   global_min_length_a, "int");
  TCLAP::ValueArg<int> minLength("l", "minLength", std::string(min_length_text) + "Default value of minLength: 0",
                                 false, global_min_length, "int");
  TCLAP::ValueArg<float> minScore_b("", "minScore_b", std::string(min_score_text) + "Default value of minScore_b: 1",
                                    false, global_min_score_bx, "float");
  TCLAP::ValueArg<int> minScore_a("", "minScore_a", std::string(min_score_text) + "Default value of minScore_a: 0",
                                  false, global_min_score_a, "int");
  TCLAP::ValueArg<int> minScore("s", "minScore", std::string(min_score_text) + "Default value of minScore: 6", false,
                                global_min_score, "int");
  TCLAP::ValueArg<int> mismatchScore("m", "mismatchScore",
                                     "Score for mismatch - must be negative. Default: -5. Match score is fixed to one.",
                                     false, global_mismatch_score, "int");
  TCLAP::ValueArg<int> indelScore("g", "indelScore",
                                  "Score for indels - must be negative. Default: -5. Match score is fixed to one.",
                                  false, global_indel_score, "int");
  std::vector<std::string> modes = {"exact", "extendExact", "imperfect"};
  TCLAP::ValuesConstraint<std::string> allowed_modes(modes);
  TCLAP::ValueArg<std::string> searchMode(
      "M", "searchMode",
      "Sarvik provides three different search modes. exact: Search for exact repeats, only. extendExact: Searches "
      "for exact repeats and extends them by inserting mismatches and indels. imperfect: Searches directly for "
      "imperfect repeats.",
      false, search_mode_word(global_search_mode), &allowed_modes);
  TCLAP::ValueArg<int> threads("t", "threads",
                               "Number of worker threads. The results do not depend on it. Default: the number of "
                               "cores this process may run on.",
                               false, static_cast<int>(global_threads), "int");
  file_name_list iofiles(
      "iofiles",
      "Sarvik requires either one or two file names as parameters. The first must be the input file in FASTA "
      "format. If a second file is specified, output is written to it. If no second file is given, output is "
      "written to the console. A file name of - stands for the standard input (plain or gzip) or the standard "
      "output.",
      true, "Input and output filenames");

  TCLAP::Arg* const in_order[] = {
      &summary,               &report,
      &sequenceInfoAsComment, &succN,       &NsAsMissense,
      &preferShorterRepeats,  &reportUnit,  &NPerfectionMode,
      &printRepeatSeqMode,    &outputFormat, &maskX,
      &flanking,              &minPerfection, &maxPerfection,
      &dontRemoveMostlyOverlapping, &firstSeq, &lastSeq,
      &maximum_score_reduction, &recursion, &minUnitLen,
      &maxUnitLen,            &minLength_b, &minLength_a,
      &minLength,             &minScore_b,  &minScore_a,
      &minScore,              &mismatchScore, &indelScore,
      &searchMode,            &threads,     &iofiles,
  };
  for (TCLAP::Arg* a : in_order) cmd.add(a);

  if (exit_throws) {
    cmd.setExceptionHandling(false);
    try {
      cmd.parse(argc, argv);
    } catch (TCLAP::ArgException& e) {
      cmd.getOutput()->failure(cmd, e);  // the parse-error text, then ExitException(1)
    }
  } else {
    cmd.parse(argc, argv);
  }

  const std::vector<std::string>& names = iofiles.getValue();
  if (names.size() == 1) {
    global_input_filename = names[0];
  } else if (names.size() == 2) {
    global_input_filename = names[0];
    global_output_filename = names[1];
  }

  global_summary_filename = summary.getValue();
  global_report_filename = report.getValue();
  global_sequence_from = static_cast<unsigned>(firstSeq.getValue());
  global_sequence_to = static_cast<unsigned>(lastSeq.getValue());
  global_maximum_recursion_depth = recursion.getValue();
  global_maximum_scorereduction = maximum_score_reduction.getValue();
  global_Ns_allowed_in_a_row = succN.getValue();
  global_treat_Ns_as_missense = NsAsMissense.getValue();
  global_remove_mostly_hidden = dontRemoveMostlyOverlapping.getValue();
  global_min_unit_length = minUnitLen.getValue();
  global_max_unit_length = maxUnitLen.getValue();
  global_min_length = minLength.getValue();
  global_min_length_a = minLength_a.getValue();
  global_min_length_bx = minLength_b.getValue();
  global_min_score = minScore.getValue();
  global_min_score_a = minScore_a.getValue();
  global_min_score_bx = minScore_b.getValue();
  global_min_perfection = minPerfection.getValue();
  global_max_perfection = maxPerfection.getValue();
  global_mismatch_score = mismatchScore.getValue();
  global_indel_score = indelScore.getValue();
  global_prefer_longer_repeat = preferShorterRepeats.getValue() ? 0 : 1;
  global_flanking = flanking.getValue();
  global_mask_repeats = maskX.getValue();
  const std::string& mode = searchMode.getValue();
  global_search_mode = mode == "exact" ? 0 : mode == "extendExact" ? 1 : 2;
  global_sequenceInfoAsComment = sequenceInfoAsComment.getValue();
  if (threads.getValue() < 1) return refuse("Sorry, the number of threads must be at least 1.\n");
  global_threads = static_cast<unsigned>(threads.getValue());

  int v = outputFormat.getValue();
  if (v < 0 || v > 6) {
    report_unknown("An outputFormat", v);
    return -2;
  }
  global_print_sat_mode = v;

  v = printRepeatSeqMode.getValue();
  if (v < 0 || v > 2) {
    report_unknown("A printRepeatSeqMode", v);
    return -2;
  }
  global_print_sat_seq_mode = v;

  v = NPerfectionMode.getValue();
  if (v < 0 || v > 2) {
    report_unknown_option_value("NPerfectionMode", v);
    return -2;
  }
  global_N_and_perfection_mode = v;

  v = reportUnit.getValue();
  if (v < 0 || v > 2) {
    report_unknown_option_value("reportUnit", v);
    return -2;
  }
  global_report_unit_mode = v;
  return 0;
}

int validate_parameters()
{
  // The bounds for a unit length of 1, in the precision of the thresholds.
  float score_bound = static_cast<float>(global_min_score_a) + global_min_score_bx;
  float length_bound = static_cast<float>(global_min_length_a) + global_min_length_bx;
  float S = static_cast<float>(global_min_score) > score_bound ? static_cast<float>(global_min_score) : score_bound;
  float L =
      static_cast<float>(global_min_length) > length_bound ? static_cast<float>(global_min_length) : length_bound;
  if (S < 2.0f && L < 2.0f) return refuse("Sorry, either the minimum score or the minimum length must be larger.\n");

  if (global_mismatch_score > -2) return refuse("Sorry, the mismatch score must be smaller or equal to -2.\n");
  if (global_indel_score > -2) return refuse("Sorry, the indel score must be smaller or equal to -2.\n");

  if (global_Ns_allowed_in_a_row < 0) global_Ns_allowed_in_a_row = 0;
  if (global_flanking < 0) global_flanking = 0;

  if (global_maximum_recursion_depth <= 0)
    return refuse(
        "Sorry, the recursion depth must be greater than 0.\nA value of 0 would corresponds to a perfect "
        "search.\n");

  if (global_max_unit_length < global_min_unit_length)
    return refuse(
        "I think you have made a mistake here: The maximum unit length must be greater\nor equal to the minimum "
        "unit length.\n");

  // The threshold arrays have one entry per unit length up to the maximum.
  if (global_max_unit_length > 1000000)
    return refuse("Sorry, the maximum unit length must not be larger than 1000000.\n");

  // A unit of length 0 would make every window empty.
  if (global_min_unit_length == 0) return refuse("Sorry, the minimum unit length must be at least 1.\n");

  // The masked file is named after the input file, and a stream has no name.
  if (global_mask_repeats && names_standard_stream(global_input_filename))
    return refuse(
        "Sorry, --maskX cannot be used when the input is the standard input: the masked-sequence file is named\n"
        "after the input file. Give the input as a file name instead.\n");

  return 0;
}

}  // namespace

void set_option_exit_throws(bool on) { exit_throws = on; }

int read_and_init_parameters(int argc, char** argv)
{
  init_param();

  try {
    int r = parse_options(argc, argv);
    if (r != 0) return r;
  } catch (TCLAP::ArgException& e) {
    std::fprintf(stderr, "Error: %s for arg %s\n", e.error().c_str(), e.argId().c_str());
    std::fflush(stderr);
    return -1;
  }

  return validate_parameters();
}
