// Frozen copy of core/search/exact_search.cpp for the reference engine (see
// oracle_engine.h). Do not edit or optimise.
// Search mode 0, and the seed search of search mode 1: perfect tandem repeats
// for every unit length, optionally bridged by short runs of N.
#include <cstdint>
#include <cstring>

#include "oracle_engine.h"
#include "global-types-and-parameters.h"
#include "run_frontend.h"
#include "sat_perfection.h"

namespace oracle {

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

inline const char* first_N(const char* p, const char* E)
{
  const void* n = p == E ? nullptr : std::memchr(p, 'N', static_cast<std::size_t>(E - p));
  return n ? static_cast<const char*>(n) : E;
}

// At least two neighbouring characters differ: units of one repeated
// character are left to the unit length 1 pass.
inline bool mixed_unit(const char* p, uint64_t k)
{
  for (uint64_t j = 0; j + 1 < k; ++j)
    if (p[j] != p[j + 1]) return true;
  return false;
}

}  // namespace

void SearchEngine::exact_search_2()
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
    if ((offset & 255u) != 0 || !check_report_status()) return false;
    report_status(seq_number, sequence.name.c_str(), k, 'r');
    if (!stop_requested()) return false;
    report_status(seq_number, sequence.name.c_str(), k, 'a');
    return true;
  };

  uint64_t k_first = kmin;
  if (kmin == 1) {
    k_first = 2;
    const char* p = S;
    while (p != E && *p == 'N') ++p;
    while (!stopped && p + 1 < E) {
      if (progress(static_cast<uint64_t>(p - S), 1)) {
        stopped = true;
        break;
      }
      Csat& s = attempt(p, 1);
      if (passes_thresholds(s, 1)) {
        satList_exact.push_back(&s);
        spare = nullptr;
        p = s.end;
      } else {
        ++p;
      }
      while (p != E && *p == 'N') ++p;
    }
    if (!stopped && stop_requested()) {
      report_status(seq_number, sequence.name.c_str(), 1, 'a');
      stopped = true;
    }
  }

  char* const marks = anchors.marks;
  // No unit length of L or more has a position to try.
  for (uint64_t k = k_first; !stopped && k <= kmax && k < L; ++k) {
    const unsigned klen = static_cast<unsigned>(k);
    const int min_score_user = minScores_user[k];
    const int min_length_user = minLengths_user[k];
    const char* npos = first_N(S, E);
    for (uint64_t i = 0; i + k < L; ++i) {
      if (progress(i, klen)) {
        stopped = true;
        break;
      }
      const char* p = S + i;
      if (npos < p) npos = first_N(p, E);
      if (p + k > npos) continue;
      const char* m = marks + i;
      if (!((m[0] == 'a' && (m[k - 1] == 'a' || m[k] == 'a')) || (m[-1] == 'a' && m[k - 1] == 'a'))) continue;
      if (!mixed_unit(p, k)) continue;

      Csat& s = attempt(p, k);
      if (!passes_thresholds(s, klen)) continue;
      if (s.score >= min_score_user && s.normalized_length() >= min_length_user) {
        float perfection = sat_perfection(s);
        if (global_min_perfection <= perfection && perfection <= global_max_perfection)
          std::memset(marks + (s.start - S), ' ', static_cast<std::size_t>(s.end - s.start));
      }
      satList_exact.push_back(&s);
      spare = nullptr;
    }
    if (!stopped && stop_requested()) {
      report_status(seq_number, sequence.name.c_str(), klen, 'a');
      stopped = true;
    }
  }

  if (spare) satList_exact.pool->give_back(spare);
  satList_exact.sort(lessThan_sat);
}

}  // namespace oracle
