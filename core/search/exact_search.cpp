// Search mode 0, and the seed search of search mode 1: perfect tandem repeats
// for every unit length, optionally bridged by short runs of N.
#include <climits>
#include <cstdint>
#include <cstring>

#include "CSearchController.h"
#include "chunked_scan.h"
#include "exact_candidates.h"
#include "global-types-and-parameters.h"
#include "run_frontend.h"
#include "sat_perfection.h"
#include "walk_sharing.h"
#include "word_compare.h"

namespace {

inline void advance_cyclic(const char*& u, const Csat& s)
{
  if (++u == s.unit_end) u = s.unit_begin;
}

inline void retreat_cyclic(const char*& u, const Csat& s)
{
  if (u == s.unit_begin)
    u = s.unit_end - 1;
  else
    --u;
}

// Grows the seed of `s` as far as the text repeats it exactly. An N run of at
// most `bridge` characters (0: none) is stepped over whole; N runs left at
// either end are trimmed off again. The seed itself never holds an N.
inline void extend_exact(Csat& s, const char* S, const char* E, int bridge)
{
  const uint64_t k = s.unit_end - s.unit_begin;
  // Until an N run is bridged, each character the unit cursor expects is the
  // one a unit length before (after, going left): compare those in words.
  if (s.Ns == 0) {
    const uint64_t r = equal_ahead(s.end, s.end - k, static_cast<uint64_t>(E - s.end));
    s.end += r;
    s.score += static_cast<int>(r);
    s.unit_fwd = s.unit_begin + (static_cast<uint64_t>(s.unit_fwd - s.unit_begin) + r) % k;
  }
  while (s.end != E) {
    char c = *s.end;
    if (c == *s.unit_fwd) {
      ++s.end;
      ++s.score;
      advance_cyclic(s.unit_fwd, s);
      continue;
    }
    if (c != 'N' || bridge <= 0) break;
    // Counting stops one past the limit: a run that long is refused anyway.
    int run = 0;
    const char* q = s.end;
    while (q != E && *q == 'N' && run <= bridge) {
      ++q;
      ++run;
    }
    if (run > bridge) break;
    s.end = q;
    s.Ns += run;
    for (int i = 0; i < run; ++i) advance_cyclic(s.unit_fwd, s);
  }

  if (s.start + k <= s.end) {
    const uint64_t r = equal_behind(s.start, s.start + k, static_cast<uint64_t>(s.start - S));
    s.start -= r;
    s.score += static_cast<int>(r);
    s.unit_bwd = s.unit_begin + ((static_cast<uint64_t>(s.unit_bwd - s.unit_begin) + k) - r % k) % k;
  }
  while (s.start != S) {
    char c = s.start[-1];
    if (c == *s.unit_bwd) {
      --s.start;
      ++s.score;
      retreat_cyclic(s.unit_bwd, s);
      continue;
    }
    if (c != 'N' || bridge <= 0) break;
    int run = 0;
    const char* q = s.start;
    while (q != S && q[-1] == 'N' && run <= bridge) {
      --q;
      ++run;
    }
    if (run > bridge) break;
    s.start = q;
    s.Ns += run;
    for (int i = 0; i < run; ++i) retreat_cyclic(s.unit_bwd, s);
  }

  while (s.end != s.start && s.end[-1] == 'N') {
    --s.end;
    retreat_cyclic(s.unit_fwd, s);
    --s.Ns;
  }
  while (s.start != s.end && *s.start == 'N') {
    ++s.start;
    advance_cyclic(s.unit_bwd, s);
    --s.Ns;
  }
}

// At least two neighbouring characters differ: units of one repeated
// character are left to the unit length 1 pass.
inline bool mixed_unit(const char* p, uint64_t k)
{
  for (uint64_t j = 0; j + 1 < k; ++j)
    if (p[j] != p[j + 1]) return true;
  return false;
}

// One unit length's window test of the exact search (unit lengths 2 and
// more), over any view of the marks: see chunked_scan.h.
class ExactScan {
 public:
  ExactScan(const char* S, uint64_t L, unsigned k, int bridge)
      : S_(S),
        E_(S + L),
        L_(L),
        k_(k),
        bridge_(bridge),
        min_score_user_(CSearchController::minScores_user[k]),
        min_length_user_(CSearchController::minLengths_user[k]),
        min_scores_(CSearchController::minScores),
        min_lengths_(CSearchController::minLengths)
  {
  }

  const char* text() const { return S_; }
  long span() const { return k_; }
  unsigned windows_end() const { return L_ > k_ ? static_cast<unsigned>(L_ - k_) : 0; }
  void enter_thread() const
  {
    CSearchController::minScores = min_scores_;
    CSearchController::minLengths = min_lengths_;
  }
  // Where the Ns are, for windows visited in increasing order.
  NCursor n_cursor() const { return NCursor(S_, E_); }

  template <class View>
  bool eligible(unsigned i, const View& m, NCursor& Ns) const
  {
    if (!Ns.clear(S_ + i, k_)) return false;
    const long l = i;
    if (!((m.at(l) == 'a' && (m.at(l + k_ - 1) == 'a' || m.at(l + k_) == 'a')) ||
          (m.at(l - 1) == 'a' && m.at(l + k_ - 1) == 'a')))
      return false;
    return mixed_unit(S_ + i, k_);
  }

  // Which windows of the current block of 64 lie next to a run of period
  // matches long enough to reach the minimum score; the others cannot.
  // The seeds that extend-exact mode extends inside a split scan's chunk
  // (the taker's prepare) share their walks over the chunk.
  struct Pass {
    RunNeighbours runs;
    WalkSharing sharing;

    explicit Pass(const ExactScan& s) : runs(s.S_, s.L_, s.k_, s.min_scores_[s.k_]), sharing(s.S_, s.L_, WalkSharing::Tails::deferred) {}
    bool may_pass(uint64_t i) { return runs.may_pass(i); }
    // The first window from i on, below `to`, that may pass (`to` if none).
    unsigned next_possible(unsigned i, unsigned to) { return static_cast<unsigned>(runs.next(i, to)); }
  };

  Csat* grow(unsigned i, Pass& pass, Csat*& spare, Csat_garbagecollector& pool) const
  {
    if (!pass.may_pass(i)) return nullptr;
    const char* p = S_ + i;
    if (spare)
      spare->reset(p, p + k_);
    else
      spare = pool.get_new(p, p + k_);
    extend_exact(*spare, S_, E_, bridge_);
    if (!CSearchController::passes_thresholds(*spare, k_)) return nullptr;
    Csat* s = spare;
    spare = nullptr;
    return s;
  }

  // Only repeats that meet the user's thresholds and perfection range mark;
  // the others are kept as seeds and leave the marks alone.
  template <class View>
  void cover(View& m, const Csat& s) const
  {
    if (marks(s)) m.fill(s.start - S_, s.end - S_, ' ');
  }
  long reach(const Csat& s) const { return marks(s) ? s.end - S_ : LONG_MIN; }
  // The marks as a pass reads and covers them: as they are.
  template <class View>
  View& marks_view(View& m, Pass&) const
  {
    return m;
  }

 private:
  bool marks(const Csat& s) const
  {
    if (s.score < min_score_user_ || s.normalized_length() < min_length_user_) return false;
    float perfection = sat_perfection(s);
    return global_min_perfection <= perfection && perfection <= global_max_perfection;
  }

  const char* S_;
  const char* E_;
  uint64_t L_;
  unsigned k_;
  int bridge_;
  int min_score_user_;
  int min_length_user_;
  int* min_scores_;
  int* min_lengths_;
};

// A split scan's seeds prepared by the taker, if any; those that prepare to
// nothing matter to it no more. Without a taker every repeat is listed.
struct SeedPreparation {
  CSearchController::SeedTaker* taker;
  bool drops_empty() const { return taker != nullptr; }
  Csat* operator()(const Csat& s, Csat_garbagecollector& pool) const
  {
    return taker ? taker->prepare(s, pool) : nullptr;
  }
};

}  // namespace

void CSearchController::exact_search_2()
{
  const char* const S = sequence.seq_text.data;
  const uint64_t L = sequence.seq_text.len;
  const uint64_t kmin = global_min_unit_length == 0 ? 1 : global_min_unit_length;
  const uint64_t kmax = global_max_unit_length;
  if (L == 0 || kmin > kmax) return;
  const char* const E = S + L;
  const int bridge = global_treat_Ns_as_missense ? 0 : global_Ns_allowed_in_a_row;

  CAnchorSeq anchors(sequence);
  Csat* spare = nullptr;
  bool stopped = false;

  // Make `spare` (or a fresh record) cover the seed [p, p + k) and grow it.
  auto attempt = [&](const char* p, uint64_t k) -> Csat& {
    if (spare)
      spare->reset(p, p + k);
    else
      spare = satList_exact.pool->get_new(p, p + k);
    extend_exact(*spare, S, E, bridge);
    return *spare;
  };

  // Only at offsets that are multiples of 256; true when the user stopped.
  auto progress = [&](uint64_t offset, unsigned k) {
    return (offset & 255u) == 0 && poll_progress(seq_number, sequence.name.c_str(), k);
  };

  uint64_t k_first = kmin;
  if (kmin == 1) {
    k_first = 2;
    const char* p = S;
    while (p != E && *p == 'N') ++p;
    const int need = minScores[1];
    RunNeighbours runs(S, L, 1, need);
    // The first window from p on that may pass; the ones before it fail.
    auto next_candidate = [&](const char* from) { return S + runs.next(static_cast<uint64_t>(from - S), L); };
    while (!stopped && p + 1 < E) {
      if (need >= 1) {
        const char* q = next_candidate(p);
        // The windows passed over still give their progress reports.
        for (uint64_t x = ((static_cast<uint64_t>(p - S) + 255u) & ~255ull); S + x < q && S + x + 1 < E; x += 256)
          if (S[x] != 'N' && progress(x, 1)) {
            stopped = true;
            break;
          }
        if (stopped) break;
        p = q;
        while (p != E && *p == 'N') ++p;
        if (!(p + 1 < E)) break;
      }
      if (progress(static_cast<uint64_t>(p - S), 1)) {
        stopped = true;
        break;
      }
      Csat& s = attempt(p, 1);
      if (passes_thresholds(s, 1)) {
        p = s.end;
        if (!seed_taker) {
          satList_exact.push_back(&s);
          spare = nullptr;
        } else if (seed_taker->take(s)) {
          spare = nullptr;
        }
      } else {
        ++p;
      }
      while (p != E && *p == 'N') ++p;
    }
    if (!stopped && search_stop_requested(seq_number, sequence.name.c_str(), 1)) stopped = true;
  }

  // The unit lengths below draw their spare from the pool.
  if (spare) satList_exact.pool->give_back(spare);
  spare = nullptr;
  MarkView marks{anchors.free_bits.data(), -1, static_cast<long>(L) + 1};
  ChunkedScanState chunks;
  auto take = [&](unsigned, Csat* s) {
    if (seed_taker) return seed_taker->take(*s);  // a seed it does not keep serves the next window
    satList_exact.push_back(s);
    return true;
  };
  // A split scan's seeds come with what the taker prepared of them.
  auto take_split = [&](unsigned i, Csat* s, Csat* prepared) {
    if (!seed_taker) {
      take(i, s);
      return;
    }
    seed_taker->take_prepared(*s, prepared);
    satList_exact.pool->give_back(s);
  };
  // No unit length of L or more has a position to try.
  for (uint64_t k = k_first; !stopped && k <= kmax && k < L; ++k) {
    const unsigned klen = static_cast<unsigned>(k);
    ExactScan scan(S, L, klen, bridge);
    if (unsigned chunk = scan_chunk_length(scan.windows_end())) {
      stopped = poll_progress(seq_number, sequence.name.c_str(), klen) ||
                !chunked_scan(scan, chunk, marks, chunks, *search_pool, *satList_exact.pool, take_split,
                              SeedPreparation{seed_taker});
    } else {
      unsigned end = scan.windows_end();
      ExactScan::Pass pass(scan);
      stopped = scan_windows(scan, pass, 0, end, marks, *satList_exact.pool, take,
                             [&](unsigned i) { return progress(i, klen); }) != end;
    }
    if (!stopped && search_stop_requested(seq_number, sequence.name.c_str(), klen)) stopped = true;
  }
  chunks.release_into(*satList_exact.pool);
  satList_exact.sort(lessThan_sat);
}
