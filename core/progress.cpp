#include "run_frontend.h"

#include <cstdio>

#include "global-types-and-parameters.h"
#include "number2cstring.h"

std::time_t time_analysis_started = std::time(nullptr);
std::time_t time_next_status_report = std::time(nullptr);

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
