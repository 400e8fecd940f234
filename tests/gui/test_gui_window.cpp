// The main window's controls and layout, the file-name fields and dialogs,
// and the handlers of the button column.
#include <unistd.h>

#include <cstring>
#include <vector>

#include <FL/Fl_Group.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/fl_ask.H>

#include "gui_test_support.h"

namespace {

class Window : public GuiTest {};

// Headers of one toolkit version with the library of the other would fail in
// odd ways; the second build's tests rely on its run path to load the right one.
TEST(Toolkit, TheLoadedLibraryIsTheOneCompiledAgainst) { EXPECT_DOUBLE_EQ(Fl::version(), FL_VERSION); }

TEST(WindowSize, FitsTheScreen)
{
  struct {
    int screen_w, screen_h, w, h;
  } cases[] = {{1920, 1080, 835, 765}, {800, 600, 800, 570}, {835, 795, 835, 765},
               {836, 794, 835, 764},   {600, 400, 600, 370}};
  for (const auto& c : cases) {
    int w = 0, h = 0;
    main_window_size(c.screen_w, c.screen_h, w, h);
    EXPECT_EQ(w, c.w) << c.screen_w << "x" << c.screen_h;
    EXPECT_EQ(h, c.h) << c.screen_w << "x" << c.screen_h;
  }
}

void collect(Fl_Group* g, std::vector<Fl_Widget*>& out)
{
  for (int i = 0; i < g->children(); ++i) {
    Fl_Widget* w = g->child(i);
    out.push_back(w);
    if (Fl_Group* sub = dynamic_cast<Fl_Group*>(w)) collect(sub, out);
  }
}

std::vector<Fl_Widget*> all_widgets()
{
  std::vector<Fl_Widget*> v;
  collect(main_window, v);
  return v;
}

Fl_Button* find_button(const char* label, int nth = 0)
{
  for (Fl_Widget* w : all_widgets()) {
    if (w->label() && std::strcmp(w->label(), label) == 0 && dynamic_cast<Fl_Button*>(w) && nth-- == 0)
      return static_cast<Fl_Button*>(w);
  }
  return nullptr;
}

TEST_F(Window, EveryControlHasItsLabelAndVisibility)
{
  struct {
    Fl_Widget* w;
    const char* label;
    bool hidden;
  } controls[] = {
      {radio_modeImperf, "Imperfect search", false},
      {radio_modePerfec, "Perfect search", false},
      {radio_modeExtend, "Extend exact search", false},
      {radio_modeCompou, "Compound with distance ", true},
      {input_compDist, nullptr, true},
      {check_outputMaskedSeq, "Save repeat-masked sequences", false},
      {input_m, "Mismatch score: (typical -3 to -6) ", false},
      {input_g, "Gap score: (typical -3 to -6) ", false},
      {input_r, "Recursion depth: ", false},
      {check_maxRed, "Maximum score reduction", false},
      {input_maxRed, nullptr, false},
      {choice_outputFormat, "General output format:", false},
      {choice_reportUnit, "Printing mode for satellite unit: ", false},
      {choice_printRepeatMode, "Printing mode for repeat sequence: ", false},
      {choice_NPerfection, "Treating N's when computing perfection: ", false},
      {choice_removeHidden, "Remove hidden repeats: ", false},
      {input_flanking, "Print flanking nucleotides: ", false},
      {input_fromSeq, "From ", false},
      {input_toSeq, nullptr, false},
      {input_minUnitSize, "From ", false},
      {input_maxUnitSize, nullptr, false},
      {check_scoreFirstUnit, "Score first unit", true},
      {check_treatNsAsMis, "Treat N's as missense instead of neutral", false},
      {input_allowedNs, " Maximum number of successive N's\n allowed in a repeat: ", false},
      {input_minLen_a, "+", false},
      {input_minLen_b, "*(unit-length),  but not less than ", false},
      {input_minLen, nullptr, false},
      {input_minScore_a, "+", false},
      {input_minScore_b, "*(unit-length),  but not less than ", false},
      {input_minScore, nullptr, false},
      {input_minPerf, "%", false},
      {input_maxPerf, "%", false},
      {button_run, "Run analysis", false},
      {glob_infiletext->input, "Input sequence file:  ", false},
      {glob_outfiletext->input, "Output sarvik file:   ", false},
  };
  for (const auto& c : controls) {
    ASSERT_NE(c.w, nullptr);
    if (c.label)
      EXPECT_STREQ(c.w->label(), c.label);
    else
      EXPECT_EQ(c.w->label(), nullptr) << "a field without its own label";
    EXPECT_EQ(c.w->visible() == 0, c.hidden) << (c.label ? c.label : "(unlabelled)");
  }
  for (Fl_Widget* w : std::initializer_list<Fl_Widget*>{input_allowedNs, input_minLen_a, input_minLen_b, input_minScore_a, input_minScore_b,
                       input_minPerf, input_maxPerf})
    EXPECT_EQ(w->align() & FL_ALIGN_RIGHT, FL_ALIGN_RIGHT) << w->label() << " reads after its field";
  for (Fl_Widget* w : std::initializer_list<Fl_Widget*>{choice_outputFormat, choice_reportUnit, choice_printRepeatMode, choice_NPerfection,
                       choice_removeHidden})
    EXPECT_EQ(w->align() & FL_ALIGN_TOP, FL_ALIGN_TOP) << w->label() << " sits above its box";
  EXPECT_EQ(button_run->labelfont(), FL_HELVETICA_BOLD);
  EXPECT_STREQ(main_window->label(), "Sarvik, version 3.3.10");
  EXPECT_EQ(main_window->w(), 835);
  EXPECT_EQ(main_window->h(), 765);
}

TEST_F(Window, RadiosFormOneSetInAnUnlabelledGroup)
{
  Fl_Group* set = radio_modeImperf->parent();
  EXPECT_EQ(set->label(), nullptr);
  EXPECT_EQ(set->children(), 4);
  for (Fl_Round_Button* r : {radio_modeImperf, radio_modePerfec, radio_modeExtend, radio_modeCompou}) {
    EXPECT_EQ(r->parent(), set);
    EXPECT_EQ(r->type(), FL_RADIO_BUTTON);
    EXPECT_EQ(r->callback(), (Fl_Callback*)do_consistency);
  }
  radio_modeExtend->setonly();
  EXPECT_FALSE(radio_modeImperf->value());
  EXPECT_TRUE(radio_modeExtend->value());
  EXPECT_EQ(check_treatNsAsMis->callback(), (Fl_Callback*)do_consistency);
  EXPECT_EQ(check_maxRed->callback(), (Fl_Callback*)callback_check_maxRed);
}

TEST_F(Window, MenusHoldTheirItemsInSize14)
{
  struct {
    Fl_Choice* choice;
    const Fl_Menu_Item* menu;
    std::vector<std::string> items;
  } menus[] = {
      {choice_outputFormat, menu_outputFormat,
       {"simple sarvik format", "extended sarvik format", "gff", "gff with sequence info as comment", "one-per-line",
        "one-per-line with sequence info as comment", "as fasta sequence", "BED",
        "STR catalog (long-read genotypers)"}},
      {choice_reportUnit, menu_reportUnit, {"as is", "normalized (cyclic)", "normalized (cyclic+rev. complement)"}},
      {choice_printRepeatMode, menu_printRepeatMode,
       {"don't print sequence", "print repeat sequence", "print repeat alignment"}},
      {choice_NPerfection, menu_NPerfection, {"as mismatch", "neutral", "as match"}},
      {choice_removeHidden, menu_removeHidden, {"remove hidden", "don't remove hidden"}},
  };
  for (const auto& m : menus) {
    EXPECT_EQ(m.choice->menu(), m.menu);
    ASSERT_EQ(m.choice->size(), static_cast<int>(m.items.size()) + 1) << m.items[0];
    for (size_t i = 0; i < m.items.size(); ++i) {
      EXPECT_EQ(m.menu[i].label(), m.items[i]);
      EXPECT_EQ(m.menu[i].labelsize(), 14);
      EXPECT_EQ(m.menu[i].shortcut(), 0);
      EXPECT_EQ(m.menu[i].callback(), nullptr);
    }
  }
}

TEST_F(Window, ButtonsAreBoundToTheirHandlers)
{
  struct {
    const char* label;
    int nth;
    Fl_Callback* cb;
    void* data;
  } buttons[] = {
      {"Browse", 0, CSingleFileChooser::show_fc_callback, test_infile_dialog},
      {"Browse", 1, CSingleFileChooser::show_fc_callback, test_outfile_dialog},
      {"Load parameters", 0, callback_loadParameters, test_load_dialog},
      {"Save parameters", 0, callback_saveParameters, test_save_dialog},
      {"Reset parameters", 0, factory_settings, nullptr},
      {"Run analysis", 0, callback_runAnalysis, nullptr},
      {"About", 0, callback_about, nullptr},
      {"Quit", 0, callback_quit, nullptr},
      {"Typical analysis", 0, callback_typical_imperfect_search, reinterpret_cast<void*>(1)},
      {"Typical masking", 0, callback_typical_imperfect_search, reinterpret_cast<void*>(2)},
      {"Typical length constraint", 0, callback_typical_minRequirements, reinterpret_cast<void*>(1)},
      {"Typical score constraint", 0, callback_typical_minRequirements, reinterpret_cast<void*>(2)},
  };
  for (const auto& b : buttons) {
    Fl_Button* w = find_button(b.label, b.nth);
    ASSERT_NE(w, nullptr) << b.label;
    EXPECT_EQ(w->callback(), b.cb) << b.label;
    EXPECT_EQ(w->user_data(), b.data) << b.label;
  }
  EXPECT_EQ(find_button("Run analysis"), button_run);
  EXPECT_EQ(main_window->callback(), (Fl_Callback*)callback_quit) << "the window's close button quits";
}

TEST_F(Window, GroupsAndBoxesInCreationOrder)
{
  Fl_Group* scroll = dynamic_cast<Fl_Group*>(main_window->child(0));
  ASSERT_NE(scroll, nullptr);
  EXPECT_EQ(main_window->resizable(), scroll);
  // The scroll area's own scrollbars aside.
  std::vector<Fl_Widget*> content;
  std::vector<std::string> labels;
  for (int i = 0; i < scroll->children(); ++i) {
    Fl_Widget* w = scroll->child(i);
    if (dynamic_cast<Fl_Scrollbar*>(w)) continue;
    content.push_back(w);
    labels.push_back(w->label() ? w->label() : "");
  }
  ASSERT_EQ(labels.size(), 9u);
  EXPECT_EQ(content[0]->labelsize(), 12) << "the notice comes first";
  EXPECT_EQ(content[0]->labelfont(), FL_HELVETICA_BOLD);
  EXPECT_EQ(labels[1], "Welcome to Sarvik -  a tandem repeat detection tool");
  EXPECT_EQ(content[1]->labelsize(), 20);
  EXPECT_EQ(content[1]->labelfont(), FL_HELVETICA_BOLD);
  EXPECT_EQ(labels[2], "") << "file names";
  EXPECT_EQ(labels[3], "") << "button column";
  EXPECT_EQ(labels[4], "Search modes:");
  EXPECT_EQ(labels[5], "Options for imperfect search:");
  EXPECT_EQ(labels[6], "Output options:");
  EXPECT_EQ(labels[7], "General options:");
  EXPECT_EQ(labels[8], "Requirements on satellites to be reported:");

  // The button column, top to bottom.
  Fl_Group* column = dynamic_cast<Fl_Group*>(content[3]);
  const char* order[] = {"Load parameters", "Save parameters", "Reset parameters", "Run analysis", "About", "Quit"};
  ASSERT_EQ(column->children(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_STREQ(column->child(i)->label(), order[i]);
    if (i) {
      EXPECT_GT(column->child(i)->y(), column->child(i - 1)->y());
    }
  }
}

bool overlap(const Fl_Widget* a, const Fl_Widget* b)
{
  return a->x() < b->x() + b->w() && b->x() < a->x() + a->w() && a->y() < b->y() + b->h() && b->y() < a->y() + a->h();
}

TEST_F(Window, VisibleControlsStayInsideTheWindowAndApart)
{
  // Everything inside the full-size window, and no two visible siblings on
  // top of each other (hidden controls may share a place, nobody sees them).
  for (Fl_Widget* w : all_widgets()) {
    if (dynamic_cast<Fl_Scrollbar*>(w) || !w->visible()) continue;
    EXPECT_GE(w->x(), 0);
    EXPECT_GE(w->y(), 0);
    EXPECT_LE(w->x() + w->w(), main_window_width) << (w->label() ? w->label() : "");
    EXPECT_LE(w->y() + w->h(), main_window_height) << (w->label() ? w->label() : "");
    Fl_Group* g = w->parent();
    if (g != dynamic_cast<Fl_Group*>(main_window->child(0)) && !(g->x() <= w->x() && w->x() + w->w() <= g->x() + g->w() &&
                                                      g->y() <= w->y() && w->y() + w->h() <= g->y() + g->h()))
      ADD_FAILURE() << (w->label() ? w->label() : "(unlabelled)") << " sticks out of its group";
  }
  std::vector<Fl_Widget*> v = all_widgets();
  for (size_t i = 0; i < v.size(); ++i)
    for (size_t j = i + 1; j < v.size(); ++j) {
      Fl_Widget *a = v[i], *b = v[j];
      if (a->parent() != b->parent() || !a->visible() || !b->visible()) continue;
      if (dynamic_cast<Fl_Scrollbar*>(a) || dynamic_cast<Fl_Scrollbar*>(b)) continue;
      EXPECT_FALSE(overlap(a, b)) << (a->label() ? a->label() : "?") << " / " << (b->label() ? b->label() : "?");
    }
}

// ------------------------------------------------------------ file names

TEST_F(Window, FileFieldsKeepTheirOwnTextAndCutLongNames)
{
  glob_infiletext->set("in.fa");
  EXPECT_EQ(glob_infiletext->input->value(), glob_infiletext->text) << "the field shows the array itself";
  // Changed in place, same length: the field must still be bound afresh.
  glob_infiletext->text[0] = 'o';
  glob_infiletext->bind();
  EXPECT_EQ(glob_infiletext->input->value(), glob_infiletext->text);
  EXPECT_STREQ(glob_infiletext->input->value(), "on.fa");
  std::string long_name(3000, 'x');
  glob_infiletext->set(long_name.c_str());
  EXPECT_EQ(std::strlen(glob_infiletext->text), 1023u);
  EXPECT_EQ(glob_infiletext->input->value(), glob_infiletext->text);

  // What the user types reaches the array through the field's handler.
  glob_outfiletext->input->value("typed.out");
  glob_outfiletext->input->do_callback();
  EXPECT_STREQ(glob_outfiletext->text, "typed.out");
  EXPECT_EQ(glob_outfiletext->input->value(), glob_outfiletext->text);
  glob_outfiletext->input->value(long_name.c_str());
  glob_outfiletext->input->do_callback();
  EXPECT_EQ(std::strlen(glob_outfiletext->text), 1023u);

  // A field that has not told its handler yet is read when it matters.
  glob_outfiletext->input->value("pending.out");
  glob_outfiletext->sync();
  EXPECT_STREQ(glob_outfiletext->text, "pending.out");
}

TEST_F(Window, ChoosingAnInputFileProposesTheOutputName)
{
  struct {
    const char* chosen;
    const char* output;
  } cases[] = {{"data/reads.fasta", "data/reads.sarvik"},
               {"reads", "reads.sarvik"},
               {"run.v2/reads", "run.v2/reads.sarvik"},
               {"a.b.fa", "a.b.sarvik"},
               // UTF-8 names stay byte for byte, also in a folder name with a dot.
               {"Größe €/Probe_ü.fasta", "Größe €/Probe_ü.sarvik"},
               {"Läufe.ä/Probe", "Läufe.ä/Probe.sarvik"}};
  for (const auto& c : cases) {
    glob_infiletext->set("start.fa");
    user.chosen_files.push_back(c.chosen);
    find_button("Browse", 0)->do_callback();
    EXPECT_EQ(user.dialog_starts.back(), "start.fa") << "the dialog starts from the field";
    EXPECT_STREQ(glob_infiletext->text, c.chosen);
    EXPECT_STREQ(glob_infiletext->input->value(), c.chosen);
    EXPECT_STREQ(glob_outfiletext->text, c.output);
    EXPECT_STREQ(glob_outfiletext->input->value(), c.output);
  }
}

TEST_F(Window, CancelledDialogsLeaveBothNames)
{
  glob_infiletext->set("in.fa");
  glob_outfiletext->set("mine.txt");
  find_button("Browse", 0)->do_callback();
  find_button("Browse", 1)->do_callback();
  EXPECT_STREQ(glob_infiletext->text, "in.fa");
  EXPECT_STREQ(glob_outfiletext->text, "mine.txt");
  EXPECT_EQ(user.dialog_starts, (std::vector<std::string>{"in.fa", "mine.txt"}));

  // The output dialog fills its own field only.
  user.chosen_files.push_back("result.svk");
  find_button("Browse", 1)->do_callback();
  EXPECT_STREQ(glob_outfiletext->text, "result.svk");
  EXPECT_STREQ(glob_infiletext->text, "in.fa");

  // Typing an input name proposes nothing.
  glob_infiletext->input->value("typed.fa");
  glob_infiletext->input->do_callback();
  EXPECT_STREQ(glob_outfiletext->text, "result.svk");
}

#ifndef NDEBUG
TEST_F(Window, ADialogWithoutAFieldIsAProgrammingError)
{
  EXPECT_DEATH(test_load_dialog->show_fc_and_update_Text_object(), "");
}
#endif

// ------------------------------------------------------------ file checks

class FileChecks : public GuiTest {
 protected:
  void SetUp() override
  {
    GuiTest::SetUp();
    dir = fresh_dir("files");
    ASSERT_EQ(chdir(dir.c_str()), 0);
    spit("in.fa", ">s\nACACACACACACACAC\n");
  }
  void TearDown() override
  {
    ASSERT_EQ(chdir("/"), 0);
    GuiTest::TearDown();
  }
  std::string dir;
};

const char* const missing_input = "The specified input file does not exist! Please specify a valid input file!";
const char* const same_name = "The output file name is identical to the input file name! Please specify a valid output file!";
const char* const overwrite = "The specified output file already exists. Are you sure you want to overwrite it?";

TEST_F(FileChecks, InputOutputAndOverwrite)
{
  spit("old.out", "old results");
  ASSERT_EQ(symlink("in.fa", "link.fa"), 0);
  struct {
    const char* in;
    const char* out;
    int answer;  // to the overwrite question, if asked
    int result;
    std::vector<std::string> alerts, questions;
  } cases[] = {
      {"missing.fa", "", 0, -1, {missing_input}, {}},
      {"", "", 0, -1, {missing_input}, {}},
      {"in.fa", "in.fa", 0, -2, {same_name}, {}},
      {"in.fa", "./in.fa", 0, -2, {same_name}, {}},
      {"in.fa", "link.fa", 0, -2, {same_name}, {}},
      {"./in.fa", "in.fa", 0, -2, {same_name}, {}},
      {"in.fa", "", 0, 0, {}, {}},
      {"in.fa", "new.out", 0, 0, {}, {}},
      {"in.fa", "old.out", 0, 1, {}, {overwrite}},
      {"in.fa", "old.out", 1, 0, {}, {overwrite}},
  };
  for (const auto& c : cases) {
    user = CScriptedUser();
    user.answers.push_back(c.answer);
    glob_infiletext->set(c.in);
    glob_outfiletext->set(c.out);
    EXPECT_EQ(check_filenames(), c.result) << c.in << " -> " << c.out;
    EXPECT_EQ(user.alerts, c.alerts) << c.in << " -> " << c.out;
    EXPECT_EQ(user.questions, c.questions) << c.in << " -> " << c.out;
  }
  EXPECT_EQ(slurp("in.fa"), ">s\nACACACACACACACAC\n");
  EXPECT_EQ(slurp("old.out"), "old results");
  EXPECT_TRUE(fileExists("in.fa"));
  EXPECT_FALSE(fileExists("missing.fa"));
  EXPECT_FALSE(fileExists(""));
}

TEST_F(FileChecks, RunIsRefusedBeforeAnyWindowAppears)
{
  // Invalid settings: corrected, then the run refused.
  glob_infiletext->set("in.fa");
  input_g->value("0");
  callback_runAnalysis();
  ASSERT_EQ(user.alerts.size(), 2u);
  EXPECT_EQ(user.alerts[1],
            "The \"Run Analysis\" command has been aborted since invalid\nsearch parameters were set to their default "
            "values.");
  EXPECT_STREQ(input_g->value(), "-5");

  // Missing input: only the file check's alert.
  user = CScriptedUser();
  glob_infiletext->set("missing.fa");
  callback_runAnalysis();
  EXPECT_EQ(user.alerts, (std::vector<std::string>{missing_input}));

  // Declined overwrite: back to the window without a word.
  user = CScriptedUser();
  spit("old.out", "x");
  glob_infiletext->set("in.fa");
  glob_outfiletext->set("old.out");
  callback_runAnalysis();
  EXPECT_TRUE(user.alerts.empty());
  EXPECT_EQ(user.questions.size(), 1u);
  EXPECT_TRUE(button_run->active()) << "a refused run leaves the button usable";
  EXPECT_EQ(runA, nullptr);
  EXPECT_EQ(slurp("old.out"), "x");
}

// ------------------------------------------------------------ quit and about

TEST_F(Window, QuitAsksChecksSavesAndExits)
{
  const std::string prefs = home + "/.fltk/sarvik/sarvik.prefs";
  input_m->value("2");

  // Cancel: everything stays, even the invalid value.
  callback_quit();
  EXPECT_EQ(user.questions, (std::vector<std::string>{"Are you sure you want to quit?"}));
  EXPECT_STREQ(input_m->value(), "2");
  EXPECT_TRUE(user.alerts.empty());
  EXPECT_TRUE(user.exits.empty());

  // Quit with an invalid value: corrected, explained, and the program stays.
  user.answers.push_back(1);
  callback_quit();
  ASSERT_EQ(user.alerts.size(), 2u);
  EXPECT_EQ(user.alerts[1],
            "Quitting has been aborted due to the attempt to save invalid\ndefault search parameters for the next "
            "call to this program.");
  EXPECT_STREQ(input_m->value(), "-5");
  EXPECT_TRUE(user.exits.empty());
  EXPECT_NE(access(prefs.c_str(), F_OK), 0) << "nothing saved";

  // Quit again: saved to the user's file, exit status 0.
  glob_infiletext->set("kept.fa");
  user.answers.push_back(1);
  callback_quit();
  EXPECT_EQ(user.exits, (std::vector<int>{0}));
  EXPECT_NE(slurp(prefs).find("kept.fa"), std::string::npos);
}

TEST_F(Window, AboutShowsTheWelcomeLineInBold12)
{
  callback_about();
  ASSERT_EQ(user.messages.size(), 1u);
  const std::string& text = user.messages[0];
  EXPECT_EQ(text.substr(0, text.find('\n')), "Welcome to Sarvik, version 3.3.10, a tandem repeat search tool.");
  EXPECT_EQ(text.substr(text.find('\n'), 2), "\n\n") << "an empty line follows";
  EXPECT_EQ(fl_message_font_, FL_HELVETICA_BOLD);
  EXPECT_EQ(fl_message_size_, 12);
}

}  // namespace
