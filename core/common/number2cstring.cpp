#include "number2cstring.h"

#include <cstdio>

namespace {
thread_local char number_text[50];
}

const char* number2str(int n)
{
  std::snprintf(number_text, sizeof number_text, "%d", n);
  return number_text;
}

const char* number2str(unsigned n)
{
  std::snprintf(number_text, sizeof number_text, "%u", n);
  return number_text;
}

const char* number2str(double x)
{
  std::snprintf(number_text, sizeof number_text, "%lg", x);
  return number_text;
}

const char* number2str(float x)
{
  std::snprintf(number_text, sizeof number_text, "%g", static_cast<double>(x));
  return number_text;
}
