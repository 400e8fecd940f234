// What the run window can ask of the graphical front end beyond the seam
// that the core calls (run_frontend.h).
#ifndef SARVIK_GUI_FRONTEND_H
#define SARVIK_GUI_FRONTEND_H

#include "sarvik/sarvik.hpp"

// What a run tells the run window (runA): progress, the stop request, the
// loading notice and the read-error alert.
sarvik::RunObserver& window_observer();

// The status text last shown in the run window.
const char* current_status_text();

// Shows "aborted due to error" on the state line of the run window, keeping
// the other lines when this run has already reported (a failed write at the
// end must not read "finished successfully").
void show_run_failed();

#endif
