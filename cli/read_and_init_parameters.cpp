#include "read_and_init_parameters.h"

#include <tclap/CmdLine.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sarvik/sarvik.hpp"

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

// Parses the command line into `p`, whose values are the defaults. The option
// objects live only inside this call.
void parse_options(int argc, char** argv, sarvik::Parameters& p)
{
  std::string version = std::string(sarvik::version()) + ".\nThis is a ";
  version += std::to_string(static_cast<int>(sizeof(void*) * 8));
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
      p.sequenceInfoAsComment);
  TCLAP::ValueArg<int> succN("N", "succN", "The maximum number of successive N's allowed in a satellite. Default: 2.",
                             false, p.succN, "int");
  TCLAP::SwitchArg NsAsMissense("", "NsAsMissense", "Treat N's as missense. Default: Treat N's as neutral with score 0.",
                                p.NsAsMissense);
  TCLAP::SwitchArg preferShorterRepeats(
      "", "preferShorterRepeats",
      "For two alignments of the same repeat that have the same score, Sarvik reports by default (since version "
      "3.3.9) the longer alignment. The longer alignment will have more mismatches/gaps and a lower perfection. "
      "With this option, Sarvik will choose the shorter of the two alignments instead of the longer. Sarvik will "
      "run faster with this option.",
      p.preferShorterRepeats);
  TCLAP::ValueArg<int> reportUnit(
      "", "reportUnit",
      "Repeat units can be reported in three different modes. 0: asIs, 1: Alphabetical normal form, 2: "
      "Alphabetical normal form also considering the reverse complement. Default: 2",
      false, p.reportUnit, "int");
  TCLAP::ValueArg<int> NPerfectionMode(
      "", "NPerfectionMode",
      "Sarvik provides different modes to treat N's when computing the perfection of a repeat. 0: asMismatch, 1: "
      "asNeutral, 2: asMatch. Default: 0",
      false, p.NPerfectionMode, "int");
  TCLAP::ValueArg<int> printRepeatSeqMode(
      "", "printRepeatSeqMode",
      "Sarvik provides different modes to print the repeat sequence along with its information. 0: don't print "
      "sequence, 1: print sequence, 2: print alignment.",
      false, p.printRepeatSeqMode, "int");
  TCLAP::ValueArg<int> outputFormat(
      "", "outputFormat",
      "Sarvik provides different output formats for printing the repeat information. 0: Sarvik output format, 1: "
      "extended Sarvik output format, 2: gff - general feature format, 3: one-per-line format, 4: as fasta "
      "sequence, 5: BED, 6: STR catalog (repeat definitions for long-read STR genotypers). Formats 5 and 6 hold "
      "the repeats only, without run header or end marker; the flanking, printRepeatSeqMode and "
      "sequenceInfoAsComment options do not apply to them.",
      false, p.outputFormat, "int");
  TCLAP::SwitchArg maskX(
      "", "maskX",
      "Writes the sequences to a file with the extension \".masked\" in which repeats are masked. Currently, this "
      "option has the sometime unwanted side effect of changing all ambiguity codes to Ns.",
      p.maskX);
  TCLAP::ValueArg<int> flanking(
      "f", "flanking",
      "If the satellite sequence is printed, this is the number of flanking nucleotides to be printed to the "
      "left and right of it. Default: 0",
      false, p.flanking, "int");
  TCLAP::ValueArg<float> minPerfection("", "minPerfection", "Minimum perfection of a satellites. Default: 0.", false,
                                       p.minPerfection, "float");
  TCLAP::ValueArg<float> maxPerfection("", "maxPerfection", "Maximum perfection of a satellites. Default: 100.",
                                       false, p.maxPerfection, "float");
  TCLAP::SwitchArg dontRemoveMostlyOverlapping(
      "D", "dontRemoveMostlyOverlapping",
      "Sarvik sometimes finds repeats that partially or completely overlap with other repeats, e.g. if "
      "alignments with alternative repeat patterns exist at the same locus in a sequence. The default is to "
      "remove one of any two mostly overlapping repeats in favour of that repeat with the highest score. With "
      "this option, Sarvik reports also repeats that mostly overlap with higher scoring repeats.",
      p.dontRemoveMostlyOverlapping);
  TCLAP::ValueArg<int> firstSeq("", "firstSeq", "Number of first sequence to be processed in this run.", false,
                                p.firstSeq, "int");
  TCLAP::ValueArg<int> lastSeq("", "lastSeq", "Number of last sequence to be processed in this run.", false,
                               p.lastSeq, "int");
  TCLAP::ValueArg<int> maximum_score_reduction(
      "R", "maximum_score_reduction",
      "The maximum amount the score can be reduced before search is aborded. Typical: 6*mismatch-penalty or "
      "infinite. Default: infinite",
      false, p.maximum_score_reduction, "int");
  TCLAP::ValueArg<int> recursion(
      "r", "recursion",
      "The recursion depth used in the search. Values in the range 3 to 7 are recommended. A value of 0 implies "
      "a search for perfect repeats only.",
      false, p.recursion, "int");
  TCLAP::ValueArg<unsigned> minUnitLen("u", "minUnitLen", "Minimum unit length. Default: 1", false,
                                       p.minUnitLen, "int");
  TCLAP::ValueArg<unsigned> maxUnitLen("U", "maxUnitLen", "Maximum unit length. Default: 10", false,
                                       p.maxUnitLen, "int");
  TCLAP::ValueArg<float> minLength_b("", "minLength_b",
                                     std::string(min_length_text) + "Default value of minLength_b: 0", false,
                                     p.minLength_b, "float");
  TCLAP::ValueArg<int> minLength_a("", "minLength_a",
                                   std::string(min_length_text) + "Default value of minLength_a: 0", false,
                                   p.minLength_a, "int");
  TCLAP::ValueArg<int> minLength("l", "minLength", std::string(min_length_text) + "Default value of minLength: 0",
                                 false, p.minLength, "int");
  TCLAP::ValueArg<float> minScore_b("", "minScore_b", std::string(min_score_text) + "Default value of minScore_b: 1",
                                    false, p.minScore_b, "float");
  TCLAP::ValueArg<int> minScore_a("", "minScore_a", std::string(min_score_text) + "Default value of minScore_a: 0",
                                  false, p.minScore_a, "int");
  TCLAP::ValueArg<int> minScore("s", "minScore", std::string(min_score_text) + "Default value of minScore: 6", false,
                                p.minScore, "int");
  TCLAP::ValueArg<int> mismatchScore("m", "mismatchScore",
                                     "Score for mismatch - must be negative. Default: -5. Match score is fixed to one.",
                                     false, p.mismatchScore, "int");
  TCLAP::ValueArg<int> indelScore("g", "indelScore",
                                  "Score for indels - must be negative. Default: -5. Match score is fixed to one.",
                                  false, p.indelScore, "int");
  std::vector<std::string> modes = {"exact", "extendExact", "imperfect"};
  TCLAP::ValuesConstraint<std::string> allowed_modes(modes);
  TCLAP::ValueArg<std::string> searchMode(
      "M", "searchMode",
      "Sarvik provides three different search modes. exact: Search for exact repeats, only. extendExact: Searches "
      "for exact repeats and extends them by inserting mismatches and indels. imperfect: Searches directly for "
      "imperfect repeats.",
      false, p.searchMode, &allowed_modes);
  TCLAP::ValueArg<int> threads("t", "threads",
                               "Number of worker threads. The results do not depend on it. Default: the number of "
                               "cores this process may run on.",
                               false, p.threads, "int");
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
    p.input = names[0];
  } else if (names.size() == 2) {
    p.input = names[0];
    p.output = names[1];
  }

  p.summary = summary.getValue();
  p.report = report.getValue();
  p.firstSeq = firstSeq.getValue();
  p.lastSeq = lastSeq.getValue();
  p.recursion = recursion.getValue();
  p.maximum_score_reduction = maximum_score_reduction.getValue();
  p.succN = succN.getValue();
  p.NsAsMissense = NsAsMissense.getValue();
  p.dontRemoveMostlyOverlapping = dontRemoveMostlyOverlapping.getValue();
  p.minUnitLen = minUnitLen.getValue();
  p.maxUnitLen = maxUnitLen.getValue();
  p.minLength = minLength.getValue();
  p.minLength_a = minLength_a.getValue();
  p.minLength_b = minLength_b.getValue();
  p.minScore = minScore.getValue();
  p.minScore_a = minScore_a.getValue();
  p.minScore_b = minScore_b.getValue();
  p.minPerfection = minPerfection.getValue();
  p.maxPerfection = maxPerfection.getValue();
  p.mismatchScore = mismatchScore.getValue();
  p.indelScore = indelScore.getValue();
  p.preferShorterRepeats = preferShorterRepeats.getValue();
  p.flanking = flanking.getValue();
  p.maskX = maskX.getValue();
  p.searchMode = searchMode.getValue();
  p.sequenceInfoAsComment = sequenceInfoAsComment.getValue();
  p.threads = threads.getValue();
  p.outputFormat = outputFormat.getValue();
  p.printRepeatSeqMode = printRepeatSeqMode.getValue();
  p.NPerfectionMode = NPerfectionMode.getValue();
  p.reportUnit = reportUnit.getValue();
}

}  // namespace

void set_option_exit_throws(bool on) { exit_throws = on; }

int read_parameters(int argc, char** argv, sarvik::Parameters& p)
{
  p = sarvik::Parameters();
  try {
    parse_options(argc, argv, p);
  } catch (TCLAP::ArgException& e) {
    std::fprintf(stderr, "Error: %s for arg %s\n", e.error().c_str(), e.argId().c_str());
    std::fflush(stderr);
    return -1;
  }
  if (sarvik::ParameterError e = sarvik::validate(p)) {
    std::fputs(e.message.c_str(), stderr);
    std::fflush(stderr);
    return e.code;
  }
  return 0;
}
