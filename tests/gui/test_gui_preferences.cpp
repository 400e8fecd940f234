// Parameter files and the user's own preference file: what is written, what
// a load brings back, and what a damaged or foreign file does.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "global-types-and-parameters.h"
#include "gui_test_support.h"

namespace {

// A parameter file as the toolkit writes one: it skips three header lines.
std::string prefs_text(const std::string& groups)
{
  return "; FLTK preferences file format 1.0\n; vendor: sarvik\n; application: unknown\n\n[.]\n\n" + groups;
}

class Prefs : public GuiTest {
 protected:
  // Every control set away from its factory value, hidden ones included.
  void set_everything()
  {
    glob_infiletext->set("genome.fa");
    glob_outfiletext->set("genome.sarvik");
    loadPrefsFilename = "earlier.prefs";
    radio_modeImperf->value(0);
    radio_modeCompou->value(1);
    input_compDist->value("17");
    check_outputMaskedSeq->value(1);
    input_m->value("-3");
    input_g->value("-6");
    input_r->value("4");
    check_maxRed->value(1);
    input_maxRed->value("44");
    choice_outputFormat->value(5);
    choice_reportUnit->value(1);
    choice_printRepeatMode->value(0);
    choice_NPerfection->value(2);
    choice_removeHidden->value(1);
    input_flanking->value("12");
    input_fromSeq->value("2");
    input_toSeq->value("9");
    input_minUnitSize->value("3");
    input_maxUnitSize->value("8");
    check_scoreFirstUnit->value(1);
    input_allowedNs->value("5");
    input_minLen->value("21");
    input_minLen_a->value("2");
    input_minLen_b->value("1.5");
    input_minScore->value("13");
    input_minScore_a->value("3");
    input_minScore_b->value("0.75");
    input_minPerf->value("70.5");
    input_maxPerf->value("95");
  }

  void expect_everything()
  {
    EXPECT_STREQ(glob_infiletext->text, "genome.fa");
    EXPECT_STREQ(glob_infiletext->input->value(), "genome.fa") << "the field shows the loaded name";
    EXPECT_STREQ(glob_outfiletext->text, "genome.sarvik");
    EXPECT_TRUE(radio_modeCompou->value());
    EXPECT_FALSE(radio_modeImperf->value() || radio_modeExtend->value() || radio_modePerfec->value());
    EXPECT_STREQ(input_compDist->value(), "17");
    EXPECT_TRUE(check_outputMaskedSeq->value());
    EXPECT_STREQ(input_m->value(), "-3");
    EXPECT_STREQ(input_g->value(), "-6");
    EXPECT_STREQ(input_r->value(), "4");
    EXPECT_TRUE(check_maxRed->value());
    EXPECT_STREQ(input_maxRed->value(), "44");
    EXPECT_EQ(choice_outputFormat->value(), 5);
    EXPECT_EQ(choice_reportUnit->value(), 1);
    EXPECT_EQ(choice_printRepeatMode->value(), 0);
    EXPECT_EQ(choice_NPerfection->value(), 2);
    EXPECT_EQ(choice_removeHidden->value(), 1);
    EXPECT_STREQ(input_flanking->value(), "12");
    EXPECT_STREQ(input_fromSeq->value(), "2");
    EXPECT_STREQ(input_toSeq->value(), "9");
    EXPECT_STREQ(input_minUnitSize->value(), "3");
    EXPECT_STREQ(input_maxUnitSize->value(), "8");
    EXPECT_TRUE(check_scoreFirstUnit->value());
    EXPECT_STREQ(input_allowedNs->value(), "5");
    EXPECT_STREQ(input_minLen->value(), "21");
    EXPECT_STREQ(input_minLen_a->value(), "2");
    EXPECT_STREQ(input_minLen_b->value(), "1.5");
    EXPECT_STREQ(input_minScore->value(), "13");
    EXPECT_STREQ(input_minScore_a->value(), "3");
    EXPECT_STREQ(input_minScore_b->value(), "0.75");
    EXPECT_STREQ(input_minPerf->value(), "70.5");
    EXPECT_STREQ(input_maxPerf->value(), "95");
  }

  // Back to a state that differs from the saved one in every control.
  void reset_window()
  {
    factory_settings();
    glob_infiletext->set("other.fa");
    glob_outfiletext->set("other.out");
  }

  std::string dir = fresh_dir("prefs");
};

TEST_F(Prefs, SaveAndLoadRestoreEveryControlHiddenOnesIncluded)
{
  set_everything();
  std::string file = dir + "/all.prefs";
  writePrefs(file.c_str());
  reset_window();
  loadPrefsFilename.clear();
  readPrefs(file.c_str());
  expect_everything();
  EXPECT_EQ(loadPrefsFilename, "earlier.prefs") << "the file names its own previously loaded file";
  EXPECT_TRUE(user.alerts.empty());
}

TEST_F(Prefs, FileHoldsTheGroupsAndKeysWithTheirTypes)
{
  set_everything();
  savePrefsFilename = "mine.prefs";
  std::string file = dir + "/keys.prefs";
  writePrefs(file.c_str());

  Fl_Preferences store(file.c_str(), "sarvik", nullptr);
  struct {
    const char* group;
    const char* key;
    const char* value;
  } entries[] = {
      {"Input Output files", "Input file", "genome.fa"},
      {"Input Output files", "Output file", "genome.sarvik"},
      {"Input Output files", "Previously loaded parameter file", "earlier.prefs"},
      {"Input Output files", "Previously saved parameter file", "mine.prefs"},
      {"Search Mode group", "Search mode", "4"},
      {"Search Mode group", "Distance", "17"},
      {"Search Mode group", "Mask the sequence", "1"},
      {"Imperfect search", "Mismatch score", "-3"},
      {"Imperfect search", "Gap score", "-6"},
      {"Imperfect search", "Recursion depth", "4"},
      {"Imperfect search", "Maximum score reduction in effect", "1"},
      {"Imperfect search", "Maximum score reduction value", "44"},
      {"Output options", "Output Format", "5"},
      {"Output options", "Report unit mode", "1"},
      {"Output options", "Print repeat mode", "0"},
      {"Output options", "N perfection mode", "2"},
      {"Output options", "Remove hidden", "1"},
      {"Output options", "Flanking nucleotides", "12"},
      {"General options", "From sequence", "2"},
      {"General options", "To sequence", "9"},
      {"General options", "Minimum unit size", "3"},
      {"General options", "Maximum unit size", "8"},
      {"General options", "Score first unit", "1"},
      {"General options", "Treat Ns as missing", "0"},
      {"General options", "Allowed Ns", "5"},
      {"Repeat definition", "minLen", "21"},
      {"Repeat definition", "minLen_a", "2"},
      {"Repeat definition", "minLen_b", "1.5"},
      {"Repeat definition", "minScore", "13"},
      {"Repeat definition", "minScore_a", "3"},
      {"Repeat definition", "minScore_b", "0.75"},
      {"Repeat definition", "Minimum perfection", "70.5"},
      {"Repeat definition", "Maximum perfection", "95"},
  };
  for (const auto& e : entries) {
    Fl_Preferences g(store, e.group);
    char buf[1024];
    ASSERT_TRUE(g.get(e.key, buf, "", sizeof buf)) << e.group << " / " << e.key;
    EXPECT_STREQ(buf, e.value) << e.group << " / " << e.key;
  }
  EXPECT_EQ(store.groups(), 6);
}

TEST_F(Prefs, Utf8NamesComeBackByteForByte)
{
  const char* in = "Größe €/Probe_ü.fa";
  glob_infiletext->set(in);
  glob_outfiletext->set("Ergebnis_ü.sarvik");
  loadPrefsFilename = "Läufe/alt.prefs";
  std::string file = dir + "/Einstellungen_ä.prefs";
  writePrefs(file.c_str());
  reset_window();
  loadPrefsFilename.clear();
  readPrefs(file.c_str());
  EXPECT_STREQ(glob_infiletext->text, in);
  EXPECT_STREQ(glob_infiletext->input->value(), in);
  EXPECT_STREQ(glob_outfiletext->text, "Ergebnis_ü.sarvik");
  EXPECT_EQ(loadPrefsFilename, "Läufe/alt.prefs");
}

// A file as FLTK 1.1 writes it (bytes beyond ASCII as octal escapes): a
// build with either version loads it and writes it back byte for byte, so
// the files of the two builds are one format.
TEST_F(Prefs, AFileOfEitherToolkitVersionLoadsAndIsWrittenAlike)
{
  const std::string stored = slurp(SARVIK_GUI_TEST_DATA "/every_setting.prefs");
  ASSERT_FALSE(stored.empty());
  std::string file = dir + "/copy.prefs";
  spit(file, stored);
  readPrefs(file.c_str());
  expect_everything();
  EXPECT_EQ(savePrefsFilename, "Größe €/mine.prefs");
  std::string written = dir + "/written.prefs";
  writePrefs(written.c_str());
  EXPECT_EQ(slurp(written), stored);
}

TEST_F(Prefs, SearchModeEntryPrefersTheLaterModes)
{
  struct {
    bool imperf, extend, perfec, compou;
    int entry;
  } cases[] = {{true, false, false, false, 1}, {false, true, false, false, 2}, {false, false, true, false, 3},
               {false, false, false, true, 4}, {true, true, true, true, 4},     {true, true, true, false, 3},
               {true, true, false, false, 2},  {false, false, false, false, 0}};
  std::string file = dir + "/mode.prefs";
  for (const auto& c : cases) {
    radio_modeImperf->value(c.imperf);
    radio_modeExtend->value(c.extend);
    radio_modePerfec->value(c.perfec);
    radio_modeCompou->value(c.compou);
    writePrefs(file.c_str());
    Fl_Preferences store(file.c_str(), "sarvik", nullptr);
    Fl_Preferences g(store, "Search Mode group");
    int mode = -9;
    g.get("Search mode", mode, -9);
    EXPECT_EQ(mode, c.entry);
  }
}

TEST_F(Prefs, LoadingEachStoredModeSwitchesOneRadioOn)
{
  std::string file = dir + "/modes.prefs";
  Fl_Round_Button** radios[] = {&radio_modeImperf, &radio_modeExtend, &radio_modePerfec, &radio_modeCompou};
  for (int mode = 1; mode <= 4; ++mode) {
    spit(file, prefs_text("[./Input Output files]\nInput file:x\n[./Search Mode group]\nSearch mode:" +
                          std::to_string(mode) + "\n"));
    factory_settings();
    readPrefs(file.c_str());
    for (int r = 0; r < 4; ++r) EXPECT_EQ((*radios[r])->value() != 0, r == mode - 1) << mode;
  }
  // Any other number leaves the radios alone.
  radio_modeImperf->value(0);
  radio_modeExtend->value(1);
  spit(file, prefs_text("[./Input Output files]\nInput file:x\n[./Search Mode group]\nSearch mode:7\n"));
  readPrefs(file.c_str());
  EXPECT_TRUE(radio_modeExtend->value());
  EXPECT_FALSE(radio_modeImperf->value());
}

TEST_F(Prefs, SavingAddsPrefsOnlyWithoutAnExtension)
{
  struct {
    const char* chosen;
    const char* written;
  } cases[] = {{"mysettings", "mysettings.prefs"},
               {"mysettings.txt", "mysettings.txt"},
               {"dir.d/plain", "dir.d/plain.prefs"},
               {"Größe €", "Größe €.prefs"}};
  mkdir((dir + "/dir.d").c_str(), 0700);
  for (const auto& c : cases) {
    user.chosen_files.push_back(dir + "/" + c.chosen);
    callback_saveParameters(nullptr, test_save_dialog);
    EXPECT_EQ(savePrefsFilename, dir + "/" + c.written);
    Fl_Preferences store((dir + "/" + c.written).c_str(), "sarvik", nullptr);
    Fl_Preferences g(store, "Input Output files");
    char buf[1024];
    g.get("Previously saved parameter file", buf, "", sizeof buf);
    EXPECT_EQ(buf, dir + "/" + c.written) << "the file records its own name";
  }
  // Each dialog started from the name saved last.
  ASSERT_EQ(user.dialog_starts.size(), 4u);
  EXPECT_EQ(user.dialog_starts[0], "");
  EXPECT_EQ(user.dialog_starts[1], dir + "/mysettings.prefs");
}

TEST_F(Prefs, SavingInvalidSettingsIsRefusedAfterTheCorrection)
{
  input_m->value("2");
  user.chosen_files.push_back(dir + "/never.prefs");
  callback_saveParameters(nullptr, test_save_dialog);
  ASSERT_EQ(user.alerts.size(), 2u);
  EXPECT_EQ(user.alerts[1],
            "Saving of search parameters has been aborted since invalid\nsearch parameters were set to their default "
            "values.");
  EXPECT_STREQ(input_m->value(), "-5");
  EXPECT_TRUE(user.dialog_starts.empty()) << "no dialog was shown";
  EXPECT_TRUE(savePrefsFilename.empty());
}

TEST_F(Prefs, CancelledDialogsChangeNothing)
{
  loadPrefsFilename = "a.prefs";
  savePrefsFilename = "b.prefs";
  input_r->value("3");
  callback_loadParameters(nullptr, test_load_dialog);
  callback_saveParameters(nullptr, test_save_dialog);
  EXPECT_EQ(loadPrefsFilename, "a.prefs");
  EXPECT_EQ(savePrefsFilename, "b.prefs");
  EXPECT_STREQ(input_r->value(), "3");
  EXPECT_EQ(user.dialog_starts, (std::vector<std::string>{"a.prefs", "b.prefs"}));
}

TEST_F(Prefs, LoadThroughTheButtonRefreshesActiveControls)
{
  radio_modeImperf->value(0);
  radio_modePerfec->value(1);
  std::string file = dir + "/perfect.prefs";
  writePrefs(file.c_str());
  factory_settings();
  ASSERT_TRUE(input_m->active());
  user.chosen_files.push_back(file);
  callback_loadParameters(nullptr, test_load_dialog);
  EXPECT_TRUE(radio_modePerfec->value());
  EXPECT_FALSE(input_m->active()) << "consistency ran after the load";
  EXPECT_EQ(loadPrefsFilename, file);
}

TEST_F(Prefs, DamagedOrForeignFilesChangeNothingAndAreNotTouched)
{
  struct {
    const char* name;
    const char* content;  // null: no file at all
  } cases[] = {{"missing.prefs", nullptr},
               {"reads.fa", ">s\nACACACACACAC\n"},
               {"no-input-key.prefs", "; FLTK preferences file format 1.0\n; vendor: sarvik\n; application: unknown\n\n[.]\n\n[./Input Output files]\nOutput file:x.out\n"}};
  for (const auto& c : cases) {
    std::string file = dir + "/" + c.name;
    if (c.content) spit(file, c.content);
    user.alerts.clear();
    glob_infiletext->set("kept.fa");
    savePrefsFilename = "kept.prefs";
    input_m->value("-4");
    user.chosen_files.push_back(file);
    callback_loadParameters(nullptr, test_load_dialog);
    EXPECT_EQ(user.alerts,
              (std::vector<std::string>{"The parameter file could not be read successfully! It might be damaged."}))
        << c.name;
    EXPECT_STREQ(glob_infiletext->text, "kept.fa");
    EXPECT_STREQ(glob_outfiletext->text, "");
    EXPECT_EQ(savePrefsFilename, "kept.prefs");
    EXPECT_STREQ(input_m->value(), "-4");
    EXPECT_EQ(loadPrefsFilename, file) << "the chosen name is remembered even so";
    // Reading must never write over a file that is no parameter file: a
    // FASTA file picked by mistake stays as it was. (A parameter file may
    // be written back by the toolkit in its own layout, entries kept.)
    if (!c.content)
      EXPECT_NE(access(file.c_str(), F_OK), 0) << "no file was created";
    else if (c.content[0] == '>')
      EXPECT_EQ(slurp(file), c.content) << c.name;
    else
      EXPECT_NE(slurp(file).find("Output file:x.out"), std::string::npos);
  }
}

TEST_F(Prefs, ModeZeroOrMissingTakesTheNamesAndFactorySettings)
{
  for (const char* mode_line : {"[./Search Mode group]\nSearch mode:0\n", ""}) {
    std::string file = dir + "/zero.prefs";
    spit(file, prefs_text(std::string("[./Input Output files]\nInput file:z.fa\nOutput file:z.out\n") + mode_line +
                          "[./Imperfect search]\nMismatch score:-2\n"));
    input_m->value("-9");
    input_toSeq->value("4");
    readPrefs(file.c_str());
    EXPECT_STREQ(glob_infiletext->text, "z.fa");
    EXPECT_STREQ(glob_outfiletext->text, "z.out");
    EXPECT_STREQ(input_m->value(), "-5") << "the rest is factory, not the file";
    EXPECT_STREQ(input_toSeq->value(), "");
    EXPECT_TRUE(user.alerts.empty());
  }
}

TEST_F(Prefs, ChoiceIndicesOutOfRangeOrMinusOne)
{
  std::string file = dir + "/choices.prefs";
  spit(file, prefs_text("[./Input Output files]\nInput file:c.fa\n[./Search Mode group]\nSearch mode:1\n"
                        "[./Output options]\nOutput Format:9\nReport unit mode:-1\nPrint repeat mode:3\n"
                        "Remove hidden:1\n"));
  choice_outputFormat->value(4);
  choice_printRepeatMode->value(1);
  readPrefs(file.c_str());
  EXPECT_EQ(choice_outputFormat->value(), 4) << "9 is outside the menu";
  EXPECT_EQ(choice_reportUnit->value(), -1) << "-1 clears the selection";
  EXPECT_EQ(choice_printRepeatMode->value(), 1) << "3 is one past the last item";
  EXPECT_EQ(choice_NPerfection->value(), 0) << "missing reads as 0";
  EXPECT_EQ(choice_removeHidden->value(), 1);
}

TEST_F(Prefs, OutputFormatIndicesOfOlderFilesKeepTheirFormat)
{
  // Files saved before BED and the catalog were added store at most 6 ("as fasta sequence").
  std::string file = dir + "/older.prefs";
  spit(file, prefs_text("[./Input Output files]\nInput file:c.fa\n[./Search Mode group]\nSearch mode:1\n"
                        "[./Output options]\nOutput Format:6\n"));
  readPrefs(file.c_str());
  get_GUI_parameter_values();
  EXPECT_EQ(global_print_sat_mode, 4);

  choice_outputFormat->value(8);
  std::string saved = dir + "/catalog.prefs";
  writePrefs(saved.c_str());
  choice_outputFormat->value(1);
  readPrefs(saved.c_str());
  get_GUI_parameter_values();
  EXPECT_EQ(global_print_sat_mode, 6);
}

TEST_F(Prefs, MissingKeysLeaveOrClearAsDescribed)
{
  std::string file = dir + "/sparse.prefs";
  spit(file, prefs_text("[./Input Output files]\nInput file:s.fa\n[./Search Mode group]\nSearch mode:2\n"));
  check_outputMaskedSeq->value(1);
  check_maxRed->value(1);
  check_treatNsAsMis->value(1);
  loadPrefsFilename = "kept.prefs";
  savePrefsFilename = "dropped.prefs";
  readPrefs(file.c_str());
  EXPECT_TRUE(check_outputMaskedSeq->value()) << "a missing mask entry leaves the check as it was";
  EXPECT_FALSE(check_maxRed->value()) << "missing ints read as 0";
  EXPECT_FALSE(check_treatNsAsMis->value());
  EXPECT_STREQ(input_m->value(), "") << "missing texts empty their fields";
  EXPECT_STREQ(input_minScore->value(), "");
  EXPECT_EQ(loadPrefsFilename, "kept.prefs") << "an empty previously-loaded name is not taken over";
  EXPECT_EQ(savePrefsFilename, "") << "the previously-saved name is, even when missing";
  // The next check turns the empty fields into their defaults.
  EXPECT_EQ(check_parameters(), -1);
  EXPECT_STREQ(input_minScore->value(), "6");
  EXPECT_STREQ(input_m->value(), "-5");

  for (const char* mask : {"0", "1", "2"}) {
    spit(file, prefs_text(std::string("[./Input Output files]\nInput file:s.fa\n[./Search Mode group]\nSearch mode:2\n"
                                      "Mask the sequence:") +
                          mask + "\n"));
    check_outputMaskedSeq->value(1);
    readPrefs(file.c_str());
    EXPECT_EQ(check_outputMaskedSeq->value() != 0, std::string(mask) != "0") << mask;
  }
}

TEST_F(Prefs, NsAsMissenseSavesTheRememberedChoice)
{
  choice_NPerfection->value(1);
  check_treatNsAsMis->value(1);
  do_consistency();
  ASSERT_EQ(choice_NPerfection->value(), 0);
  std::string file = dir + "/ns.prefs";
  writePrefs(file.c_str());

  check_treatNsAsMis->value(0);
  factory_settings();
  readPrefs(file.c_str());
  do_consistency();
  EXPECT_TRUE(check_treatNsAsMis->value());
  EXPECT_EQ(choice_NPerfection->value(), 0);
  EXPECT_EQ(remember_choice_NPerfection, 1);
  check_treatNsAsMis->value(0);
  do_consistency();
  EXPECT_EQ(choice_NPerfection->value(), 1) << "the user's earlier choice comes back";
}

TEST_F(Prefs, LongTextsAreCutWhenRead)
{
  std::string long_name(1500, 'a');
  glob_infiletext->set(long_name.c_str());
  EXPECT_EQ(std::string(glob_infiletext->text), long_name.substr(0, 1023)) << "the field's array holds 1023";
  input_compDist->value(long_name.c_str());
  std::string file = dir + "/long.prefs";
  writePrefs(file.c_str());
  glob_infiletext->set("");
  readPrefs(file.c_str());
  EXPECT_EQ(std::string(glob_infiletext->text), long_name.substr(0, 1022));
  EXPECT_EQ(std::string(input_compDist->value()), long_name.substr(0, 1022));
}

TEST_F(Prefs, UserFileUnderHomeRoundTrip)
{
  // First start: nothing stored, so the names are emptied and the factory settings stay.
  glob_infiletext->set("stale.fa");
  input_m->value("-9");
  readPrefs(nullptr);
  EXPECT_TRUE(user.alerts.empty()) << "a missing user file is normal";
  EXPECT_STREQ(glob_infiletext->text, "");
  EXPECT_STREQ(input_m->value(), "-5");
  EXPECT_NE(access((home + "/.fltk").c_str(), F_OK), 0) << "reading created nothing";

  set_everything();
  savePrefsFilename = "last.prefs";
  writePrefs(nullptr);
  EXPECT_FALSE(slurp(home + "/.fltk/sarvik/sarvik.prefs").empty());
  reset_window();
  readPrefs(nullptr);
  expect_everything();
  EXPECT_EQ(savePrefsFilename, "last.prefs");
}

TEST_F(Prefs, ALoadedFileNamesItsOwnPredecessor)
{
  std::string first = dir + "/first.prefs", second = dir + "/second.prefs";
  loadPrefsFilename = "zero.prefs";
  writePrefs(first.c_str());
  user.chosen_files.push_back(first);
  callback_loadParameters(nullptr, test_load_dialog);
  EXPECT_EQ(loadPrefsFilename, "zero.prefs") << "the file's own entry replaces the chosen name";
  loadPrefsFilename.clear();
  writePrefs(second.c_str());
  user.chosen_files.push_back(second);
  callback_loadParameters(nullptr, test_load_dialog);
  EXPECT_EQ(loadPrefsFilename, second) << "an empty entry keeps the chosen name";
}

}  // namespace
