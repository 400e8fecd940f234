#include "run_frontend.h"

#include <cstdio>

#include "global-types-and-parameters.h"
#include "number2cstring.h"
#include "sarvik/sarvik.hpp"

thread_local std::time_t time_analysis_started = std::time(nullptr);
thread_local std::time_t time_next_status_report = std::time(nullptr);

namespace {
thread_local sarvik::RunObserver* observer = nullptr;
thread_local std::atomic<bool> own_stop{false};
thread_local std::atomic<bool>* run_stop = nullptr;
std::atomic<bool>& stop_flag() { return run_stop ? *run_stop : own_stop; }
}  // namespace

RunLink this_thread_run() { return RunLink{observer, &stop_flag()}; }

void set_this_thread_run(const RunLink& link)
{
  observer = link.observer;
  run_stop = link.stop;
  if (observer) time_analysis_started = observer->started;
}

bool is_graphical_program() { return observer && observer->interactive(); }

void report_status(unsigned seq_number, const char* name, unsigned unit_length, char status)
{
  if (observer) observer->status(seq_number, name, unit_length, status);
}

bool stop_requested() { return observer && observer->stop_requested(); }

void show_loading_notice()
{
  if (observer) observer->loading_notice();
}

void show_read_error_alert(const char* message)
{
  if (observer) observer->read_error(message);
}

void sarvik::RunObserver::elapsed(int& hours, int& minutes, int& seconds) const
{
  long e = static_cast<long>(std::time(nullptr) - started);
  hours = static_cast<int>(e / 3600);
  minutes = static_cast<int>((e % 3600) / 60);
  seconds = static_cast<int>(e % 60);
}

void elapsed_since_start(int& hours, int& minutes, int& seconds)
{
  long e = static_cast<long>(std::time(nullptr) - time_analysis_started);
  hours = static_cast<int>(e / 3600);
  minutes = static_cast<int>((e % 3600) / 60);
  seconds = static_cast<int>(e % 60);
}

void update_report_time()
{
  time_next_status_report = std::time(nullptr) + (is_graphical_program() ? 0 : 59);
}

bool check_report_status()
{
  if (std::time(nullptr) > time_next_status_report) {
    update_report_time();
    return true;
  }
  return false;
}

namespace {
thread_local bool on_worker = false;
thread_local std::atomic<unsigned>* worker_unit_length = nullptr;
}  // namespace

void become_search_worker(std::atomic<unsigned>* unit_length)
{
  on_worker = true;
  worker_unit_length = unit_length;
}

void set_run_stop(bool stop) { stop_flag().store(stop, std::memory_order_relaxed); }
bool run_stop_set() { return stop_flag().load(std::memory_order_relaxed); }

bool poll_progress(unsigned seq_number, const char* name, unsigned unit_length)
{
  if (on_worker) {
    if (worker_unit_length) worker_unit_length->store(unit_length, std::memory_order_relaxed);
    return run_stop_set();
  }
  if (!check_report_status()) return false;
  report_status(seq_number, name, unit_length, 'r');
  return search_stop_requested(seq_number, name, unit_length);
}

bool search_stop_requested(unsigned seq_number, const char* name, unsigned unit_length)
{
  if (on_worker) return run_stop_set();
  if (!stop_requested()) return false;
  report_status(seq_number, name, unit_length, 'a');
  return true;
}

bool on_search_worker() { return on_worker; }

void search_message(const char* text)
{
  if (on_worker) return;
  general_PrintMessage(stderr, text);
  std::fflush(stderr);
}

void good_bye_on_error(int code)
{
  if (code < -1)
    general_PrintMessage(stderr, "\nAnalysis has been aborted due to errors. Error number: ", number2str(code), "\n\n");
  else if (code == -1)
    general_PrintMessage(stderr, "\n\n");
  else if (code > 0)
    general_PrintMessage(stderr, "\nAnalysis has been stopped by the user.\n\n");
  std::fflush(stderr);
}
