// Progress reporting and the few points where a run in a window differs from
// one on a terminal.
//
// The core calls the functions below; they go to the observer of the calling
// thread's run (sarvik::RunObserver), or do nothing when it has none.
#ifndef SARVIK_RUN_FRONTEND_H
#define SARVIK_RUN_FRONTEND_H

#include <atomic>
#include <ctime>

namespace sarvik {
class RunObserver;
}

// The start of the thread's run; the observer's start while one is set.
extern thread_local std::time_t time_analysis_started;
extern thread_local std::time_t time_next_status_report;

// The run a thread's searches belong to: its observer and its stop flag.
// A worker pool hands its creator's link to every worker.
struct RunLink {
  sarvik::RunObserver* observer = nullptr;
  std::atomic<bool>* stop = nullptr;  // null: the thread's own flag (never given out)
};
RunLink this_thread_run();
void set_this_thread_run(const RunLink& link);

// Elapsed run time split into hours, minutes and seconds.
void elapsed_since_start(int& hours, int& minutes, int& seconds);

// Next periodic report due in 60 s (command line) or 1 s (graphical).
void update_report_time();
// True, and the next report rescheduled, when a periodic report is due.
bool check_report_status();
// Closing message of a run that ended early (command line only).
void good_bye_on_error(int code);

// The searches' polling points. In the thread that drives the run: the
// periodic report, and the user's stop (reported as 'a'). In a worker thread
// of a parallel run: nothing is reported (the driving thread reports for the
// record in order); the run's stop flag is read, and the unit length noted.
// Both return true when the search must end.
bool poll_progress(unsigned seq_number, const char* name, unsigned unit_length);
bool search_stop_requested(unsigned seq_number, const char* name, unsigned unit_length);

// For a parallel run: the calling thread becomes a worker that notes its
// unit length in `unit_length` (may be null); the stop flag all workers read.
void become_search_worker(std::atomic<unsigned>* unit_length);
void set_run_stop(bool stop);
bool on_search_worker();
// A search's own message on stderr; a worker leaves it to the driving thread.
void search_message(const char* text);
bool run_stop_set();

// --- answered by the thread's observer ---------------------------------------
// An interactive run (a window, or a library call): nothing on stderr.
bool is_graphical_program();
// status: 'r' running, 'f' finished, 'a' stopped by the user, 'e' error.
void report_status(unsigned seq_number, const char* name, unsigned unit_length, char status);
// The user asked the run to stop (never on the command line).
bool stop_requested();
// Shown before a record is read that may take a while (graphical only).
void show_loading_notice();
// The read-error message as an alert box (graphical only).
void show_read_error_alert(const char* message);

#endif
