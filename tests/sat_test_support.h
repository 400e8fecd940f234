// A fixture for tests that build repeat records by hand over one sequence.
#ifndef SARVIK_SAT_TEST_SUPPORT_H
#define SARVIK_SAT_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <string>

#include "CSearchController.h"
#include "CSequence_Mol.h"
#include "Csat.h"
#include "global-types-and-parameters.h"

class SatTest : public ::testing::Test {
 protected:
  CSequence_Mol seq{CSequence_Mol::dna, 'N', 0};
  CsatContainer records;  // hand-built records go back to the pool

  void SetUp() override
  {
    init_param();
    CSearchController::reset_minimum_arrays();
    set_sequence("");
  }
  void TearDown() override { CSearchController::reset_minimum_arrays(); }

  void set_sequence(const std::string& text, const std::string& full_name = "s desc")
  {
    seq.seq_text.assign(text.data(), text.data() + text.size());
    seq.full_name.assign(full_name.c_str());
    seq.name.assign(full_name.substr(0, full_name.find(' ')).c_str());
    seq.derive_tool_name(1);
  }

  const char* at(long i) const { return seq.seq_text.data + i; }

  // An exact-looking record [start, end) whose unit is the k characters from
  // unit_at, with the phase pointers set as the searches would leave them.
  Csat* make(long start, long end, long unit_at, long k, int score = 0)
  {
    Csat* s = sat_alloc.get_new(at(unit_at), at(unit_at + k));
    s->start = at(start);
    s->end = at(end);
    long aligned_start = (((start - unit_at) % k) + k) % k;
    s->unit_bwd = at(unit_at + (aligned_start + k - 1) % k);
    s->unit_fwd = at(unit_at + (((end - unit_at) % k) + k) % k);
    s->score = score;
    records.push_back(s);
    return s;
  }

  void add_event(Csat* s, long pos, char kind) { s->missense_list.push_back({at(pos), kind}); }
};

#endif
