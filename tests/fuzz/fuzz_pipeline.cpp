// The per-record pipeline on arbitrary sequences: read, search, check every
// record found, remove mostly overlapping repeats, write them in the chosen
// format, mask. The first bytes choose the parameters (always a set the
// option checks would accept); one input in two also runs the whole driver.
//
// Input: 18 parameter bytes, then either FASTA text or (flag) raw bytes that
// become one record over A, C, G, T and N.
#include <unistd.h>

#include <climits>
#include <cstring>
#include <list>
#include <memory>
#include <string>

#include "CFile.h"
#include "CSearchController.h"
#include "CSequence_Mol.h"
#include "fuzz_support.h"
#include "global-types-and-parameters.h"
#include "sarvik.h"
#include "walk_sharing.h"

namespace {

const size_t header_size = 18;
const size_t max_sequence_bytes = 3000;  // keeps one run in the milliseconds

struct Setup {
  bool run_driver;
  bool raw_sequence;
};

// Every parameter from its own byte, so a mutation of one byte changes one
// parameter. The ranges cover the option checks' limits and a little past
// the usual values (long flanks, perfection ranges beyond 0..100).
Setup draw_parameters(const uint8_t* h)
{
  init_param();
  global_search_mode = h[0] % 3;
  global_min_unit_length = 1 + h[1] % 12;
  global_max_unit_length = global_min_unit_length + h[2] % (13 - global_min_unit_length);
  global_mismatch_score = -2 - h[3] % 9;
  global_indel_score = -2 - h[4] % 9;
  global_maximum_recursion_depth = 1 + h[5] % 6;
  global_maximum_scorereduction = h[6] < 128 ? INT_MAX : h[6] % 64;
  global_Ns_allowed_in_a_row = h[7] % 5;
  global_treat_Ns_as_missense = h[7] & 0x80;
  global_prefer_longer_repeat = h[7] & 0x40 ? 0 : 1;
  global_remove_mostly_hidden = !(h[7] & 0x20);
  global_sequenceInfoAsComment = h[7] & 0x10;
  global_min_score = h[8] % 24 - 4;
  global_min_score_a = h[9] % 11 - 5;
  global_min_score_bx = (h[10] % 13) / 4.0f;
  global_min_length = h[11] % 40;
  global_min_length_a = h[12] % 11 - 5;
  global_min_length_bx = (h[12] / 11 % 13) / 3.0f;
  static const int long_flanks[6] = {1000, 100000, 1 << 20, 1 << 30, INT_MAX - 1, INT_MAX};
  global_flanking = h[13] < 250 ? h[13] % 40 : long_flanks[h[13] - 250];
  global_print_sat_mode = h[14] % 7;
  global_print_sat_seq_mode = h[14] / 7 % 3;
  global_report_unit_mode = h[14] / 21 % 3;
  global_N_and_perfection_mode = h[14] / 63 % 3;
  global_min_perfection = h[15] < 200 ? 0.0f : (h[15] - 200) * 2.0f;
  global_max_perfection = h[16] < 200 ? 100.0f : (h[16] - 200) * 2.0f;
  global_mask_repeats = h[17] & 1;
  global_sequence_from = h[17] >> 1 & 3;
  global_sequence_to = (h[17] >> 3 & 3) == 3 ? UINT_MAX : global_sequence_from + (h[17] >> 3 & 3);

  // The option checks refuse a run in which both bounds for unit length 1
  // stay below 2.
  float S = std::max(static_cast<float>(global_min_score), global_min_score_a + global_min_score_bx);
  float L = std::max(static_cast<float>(global_min_length), global_min_length_a + global_min_length_bx);
  if (S < 2.0f && L < 2.0f) global_min_score = 2;

  CSearchController::reset_minimum_arrays();
  return {static_cast<bool>(h[0] & 0x80), static_cast<bool>(h[0] & 0x40)};
}

// Is the alignment that a record describes real? Walks the repeat against
// the endless repetition of its unit, taking the missense entries as the
// alignment events, and recounts what the record claims.
void check_record(const Csat& s, const CSequence_Mol& seq)
{
  const char* const text = seq.seq_text.data;
  const char* const text_end = text + seq.seq_text.len;
  FUZZ_REQUIRE(text <= s.start && s.start < s.end && s.end <= text_end, "record [%ld, %ld) outside [0, %u)",
               static_cast<long>(s.start - text), static_cast<long>(s.end - text), seq.seq_text.len);
  FUZZ_REQUIRE(text <= s.unit_begin && s.unit_begin < s.unit_end && s.unit_end <= text_end, "unit outside the text");
  const unsigned k = s.unit_length();
  FUZZ_REQUIRE(k >= global_min_unit_length && k <= global_max_unit_length, "unit length %u", k);
  FUZZ_REQUIRE(s.unit_fwd >= s.unit_begin && s.unit_fwd < s.unit_end, "unit_fwd outside the unit");
  FUZZ_REQUIRE(s.unit_bwd >= s.unit_begin && s.unit_bwd < s.unit_end, "unit_bwd outside the unit");
  bool mixed = k == 1;
  for (const char* u = s.unit_begin; u != s.unit_end; ++u) {
    FUZZ_REQUIRE(*u != 'N', "unit holds an N");
    if (*u != *s.unit_begin) mixed = true;
  }
  FUZZ_REQUIRE(mixed, "unit of %u equal letters", k);
  FUZZ_REQUIRE(*s.start != 'N' && s.end[-1] != 'N', "record starts or ends with N");
  FUZZ_REQUIRE(s.score >= CSearchController::minScores_user[k], "score %d below %d", s.score,
               CSearchController::minScores_user[k]);
  FUZZ_REQUIRE(s.normalized_length() >= CSearchController::minLengths_user[k], "length %d below %d",
               s.normalized_length(), CSearchController::minLengths_user[k]);
  if (global_search_mode == 0)
    FUZZ_REQUIRE(s.missense_list.count == 0 && s.mismatches == 0 && s.insertions == 0 && s.deletions == 0,
                 "an exact repeat with alignment events");

  const bool neutral_Ns = !global_treat_Ns_as_missense && global_Ns_allowed_in_a_row > 0;
  const char* u = s.unit_bwd + 1 == s.unit_end ? s.unit_begin : s.unit_bwd + 1;
  auto advance = [&] {
    if (++u == s.unit_end) u = s.unit_begin;
  };
  const missense_entry* e = s.missense_list.begin();
  const missense_entry* const e_end = s.missense_list.end();
  int matches = 0, Ns = 0, M = 0, I = 0, D = 0, run = 0;
  for (const missense_entry* x = e; x != e_end; ++x) {
    FUZZ_REQUIRE(x->pos >= s.start && x->pos < s.end, "entry at %ld outside the repeat",
                 static_cast<long>(x->pos - text));
    if (x != e) FUZZ_REQUIRE(!Csat::lessThan_missense(*x, x[-1]), "missense list not sorted");
  }
  for (const char* p = s.start; p != s.end;) {
    const long at = static_cast<long>(p - text);
    if (e != e_end && e->pos == p) {
      run = 0;
      switch (e->kind) {
        case 'D':
          ++D;
          advance();
          break;
        case 'I':
          ++I;
          ++p;
          break;
        case 'M':
          FUZZ_REQUIRE(*p != *u, "mismatch at %ld on a matching character", at);
          ++M;
          ++p;
          advance();
          break;
        default:
          FUZZ_REQUIRE(false, "entry kind %d", e->kind);
      }
      ++e;
      continue;
    }
    if (*p == *u) {
      ++matches;
      run = 0;
    } else {
      FUZZ_REQUIRE(*p == 'N' && neutral_Ns, "character %ld ('%c') differs from the unit ('%c') without an entry", at,
                   *p, *u);
      ++Ns;
      FUZZ_REQUIRE(++run <= global_Ns_allowed_in_a_row, "a run of more than %d N's", global_Ns_allowed_in_a_row);
    }
    ++p;
    advance();
  }
  FUZZ_REQUIRE(e == e_end, "entries left after the end");
  FUZZ_REQUIRE(u == s.unit_fwd, "unit phase at the end is %ld, record says %ld", static_cast<long>(u - s.unit_begin),
               static_cast<long>(s.unit_fwd - s.unit_begin));
  FUZZ_REQUIRE(M == s.mismatches && I == s.insertions && D == s.deletions && Ns == s.Ns,
               "counts M%d I%d D%d N%d, record says M%d I%d D%d N%d", M, I, D, Ns, s.mismatches, s.insertions,
               s.deletions, s.Ns);
  // The seed window, always inside the repeat, scores nothing itself.
  const int score = matches - static_cast<int>(k) + M * global_mismatch_score + (I + D) * global_indel_score;
  FUZZ_REQUIRE(score == s.score, "score recounted %d, record says %d", score, s.score);
}

// Every record survives the searches' own tests; the list is sorted.
void check_list(const std::list<Csat*>& list, const CSequence_Mol& seq)
{
  const Csat* prev = nullptr;
  for (Csat* s : list) {
    // Long entry lists are dropped by the searches; the writer walks them again.
    restore_entries(*s, seq.seq_text.data, seq.seq_text.len);
    check_record(*s, seq);
    release_entries(*s);
    if (prev) FUZZ_REQUIRE(!lessThan_sat(s, prev), "result list not sorted");
    prev = s;
  }
}

// After overlap removal no two overlapping records remain of which one lies
// mostly inside the overlap.
void check_no_hidden(const std::list<Csat*>& list)
{
  for (auto a = list.begin(); a != list.end(); ++a)
    for (auto b = std::next(a); b != list.end() && (*b)->start < (*a)->end; ++b) {
      unsigned ov = static_cast<unsigned>(std::min((*a)->end, (*b)->end) - (*b)->start);
      FUZZ_REQUIRE((*a)->length() >= ov + (*a)->unit_length() && (*b)->length() >= ov + (*b)->unit_length(),
                   "a mostly hidden record survived overlap removal");
    }
}

void run_records(const char* path, FILE* out, FILE* masked)
{
  static std::unique_ptr<CFile> file(new CFile);
  CFile& in = *file;
  in.open(path);
  FUZZ_REQUIRE(!in.fail(), "cannot open %s", path);
  CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  for (unsigned n = 1; !in.eof(); ++n) {
    seq.readFastaSequence(in);
    if (in.fail() && !in.eof()) break;
    if (n < global_sequence_from || n > global_sequence_to) continue;
    CSearchController controller(n, seq);
    CsatContainer& found = controller.search_selected_mode(out);
    check_list(found, seq);
    const size_t before = found.size();
    controller.remove_hidden(found);
    FUZZ_REQUIRE(found.size() <= before, "overlap removal added records");
    check_list(found, seq);
    if (global_remove_mostly_hidden) check_no_hidden(found);
    FUZZ_REQUIRE(controller.report_SATList(out, found) == 0, "writing the records failed");
    if (global_mask_repeats) {
      char* text = seq.seq_text.data;
      for (const Csat* s : found) std::memset(text + (s->start - text), 'X', s->length());
      std::fprintf(masked, ">%s\n", seq.full_name.c_str());
      for (uint32_t i = 0; i < seq.seq_text.len; i += 80)
        std::fprintf(masked, "%.*s\n", static_cast<int>(std::min<uint32_t>(80, seq.seq_text.len - i)), text + i);
    }
  }
  in.close();
}

memory_file* file;
FILE* null_out;
std::string driver_dir;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  quiet_program_output();
  file = new memory_file;
  null_out = std::fopen("/dev/null", "w");
  char tmpl[] = "/tmp/sarvik-fuzz-XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  driver_dir = tmpl;
  std::atexit([] { std::system(("rm -rf '" + driver_dir + "'").c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  uint8_t h[header_size] = {};
  std::memcpy(h, data, std::min(size, header_size));
  const Setup setup = draw_parameters(h);
  const uint8_t* body = data + std::min(size, header_size);
  const size_t body_size = std::min(size - std::min(size, header_size), max_sequence_bytes);

  std::string fasta;
  if (setup.raw_sequence) {
    static const char alphabet[8] = {'A', 'C', 'G', 'T', 'A', 'C', 'G', 'N'};
    fasta = ">r raw\n";
    for (size_t i = 0; i < body_size; ++i) fasta += alphabet[body[i] & 7];
    fasta += '\n';
  } else {
    fasta.assign(reinterpret_cast<const char*>(body), body_size);
  }
  file->write(fasta);
  run_records(file->path(), null_out, null_out);

  if (setup.run_driver) {
    global_input_filename = driver_dir + "/in.fa";
    global_output_filename = "/dev/null";
    FILE* f = std::fopen(global_input_filename.c_str(), "wb");
    std::fwrite(fasta.data(), 1, fasta.size(), f);
    std::fclose(f);
    CSearchController::reset_minimum_arrays();
    const int r = run_sarvik_analysis();
    FUZZ_REQUIRE(r == sarvik::finished || r == sarvik::read_error, "the driver returned %d", r);
  }
  CSearchController::reset_minimum_arrays();
  return 0;
}
