// Construction of the main window: every control under its global name, in
// focus order, bound to its handler. Geometry is fixed; on a small screen the
// scroll area that holds everything scrolls.
#include <FL/Fl_Group.H>
#include <FL/Fl_Scroll.H>

#include "sarvik_gui.h"

Fl_Round_Button* radio_modeImperf = nullptr;
Fl_Round_Button* radio_modePerfec = nullptr;
Fl_Round_Button* radio_modeExtend = nullptr;
Fl_Round_Button* radio_modeCompou = nullptr;
Fl_Int_Input* input_compDist = nullptr;
Fl_Check_Button* check_outputMaskedSeq = nullptr;
Fl_Int_Input* input_m = nullptr;
Fl_Int_Input* input_g = nullptr;
Fl_Int_Input* input_r = nullptr;
Fl_Check_Button* check_maxRed = nullptr;
Fl_Int_Input* input_maxRed = nullptr;
Fl_Choice* choice_outputFormat = nullptr;
Fl_Choice* choice_reportUnit = nullptr;
Fl_Choice* choice_printRepeatMode = nullptr;
Fl_Choice* choice_NPerfection = nullptr;
Fl_Choice* choice_removeHidden = nullptr;
Fl_Int_Input* input_flanking = nullptr;
Fl_Int_Input* input_fromSeq = nullptr;
Fl_Int_Input* input_toSeq = nullptr;
Fl_Int_Input* input_minUnitSize = nullptr;
Fl_Int_Input* input_maxUnitSize = nullptr;
Fl_Check_Button* check_scoreFirstUnit = nullptr;
Fl_Check_Button* check_treatNsAsMis = nullptr;
Fl_Int_Input* input_allowedNs = nullptr;
Fl_Int_Input* input_minLen_a = nullptr;
Fl_Float_Input* input_minLen_b = nullptr;
Fl_Int_Input* input_minLen = nullptr;
Fl_Int_Input* input_minScore_a = nullptr;
Fl_Float_Input* input_minScore_b = nullptr;
Fl_Int_Input* input_minScore = nullptr;
Fl_Float_Input* input_minPerf = nullptr;
Fl_Float_Input* input_maxPerf = nullptr;
Fl_Button* button_run = nullptr;

Fl_Double_Window* main_window = nullptr;

#define SARVIK_MENU_ITEM(text) {text, 0, nullptr, nullptr, 0, FL_NORMAL_LABEL, 0, 14, 0}

const Fl_Menu_Item menu_outputFormat[] = {
    SARVIK_MENU_ITEM("simple sarvik format"),
    SARVIK_MENU_ITEM("extended sarvik format"),
    SARVIK_MENU_ITEM("gff"),
    SARVIK_MENU_ITEM("gff with sequence info as comment"),
    SARVIK_MENU_ITEM("one-per-line"),
    SARVIK_MENU_ITEM("one-per-line with sequence info as comment"),
    SARVIK_MENU_ITEM("as fasta sequence"),
    // Appended, so the indices that parameter files store keep their meaning.
    SARVIK_MENU_ITEM("BED"),
    SARVIK_MENU_ITEM("STR catalog (long-read genotypers)"),
    {},
};

const Fl_Menu_Item menu_reportUnit[] = {
    SARVIK_MENU_ITEM("as is"),
    SARVIK_MENU_ITEM("normalized (cyclic)"),
    SARVIK_MENU_ITEM("normalized (cyclic+rev. complement)"),
    {},
};

const Fl_Menu_Item menu_printRepeatMode[] = {
    SARVIK_MENU_ITEM("don't print sequence"),
    SARVIK_MENU_ITEM("print repeat sequence"),
    SARVIK_MENU_ITEM("print repeat alignment"),
    {},
};

const Fl_Menu_Item menu_NPerfection[] = {
    SARVIK_MENU_ITEM("as mismatch"),
    SARVIK_MENU_ITEM("neutral"),
    SARVIK_MENU_ITEM("as match"),
    {},
};

const Fl_Menu_Item menu_removeHidden[] = {
    SARVIK_MENU_ITEM("remove hidden"),
    SARVIK_MENU_ITEM("don't remove hidden"),
    {},
};

#undef SARVIK_MENU_ITEM

void main_window_size(int screen_w, int screen_h, int& w, int& h)
{
  w = main_window_width < screen_w ? main_window_width : screen_w;
  h = main_window_height < screen_h - 30 ? main_window_height : screen_h - 30;
}

void select_choice_index(Fl_Choice* c, int index)
{
  if (index == -1) {
    c->value(static_cast<const Fl_Menu_Item*>(nullptr));
    c->redraw();
  } else if (index >= 0 && index < c->size() - 1) {  // size() counts the terminator
    c->value(index);
  }
}

namespace {

// A framed group whose title sits above its frame, at the left.
Fl_Group* framed_group(int x, int y, int w, int h, const char* title)
{
  Fl_Group* g = new Fl_Group(x, y, w, h, title);
  g->box(FL_ENGRAVED_FRAME);
  g->align(FL_ALIGN_TOP_LEFT);
  g->labelfont(FL_HELVETICA_BOLD);
  return g;
}

// A plain text on the window background, e.g. the caption over a row of fields.
Fl_Box* caption(int x, int y, int w, int h, const char* text, Fl_Align align = FL_ALIGN_LEFT)
{
  Fl_Box* b = new Fl_Box(x, y, w, h, text);
  b->align(align | FL_ALIGN_INSIDE);
  return b;
}

Fl_Choice* labelled_choice(int x, int y, int w, const char* label, const Fl_Menu_Item* menu)
{
  Fl_Choice* c = new Fl_Choice(x, y, w, 26, label);
  c->align(FL_ALIGN_TOP_LEFT);
  c->menu(menu);
  return c;
}

Fl_Button* button(int x, int y, int w, int h, const char* label, Fl_Callback* cb, void* data = nullptr)
{
  Fl_Button* b = new Fl_Button(x, y, w, h, label);
  b->callback(cb, data);
  return b;
}

Fl_Round_Button* radio(int x, int y, int w, const char* label)
{
  Fl_Round_Button* r = new Fl_Round_Button(x, y, w, 26, label);
  r->type(FL_RADIO_BUTTON);
  r->callback(do_consistency);
  return r;
}

// Fields whose label reads after the field ("+", "%", ...).
template <class Field>
Field* field_label_right(int x, int y, int w, const char* label)
{
  Field* f = new Field(x, y, w, 26, label);
  f->align(FL_ALIGN_RIGHT);
  return f;
}

void build_file_group(CSingleFileChooser* infile_dialog, CSingleFileChooser* outfile_dialog)
{
  Fl_Group* g = framed_group(10, 55, 610, 90, nullptr);
  Fl_Input* in = new Fl_Input(170, 67, 345, 26, "Input sequence file:  ");
  glob_infiletext->attach(in);
  button(525, 67, 85, 26, "Browse", CSingleFileChooser::show_fc_callback, infile_dialog);
  Fl_Input* out = new Fl_Input(170, 105, 345, 26, "Output sarvik file:   ");
  glob_outfiletext->attach(out);
  button(525, 105, 85, 26, "Browse", CSingleFileChooser::show_fc_callback, outfile_dialog);
  g->end();
}

void build_button_column(CSingleFileChooser* load_dialog, CSingleFileChooser* save_dialog)
{
  Fl_Group* g = framed_group(635, 55, 190, 245, nullptr);
  const int x = 645, w = 170, h = 30, pitch = 38;
  int y = 63;
  button(x, y, w, h, "Load parameters", callback_loadParameters, load_dialog);
  button(x, y += pitch, w, h, "Save parameters", callback_saveParameters, save_dialog);
  button(x, y += pitch, w, h, "Reset parameters", factory_settings);
  button_run = button(x, y += pitch, w, h, "Run analysis", callback_runAnalysis);
  button_run->labelfont(FL_HELVETICA_BOLD);
  button(x, y += pitch, w, h, "About", callback_about);
  button(x, y += pitch, w, h, "Quit", callback_quit);
  g->end();
}

void build_search_mode_group()
{
  Fl_Group* g = framed_group(10, 175, 270, 160, "Search modes:");
  Fl_Group* radios = new Fl_Group(15, 180, 260, 110);  // one radio set
  radio_modeImperf = radio(20, 183, 250, "Imperfect search");
  radio_modePerfec = radio(20, 209, 250, "Perfect search");
  radio_modeExtend = radio(20, 235, 250, "Extend exact search");
  radio_modeCompou = radio(20, 261, 185, "Compound with distance ");
  radio_modeCompou->hide();
  radios->end();
  input_compDist = new Fl_Int_Input(210, 261, 50, 26);
  input_compDist->hide();
  check_outputMaskedSeq = new Fl_Check_Button(18, 297, 258, 26, "Save repeat-masked sequences");
  g->end();
}

void build_imperfect_group()
{
  Fl_Group* g = framed_group(290, 175, 330, 160, "Options for imperfect search:");
  input_m = new Fl_Int_Input(555, 183, 55, 26, "Mismatch score: (typical -3 to -6) ");
  input_g = new Fl_Int_Input(555, 213, 55, 26, "Gap score: (typical -3 to -6) ");
  input_r = new Fl_Int_Input(555, 243, 55, 26, "Recursion depth: ");
  check_maxRed = new Fl_Check_Button(298, 273, 220, 26, "Maximum score reduction");
  check_maxRed->callback(callback_check_maxRed);
  input_maxRed = new Fl_Int_Input(555, 273, 55, 26);
  button(300, 303, 150, 26, "Typical analysis", callback_typical_imperfect_search, reinterpret_cast<void*>(1));
  button(460, 303, 150, 26, "Typical masking", callback_typical_imperfect_search, reinterpret_cast<void*>(2));
  g->end();
}

void build_output_group()
{
  Fl_Group* g = framed_group(10, 590, 690, 167, "Output options:");
  choice_outputFormat = labelled_choice(20, 614, 350, "General output format:", menu_outputFormat);
  choice_reportUnit = labelled_choice(390, 614, 300, "Printing mode for satellite unit: ", menu_reportUnit);
  choice_printRepeatMode =
      labelled_choice(20, 666, 350, "Printing mode for repeat sequence: ", menu_printRepeatMode);
  choice_NPerfection =
      labelled_choice(390, 666, 300, "Treating N's when computing perfection: ", menu_NPerfection);
  choice_removeHidden = labelled_choice(20, 718, 350, "Remove hidden repeats: ", menu_removeHidden);
  input_flanking = new Fl_Int_Input(590, 718, 60, 26, "Print flanking nucleotides: ");
  g->end();
}

void build_general_group()
{
  Fl_Group* g = framed_group(10, 355, 395, 210, "General options:");
  caption(20, 360, 380, 22, "Analyse sequence range (blank for first/last):");
  input_fromSeq = new Fl_Int_Input(65, 382, 90, 26, "From ");
  caption(160, 382, 25, 26, "to", FL_ALIGN_CENTER);
  input_toSeq = new Fl_Int_Input(190, 382, 90, 26);
  caption(20, 414, 380, 22, "Repeat unit size range:");
  input_minUnitSize = new Fl_Int_Input(65, 436, 90, 26, "From ");
  caption(160, 436, 25, 26, "to", FL_ALIGN_CENTER);
  input_maxUnitSize = new Fl_Int_Input(190, 436, 90, 26);
  check_scoreFirstUnit = new Fl_Check_Button(290, 436, 110, 26, "Score first unit");
  check_scoreFirstUnit->hide();
  check_treatNsAsMis = new Fl_Check_Button(18, 472, 380, 26, "Treat N's as missense instead of neutral");
  check_treatNsAsMis->callback(do_consistency);
  input_allowedNs =
      field_label_right<Fl_Int_Input>(20, 516, 50, " Maximum number of successive N's\n allowed in a repeat: ");
  g->end();
}

// One row "a + b*(unit-length), but not less than c".
template <class A, class B, class C>
void requirement_row(int y, A*& a, B*& b, C*& c)
{
  a = field_label_right<A>(425, y, 45, "+");
  b = field_label_right<B>(488, y, 50, "*(unit-length),  but not less than ");
  c = new C(770, y, 45, 26);
}

void build_requirements_group()
{
  Fl_Group* g = framed_group(415, 355, 410, 210, "Requirements on satellites to be reported:");
  caption(425, 360, 390, 22, "Minimum length of a satellite:");
  requirement_row(382, input_minLen_a, input_minLen_b, input_minLen);
  caption(425, 414, 390, 22, "Minimum score of a satellite:");
  requirement_row(436, input_minScore_a, input_minScore_b, input_minScore);
  caption(425, 468, 390, 22, "Minimum and maximum percentage perfection:");
  caption(425, 490, 75, 26, "Minimum: ", FL_ALIGN_RIGHT);
  input_minPerf = field_label_right<Fl_Float_Input>(500, 490, 60, "%");
  caption(600, 490, 80, 26, "Maximum: ", FL_ALIGN_RIGHT);
  input_maxPerf = field_label_right<Fl_Float_Input>(680, 490, 60, "%");
  button(425, 528, 190, 28, "Typical length constraint", callback_typical_minRequirements,
         reinterpret_cast<void*>(1));
  button(625, 528, 190, 28, "Typical score constraint", callback_typical_minRequirements,
         reinterpret_cast<void*>(2));
  g->end();
}

}  // namespace

Fl_Double_Window* build_main_window(int w, int h, CSingleFileChooser* infile_dialog,
                                    CSingleFileChooser* outfile_dialog, CSingleFileChooser* load_dialog,
                                    CSingleFileChooser* save_dialog)
{
  main_window = new Fl_Double_Window(w, h, "Sarvik, version " SARVIK_VERSION);
  Fl_Scroll* scroll = new Fl_Scroll(0, 0, w, h);

  Fl_Box* notice = new Fl_Box(710, 590, 115, 167,
                              "Your settings\nare saved when\nyou quit and\nrestored at the\nnext start.");
  notice->box(FL_ENGRAVED_BOX);
  notice->labelfont(FL_HELVETICA_BOLD);
  notice->labelsize(12);

  Fl_Box* banner = new Fl_Box(10, 8, 815, 36, "Welcome to Sarvik -  a tandem repeat detection tool");
  banner->labelfont(FL_HELVETICA_BOLD);
  banner->labelsize(20);

  build_file_group(infile_dialog, outfile_dialog);
  build_button_column(load_dialog, save_dialog);
  build_search_mode_group();
  build_imperfect_group();
  build_output_group();
  build_general_group();
  build_requirements_group();

  scroll->end();
  main_window->end();
  main_window->callback(callback_quit);
  main_window->resizable(scroll);
  return main_window;
}
