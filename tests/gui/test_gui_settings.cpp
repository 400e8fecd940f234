// Factory settings, presets, active/inactive controls, validation with its
// corrections and messages, and the window-to-parameter mapping.
#include <climits>
#include <functional>

#include "global-types-and-parameters.h"
#include "gui_test_support.h"

namespace {

struct CFieldValue {
  Fl_Input** field;
  const char* text;
};

class Settings : public GuiTest {};

TEST_F(Settings, FactorySettingsSetEveryControlAndKeepTheNsCheck)
{
  // Scramble everything first, with the N's check on.
  radio_modeImperf->value(0);
  radio_modeCompou->value(1);
  check_outputMaskedSeq->value(1);
  check_maxRed->value(1);
  check_scoreFirstUnit->value(1);
  check_treatNsAsMis->value(1);
  for (Fl_Input* f : {(Fl_Input*)input_compDist, (Fl_Input*)input_m, (Fl_Input*)input_toSeq, (Fl_Input*)input_maxPerf})
    f->value("77");
  choice_outputFormat->value(5);
  choice_reportUnit->value(0);
  choice_removeHidden->value(1);
  remember_choice_NPerfection = 2;

  factory_settings();

  EXPECT_TRUE(radio_modeImperf->value());
  EXPECT_FALSE(radio_modeExtend->value() || radio_modePerfec->value() || radio_modeCompou->value());
  EXPECT_FALSE(check_outputMaskedSeq->value());
  EXPECT_FALSE(check_maxRed->value());
  EXPECT_FALSE(check_scoreFirstUnit->value());
  EXPECT_TRUE(check_treatNsAsMis->value()) << "Reset leaves the N's check as it was";
  const CFieldValue expected[] = {
      {(Fl_Input**)&input_compDist, "5"},    {(Fl_Input**)&input_m, "-5"},
      {(Fl_Input**)&input_g, "-5"},          {(Fl_Input**)&input_r, "5"},
      {(Fl_Input**)&input_maxRed, "30"},     {(Fl_Input**)&input_flanking, "0"},
      {(Fl_Input**)&input_fromSeq, "1"},     {(Fl_Input**)&input_toSeq, ""},
      {(Fl_Input**)&input_minUnitSize, "1"}, {(Fl_Input**)&input_maxUnitSize, "10"},
      {(Fl_Input**)&input_allowedNs, "2"},   {(Fl_Input**)&input_minLen, "0"},
      {(Fl_Input**)&input_minLen_a, "0"},    {(Fl_Input**)&input_minLen_b, "0"},
      {(Fl_Input**)&input_minScore, "6"},    {(Fl_Input**)&input_minScore_a, "0"},
      {(Fl_Input**)&input_minScore_b, "1"},  {(Fl_Input**)&input_minPerf, "0"},
      {(Fl_Input**)&input_maxPerf, "100"},
  };
  for (const CFieldValue& e : expected) EXPECT_STREQ((*e.field)->value(), e.text) << (*e.field)->label();
  EXPECT_EQ(choice_outputFormat->value(), 1);
  EXPECT_EQ(choice_reportUnit->value(), 2);
  EXPECT_EQ(choice_printRepeatMode->value(), 2);
  EXPECT_EQ(choice_removeHidden->value(), 0);
  EXPECT_EQ(remember_choice_NPerfection, 0);
  EXPECT_EQ(choice_NPerfection->value(), 0);
  EXPECT_FALSE(input_compDist->active()) << "consistency ran afterwards";
}

TEST_F(Settings, PresetsSetTheirFieldsOnly)
{
  input_maxPerf->value("90");
  input_m->value("-9");

  callback_typical_minRequirements(nullptr, reinterpret_cast<void*>(1));
  const char* length_preset[] = {input_minLen->value(),   input_minLen_a->value(),   input_minLen_b->value(),
                                 input_minScore->value(), input_minScore_a->value(), input_minScore_b->value(),
                                 input_minPerf->value()};
  const char* want_length[] = {"8", "0", "2", "0", "0", "0", "0"};
  for (int i = 0; i < 7; ++i) EXPECT_STREQ(length_preset[i], want_length[i]) << i;

  callback_typical_minRequirements(nullptr, reinterpret_cast<void*>(2));
  const char* score_preset[] = {input_minLen->value(),   input_minLen_a->value(),   input_minLen_b->value(),
                                input_minScore->value(), input_minScore_a->value(), input_minScore_b->value(),
                                input_minPerf->value()};
  const char* want_score[] = {"0", "0", "0", "6", "0", "1", "0"};
  for (int i = 0; i < 7; ++i) EXPECT_STREQ(score_preset[i], want_score[i]) << i;
  EXPECT_STREQ(input_maxPerf->value(), "90") << "neither constraint preset touches the maximum perfection";
  EXPECT_STREQ(input_m->value(), "-9");

  callback_typical_imperfect_search(nullptr, reinterpret_cast<void*>(2));
  EXPECT_STREQ(input_m->value(), "-4");
  EXPECT_STREQ(input_g->value(), "-4");
  EXPECT_STREQ(input_r->value(), "3");
  callback_typical_imperfect_search(nullptr, reinterpret_cast<void*>(1));
  EXPECT_STREQ(input_m->value(), "-5");
  EXPECT_STREQ(input_g->value(), "-5");
  EXPECT_STREQ(input_r->value(), "5");
}

TEST_F(Settings, ConsistencyFollowsModeAndChecks)
{
  struct {
    Fl_Round_Button** mode;
    int max_red;
    bool scores_active, max_red_active, distance_active;
  } cases[] = {
      {&radio_modeImperf, 0, true, false, false}, {&radio_modeImperf, 1, true, true, false},
      {&radio_modeExtend, 1, true, true, false},  {&radio_modePerfec, 1, false, false, false},
      {&radio_modeCompou, 1, true, true, true},
  };
  for (const auto& c : cases) {
    for (Fl_Round_Button* r : {radio_modeImperf, radio_modeExtend, radio_modePerfec, radio_modeCompou})
      r->value(r == *c.mode);
    check_maxRed->value(c.max_red);
    do_consistency();
    SCOPED_TRACE((*c.mode)->label());
    EXPECT_EQ(input_m->active() != 0, c.scores_active);
    EXPECT_EQ(input_g->active() != 0, c.scores_active);
    EXPECT_EQ(input_r->active() != 0, c.scores_active);
    EXPECT_EQ(check_maxRed->active() != 0, c.scores_active);
    EXPECT_EQ(input_maxRed->active() != 0, c.max_red_active);
    EXPECT_EQ(input_compDist->active() != 0, c.distance_active);
  }
  // The check's own handler refreshes the field beside it.
  radio_modeImperf->value(1);
  radio_modeCompou->value(0);
  check_maxRed->value(0);
  callback_check_maxRed();
  EXPECT_FALSE(input_maxRed->active());
  check_maxRed->value(1);
  callback_check_maxRed();
  EXPECT_TRUE(input_maxRed->active());
}

TEST_F(Settings, NsAsMissenseForcesMismatchAndGivesTheChoiceBack)
{
  choice_NPerfection->value(2);
  check_treatNsAsMis->value(1);
  do_consistency();
  EXPECT_EQ(choice_NPerfection->value(), 0);
  EXPECT_FALSE(choice_NPerfection->active());
  EXPECT_EQ(remember_choice_NPerfection, 2);

  // Other controls run the same rule while the check is on; the user's
  // choice must survive them.
  radio_modePerfec->value(1);
  radio_modeImperf->value(0);
  do_consistency();
  EXPECT_EQ(remember_choice_NPerfection, 2);

  get_GUI_parameter_values();
  EXPECT_EQ(global_N_and_perfection_mode, 0);
  EXPECT_TRUE(global_treat_Ns_as_missense);

  check_treatNsAsMis->value(0);
  do_consistency();
  EXPECT_EQ(choice_NPerfection->value(), 2);
  EXPECT_TRUE(choice_NPerfection->active());

  // A remembered "no selection" clears the choice.
  remember_choice_NPerfection = -1;
  do_consistency();
  EXPECT_EQ(choice_NPerfection->value(), -1);
}

// ------------------------------------------------------------ validation

struct CCheckCase {
  const char* name;
  std::function<void()> setup;
  std::vector<std::string> alerts;
  std::vector<CFieldValue> after;
  int result;
};

const std::string from_msg = "The \"From sequence\" value cannot be less than 1. It has been adjusted to 1";
const std::string to_msg =
    "The \"To sequence\" value cannot be less than 1. It has been adjusted to \"last sequence\"";
const std::string min_unit_msg = "The \"Minimum unit size\" cannot be less than 1. It has been adjusted to 1";
const std::string max_unit_msg =
    "The \"Maximum unit size\" cannot be smaller than the minimum unit size. Its value has been set to its default "
    "value.";
const std::string recursion_msg =
    "The \"recursion depth\" must be greater or equal to 1.\nA value of 0 would corresponds to a perfect search.";
const std::string mismatch_msg = "The \"mismatch score\" must be negative. Its value has been adjusted to -5.";
const std::string gap_msg = "The \"gap score\" must be negative. Its value has been adjusted to -5.";
const std::string min_len_msg = "A \"minimum length\" input field was blank and has been set to its default value.";
const std::string min_score_msg = "A \"minimum score\" input field was blank and has been set to its default value.";

#define F(field) (Fl_Input**)&field

const CCheckCase check_cases[] = {
    {"factory settings pass", [] {}, {}, {}, 0},
    {"blank from and to pass", [] { input_fromSeq->value(""); input_toSeq->value("-"); }, {}, {}, 0},
    {"from 0", [] { input_fromSeq->value("0"); }, {from_msg}, {{F(input_fromSeq), "1"}}, -1},
    {"to 0 becomes last sequence", [] { input_toSeq->value("0"); }, {to_msg}, {{F(input_toSeq), ""}}, -1},
    {"to negative", [] { input_toSeq->value("-3"); }, {to_msg}, {{F(input_toSeq), ""}}, -1},
    {"unit sizes 0 and 0: both corrected in turn",
     [] { input_minUnitSize->value("0"); input_maxUnitSize->value("0"); }, {min_unit_msg, max_unit_msg},
     {{F(input_minUnitSize), "1"}, {F(input_maxUnitSize), "10"}}, -1},
    {"unit sizes 12 and 11: maximum set to 10 anyway",
     [] { input_minUnitSize->value("12"); input_maxUnitSize->value("11"); }, {max_unit_msg},
     {{F(input_minUnitSize), "12"}, {F(input_maxUnitSize), "10"}}, -1},
    {"a maximum unit size the thresholds could not hold", [] { input_maxUnitSize->value("99999999999"); },
     {"The \"Maximum unit size\" cannot be larger than 1000000. Its value has been set to its default value."},
     {{F(input_maxUnitSize), "10"}}, -1},
    {"a maximum unit size of 1000000 passes", [] { input_maxUnitSize->value("1000000"); }, {}, {}, 0},
    {"perfections out of range",
     [] { input_minPerf->value("101"); input_maxPerf->value("-1"); },
     {"The \"Minimum perfection\" cannot be greater than 100%. Its value has been adjusted to 100%.",
      "The \"Maximum perfection\" cannot be less than 0%. Its value has been adjusted to 0%."},
     {{F(input_minPerf), "100"}, {F(input_maxPerf), "0"}}, -1},
    {"perfections the other way round",
     [] { input_minPerf->value("-2"); input_maxPerf->value("250"); },
     {"The \"Maximum perfection\" cannot be greater than 100%. Its value has been adjusted to 100%.",
      "The \"Minimum perfection\" cannot be less than 0%. Its value has been adjusted to 0%."},
     {{F(input_minPerf), "0"}, {F(input_maxPerf), "100"}}, -1},
    {"decimal fields checked by their integer part", [] { input_maxPerf->value("100.5"); }, {}, {}, 0},
    {"negative Ns and flanking",
     [] { input_allowedNs->value("-1"); input_flanking->value("-4"); },
     {"The \"Maximum number of allowed Ns\" cannot be negative. Its value has been adjusted to 0.",
      "The \"Number of flanking nucleotides\" cannot be negative. Its value has been adjusted to zero."},
     {{F(input_allowedNs), "0"}, {F(input_flanking), "0"}}, -1},
    {"empty recursion depth is a default, not an error", [] { input_r->value(""); }, {recursion_msg},
     {{F(input_r), "5"}}, -2},
    {"mismatch 0", [] { input_m->value("0"); }, {mismatch_msg}, {{F(input_m), "-5"}}, -1},
    {"empty mismatch reads as 0", [] { input_m->value(""); }, {mismatch_msg}, {{F(input_m), "-5"}}, -1},
    {"mismatch -1 accepted, gap 3 not", [] { input_m->value("-1"); input_g->value("3"); }, {gap_msg},
     {{F(input_m), "-1"}, {F(input_g), "-5"}}, -1},
    {"negative maximum reduction corrected even when off",
     [] { check_maxRed->value(0); input_maxRed->value("-7"); },
     {"The \"maximum score reduction\" cannot be negative. Its value has been adjusted to its default value."},
     {{F(input_maxRed), "30"}}, -1},
    {"blank maximum reduction only matters when on", [] { check_maxRed->value(0); input_maxRed->value(""); }, {},
     {{F(input_maxRed), ""}}, 0},
    {"blank maximum reduction when on",
     [] { check_maxRed->value(1); input_maxRed->value("-"); },
     {"The \"maximum reduction\" input field was blank and has been set to its default value."},
     {{F(input_maxRed), "30"}}, -2},
    {"blank flanking and perfections",
     [] { input_flanking->value(""); input_minPerf->value("-"); input_maxPerf->value(""); },
     {"The \"flanking nucleotides\" input field was blank and has been set to its default value.",
      "The \"minimum perfection\" input field was blank and has been set to its default value.",
      "The \"maximum perfection\" input field was blank and has been set to its default value."},
     {{F(input_flanking), "0"}, {F(input_minPerf), "0"}, {F(input_maxPerf), "100"}}, -2},
    {"blank allowed Ns", [] { input_allowedNs->value(""); },
     {"The \"maximum number of allowed Ns\" input field was blank and has been set to its default value."},
     {{F(input_allowedNs), "2"}}, -2},
    {"blank length and score fields, one message each",
     [] {
       for (Fl_Input* f : {(Fl_Input*)input_minLen, (Fl_Input*)input_minLen_a, (Fl_Input*)input_minLen_b,
                           (Fl_Input*)input_minScore, (Fl_Input*)input_minScore_a, (Fl_Input*)input_minScore_b})
         f->value("");
     },
     {min_len_msg, min_len_msg, min_len_msg, min_score_msg, min_score_msg, min_score_msg},
     {{F(input_minLen), "0"}, {F(input_minLen_a), "0"}, {F(input_minLen_b), "0"}, {F(input_minScore), "6"},
      {F(input_minScore_a), "0"}, {F(input_minScore_b), "1"}},
     -2},
    {"an invalid value wins over a defaulted one", [] { input_r->value("0"); input_g->value("1"); },
     {recursion_msg, gap_msg}, {{F(input_r), "5"}, {F(input_g), "-5"}}, -1},
    {"signs of length and score limits are not checked",
     [] { input_minLen->value("-3"); input_minScore_b->value("-1.5"); }, {}, {{F(input_minLen), "-3"}}, 0},
};

#undef F

class CheckParameters : public GuiTest, public ::testing::WithParamInterface<CCheckCase> {};

TEST_P(CheckParameters, CorrectsAndReports)
{
  const CCheckCase& c = GetParam();
  c.setup();
  EXPECT_EQ(check_parameters(), c.result);
  EXPECT_EQ(user.alerts, c.alerts);
  for (const CFieldValue& v : c.after) EXPECT_STREQ((*v.field)->value(), v.text) << (*v.field)->label();
  // Whatever was corrected now passes.
  user.alerts.clear();
  if (c.result == -2) {
    EXPECT_EQ(check_parameters(), 0);
    EXPECT_TRUE(user.alerts.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckParameters, ::testing::ValuesIn(check_cases),
                         [](const ::testing::TestParamInfo<CCheckCase>& i) { return "case" + std::to_string(i.index); });

TEST_F(Settings, UnitSizesThatStayWrongAreRefusedAgain)
{
  input_minUnitSize->value("12");
  input_maxUnitSize->value("11");
  EXPECT_EQ(check_parameters(), -1);
  EXPECT_EQ(check_parameters(), -1) << "10 is still smaller than 12";
  input_minUnitSize->value("4");
  EXPECT_EQ(check_parameters(), 0);
}

TEST_F(Settings, ToZeroIsRefusedOnceThenMeansLast)
{
  input_toSeq->value("0");
  EXPECT_EQ(check_parameters(), -1);
  EXPECT_EQ(check_parameters(), 0);
  get_GUI_parameter_values();
  EXPECT_EQ(global_sequence_to, 4294967295u);
}

// ------------------------------------------------------------ mapping

TEST_F(Settings, WindowToParametersWithFactorySettings)
{
  glob_infiletext->set("data/in.fa");
  glob_outfiletext->set("out 100%.sarvik");
  get_GUI_parameter_values();
  EXPECT_EQ(global_input_filename, "data/in.fa");
  EXPECT_EQ(global_output_filename, "out 100%.sarvik");
  EXPECT_EQ(global_sequence_from, 1u);
  EXPECT_EQ(global_sequence_to, 4294967295u);
  EXPECT_EQ(global_search_mode, 2);
  EXPECT_EQ(global_N_and_perfection_mode, 0);
  EXPECT_EQ(global_report_unit_mode, 2);
  EXPECT_EQ(global_print_sat_seq_mode, 2);
  EXPECT_EQ(global_print_sat_mode, 1);
  EXPECT_FALSE(global_sequenceInfoAsComment);
  EXPECT_EQ(global_flanking, 0);
  EXPECT_EQ(global_maximum_recursion_depth, 5);
  EXPECT_EQ(global_maximum_scorereduction, INT_MAX);
  EXPECT_EQ(global_min_unit_length, 1u);
  EXPECT_EQ(global_max_unit_length, 10u);
  EXPECT_FALSE(global_treat_Ns_as_missense);
  EXPECT_EQ(global_Ns_allowed_in_a_row, 2);
  EXPECT_EQ(global_min_score, 6);
  EXPECT_EQ(global_min_score_a, 0);
  EXPECT_FLOAT_EQ(global_min_score_bx, 1.0f);
  EXPECT_EQ(global_min_length, 0);
  EXPECT_EQ(global_min_length_a, 0);
  EXPECT_FLOAT_EQ(global_min_length_bx, 0.0f);
  EXPECT_FLOAT_EQ(global_min_perfection, 0.0f);
  EXPECT_FLOAT_EQ(global_max_perfection, 100.0f);
  EXPECT_EQ(global_prefer_longer_repeat, 1);
  EXPECT_EQ(global_mismatch_score, -5);
  EXPECT_EQ(global_indel_score, -5);
  EXPECT_TRUE(global_remove_mostly_hidden);
  EXPECT_FALSE(global_mask_repeats);
}

TEST_F(Settings, WindowToParametersWithEveryControlChanged)
{
  radio_modeImperf->value(0);
  radio_modeExtend->value(1);
  input_fromSeq->value("3");
  input_toSeq->value("4");
  check_maxRed->value(1);
  input_maxRed->value("12");
  input_flanking->value("7");
  input_r->value("2");
  input_m->value("-3");
  input_g->value("-4");
  input_minUnitSize->value("2");
  input_maxUnitSize->value("6");
  check_treatNsAsMis->value(1);
  input_allowedNs->value("0");
  input_minScore->value("9");
  input_minScore_a->value("-2");
  input_minScore_b->value("1.5");
  input_minLen->value("11");
  input_minLen_a->value("1");
  input_minLen_b->value("0.25");
  input_minPerf->value("80.5");
  input_maxPerf->value("99");
  choice_removeHidden->value(1);
  choice_reportUnit->value(0);
  choice_printRepeatMode->value(1);
  check_outputMaskedSeq->value(1);
  get_GUI_parameter_values();
  EXPECT_EQ(global_search_mode, 1);
  EXPECT_EQ(global_sequence_from, 3u);
  EXPECT_EQ(global_sequence_to, 4u);
  EXPECT_EQ(global_maximum_scorereduction, 12);
  EXPECT_EQ(global_flanking, 7);
  EXPECT_EQ(global_maximum_recursion_depth, 2);
  EXPECT_EQ(global_mismatch_score, -3);
  EXPECT_EQ(global_indel_score, -4);
  EXPECT_EQ(global_min_unit_length, 2u);
  EXPECT_EQ(global_max_unit_length, 6u);
  EXPECT_TRUE(global_treat_Ns_as_missense);
  EXPECT_EQ(global_Ns_allowed_in_a_row, 0);
  EXPECT_EQ(global_min_score, 9);
  EXPECT_EQ(global_min_score_a, -2);
  EXPECT_FLOAT_EQ(global_min_score_bx, 1.5f);
  EXPECT_EQ(global_min_length, 11);
  EXPECT_EQ(global_min_length_a, 1);
  EXPECT_FLOAT_EQ(global_min_length_bx, 0.25f);
  EXPECT_FLOAT_EQ(global_min_perfection, 80.5f);
  EXPECT_FLOAT_EQ(global_max_perfection, 99.0f);
  EXPECT_FALSE(global_remove_mostly_hidden);
  EXPECT_EQ(global_report_unit_mode, 0);
  EXPECT_EQ(global_print_sat_seq_mode, 1);
  EXPECT_TRUE(global_mask_repeats);

  // Perfect search and the hidden compound mode both search exactly.
  radio_modeExtend->value(0);
  radio_modePerfec->value(1);
  get_GUI_parameter_values();
  EXPECT_EQ(global_search_mode, 0);
  radio_modePerfec->value(0);
  radio_modeCompou->value(1);
  get_GUI_parameter_values();
  EXPECT_EQ(global_search_mode, 0);
}

TEST_F(Settings, OutputFormatItemsMapToFormatAndComments)
{
  struct {
    int item, format;
    bool comments;
  } cases[] = {{0, 0, false}, {1, 1, false}, {2, 2, false}, {3, 2, true},
               {4, 3, false}, {5, 3, true},  {6, 4, false}, {7, 5, false},
               {8, 6, false}, {-1, -1, false}};
  for (const auto& c : cases) {
    select_choice_index(choice_outputFormat, c.item);
    get_GUI_parameter_values();
    EXPECT_EQ(global_print_sat_mode, c.format) << "item " << c.item;
    EXPECT_EQ(global_sequenceInfoAsComment, c.comments) << "item " << c.item;
  }
}

TEST_F(Settings, ChoicesWithoutSelectionGiveMinusOne)
{
  select_choice_index(choice_reportUnit, -1);
  select_choice_index(choice_printRepeatMode, -1);
  select_choice_index(choice_NPerfection, -1);
  select_choice_index(choice_removeHidden, -1);
  get_GUI_parameter_values();
  EXPECT_EQ(global_report_unit_mode, -1);
  EXPECT_EQ(global_print_sat_seq_mode, -1);
  EXPECT_EQ(global_N_and_perfection_mode, -1);
  EXPECT_FALSE(global_remove_mostly_hidden) << "only item 0 removes hidden repeats";
}

TEST_F(Settings, MaximumReductionOffMeansNoLimitWhateverTheField)
{
  check_maxRed->value(0);
  input_maxRed->value("-7");
  get_GUI_parameter_values();
  EXPECT_EQ(global_maximum_scorereduction, INT_MAX);
  EXPECT_EQ(check_parameters(), -1) << "but a negative value is still corrected";
}

TEST_F(Settings, NumbersAreReadLikeAtoi)
{
  struct {
    const char* text;
    int value;
  } cases[] = {{"", 0},           {"-", 0},           {"12abc", 12},         {"abc", 0},           {" 7", 7},
               {"-3", -3},        {"5.9", 5},         {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}};
  for (const auto& c : cases) {
    input_flanking->value(c.text);
    EXPECT_EQ(field_int(input_flanking), c.value) << '"' << c.text << '"';
  }
  EXPECT_TRUE(is_blank_or_minus(""));
  EXPECT_TRUE(is_blank_or_minus("-"));
  EXPECT_FALSE(is_blank_or_minus("--"));
  EXPECT_FALSE(is_blank_or_minus("-1"));
  EXPECT_FALSE(is_blank_or_minus(" "));
}

}  // namespace
