// Frozen copy of core/search/imperfect_search.cpp for the reference engine (see
// oracle_engine.h). Do not edit or optimise.
// The two searches that grow seeds into imperfect repeats: the complete search
// over every window of every unit length, and the extension of the perfect
// repeats that the exact search finds.
#include <algorithm>
#include <cstdio>

#include "oracle_engine.h"
#include "global-types-and-parameters.h"
#include "run_frontend.h"

namespace oracle {

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

void sort_missense(Csat& s) { std::sort(s.missense_list.begin(), s.missense_list.end(), Csat::lessThan_missense); }

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

void SearchEngine::complete_imperfect_search()
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

void SearchEngine::unit_len_1_complete_imperfect_search(CAnchorSeq& anchors, std::list<Csat*>& result)
{
  const char* const text = sequence.seq_text.data;
  const unsigned n = sequence.seq_text.len;
  if (n < 2) return;  // a window needs a character after it
  const char* const name = sequence.name.c_str();
  const char* const text_end = text + n;
  const char* const before_text = text - 1;
  const char* const m = anchors.marks;
  Csat* spare = nullptr;

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
      extend_imperfect_forward(*sat, text_end);
      extend_imperfect_backward(*sat, before_text);
      trim_Ns(*sat);
      if (passes_thresholds(*sat, 1)) {
        sort_missense(*sat);
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

void SearchEngine::one_unit_len_complete_imperfect_search(unsigned k, CAnchorSeq& anchors,
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

    Csat* sat = take_candidate(spare, text + s, text + s + k);
    extend_imperfect_forward(*sat, text_end);
    extend_imperfect_backward(*sat, before_text);
    trim_Ns(*sat);
    if (passes_thresholds(*sat, k)) {
      sort_missense(*sat);
      mark_repeat(anchors, *sat);
      result.push_back(sat);
    } else {
      spare = sat;
    }
  }
  if (spare) sat_alloc.give_back(spare);
}

void SearchEngine::search_exact_and_extend_to_imperfect_repeats()
{
  general_PrintMessage(stderr, "  Searching for exact repeats.\n");
  std::fflush(stderr);
  minScores = minScores_intern;
  minLengths = minLengths_intern;
  exact_search_2();
  minScores = minScores_user;
  minLengths = minLengths_user;
  general_PrintMessage(stderr, "  Extend exact to imperfect repeats.\n");
  std::fflush(stderr);

  if (satList_exact.empty()) return;  // nothing to extend; the text may not even exist
  const char* const text = sequence.seq_text.data;
  const char* const text_end = text + sequence.seq_text.len;
  const char* const before_text = text - 1;

  // Every seed is extended, duplicates too; removing those is overlap removal's job.
  for (auto it = satList_exact.begin(); it != satList_exact.end();) {
    auto next = std::next(it);
    Csat& sat = **it;
    extend_imperfect_forward(sat, text_end);
    extend_imperfect_backward(sat, before_text);
    trim_Ns(sat);
    if (passes_thresholds(sat, sat.unit_length())) {
      sort_missense(sat);
      satList_imperfect.splice(satList_imperfect.end(), satList_exact, it);
    } else {
      sat_alloc.splice(sat_alloc.end(), satList_exact, it);
    }
    it = next;
  }
  satList_imperfect.sort(lessThan_sat);
}

}  // namespace oracle
