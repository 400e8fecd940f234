// What the run window can ask of the graphical front end beyond the seam
// that the core calls (run_frontend.h).
#ifndef SARVIK_GUI_FRONTEND_H
#define SARVIK_GUI_FRONTEND_H

// The status text last shown in the run window.
const char* current_status_text();

// Turns the state line of the status text into "aborted due to error", for a
// run that failed after it had already reported (e.g. while writing).
void show_run_failed();

#endif
