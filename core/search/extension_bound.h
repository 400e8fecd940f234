// ExtensionBound: a cheap test that a seed's imperfect extension cannot reach
// a minimum score, so that the searches can skip hopeless windows.
//
// Why it is exact: the extension walk takes a step only to a score above
// -L - prefer_longer (its lower bound never falls below that), every step
// costs at least q = min(-mismatch, -indel), and between two steps it takes a
// run of matches against the unit at some phase. So no state of the walk
// scores more than the best path of a one-dimensional program over sequence
// positions in which a run starting at position j is at most M(j) long, M(j)
// being the longest match of the sequence from j with the unit at any phase.
// The record ends at a state of its walks, so its score is bounded by that.
// The look-ahead only ranks the walk's choices and does not matter here.
// Wherever the bound cannot be formed cheaply (an N that may be bridged, a
// long match, a unit of more than 128 or of other characters than A, C, G, T,
// penalties that are not negative) the answer is "may reach".
#ifndef SARVIK_EXTENSION_BOUND_H
#define SARVIK_EXTENSION_BOUND_H

#include <cstdint>
#include <memory>

#include "Csat.h"
#include "band_reach.h"
#include "band_reach_range.h"
#include "edit_reach.h"
#include "kmer_neighbourhood.h"
#include "word_reach.h"

class ExtensionBound {
 public:
  // Reads the scoring parameters; build one per search pass.
  ExtensionBound();

  // True when extend_imperfect_forward(limit_right) followed by
  // extend_imperfect_backward(limit_left) cannot leave `seed` with a score
  // of `min_score` or more.
  bool cannot_reach(const Csat& seed, int min_score, const char* limit_left, const char* limit_right);

  // The first runs (matches a unit length apart, on both sides of a window
  // of length k) that a window needs before its extension can reach
  // `min_score`: with less it takes no step and scores just those. Below 1
  // when the bound cannot tell.
  int first_runs_needed(unsigned k, int min_score) const;

  // For a scan over the windows of length k of one text: lets the bound
  // settle most windows from word counts of their neighbourhood instead.
  // `range`, made by first_copies for the text, settles them when it
  // covers k.
  void scan_windows(const char* text, uint64_t n, unsigned k, const BandReachRange* range = nullptr);
  // The first-copy program of the text's long unit lengths in [k_lo, k_hi]
  // (min_scores[k] what a window must reach), for the passes' scan_windows
  // to share, run on `pool` where there is one; null where it would not pay.
  static std::unique_ptr<BandReachRange> first_copies(const char* text, uint64_t n, unsigned k_lo, unsigned k_hi,
                                                      const int* min_scores, WorkerPool* pool);
  // After scan_windows: true when the window at s (no N in it) certainly
  // cannot reach `min_score`; false when it may, or when the counts cannot
  // tell (cannot_reach on the seed may still settle it).
  bool window_hopeless(uint64_t s, int min_score);
  // The first window from s on, below `to` (`to` if none), that the shared
  // first copies do not settle; s itself where they do not apply.
  // (Asked for every window of every pass: the common case is inline.)
  bool lists_open_windows() const { return band_range != nullptr; }
  uint64_t next_open(uint64_t s, uint64_t to, int min_score)
  {
    return band_range ? next_listed_open(s, to, min_score) : s;
  }

 private:
  bool set_unit(const char* begin, const char* end);
  template <class Set>
  bool fill_unit(const char* begin, const char* end, Set* of, Set& every);
  // The walk's bound on one side (its program), for the unit set_unit set.
  template <class D>
  bool side_below(const char* p, long long score, const char* limit, long long target, long long floor,
                  long long& top) const;
  // A side's last program that stayed below its target, kept for the next
  // window (see side_settled).
  struct SideMemo {
    const char* unit = nullptr;
    long long L = 0;
    const char* at = nullptr;  // null: none kept
    const char* limit = nullptr;
    long long score = 0, target = 0, top = 0;
  };
  template <class D>
  bool side_settled(SideMemo& m, const char* unit_begin, long long n, const char* p, long long score,
                    const char* limit, long long target, long long floor, long long& top);
  // A bound on the best score of one side's walk from the counts of its
  // side; false where they cannot give one.
  uint64_t next_listed_open(uint64_t s, uint64_t to, int min_score);
  bool side_top(uint32_t long_hits, uint32_t short_hits, long long score, long long first_run, long long floor,
                long long& top) const;

  std::unique_ptr<KmerNeighbourhood> neighbourhood;
  std::unique_ptr<BandReach> band_reach;  // for long units: their first copies, shared by the windows
  const BandReachRange* band_range = nullptr;  // or those of every long unit, shared by the passes
  std::size_t band_range_cursor = 0;
  std::unique_ptr<WordReach> word_reach;  // for units too long for the neighbourhood's counts
  std::unique_ptr<EditReach> edit_reach;  // for units whose words are too many for those
  SideMemo forward_memo, backward_memo;
  const char* scan_text = nullptr;
  uint64_t scan_length = 0;
  unsigned scan_k = 0;

  // Units longer than 64 use the wide sets.
  __extension__ typedef unsigned __int128 Wide;
  uint64_t phases_of[5];  // bit f: the unit's character at phase f is of this class
  uint64_t all = 0;
  Wide wide_of[5];
  Wide wide_all = 0;
  const char* unit = nullptr;  // the unit the sets describe
  int L = 0;
  bool usable = false;  // the unit allows a bound
  bool enabled;         // the parameters allow a bound
  int q;
  int mismatch, indel;
  bool Ns_bridged;
  int prefer_longer;
};

#endif
