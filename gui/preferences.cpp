// The window's controls in the toolkit's preference store: the user's own
// file (saved at Quit, loaded at start) and parameter files of any name.
#include <memory>

#include <FL/Fl_Preferences.H>
#include <FL/filename.H>

#include "dialogs.h"
#include "sarvik_gui.h"

std::string loadPrefsFilename;
std::string savePrefsFilename;

namespace {

const int text_limit = 1023;  // including the terminating zero

std::unique_ptr<Fl_Preferences> open_store(const char* path)
{
  if (path) return std::unique_ptr<Fl_Preferences>(new Fl_Preferences(path, "sarvik", nullptr));
  return std::unique_ptr<Fl_Preferences>(new Fl_Preferences(Fl_Preferences::USER, "sarvik", "sarvik"));
}

// Reads one group without creating it: a created group would make the store
// write itself back on closing, and a file that is no parameter file (a FASTA
// file picked by mistake) would then be overwritten. A missing group reads as
// a group whose keys are all missing.
class CGroupReader {
 public:
  CGroupReader(Fl_Preferences& store, const char* name)
  {
    if (store.groupExists(name)) group.reset(new Fl_Preferences(store, name));
  }

  // The stored text (cut to text_limit - 1 characters), or "" and false when missing.
  bool text(const char* key, char (&buf)[text_limit + 1])
  {
    if (group && group->get(key, buf, "", text_limit)) return true;
    buf[0] = '\0';
    return false;
  }

  void field(const char* key, Fl_Input* f)
  {
    char buf[text_limit + 1];
    text(key, buf);
    f->value(buf);
  }

  int integer(const char* key, int missing)
  {
    int v = missing;
    if (group) group->get(key, v, missing);
    return v;
  }

 private:
  std::unique_ptr<Fl_Preferences> group;
};

int search_mode_entry()
{
  if (radio_modeCompou->value()) return 4;
  if (radio_modePerfec->value()) return 3;
  if (radio_modeExtend->value()) return 2;
  if (radio_modeImperf->value()) return 1;
  return 0;
}

void set_search_mode(int mode)
{
  Fl_Round_Button* on = mode == 1 ? radio_modeImperf
                        : mode == 2 ? radio_modeExtend
                        : mode == 3 ? radio_modePerfec
                        : mode == 4 ? radio_modeCompou
                                    : nullptr;
  if (!on) return;
  radio_modeImperf->value(on == radio_modeImperf);
  radio_modeExtend->value(on == radio_modeExtend);
  radio_modePerfec->value(on == radio_modePerfec);
  radio_modeCompou->value(on == radio_modeCompou);
}

}  // namespace

void writePrefs(const char* path)
{
  glob_infiletext->sync();
  glob_outfiletext->sync();
  std::unique_ptr<Fl_Preferences> store = open_store(path);
  {
    Fl_Preferences g(*store, "Input Output files");
    g.set("Input file", glob_infiletext->text);
    g.set("Output file", glob_outfiletext->text);
    g.set("Previously loaded parameter file", loadPrefsFilename.c_str());
    g.set("Previously saved parameter file", savePrefsFilename.c_str());
  }
  {
    Fl_Preferences g(*store, "Search Mode group");
    g.set("Search mode", search_mode_entry());
    g.set("Distance", input_compDist->value());
    g.set("Mask the sequence", check_outputMaskedSeq->value());
  }
  {
    Fl_Preferences g(*store, "Imperfect search");
    g.set("Mismatch score", input_m->value());
    g.set("Gap score", input_g->value());
    g.set("Recursion depth", input_r->value());
    g.set("Maximum score reduction in effect", check_maxRed->value());
    g.set("Maximum score reduction value", input_maxRed->value());
  }
  {
    Fl_Preferences g(*store, "Output options");
    g.set("Output Format", choice_outputFormat->value());
    g.set("Report unit mode", choice_reportUnit->value());
    g.set("Print repeat mode", choice_printRepeatMode->value());
    // While the check forces "as mismatch", the user's own choice is the remembered one.
    g.set("N perfection mode",
          check_treatNsAsMis->value() ? static_cast<int>(remember_choice_NPerfection) : choice_NPerfection->value());
    g.set("Remove hidden", choice_removeHidden->value());
    g.set("Flanking nucleotides", input_flanking->value());
  }
  {
    Fl_Preferences g(*store, "General options");
    g.set("From sequence", input_fromSeq->value());
    g.set("To sequence", input_toSeq->value());
    g.set("Minimum unit size", input_minUnitSize->value());
    g.set("Maximum unit size", input_maxUnitSize->value());
    g.set("Score first unit", check_scoreFirstUnit->value());
    g.set("Treat Ns as missing", check_treatNsAsMis->value());
    g.set("Allowed Ns", input_allowedNs->value());
  }
  {
    Fl_Preferences g(*store, "Repeat definition");
    g.set("minLen", input_minLen->value());
    g.set("minLen_a", input_minLen_a->value());
    g.set("minLen_b", input_minLen_b->value());
    g.set("minScore", input_minScore->value());
    g.set("minScore_a", input_minScore_a->value());
    g.set("minScore_b", input_minScore_b->value());
    g.set("Minimum perfection", input_minPerf->value());
    g.set("Maximum perfection", input_maxPerf->value());
  }
  // Destroying the store writes the file.
}

void readPrefs(const char* path)
{
  std::unique_ptr<Fl_Preferences> store = open_store(path);
  char buf[text_limit + 1];
  {
    CGroupReader g(*store, "Input Output files");
    bool has_input = g.text("Input file", buf);
    // The user's own file legitimately lacks it until the first Quit.
    if (path && !has_input) {
      gui_dialogs.alert("The parameter file could not be read successfully! It might be damaged.");
      return;
    }
    glob_infiletext->set(buf);
    g.text("Output file", buf);
    glob_outfiletext->set(buf);
    g.text("Previously loaded parameter file", buf);
    if (buf[0]) loadPrefsFilename = buf;
    g.text("Previously saved parameter file", buf);
    savePrefsFilename = buf;
  }
  {
    CGroupReader g(*store, "Search Mode group");
    int mode = g.integer("Search mode", 0);
    if (mode == 0) {
      factory_settings();
      return;
    }
    set_search_mode(mode);
    g.field("Distance", input_compDist);
    int mask = g.integer("Mask the sequence", 2);
    if (mask == 0 || mask == 1) check_outputMaskedSeq->value(mask);
  }
  {
    CGroupReader g(*store, "Imperfect search");
    g.field("Mismatch score", input_m);
    g.field("Gap score", input_g);
    g.field("Recursion depth", input_r);
    check_maxRed->value(g.integer("Maximum score reduction in effect", 0) != 0);
    g.field("Maximum score reduction value", input_maxRed);
  }
  {
    CGroupReader g(*store, "Output options");
    select_choice_index(choice_outputFormat, g.integer("Output Format", 0));
    select_choice_index(choice_reportUnit, g.integer("Report unit mode", 0));
    select_choice_index(choice_printRepeatMode, g.integer("Print repeat mode", 0));
    int n_mode = g.integer("N perfection mode", 0);
    select_choice_index(choice_NPerfection, n_mode);
    remember_choice_NPerfection = static_cast<signed char>(n_mode);
    select_choice_index(choice_removeHidden, g.integer("Remove hidden", 0));
    g.field("Flanking nucleotides", input_flanking);
  }
  {
    CGroupReader g(*store, "General options");
    g.field("From sequence", input_fromSeq);
    g.field("To sequence", input_toSeq);
    g.field("Minimum unit size", input_minUnitSize);
    g.field("Maximum unit size", input_maxUnitSize);
    check_scoreFirstUnit->value(g.integer("Score first unit", 0) != 0);
    check_treatNsAsMis->value(g.integer("Treat Ns as missing", 0) != 0);
    g.field("Allowed Ns", input_allowedNs);
  }
  {
    CGroupReader g(*store, "Repeat definition");
    g.field("minLen", input_minLen);
    g.field("minLen_a", input_minLen_a);
    g.field("minLen_b", input_minLen_b);
    g.field("minScore", input_minScore);
    g.field("minScore_a", input_minScore_a);
    g.field("minScore_b", input_minScore_b);
    g.field("Minimum perfection", input_minPerf);
    g.field("Maximum perfection", input_maxPerf);
  }
}

void callback_loadParameters(Fl_Widget*, void* chooser)
{
  std::string chosen = static_cast<CSingleFileChooser*>(chooser)->choose_a_filename(loadPrefsFilename.c_str());
  if (chosen.empty()) return;
  loadPrefsFilename = chosen;
  readPrefs(chosen.c_str());  // not loadPrefsFilename, which the file itself may replace
  do_consistency();
}

void callback_saveParameters(Fl_Widget*, void* chooser)
{
  if (check_parameters() != 0) {
    gui_dialogs.alert(
        "Saving of search parameters has been aborted since invalid\nsearch parameters were set to their default "
        "values.");
    return;
  }
  std::string chosen = static_cast<CSingleFileChooser*>(chooser)->choose_a_filename(savePrefsFilename.c_str());
  if (chosen.empty()) return;
  savePrefsFilename = chosen;
  if (*fl_filename_ext(savePrefsFilename.c_str()) == '\0') savePrefsFilename += ".prefs";
  writePrefs(savePrefsFilename.c_str());
}
