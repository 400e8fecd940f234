// sarvik_gui: the main window's controls, file-name fields and file dialogs,
// the run window, and the handlers that tie them to the parameter set.
//
// Widgets are process-wide globals (named by kind and role) because every
// handler, the preference files and the run read them directly. They are
// created by build_main_window() and live until the process ends.
#ifndef SARVIK_GUI_H
#define SARVIK_GUI_H

#include <string>

#include "sarvik/sarvik.hpp"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Float_Input.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Int_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Window.H>

// ---------------------------------------------------------------- file names

// A text field that shows its own 1024-character array (the field does not
// copy it). After the array changes, bind() makes the field show it again.
class CText {
 public:
  static const int capacity = 1024;  // text holds at most capacity - 1 characters
  char text[capacity];
  Fl_Input* input;

  CText();
  // Attaches the field, shows the array in it and installs CText_callback.
  void attach(Fl_Input* field);
  // Shows the array in the field again.
  void bind();
  // Copies s into the array (cut to capacity - 1 characters) and binds.
  void set(const char* s);
  // Takes over what the user typed, in case the field has not yet told us.
  void sync();

  static void CText_callback(Fl_Input* field, void* self);
};

extern CText* glob_infiletext;
extern CText* glob_outfiletext;

// A file dialog tied to a text field.
class CSingleFileChooser {
 public:
  typedef void (*after_choice_fn)(void*, void*);

  Fl_File_Chooser* chooser;
  CText* corresponding_text;
  after_choice_fn after_choice;
  void* after_choice_arg1;
  void* after_choice_arg2;

  CSingleFileChooser(Fl_File_Chooser* c, CText* text, after_choice_fn f, void* arg1, void* arg2);

  // Runs the dialog starting from the field's text; a chosen name goes into
  // the field and the after-choice function runs. Cancelling changes nothing.
  void show_fc_and_update_Text_object();
  // Runs the dialog starting from `initial`; the chosen name, or "" when the
  // dialog was cancelled.
  std::string choose_a_filename(const char* initial);

  static void show_fc_callback(Fl_Widget* w, void* self);
  static void fc_callback(Fl_File_Chooser* c, void* data);
};

// Creates the dialog with its start directory ".", pattern "*", filter and title.
Fl_File_Chooser* make_file_chooser(const char* title, int type, const char* filter);

// Proposes "<input without extension>.sarvik" as output name; both arguments are CText*.
void update_outfile_with_infile(void* infile_text, void* outfile_text);

// ---------------------------------------------------------------- main window

extern Fl_Round_Button* radio_modeImperf;
extern Fl_Round_Button* radio_modePerfec;
extern Fl_Round_Button* radio_modeExtend;
extern Fl_Round_Button* radio_modeCompou;  // hidden
extern Fl_Int_Input* input_compDist;       // hidden
extern Fl_Check_Button* check_outputMaskedSeq;
extern Fl_Int_Input* input_m;
extern Fl_Int_Input* input_g;
extern Fl_Int_Input* input_r;
extern Fl_Check_Button* check_maxRed;
extern Fl_Int_Input* input_maxRed;
extern Fl_Choice* choice_outputFormat;
extern Fl_Choice* choice_reportUnit;
extern Fl_Choice* choice_printRepeatMode;
extern Fl_Choice* choice_NPerfection;
extern Fl_Choice* choice_removeHidden;
extern Fl_Int_Input* input_flanking;
extern Fl_Int_Input* input_fromSeq;
extern Fl_Int_Input* input_toSeq;
extern Fl_Int_Input* input_minUnitSize;
extern Fl_Int_Input* input_maxUnitSize;
extern Fl_Check_Button* check_scoreFirstUnit;  // hidden
extern Fl_Check_Button* check_treatNsAsMis;
extern Fl_Int_Input* input_allowedNs;
extern Fl_Int_Input* input_minLen_a;
extern Fl_Float_Input* input_minLen_b;
extern Fl_Int_Input* input_minLen;
extern Fl_Int_Input* input_minScore_a;
extern Fl_Float_Input* input_minScore_b;
extern Fl_Int_Input* input_minScore;
extern Fl_Float_Input* input_minPerf;
extern Fl_Float_Input* input_maxPerf;
extern Fl_Button* button_run;

extern const Fl_Menu_Item menu_outputFormat[];
extern const Fl_Menu_Item menu_reportUnit[];
extern const Fl_Menu_Item menu_printRepeatMode[];
extern const Fl_Menu_Item menu_NPerfection[];
extern const Fl_Menu_Item menu_removeHidden[];

extern Fl_Double_Window* main_window;

const int main_window_width = 835;
const int main_window_height = 765;

// 835 x 765, but no wider than the screen and no higher than the screen minus 30.
void main_window_size(int screen_w, int screen_h, int& w, int& h);

// Builds the main window (not shown) with every control bound to its handler.
// The four dialogs are the user data of the Browse and parameter-file buttons.
Fl_Double_Window* build_main_window(int w, int h, CSingleFileChooser* infile_dialog,
                                    CSingleFileChooser* outfile_dialog, CSingleFileChooser* load_dialog,
                                    CSingleFileChooser* save_dialog);

// Selects item `index` of a choice: -1 clears the selection, an index outside
// the menu leaves the choice as it is.
void select_choice_index(Fl_Choice* c, int index);

// ---------------------------------------------------------------- settings

// Index of choice_NPerfection before "Treat N's as missense" forced it to 0.
extern signed char remember_choice_NPerfection;

bool is_blank_or_minus(const char* s);
// A field's text read as a base-10 integer (leading part, 0 when none).
int field_int(const Fl_Input* field);
// A field's text read as a decimal number.
float field_float(const Fl_Input* field);

// Handlers take the toolkit's (widget, user data) pair; both may be omitted.
void do_consistency(Fl_Widget* = nullptr, void* = nullptr);
void callback_check_maxRed(Fl_Widget* = nullptr, void* = nullptr);
void factory_settings(Fl_Widget* = nullptr, void* = nullptr);
void callback_typical_imperfect_search(Fl_Widget* w, void* which);
void callback_typical_minRequirements(Fl_Widget* w, void* which);

// 0 nothing changed, -1 an invalid value was corrected, -2 only empty fields
// (or the recursion depth) were set to their defaults.
int check_parameters();
// The parameters of a run as the window shows them (not validated: the
// window's own checks come first).
sarvik::Parameters window_parameters();

// ---------------------------------------------------------------- preference files

extern std::string loadPrefsFilename;
extern std::string savePrefsFilename;

// path null: the user's own preference file.
void writePrefs(const char* path);
void readPrefs(const char* path);

void callback_loadParameters(Fl_Widget* w, void* chooser);
void callback_saveParameters(Fl_Widget* w, void* chooser);

// ---------------------------------------------------------------- run window

class CRunAnalysis {
 public:
  Fl_Box* status_box;
  Fl_Window* progress_window;
  bool stop_requested;
  bool started;
  bool closed;
  Fl_Button* stop_close_button;
  int argc;
  char** argv;
  char header_text[40];

  CRunAnalysis(int argc, char** argv);

  void create_window();
  // Relabels the button and routes it and the window's close button to `cb`.
  void set_handlers(const char* label, Fl_Callback* cb);
  static void stop_callback(Fl_Widget* w, void* self);
  static void close_callback(Fl_Widget* w, void* self);
};

extern CRunAnalysis* runA;
// The parameters of the last run started, for the messages after it.
extern sarvik::Parameters last_run_parameters;

int main_sarvik(int argc, char** argv, CRunAnalysis* window);
// Alert for a run that could not open or write its files (the driver says
// nothing in the window for those); other codes show nothing.
void report_run_failure(int code);

void callback_runAnalysis(Fl_Widget* = nullptr, void* = nullptr);
// -1 input missing, -2 output names the input, 1 overwrite declined, 0 ready.
int check_filenames();
bool fileExists(const char* name);
void callback_quit(Fl_Widget* = nullptr, void* = nullptr);
void callback_about(Fl_Widget* = nullptr, void* = nullptr);

#endif
