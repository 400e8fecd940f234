// CSearchController: the search engine for one sequence.
//
// The driver builds one per analysed record, runs one search on it, has it
// remove mostly overlapping repeats and write the record's result block, then
// destroys it (its records go back to sat_alloc). The per-unit-length
// thresholds are static: computed by the first controller of a run from the
// parameters, indexed 0 .. global_max_unit_length.
#ifndef SARVIK_CSEARCHCONTROLLER_H
#define SARVIK_CSEARCHCONTROLLER_H

#include <cstdio>
#include <list>

#include "CSequence_Mol.h"
#include "Csat.h"

// One mark per sequence position: 'a' free, ' ' inside an accepted repeat.
// marks[-1] and marks[seq_length] are sentinels that stay 'a'.
class CAnchorSeq {
 public:
  const char* seq_begin;
  unsigned seq_length;
  char* buffer;
  char* marks;
  char* marks_end;

  explicit CAnchorSeq(CSequence_Mol& seq);
  ~CAnchorSeq();
  CAnchorSeq(const CAnchorSeq&) = delete;
  CAnchorSeq& operator=(const CAnchorSeq&) = delete;

  void reset_all();  // every mark, sentinels included, back to 'a'
};

class CSearchController {
 public:
  unsigned seq_number;
  CSequence_Mol& sequence;
  CsatContainer satList_exact;
  CsatContainer satList_imperfect;

  static int* minScores_user;
  static int* minLengths_user;
  static int* minScores_intern;
  static int* minLengths_intern;
  static int* minScores;
  static int* minLengths;

  CSearchController(unsigned seq_number, CSequence_Mol& seq);
  ~CSearchController() = default;  // members go imperfect first, then exact
  CSearchController(const CSearchController&) = delete;
  CSearchController& operator=(const CSearchController&) = delete;

  static void reset_minimum_arrays();

  // True when a record of unit length k meets the current thresholds.
  static bool passes_thresholds(const Csat& s, unsigned k)
  {
    return s.score >= minScores[k] && s.normalized_length() >= minLengths[k];
  }

  // Runs the search that global_search_mode selects and returns the
  // container it filled.
  CsatContainer& search_selected_mode(FILE* out);

  // Search mode 0: perfect repeats into satList_exact.
  void exact_search_2();
  // Receives each perfect repeat that passes the current thresholds, in the
  // order the exact search finds them; returns true when it keeps the
  // record (the search then takes a new one for the next window).
  class SeedSink {
   public:
    virtual bool take(Csat& s) = 0;

   protected:
    ~SeedSink() = default;
  };
  // The exact search itself, handing its repeats to `sink`.
  void find_perfect_repeats(SeedSink& sink);
  // Search mode 1: exact seeds extended into satList_imperfect.
  void search_exact_and_extend_to_imperfect_repeats();
  // Search mode 2 (default): imperfect repeats directly into satList_imperfect.
  void complete_imperfect_search(FILE* file);
  void unit_len_1_complete_imperfect_search(CAnchorSeq& anchors, std::list<Csat*>& result);
  void one_unit_len_complete_imperfect_search(unsigned k, CAnchorSeq& anchors, std::list<Csat*>& result);

  // Greedy alignment with look-ahead; `limit` is one past the last character
  // (forward) or one before the first (backward, compared but never read).
  void extend_imperfect_forward(Csat& sat, const char* limit);
  void extend_imperfect_backward(Csat& sat, const char* limit);
  int extend_imperfect_forward_leap_ahead(const char* pos, const char* unit_pos, const char* unit_begin,
                                          const char* unit_end, int score, int unit_len, unsigned char level,
                                          const char* limit, int best);
  int extend_imperfect_backward_leap_ahead(const char* pos, const char* unit_pos, const char* unit_begin,
                                           const char* unit_end, int score, int unit_len, unsigned char level,
                                           const char* limit, int best);

  void remove_hidden(CsatContainer& list);
  // Writes the record's block; returns the result of the final fflush.
  int report_SATList(FILE* file, std::list<Csat*> list);
};

#endif
