#include "oracle_engine.h"

#include "global-types-and-parameters.h"

namespace oracle {

SearchEngine::SearchEngine(unsigned number, CSequence_Mol& seq) : seq_number(number), sequence(seq)
{
  // The first controller of a run computes the thresholds; make sure one has.
  if (!CSearchController::minScores_user) CSearchController thresholds(number, seq);
  minScores_user = CSearchController::minScores_user;
  minLengths_user = CSearchController::minLengths_user;
  minScores_intern = CSearchController::minScores_intern;
  minLengths_intern = CSearchController::minLengths_intern;
  minScores = minScores_user;
  minLengths = minLengths_user;
}

CsatContainer& SearchEngine::search_selected_mode()
{
  switch (global_search_mode) {
    case 0:
      exact_search_2();
      return satList_exact;
    case 1:
      search_exact_and_extend_to_imperfect_repeats();
      return satList_imperfect;
    default:
      complete_imperfect_search();
      return satList_imperfect;
  }
}

}  // namespace oracle
