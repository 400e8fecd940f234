#include "CSearchController.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "global-types-and-parameters.h"

int* CSearchController::minScores_user = nullptr;
int* CSearchController::minLengths_user = nullptr;
int* CSearchController::minScores_intern = nullptr;
int* CSearchController::minLengths_intern = nullptr;
thread_local int* CSearchController::minScores = nullptr;
thread_local int* CSearchController::minLengths = nullptr;

namespace {

// max(floor_value, ceil(a + k * b)) in single precision: the product and the
// sum are each rounded to float before the ceiling (no fused multiply-add).
int* user_thresholds(int floor_value, int a, float b)
{
  int* t = new int[global_max_unit_length + 1ull];
  for (unsigned k = 0; k <= global_max_unit_length; ++k) {
    float product = static_cast<float>(k) * b;
    float sum = static_cast<float>(a) + product;
    float c = std::ceil(sum);
    // Outside the int range the conversion is undefined (x86 gives INT_MIN,
    // which would turn an enormous minimum into none at all): saturate.
    int v = !(c < 2147483648.0f) ? INT_MAX : c < -2147483648.0f ? INT_MIN : static_cast<int>(c);
    t[k] = v > floor_value ? v : floor_value;
  }
  return t;
}

}  // namespace

CSearchController::CSearchController(unsigned number, CSequence_Mol& seq, Csat_garbagecollector* pool)
    : seq_number(number), sequence(seq), satList_exact(pool), satList_imperfect(pool)
{
  prepare_thresholds();
  minScores = minScores_user;
  minLengths = minLengths_user;
}

void CSearchController::prepare_thresholds()
{
  if (!minScores_user) minScores_user = user_thresholds(global_min_score, global_min_score_a, global_min_score_bx);
  if (!minLengths_user)
    minLengths_user = user_thresholds(global_min_length, global_min_length_a, global_min_length_bx);
  if (!minScores_intern) {
    minScores_intern = new int[global_max_unit_length + 1ull];
    for (unsigned k = 0; k <= global_max_unit_length; ++k) minScores_intern[k] = k < 4 ? 4 : static_cast<int>(k);
  }
  if (!minLengths_intern) {
    minLengths_intern = new int[global_max_unit_length + 1ull];
    std::memset(minLengths_intern, 0, sizeof(int) * (global_max_unit_length + 1ull));
  }
}

CsatContainer& CSearchController::search_selected_mode(FILE* out)
{
  switch (global_search_mode) {
    case 0:
      exact_search_2();
      return satList_exact;
    case 1:
      search_exact_and_extend_to_imperfect_repeats();
      return satList_imperfect;
    default:
      complete_imperfect_search(out);
      return satList_imperfect;
  }
}

void CSearchController::reset_minimum_arrays()
{
  delete[] minScores_user;
  delete[] minLengths_user;
  delete[] minScores_intern;
  delete[] minLengths_intern;
  minScores_user = minLengths_user = minScores_intern = minLengths_intern = nullptr;
  minScores = minLengths = nullptr;
}

CAnchorSeq::CAnchorSeq(CSequence_Mol& seq) : seq_begin(seq.seq_text.data), seq_length(seq.seq_text.len)
{
  reset_all();
}

void CAnchorSeq::reset_all() { free_bits.assign((seq_length + 2ull + 63) / 64, ~0ull); }
