// The two searches that grow seeds into imperfect repeats: the complete search
// over every window of every unit length, and the extension of the perfect
// repeats that the exact search finds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "CSearchController.h"
#include "extension_bound.h"
#include "global-types-and-parameters.h"
#include "run_frontend.h"

namespace {

// Ns at either end add nothing to a repeat: drop them, keeping the unit
// phases in step. The seed itself holds no N, so the record never empties.
void trim_Ns(Csat& s)
{
  while (s.end > s.start && s.end[-1] == 'N') {
    --s.end;
    s.unit_fwd = s.unit_fwd == s.unit_begin ? s.unit_end - 1 : s.unit_fwd - 1;
    --s.Ns;
  }
  while (s.start < s.end && *s.start == 'N') {
    ++s.start;
    ++s.unit_bwd;
    if (s.unit_bwd == s.unit_end) s.unit_bwd = s.unit_begin;
    --s.Ns;
  }
}

// A kept record is final: its entries are sorted, and its list keeps no
// room beyond them (the extension may have explored far past its end, and
// kept records add up over a chromosome).
void finish_missense(Csat& s)
{
  std::sort(s.missense_list.begin(), s.missense_list.end(), Csat::lessThan_missense);
  if (s.missense_list.count == 0)
    s.missense_list.release();
  else if (s.missense_list.capacity > s.missense_list.count)
    s.missense_list.resize_exact(s.missense_list.count);
}

// Covers a kept repeat in the marks, except where its alignment events lie:
// those positions may still anchor repeats of longer units.
void mark_repeat(CAnchorSeq& anchors, const Csat& s)
{
  char* m = anchors.marks;
  const char* text = anchors.seq_begin;
  std::fill(m + (s.start - text), m + (s.end - text), ' ');
  for (const missense_entry& e : s.missense_list) m[e.pos - text] = 'a';
}

// A rejected candidate is re-initialised for the next window rather than
// handed back and taken again from the pool.
Csat* take_candidate(Csat*& spare, const char* a, const char* b)
{
  Csat* sat = spare;
  spare = nullptr;
  if (!sat) return sat_alloc.get_new(a, b);
  sat->reset(a, b);
  return sat;
}

bool single_letter(const char* w, unsigned k)
{
  for (unsigned i = 1; i < k; ++i)
    if (w[i] != w[0]) return false;
  return true;
}

}  // namespace

void CSearchController::complete_imperfect_search(FILE*)
{
  CAnchorSeq anchors(sequence);
  unsigned k = global_min_unit_length;
  if (k == 0) k = 1;  // a unit needs at least one character
  if (k == 1) {
    unit_len_1_complete_imperfect_search(anchors, satList_imperfect);
    // Homopolymer cover must not keep longer units from anchoring there.
    anchors.reset_all();
    k = 2;
  }
  const char* name = sequence.name.c_str();
  for (; k <= global_max_unit_length; ++k) {
    one_unit_len_complete_imperfect_search(k, anchors, satList_imperfect);
    if (stop_requested()) {
      report_status(seq_number, name, k, 'a');
      break;
    }
    if (k == global_max_unit_length) break;  // k + 1 could wrap
  }
  satList_imperfect.sort(lessThan_sat);
}

void CSearchController::unit_len_1_complete_imperfect_search(CAnchorSeq& anchors, std::list<Csat*>& result)
{
  const char* const text = sequence.seq_text.data;
  const unsigned n = sequence.seq_text.len;
  if (n < 2) return;  // a window needs a character after it
  const char* const name = sequence.name.c_str();
  const char* const text_end = text + n;
  const char* const before_text = text - 1;
  const char* const m = anchors.marks;
  Csat* spare = nullptr;
  ExtensionBound bound;

  unsigned s = 0;
  while (s < n && text[s] == 'N') ++s;
  while (s + 1 < n) {
    if (s % 256 == 0 && check_report_status()) {
      report_status(seq_number, name, 1, 'r');
      if (stop_requested()) {
        report_status(seq_number, name, 1, 'a');
        break;
      }
    }
    if (m[s] == 'a') {
      Csat* sat = take_candidate(spare, text + s, text + s + 1);
      if (bound.cannot_reach(*sat, minScores[1], before_text, text_end)) {
        spare = sat;
        ++s;
        while (s < n && text[s] == 'N') ++s;
        continue;
      }
      extend_imperfect_forward(*sat, text_end);
      extend_imperfect_backward(*sat, before_text);
      trim_Ns(*sat);
      if (passes_thresholds(*sat, 1)) {
        finish_missense(*sat);
        mark_repeat(anchors, *sat);
        result.push_back(sat);
      } else {
        spare = sat;
      }
    }
    ++s;
    while (s < n && text[s] == 'N') ++s;
  }
  if (spare) sat_alloc.give_back(spare);
}

void CSearchController::one_unit_len_complete_imperfect_search(unsigned k, CAnchorSeq& anchors,
                                                               std::list<Csat*>& result)
{
  const char* const text = sequence.seq_text.data;
  const unsigned n = sequence.seq_text.len;
  if (n <= k) return;
  const char* const name = sequence.name.c_str();
  const char* const text_end = text + n;
  const char* const before_text = text - 1;
  const char* const m = anchors.marks;
  Csat* spare = nullptr;
  ExtensionBound bound;
  bound.scan_windows(text, n, k);

  // First N at or after the window start; it only moves forward.
  unsigned n_pos = 0;
  while (n_pos < n && text[n_pos] != 'N') ++n_pos;

  for (unsigned s = 0; s + k < n; ++s) {
    if (s % 256 == 0 && check_report_status()) {
      report_status(seq_number, name, k, 'r');
      if (stop_requested()) {
        report_status(seq_number, name, k, 'a');
        break;
      }
    }
    if (n_pos < s) {
      n_pos = s;
      while (n_pos < n && text[n_pos] != 'N') ++n_pos;
    }
    // marks[-1] and marks[n] are sentinels, so s - 1 and s + k are safe.
    const bool anchored = (m[s] == 'a' && (m[s + k - 1] == 'a' || m[s + k] == 'a')) ||
                          (m[static_cast<long>(s) - 1] == 'a' && m[s + k - 1] == 'a');
    if (!anchored || n_pos < s + k || single_letter(text + s, k)) continue;

    if (bound.window_hopeless(s, minScores[k])) continue;
    Csat* sat = take_candidate(spare, text + s, text + s + k);
    if (bound.cannot_reach(*sat, minScores[k], before_text, text_end)) {
      spare = sat;
      continue;
    }
    extend_imperfect_forward(*sat, text_end);
    extend_imperfect_backward(*sat, before_text);
    trim_Ns(*sat);
    if (passes_thresholds(*sat, k)) {
      finish_missense(*sat);
      mark_repeat(anchors, *sat);
      result.push_back(sat);
    } else {
      spare = sat;
    }
  }
  if (spare) sat_alloc.give_back(spare);
}

void CSearchController::search_exact_and_extend_to_imperfect_repeats()
{
  general_PrintMessage(stderr, "  Searching for exact repeats.\n");
  std::fflush(stderr);

  // Each seed is extended as soon as the exact search finds it, duplicates
  // too (removing those is overlap removal's job), so that seeds that fail
  // go back to the search at once instead of piling up. A seed's extension
  // depends on the seed and the text alone; only the order of the kept
  // records must be the one of extending the seeds after sorting them: by
  // the extended start and end, then by the seed's start and end, then in
  // the order found.
  struct Kept {
    const char* start;
    const char* end;
    const char* seed_start;
    const char* seed_end;
    uint64_t found;
    Csat* sat;
  };
  struct Extend : SeedSink {
    CSearchController& c;
    const char* before_text;
    const char* text_end;
    ExtensionBound bound;
    std::vector<Kept> kept;
    uint64_t found = 0;
    Extend(CSearchController& ctl, const char* text, const char* end)
        : c(ctl), before_text(text - 1), text_end(end) {}
    bool take(Csat& sat) override
    {
      const uint64_t number = found++;
      const unsigned k = sat.unit_length();
      const char* seed_start = sat.start;
      const char* seed_end = sat.end;
      if (bound.cannot_reach(sat, minScores_user[k], before_text, text_end)) return false;
      c.extend_imperfect_forward(sat, text_end);
      c.extend_imperfect_backward(sat, before_text);
      trim_Ns(sat);
      if (!(sat.score >= minScores_user[k] && sat.normalized_length() >= minLengths_user[k])) return false;
      finish_missense(sat);
      kept.push_back({sat.start, sat.end, seed_start, seed_end, number, &sat});
      return true;
    }
  };
  const char* const text = sequence.seq_text.data;
  Extend extend(*this, text, text + sequence.seq_text.len);
  minScores = minScores_intern;
  minLengths = minLengths_intern;
  find_perfect_repeats(extend);
  minScores = minScores_user;
  minLengths = minLengths_user;
  general_PrintMessage(stderr, "  Extend exact to imperfect repeats.\n");
  std::fflush(stderr);

  std::sort(extend.kept.begin(), extend.kept.end(), [](const Kept& a, const Kept& b) {
    if (a.start != b.start) return a.start < b.start;
    if (a.end != b.end) return a.end < b.end;
    if (a.seed_start != b.seed_start) return a.seed_start < b.seed_start;
    if (a.seed_end != b.seed_end) return a.seed_end < b.seed_end;
    return a.found < b.found;
  });
  for (const Kept& r : extend.kept) satList_imperfect.push_back(r.sat);
}
