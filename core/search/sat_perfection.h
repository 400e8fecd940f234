// Perfection of a repeat in percent, as the marking rule of the exact search
// and the output filter both compute it.
#ifndef SARVIK_SAT_PERFECTION_H
#define SARVIK_SAT_PERFECTION_H

#include <cstdlib>

#include "Csat.h"
#include "global-types-and-parameters.h"

// Single precision throughout: numerator and denominator become floats, the
// quotient is rounded, then the product with 100. By global_N_and_perfection_mode
// an N counts as a mismatch (0), is left out of both counts (1) or counts as
// a match (2); any other mode ends the process with status 2, as the option
// readers never produce one.
inline float sat_perfection(const Csat& s)
{
  int n = s.normalized_length();
  int imperfect = s.mismatches + s.insertions + s.deletions;
  int numerator, denominator;
  switch (global_N_and_perfection_mode) {
    case 0:
      numerator = n - imperfect - s.Ns;
      denominator = n;
      break;
    case 1:
      numerator = n - imperfect - s.Ns;
      denominator = n - s.Ns;
      break;
    case 2:
      numerator = n - imperfect;
      denominator = n;
      break;
    default:
      std::exit(2);
  }
  float quotient = static_cast<float>(numerator) / static_cast<float>(denominator);
  return quotient * 100.0f;
}

#endif
