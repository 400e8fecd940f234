// CSearchController: the search engine for one sequence.
//
// The driver builds one per analysed record, runs one search on it, has it
// remove mostly overlapping repeats and write the record's result block, then
// destroys it (its records go back to its pool). The per-unit-length
// thresholds are the thread's, like the parameters they derive from: built
// by the first controller after the parameters were set, indexed
// 0 .. global_max_unit_length.
#ifndef SARVIK_CSEARCHCONTROLLER_H
#define SARVIK_CSEARCHCONTROLLER_H

#include <cstdint>
#include <cstdio>
#include <list>
#include <string>
#include <vector>

#include "CSequence_Mol.h"
#include "Csat.h"

class BandReachRange;

// One mark per sequence position, free ('a') or inside an accepted repeat
// (' '), kept as one bit (set: free) so that a chromosome's marks take an
// eighth of its length. Bit i is the mark of position i - 1: the marks of
// positions -1 and seq_length are sentinels that stay free.
class ChunkedScanState;
class WorkerPool;

class CAnchorSeq {
 public:
  const char* seq_begin;
  unsigned seq_length;
  std::vector<uint64_t> free_bits;

  explicit CAnchorSeq(CSequence_Mol& seq);
  CAnchorSeq(const CAnchorSeq&) = delete;
  CAnchorSeq& operator=(const CAnchorSeq&) = delete;

  void reset_all();  // every mark, sentinels included, back to free
};

class CSearchController {
 public:
  unsigned seq_number;
  CSequence_Mol& sequence;
  CsatContainer satList_exact;
  CsatContainer satList_imperfect;

  static thread_local int* minScores_user;
  static thread_local int* minLengths_user;
  static thread_local int* minScores_intern;
  static thread_local int* minLengths_intern;
  // The thresholds in force, per thread: extend-exact mode switches them
  // for its seed search while other records are searched beside it.
  static thread_local int* minScores;
  static thread_local int* minLengths;

  // Records come from `pool`, which only this controller's thread may use
  // while it searches.
  CSearchController(unsigned seq_number, CSequence_Mol& seq, Csat_garbagecollector* pool = &sat_alloc);
  ~CSearchController() = default;  // members go imperfect first, then exact
  CSearchController(const CSearchController&) = delete;
  CSearchController& operator=(const CSearchController&) = delete;

  static void reset_minimum_arrays();
  // Builds this thread's threshold arrays, if not yet built.
  static void prepare_thresholds();

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
  // When set, the exact search hands each repeat that passes to it instead of
  // listing it, in the order found; extend-exact mode extends its seeds so.
  class SeedTaker {
   public:
    // True when it keeps the record `seed`.
    virtual bool take(Csat& seed) = 0;
    // A split scan's seeds are prepared side by side, on any thread, before
    // they are taken: the record this seed yields (drawn from `pool`), or null.
    virtual Csat* prepare(const Csat& seed, Csat_garbagecollector& pool) const = 0;
    // Takes what prepare() gave for `seed`; the seed itself stays the caller's.
    virtual void take_prepared(const Csat& seed, Csat* prepared) = 0;

   protected:
    ~SeedTaker() = default;
  };
  SeedTaker* seed_taker = nullptr;
  // Search mode 1: exact seeds extended into satList_imperfect.
  void search_exact_and_extend_to_imperfect_repeats();
  // Search mode 2 (default): imperfect repeats directly into satList_imperfect.
  void complete_imperfect_search(FILE* file);
  // One unit length's scan of it, split over search_pool when the record is
  // long enough; false when the run's stop ended it.
  bool scan_unit_length(unsigned k, CAnchorSeq& anchors, ChunkedScanState& chunks);
  // While complete_imperfect_search runs: the first copies of the record's
  // long unit lengths, shared by their passes (null: none).
  const BandReachRange* first_copies = nullptr;

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
  int report_SATList(FILE* file, const std::list<Csat*>& list);
  // The same block into `block`, as texts to be written one after the other,
  // formatted on the pool's threads where the list is long; the strings
  // already there lend their memory.
  void format_SATList(const std::list<Csat*>& list, WorkerPool* pool, std::vector<std::string>& block);

 private:
  void report_list_header(FILE* file) const;
  void report_list_footer(FILE* file) const;
  bool sequence_info_as_comment() const;
};

#endif
