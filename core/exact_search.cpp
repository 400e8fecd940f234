// Search mode 0, and the seed search of search mode 1: perfect tandem repeats
// for every unit length, optionally bridged by short runs of N.
#include <cstdint>
#include <cstring>

#include "CSearchController.h"
#include "exact_candidates.h"
#include "global-types-and-parameters.h"
#include "run_frontend.h"
#include "sat_perfection.h"
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

void CSearchController::exact_search_2()
{
  struct ToList : SeedSink {
    CsatContainer& list;
    explicit ToList(CsatContainer& l) : list(l) {}
    bool take(Csat& s) override
    {
      list.push_back(&s);
      return true;
    }
  } to_list(satList_exact);
  find_perfect_repeats(to_list);
  satList_exact.sort(lessThan_sat);
}

void CSearchController::find_perfect_repeats(SeedSink& sink)
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
    const int need = minScores[1];
    const unsigned run = need < 8 ? static_cast<unsigned>(need) : 8;
    const char* near_N = first_N(S, E);
    // The first window from p on that may pass; the ones before it fail.
    auto next_candidate = [&](const char* from) -> const char* {
      for (uint64_t i = static_cast<uint64_t>(from - S);;) {
        const uint64_t w = i & ~63ull;
        const char* lo = S + (w >= 16 ? w - 16 : 0);
        if (near_N < lo) near_N = first_N(lo, E);
        if (static_cast<uint64_t>(near_N - S) < w + 64 + 1 + 16) return S + i;  // an N may be bridged
        const uint64_t bits = windows_next_to_runs(S, L, w, 1, run) & (~0ull << (i - w));
        if (bits) return S + w + static_cast<uint64_t>(__builtin_ctzll(bits));
        i = w + 64;
        if (i + 1 >= L) return E;
      }
    };
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
        if (sink.take(s)) spare = nullptr;
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
    // A window that cannot score minScores[k] fails the first test below;
    // only a positive minimum lets windows be passed over unseen.
    const int need = minScores[k];
    const unsigned run = need < 8 ? static_cast<unsigned>(need) : 8;
    const char* npos = first_N(S, E);
    // N runs may be bridged: near one every window is tried.
    const char* near_N = first_N(S, E);

    auto try_window = [&](uint64_t i) {
      const char* p = S + i;
      if (npos < p) npos = first_N(p, E);
      if (p + k > npos) return;
      const char* m = marks + i;
      if (!((m[0] == 'a' && (m[k - 1] == 'a' || m[k] == 'a')) || (m[-1] == 'a' && m[k - 1] == 'a'))) return;
      if (!mixed_unit(p, k)) return;

      Csat& s = attempt(p, k);
      if (!passes_thresholds(s, klen)) return;
      if (s.score >= min_score_user && s.normalized_length() >= min_length_user) {
        float perfection = sat_perfection(s);
        if (global_min_perfection <= perfection && perfection <= global_max_perfection)
          std::memset(marks + (s.start - S), ' ', static_cast<std::size_t>(s.end - s.start));
      }
      if (sink.take(s)) spare = nullptr;
    };

    const uint64_t windows = L - k;  // window starts 0 .. L - k - 1
    for (uint64_t w = 0; w < windows; w += 64) {
      if (progress(w, klen)) {
        stopped = true;
        break;
      }
      uint64_t todo = ~0ull;
      if (need >= 1) {
        const char* lo = S + (w >= 16 ? w - 16 : 0);
        if (near_N < lo) near_N = first_N(lo, E);
        if (static_cast<uint64_t>(near_N - S) >= w + 64 + k + 16) todo = windows_next_to_runs(S, L, w, k, run);
      }
      if (windows - w < 64) todo &= (1ull << (windows - w)) - 1;
      while (todo) {
        try_window(w + static_cast<uint64_t>(__builtin_ctzll(todo)));
        todo &= todo - 1;
      }
    }
    if (!stopped && stop_requested()) {
      report_status(seq_number, sequence.name.c_str(), klen, 'a');
      stopped = true;
    }
  }

  if (spare) satList_exact.pool->give_back(spare);
}
