// The main window's settings as a whole: factory values, presets, which
// controls are active, validation with corrections, and the copy into the
// parameter set at the start of a run.
#include <cstdint>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "dialogs.h"
#include "sarvik/sarvik.hpp"
#include "sarvik_gui.h"

signed char remember_choice_NPerfection = 0;

bool is_blank_or_minus(const char* s) { return s[0] == '\0' || std::strcmp(s, "-") == 0; }

int field_int(const Fl_Input* field)
{
  // The leading integer part, as atoi reads it, but without its undefined
  // behaviour on overflow: out-of-range numbers stop at the int limits.
  long v = std::strtol(field->value(), nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

float field_float(const Fl_Input* field) { return static_cast<float>(std::strtod(field->value(), nullptr)); }

void do_consistency(Fl_Widget*, void*)
{
  if (radio_modeCompou->value())
    input_compDist->activate();
  else
    input_compDist->deactivate();

  if (check_treatNsAsMis->value()) {
    // Remember the user's choice only when the check takes it over, not on
    // every later call while it is on: those would overwrite it with 0.
    if (choice_NPerfection->active())
      remember_choice_NPerfection = static_cast<signed char>(choice_NPerfection->value());
    choice_NPerfection->value(0);
    choice_NPerfection->deactivate();
  } else {
    select_choice_index(choice_NPerfection, remember_choice_NPerfection);
    choice_NPerfection->activate();
  }

  if (radio_modePerfec->value()) {
    input_m->deactivate();
    input_g->deactivate();
    input_r->deactivate();
    check_maxRed->deactivate();
    input_maxRed->deactivate();
  } else {
    input_m->activate();
    input_g->activate();
    input_r->activate();
    check_maxRed->activate();
    if (check_maxRed->value())
      input_maxRed->activate();
    else
      input_maxRed->deactivate();
  }
}

void callback_check_maxRed(Fl_Widget*, void*) { do_consistency(); }

void factory_settings(Fl_Widget*, void*)
{
  radio_modeImperf->value(1);
  radio_modeExtend->value(0);
  radio_modePerfec->value(0);
  radio_modeCompou->value(0);
  input_compDist->value("5");
  check_outputMaskedSeq->value(0);
  input_m->value("-5");
  input_g->value("-5");
  input_r->value("5");
  check_maxRed->value(0);
  input_maxRed->value("30");
  choice_outputFormat->value(1);
  choice_reportUnit->value(2);
  choice_printRepeatMode->value(2);
  choice_NPerfection->value(0);
  remember_choice_NPerfection = 0;
  choice_removeHidden->value(0);
  input_flanking->value("0");
  input_fromSeq->value("1");
  input_toSeq->value("");
  input_minUnitSize->value("1");
  input_maxUnitSize->value("10");
  input_allowedNs->value("2");
  check_scoreFirstUnit->value(0);
  input_minLen->value("0");
  input_minLen_a->value("0");
  input_minLen_b->value("0");
  input_minScore->value("6");
  input_minScore_a->value("0");
  input_minScore_b->value("1");
  input_minPerf->value("0");
  input_maxPerf->value("100");
  do_consistency();
}

void callback_typical_imperfect_search(Fl_Widget*, void* which)
{
  if (reinterpret_cast<std::intptr_t>(which) == 1) {
    input_m->value("-5");
    input_g->value("-5");
    input_r->value("5");
  } else if (reinterpret_cast<std::intptr_t>(which) == 2) {
    input_m->value("-4");
    input_g->value("-4");
    input_r->value("3");
  }
  do_consistency();
}

void callback_typical_minRequirements(Fl_Widget*, void* which)
{
  if (reinterpret_cast<std::intptr_t>(which) == 1) {
    input_minLen->value("8");
    input_minLen_a->value("0");
    input_minLen_b->value("2");
    input_minScore->value("0");
    input_minScore_a->value("0");
    input_minScore_b->value("0");
    input_minPerf->value("0");
  } else if (reinterpret_cast<std::intptr_t>(which) == 2) {
    input_minLen->value("0");
    input_minLen_a->value("0");
    input_minLen_b->value("0");
    input_minScore->value("6");
    input_minScore_a->value("0");
    input_minScore_b->value("1");
    input_minPerf->value("0");
  }
  do_consistency();
}

namespace {

const int mark_invalid = -1;
const int max_unit_size_limit = 1000000;
const int mark_defaulted = -2;

struct CCheckResult {
  bool invalid = false;
  bool defaulted = false;

  void correct(Fl_Input* field, const char* value, const char* message, int mark)
  {
    gui_dialogs.alert(message);
    field->value(value);
    (mark == mark_invalid ? invalid : defaulted) = true;
  }
  int code() const { return invalid ? mark_invalid : defaulted ? mark_defaulted : 0; }
};

}  // namespace

int check_parameters()
{
  CCheckResult r;
  // Each check reads its field again, so it sees what earlier checks corrected.
  if (field_int(input_fromSeq) < 1 && !is_blank_or_minus(input_fromSeq->value()))
    r.correct(input_fromSeq, "1", "The \"From sequence\" value cannot be less than 1. It has been adjusted to 1",
              mark_invalid);
  if (field_int(input_toSeq) < 1 && !is_blank_or_minus(input_toSeq->value()))
    r.correct(input_toSeq, "",
              "The \"To sequence\" value cannot be less than 1. It has been adjusted to \"last sequence\"",
              mark_invalid);
  if (field_int(input_minUnitSize) < 1)
    r.correct(input_minUnitSize, "1", "The \"Minimum unit size\" cannot be less than 1. It has been adjusted to 1",
              mark_invalid);
  if (field_int(input_maxUnitSize) < field_int(input_minUnitSize))
    r.correct(input_maxUnitSize, "10",
              "The \"Maximum unit size\" cannot be smaller than the minimum unit size. Its value has been set to "
              "its default value.",
              mark_invalid);
  // The thresholds hold one entry per unit length: an absurd maximum would
  // make the run die for lack of memory. The same limit as on the command line.
  if (field_int(input_maxUnitSize) > max_unit_size_limit)
    r.correct(input_maxUnitSize, "10",
              "The \"Maximum unit size\" cannot be larger than 1000000. Its value has been set to its default value.",
              mark_invalid);
  if (field_int(input_minPerf) > 100)
    r.correct(input_minPerf, "100",
              "The \"Minimum perfection\" cannot be greater than 100%. Its value has been adjusted to 100%.",
              mark_invalid);
  if (field_int(input_maxPerf) > 100)
    r.correct(input_maxPerf, "100",
              "The \"Maximum perfection\" cannot be greater than 100%. Its value has been adjusted to 100%.",
              mark_invalid);
  if (field_int(input_minPerf) < 0)
    r.correct(input_minPerf, "0",
              "The \"Minimum perfection\" cannot be less than 0%. Its value has been adjusted to 0%.", mark_invalid);
  if (field_int(input_maxPerf) < 0)
    r.correct(input_maxPerf, "0",
              "The \"Maximum perfection\" cannot be less than 0%. Its value has been adjusted to 0%.", mark_invalid);
  if (field_int(input_allowedNs) < 0)
    r.correct(input_allowedNs, "0",
              "The \"Maximum number of allowed Ns\" cannot be negative. Its value has been adjusted to 0.",
              mark_invalid);
  if (field_int(input_flanking) < 0)
    r.correct(input_flanking, "0",
              "The \"Number of flanking nucleotides\" cannot be negative. Its value has been adjusted to zero.",
              mark_invalid);
  if (field_int(input_r) < 1)
    r.correct(input_r, "5",
              "The \"recursion depth\" must be greater or equal to 1.\nA value of 0 would corresponds to a perfect "
              "search.",
              mark_defaulted);
  if (field_int(input_m) >= 0)
    r.correct(input_m, "-5", "The \"mismatch score\" must be negative. Its value has been adjusted to -5.",
              mark_invalid);
  if (field_int(input_g) >= 0)
    r.correct(input_g, "-5", "The \"gap score\" must be negative. Its value has been adjusted to -5.", mark_invalid);
  if (field_int(input_maxRed) < 0)
    r.correct(input_maxRed, "30",
              "The \"maximum score reduction\" cannot be negative. Its value has been adjusted to its default value.",
              mark_invalid);

  if (is_blank_or_minus(input_flanking->value()))
    r.correct(input_flanking, "0",
              "The \"flanking nucleotides\" input field was blank and has been set to its default value.",
              mark_defaulted);
  if (is_blank_or_minus(input_minPerf->value()))
    r.correct(input_minPerf, "0",
              "The \"minimum perfection\" input field was blank and has been set to its default value.",
              mark_defaulted);
  if (is_blank_or_minus(input_maxPerf->value()))
    r.correct(input_maxPerf, "100",
              "The \"maximum perfection\" input field was blank and has been set to its default value.",
              mark_defaulted);
  if (check_maxRed->value() && is_blank_or_minus(input_maxRed->value()))
    r.correct(input_maxRed, "30",
              "The \"maximum reduction\" input field was blank and has been set to its default value.",
              mark_defaulted);
  if (is_blank_or_minus(input_allowedNs->value()))
    r.correct(input_allowedNs, "2",
              "The \"maximum number of allowed Ns\" input field was blank and has been set to its default value.",
              mark_defaulted);

  const char* min_length_blank = "A \"minimum length\" input field was blank and has been set to its default value.";
  if (is_blank_or_minus(input_minLen->value())) r.correct(input_minLen, "0", min_length_blank, mark_defaulted);
  if (is_blank_or_minus(input_minLen_a->value())) r.correct(input_minLen_a, "0", min_length_blank, mark_defaulted);
  if (is_blank_or_minus(input_minLen_b->value())) r.correct(input_minLen_b, "0", min_length_blank, mark_defaulted);

  const char* min_score_blank = "A \"minimum score\" input field was blank and has been set to its default value.";
  if (is_blank_or_minus(input_minScore->value())) r.correct(input_minScore, "6", min_score_blank, mark_defaulted);
  if (is_blank_or_minus(input_minScore_a->value()))
    r.correct(input_minScore_a, "0", min_score_blank, mark_defaulted);
  if (is_blank_or_minus(input_minScore_b->value()))
    r.correct(input_minScore_b, "1", min_score_blank, mark_defaulted);

  return r.code();
}

sarvik::Parameters window_parameters()
{
  sarvik::Parameters p;
  glob_infiletext->sync();
  glob_outfiletext->sync();
  p.input = glob_infiletext->text;
  p.output = glob_outfiletext->text;

  int from = field_int(input_fromSeq);
  p.firstSeq = from == 0 ? 1 : from;
  int to = field_int(input_toSeq);
  p.lastSeq = to == 0 ? -1 : to;

  p.searchMode = radio_modeImperf->value() ? "imperfect" : radio_modeExtend->value() ? "extendExact" : "exact";

  p.NPerfectionMode = choice_NPerfection->value();
  p.reportUnit = choice_reportUnit->value();
  p.printRepeatSeqMode = choice_printRepeatMode->value();

  // Items of the format menu: (format, sequence info as comments).
  static const int format_of_item[] = {0, 1, 2, 2, 3, 3, 4, 5, 6};
  static const bool comment_of_item[] = {false, false, false, true, false, true, false, false, false};
  int item = choice_outputFormat->value();
  if (item >= 0 && item < 9) {
    p.outputFormat = format_of_item[item];
    p.sequenceInfoAsComment = comment_of_item[item];
  } else {
    p.outputFormat = -1;
    p.sequenceInfoAsComment = false;
  }

  p.flanking = field_int(input_flanking);
  p.recursion = field_int(input_r);
  p.maximum_score_reduction = check_maxRed->value() ? field_int(input_maxRed) : INT_MAX;
  p.minUnitLen = static_cast<unsigned>(field_int(input_minUnitSize));
  p.maxUnitLen = static_cast<unsigned>(field_int(input_maxUnitSize));
  p.NsAsMissense = check_treatNsAsMis->value() != 0;
  p.succN = field_int(input_allowedNs);
  p.minScore = field_int(input_minScore);
  p.minScore_a = field_int(input_minScore_a);
  p.minScore_b = field_float(input_minScore_b);
  p.minLength = field_int(input_minLen);
  p.minLength_a = field_int(input_minLen_a);
  p.minLength_b = field_float(input_minLen_b);
  p.minPerfection = field_float(input_minPerf);
  p.maxPerfection = field_float(input_maxPerf);
  p.preferShorterRepeats = false;
  p.mismatchScore = field_int(input_m);
  p.indelScore = field_int(input_g);
  p.dontRemoveMostlyOverlapping = choice_removeHidden->value() != 0;
  p.maskX = check_outputMaskedSeq->value() != 0;
  return p;
}
