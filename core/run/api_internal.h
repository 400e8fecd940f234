// What the public API does inside, for the core's own tests.
#ifndef SARVIK_API_INTERNAL_H
#define SARVIK_API_INTERNAL_H

#include <vector>

#include "Csat.h"
#include "sarvik/sarvik.hpp"

class CSequence_Mol;

// Makes `p` the calling thread's parameter set (p must have passed validate()).
void set_parameters_in_this_thread(const sarvik::Parameters& p);

// The repeats of `found` that the output lists, in its order, as API records.
void collect_repeats(const std::list<Csat*>& found, const CSequence_Mol& seq, std::vector<sarvik::Repeat>& out);

#endif
