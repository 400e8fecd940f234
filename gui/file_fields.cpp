// The two file-name fields and the file dialogs that fill them.
#include <cassert>
#include <cstring>

#include <FL/filename.H>

#include "dialogs.h"
#include "sarvik_gui.h"

CText* glob_infiletext = nullptr;
CText* glob_outfiletext = nullptr;

CText::CText() : input(nullptr) { text[0] = '\0'; }

void CText::attach(Fl_Input* field)
{
  input = field;
  input->callback([](Fl_Widget* w, void* self) { CText_callback(static_cast<Fl_Input*>(w), self); }, this);
  bind();
}

void CText::bind()
{
  if (!input) return;
  // The toolkit skips a rebind when the text looks unchanged (same address
  // and length, or same characters as its own copy); unbinding first makes
  // the field show the array itself in every case.
  input->static_value("");
  input->static_value(text);
}

void CText::set(const char* s)
{
  if (!s) s = "";
  // Longer text is cut: the array must never be written past its end.
  if (s != text) std::strncpy(text, s, capacity - 1);
  text[capacity - 1] = '\0';
  bind();
}

void CText::sync()
{
  // A field that still shows the array has nothing new to give.
  if (input && input->value() != text) set(input->value());
}

void CText::CText_callback(Fl_Input* field, void* self)
{
  CText* t = static_cast<CText*>(self);
  t->set(field->value());
}

CSingleFileChooser::CSingleFileChooser(Fl_File_Chooser* c, CText* text, after_choice_fn f, void* arg1, void* arg2)
    : chooser(c), corresponding_text(text), after_choice(f), after_choice_arg1(arg1), after_choice_arg2(arg2)
{
}

void CSingleFileChooser::show_fc_and_update_Text_object()
{
  assert(corresponding_text && "a file dialog needs the field it fills");
  corresponding_text->sync();
  std::string chosen = gui_dialogs.run_file_chooser(chooser, corresponding_text->text);
  if (chosen.empty()) return;
  corresponding_text->set(chosen.c_str());
  if (after_choice) after_choice(after_choice_arg1, after_choice_arg2);
}

std::string CSingleFileChooser::choose_a_filename(const char* initial)
{
  return gui_dialogs.run_file_chooser(chooser, initial ? initial : "");
}

void CSingleFileChooser::show_fc_callback(Fl_Widget*, void* self)
{
  static_cast<CSingleFileChooser*>(self)->show_fc_and_update_Text_object();
}

void CSingleFileChooser::fc_callback(Fl_File_Chooser*, void*) {}

Fl_File_Chooser* make_file_chooser(const char* title, int type, const char* filter)
{
  Fl_File_Chooser* c = new Fl_File_Chooser(".", "*", type, title);
  c->filter(filter);
  c->callback(CSingleFileChooser::fc_callback, nullptr);
  return c;
}

void update_outfile_with_infile(void* infile_text, void* outfile_text)
{
  CText* in = static_cast<CText*>(infile_text);
  CText* out = static_cast<CText*>(outfile_text);
  char scratch[CText::capacity];
  std::strncpy(scratch, in->text, sizeof scratch - 1);
  scratch[sizeof scratch - 1] = '\0';
  fl_filename_setext(scratch, sizeof scratch, ".sarvik");
  out->set(scratch);
}
