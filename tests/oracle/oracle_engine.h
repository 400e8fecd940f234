// The reference search engine: a frozen copy of the three searches (the
// extension walk and its look-ahead, the complete imperfect search, the
// extend-exact search and the exact search) as they stood before the speed
// work on the production engine began.
//
// The faster engine is checked against this one (tests/equivalence): any
// record that differs for any input is a defect of the faster engine. So this
// copy must not be optimised, corrected or otherwise edited, and must never
// call the production search functions. It shares only the data types (Csat,
// the record pool), the thresholds CSearchController computes,
// the perfection and the progress functions. Compiled into test programs
// only.
#ifndef SARVIK_TESTS_ORACLE_ENGINE_H
#define SARVIK_TESTS_ORACLE_ENGINE_H

#include <cstring>
#include <list>

#include "CSearchController.h"
#include "CSequence_Mol.h"
#include "Csat.h"

namespace oracle {

// The marks as the searches kept them then: one character per position, 'a'
// free, ' ' inside an accepted repeat; marks[-1] and marks[seq_length] are
// sentinels that stay 'a'.
class CAnchorSeq {
 public:
  const char* seq_begin;
  unsigned seq_length;
  char* buffer;
  char* marks;
  char* marks_end;

  explicit CAnchorSeq(CSequence_Mol& seq)
      : seq_begin(seq.seq_text.data), seq_length(seq.seq_text.len), buffer(new char[seq_length + 3ull])
  {
    marks = buffer + 1;
    marks_end = buffer + seq_length + 1;
    reset_all();
    buffer[seq_length + 2ull] = '\0';
  }
  ~CAnchorSeq() { delete[] buffer; }
  CAnchorSeq(const CAnchorSeq&) = delete;
  CAnchorSeq& operator=(const CAnchorSeq&) = delete;
  void reset_all() { std::memset(buffer, 'a', seq_length + 2ull); }
};

// Mirrors the search members of CSearchController, so that the copied code
// reads as it did.
class SearchEngine {
 public:
  unsigned seq_number;
  CSequence_Mol& sequence;
  CsatContainer satList_exact;
  CsatContainer satList_imperfect;

  // The run's threshold arrays, owned by CSearchController.
  int* minScores_user;
  int* minLengths_user;
  int* minScores_intern;
  int* minLengths_intern;
  int* minScores;
  int* minLengths;

  SearchEngine(unsigned seq_number, CSequence_Mol& seq);
  SearchEngine(const SearchEngine&) = delete;
  SearchEngine& operator=(const SearchEngine&) = delete;

  bool passes_thresholds(const Csat& s, unsigned k) const
  {
    return s.score >= minScores[k] && s.normalized_length() >= minLengths[k];
  }

  // The search global_search_mode selects; returns the container it filled.
  CsatContainer& search_selected_mode();

  void exact_search_2();
  void search_exact_and_extend_to_imperfect_repeats();
  void complete_imperfect_search();
  void unit_len_1_complete_imperfect_search(CAnchorSeq& anchors, std::list<Csat*>& result);
  void one_unit_len_complete_imperfect_search(unsigned k, CAnchorSeq& anchors, std::list<Csat*>& result);

  void extend_imperfect_forward(Csat& sat, const char* limit);
  void extend_imperfect_backward(Csat& sat, const char* limit);
};

}  // namespace oracle

#endif
