#include "CSearchController.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "global-types-and-parameters.h"

thread_local int* CSearchController::minScores_user = nullptr;
thread_local int* CSearchController::minLengths_user = nullptr;
thread_local int* CSearchController::minScores_intern = nullptr;
thread_local int* CSearchController::minLengths_intern = nullptr;
thread_local int* CSearchController::minScores = nullptr;
thread_local int* CSearchController::minLengths = nullptr;

namespace {

// What the pointers above point to; freed when the thread ends.
struct ThresholdArrays {
  std::vector<int> scores_user, lengths_user, scores_intern, lengths_intern;
};
thread_local ThresholdArrays thresholds;

// max(floor_value, ceil(a + k * b)) in single precision: the product and the
// sum are each rounded to float before the ceiling (no fused multiply-add).
int* user_thresholds(std::vector<int>& room, int floor_value, int a, float b)
{
  room.assign(global_max_unit_length + 1ull, 0);
  int* t = room.data();
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
  ThresholdArrays& t = thresholds;
  if (!minScores_user)
    minScores_user = user_thresholds(t.scores_user, global_min_score, global_min_score_a, global_min_score_bx);
  if (!minLengths_user)
    minLengths_user = user_thresholds(t.lengths_user, global_min_length, global_min_length_a, global_min_length_bx);
  if (!minScores_intern) {
    t.scores_intern.resize(global_max_unit_length + 1ull);
    for (unsigned k = 0; k <= global_max_unit_length; ++k) t.scores_intern[k] = k < 4 ? 4 : static_cast<int>(k);
    minScores_intern = t.scores_intern.data();
  }
  if (!minLengths_intern) {
    t.lengths_intern.assign(global_max_unit_length + 1ull, 0);
    minLengths_intern = t.lengths_intern.data();
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
  // The arrays keep their memory for the next build.
  minScores_user = minLengths_user = minScores_intern = minLengths_intern = nullptr;
  minScores = minLengths = nullptr;
}

CAnchorSeq::CAnchorSeq(CSequence_Mol& seq) : seq_begin(seq.seq_text.data), seq_length(seq.seq_text.len)
{
  reset_all();
}

void CAnchorSeq::reset_all() { free_bits.assign((seq_length + 2ull + 63) / 64, ~0ull); }
