// The command-line reader on arbitrary argument vectors: one argument per
// line of the input. Whatever it is given, it returns 0, -1 or -2 or ends
// the run the way the option library does (status 0 or 1); a set it accepts
// satisfies every check and runs a search without fault.
#include <tclap/CmdLine.h>

#include <cstring>
#include <string>
#include <vector>

#include "CSearchController.h"
#include "CSequence_Mol.h"
#include "fuzz_support.h"
#include "global-types-and-parameters.h"
#include "cli_parameters.h"

namespace {

// The library keeps the mark of "--" (ignore the rest) in a private,
// process-wide flag that no parse clears; the real program parses once, in
// a fresh process, so each input must start with it cleared. A private
// static is reachable through an explicit instantiation (where access is
// not checked).
bool& (*ignore_rest_flag)() = nullptr;
template <bool& (*F)()>
struct grab_ignore_rest {
  grab_ignore_rest() { ignore_rest_flag = F; }
  static grab_ignore_rest instance;
};
template <bool& (*F)()>
grab_ignore_rest<F> grab_ignore_rest<F>::instance;
template struct grab_ignore_rest<&TCLAP::Arg::ignoreRestRef>;

const char* const test_sequence =
    ">s test\nACACACACTCACACACGGCAGGTTACAGGTTACAGGTTANNACGTACGTAAAAAAAAAAAAAAGTGTGTGTNGTGTGTGTCTCTC"
    "TCTTTCTCTCTCATCATCATCAATCATCGNNNNNCGCGCGCGCGATATATATATAGGGGGGCCCCCCC\n";

// Runs the accepted parameter set once over a fixed record.
void run_search(CFile& file, FILE* null_out)
{
  file.open(global_input_filename.c_str());
  CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  seq.readFastaSequence(file);
  FUZZ_REQUIRE(!file.fail() || file.eof(), "the test record did not read");
  CSearchController::reset_minimum_arrays();
  {
    CSearchController c(1, seq);
    CsatContainer* found = &c.satList_imperfect;
    if (global_search_mode == 0) {
      c.exact_search_2();
      found = &c.satList_exact;
    } else if (global_search_mode == 1) {
      c.search_exact_and_extend_to_imperfect_repeats();
    } else {
      c.complete_imperfect_search(null_out);
    }
    c.remove_hidden(*found);
    c.report_SATList(null_out, *found);
  }
  CSearchController::reset_minimum_arrays();
  file.close();
}

void check_accepted()
{
  float S = std::max(static_cast<float>(global_min_score), global_min_score_a + global_min_score_bx);
  float L = std::max(static_cast<float>(global_min_length), global_min_length_a + global_min_length_bx);
  FUZZ_REQUIRE(S >= 2.0f || L >= 2.0f, "score and length bounds below 2 accepted");
  FUZZ_REQUIRE(global_mismatch_score <= -2 && global_indel_score <= -2, "scores %d %d accepted",
               global_mismatch_score, global_indel_score);
  FUZZ_REQUIRE(global_maximum_recursion_depth > 0, "depth %d accepted", global_maximum_recursion_depth);
  FUZZ_REQUIRE(global_min_unit_length >= 1 && global_min_unit_length <= global_max_unit_length &&
                   global_max_unit_length <= 1000000,
               "unit lengths %u..%u accepted", global_min_unit_length, global_max_unit_length);
  FUZZ_REQUIRE(global_Ns_allowed_in_a_row >= 0 && global_flanking >= 0, "negative succN or flanking kept");
  FUZZ_REQUIRE(global_search_mode >= 0 && global_search_mode <= 2, "search mode %d", global_search_mode);
  FUZZ_REQUIRE(!(global_mask_repeats && global_input_filename == "-"), "--maskX on the standard input accepted");
  FUZZ_REQUIRE(global_print_sat_mode >= 0 && global_print_sat_mode <= 6 && global_print_sat_seq_mode >= 0 &&
                   global_print_sat_seq_mode <= 2 && global_report_unit_mode >= 0 && global_report_unit_mode <= 2 &&
                   global_N_and_perfection_mode >= 0 && global_N_and_perfection_mode <= 2,
               "an enumerated value out of range accepted");
  FUZZ_REQUIRE(global_prefer_longer_repeat == 0 || global_prefer_longer_repeat == 1, "prefer longer %d",
               global_prefer_longer_repeat);
}

memory_file* file;
CFile* search_file;
FILE* null_out;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  quiet_program_output();
  set_option_exit_throws(true);
  file = new memory_file;
  file->write(test_sequence, std::strlen(test_sequence));
  search_file = new CFile;
  null_out = std::fopen("/dev/null", "w");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > 2000) return 0;
  std::vector<std::string> args{"sarvik"};
  std::string a;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      args.push_back(a);
      a.clear();
    } else {
      a += static_cast<char>(data[i]);
    }
  }
  if (size > 0) args.push_back(a);
  if (args.size() > 64) return 0;
  std::vector<char*> argv;
  for (std::string& s : args) argv.push_back(&s[0]);
  argv.push_back(nullptr);

  // As in a fresh process.
  ignore_rest_flag() = false;
  global_input_filename.clear();
  global_output_filename.clear();

  int r;
  try {
    r = read_and_init_parameters(static_cast<int>(args.size()), argv.data());
  } catch (TCLAP::ExitException& e) {
    FUZZ_REQUIRE(e.getExitStatus() == 0 || e.getExitStatus() == 1, "the library would exit with %d",
                 e.getExitStatus());
    return 0;
  }
  FUZZ_REQUIRE(r == 0 || r == -1 || r == -2, "read_and_init_parameters returned %d", r);
  if (r != 0) return 0;
  check_accepted();

  // Searches whose cost the depth or the unit length would blow up are the
  // user's choice, not a fault: run the rest.
  if (global_max_unit_length > 64 || global_maximum_recursion_depth > 7) return 0;
  global_input_filename = file->path();
  run_search(*search_file, null_out);
  return 0;
}
