// Start-up of the graphical program up to its event loop, shared by the
// program and the screenshot tool so that both show the same window.
#include "startup.h"

#include "sarvik_gui.h"

Fl_Double_Window* start_sarvik_gui(char* program_name)
{
  // Both live as long as the process: every handler reads the names through them.
  glob_infiletext = new CText;
  glob_outfiletext = new CText;

  CSingleFileChooser* infile_dialog = new CSingleFileChooser(
      make_file_chooser("Choose Fasta input file", Fl_File_Chooser::SINGLE, "FASTA Files (*.{fa,fas,fast,fasta})"),
      glob_infiletext, update_outfile_with_infile, glob_infiletext, glob_outfiletext);
  CSingleFileChooser* outfile_dialog = new CSingleFileChooser(
      make_file_chooser("Choose sarvik output file", Fl_File_Chooser::CREATE, "Sarvik Files (*.{svk,sarvik})"),
      glob_outfiletext, nullptr, nullptr, nullptr);
  CSingleFileChooser* load_dialog = new CSingleFileChooser(
      make_file_chooser("Load a sarvik preference file", Fl_File_Chooser::SINGLE,
                        "Sarvik preference files (*.{prefs})"),
      nullptr, nullptr, nullptr, nullptr);
  CSingleFileChooser* save_dialog = new CSingleFileChooser(
      make_file_chooser("Save sarvik preference file", Fl_File_Chooser::CREATE, "Sarvik preference files (*.{prefs})"),
      nullptr, nullptr, nullptr, nullptr);

  int w, h;
  main_window_size(Fl::w(), Fl::h(), w, h);
  Fl_Double_Window* window = build_main_window(w, h, infile_dialog, outfile_dialog, load_dialog, save_dialog);

  // Only the program name reaches the toolkit: other arguments have no effect.
  char* toolkit_argv[] = {program_name, nullptr};
  window->show(1, toolkit_argv);

  factory_settings();
  readPrefs(nullptr);
  do_consistency();
  return window;
}
