// The production search engine against the reference engine (tests/oracle):
// a fixed run of random cases, the degenerate sequences in every mode, and
// checks that the checker itself sees a difference and prints a replayable
// command line. Longer runs: make check-equivalence.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "CSearchController.h"
#include "CSequence_Mol.h"
#include "Csat.h"
#include "engine_diff.h"
#include "global-types-and-parameters.h"
#include "oracle_engine.h"
#include "random_cases.h"
#include "cli_parameters.h"
#include "test_support.h"

// Fewer cases under the sanitizers, which make each one many times slower.
#ifndef SARVIK_EQUIVALENCE_CASES
#define SARVIK_EQUIVALENCE_CASES 2500
#endif
#ifndef SARVIK_EQUIVALENCE_SATELLITES
#define SARVIK_EQUIVALENCE_SATELLITES 3
#endif

namespace {

uint64_t env_or(const char* name, uint64_t fallback)
{
  const char* v = std::getenv(name);
  return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

class Equivalence : public ::testing::Test {
 protected:
  void TearDown() override
  {
    init_param();
    CSearchController::reset_minimum_arrays();
  }
};

// SARVIK_EQUIVALENCE_CASES and SARVIK_EQUIVALENCE_SEED change the run.
TEST_F(Equivalence, RandomCasesAgree)
{
  const uint64_t cases = env_or("SARVIK_EQUIVALENCE_CASES", SARVIK_EQUIVALENCE_CASES);
  const uint64_t seed = env_or("SARVIK_EQUIVALENCE_SEED", 9000000);
  SequenceLimits limits;
  limits.max_length = 1500;
  int failures = 0;
  for (uint64_t i = 0; i < cases && failures < 3; ++i) {
    const RandomCase c = make_case(seed + i, limits);
    if (!random_case_agrees(c, stdout)) {
      ++failures;
      ADD_FAILURE() << "seed " << c.seed << " differs; replay: check_equivalence --seed " << c.seed << " --cases 1";
    }
  }
}

// Satellite arrays of 10 kb, the shortest the generator plants: every
// look-ahead inside one runs long greedy stretches, so longer ones are left
// to make check-equivalence.
TEST_F(Equivalence, SatelliteArraysAgree)
{
  SequenceLimits limits;
  limits.max_length = 10000;
  limits.satellite_chance = 1.0;
  for (uint64_t seed = 7100; seed < 7100 + SARVIK_EQUIVALENCE_SATELLITES; ++seed) {
    RandomCase c = make_case(seed, limits);
    c.params.depth = std::min(c.params.depth, 4);
    EXPECT_TRUE(random_case_agrees(c, stdout)) << "seed " << seed;
  }
}

// Single extension walks over diverged tandem copies, forward then
// backward, with deep look-aheads and score reductions small enough to bind,
// so that the lower bound moves with the best score along each path: where
// the look-ahead is made cheaper, that is what an equal-looking state hides.
TEST_F(Equivalence, WalksAgreeWithBindingReductions)
{
  const char* bases = "ACGT";
  int differing = 0;
  for (uint64_t seed = 1; seed <= 2000 && differing < 3; ++seed) {
    Rng rng(seed);
    const int L = rng.between(1, 8);
    std::string motif, text;
    for (int i = 0; i < L; ++i) motif += bases[rng.below(4)];
    const int n = rng.between(200, 1500);
    const double divergence = rng.between(2, 25) / 100.0;
    const double Ns = rng.chance(0.3) ? 0.01 : 0.0;
    for (int i = 0; static_cast<int>(text.size()) < n; ++i) {
      if (rng.chance(divergence / 3)) text += bases[rng.below(4)];           // insertion
      if (rng.chance(divergence / 3)) continue;                             // deletion
      if (rng.chance(Ns)) text += std::string(rng.between(1, 3), 'N');
      text += rng.chance(divergence / 3) ? bases[rng.below(4)] : motif[i % L];  // mismatch or copy
    }
    SearchParams p;
    p.mismatch = -rng.between(2, 7);
    p.indel = -rng.between(2, 7);
    // Look-aheads shallow and deep (from 8 levels on, the level-by-level
    // search takes a second block, which must start from the path's best),
    // with and without a reduction that binds, often tightly.
    p.depth = rng.chance(0.4) ? rng.between(8, 10) : rng.between(1, 7);
    p.reduction = rng.chance(0.25) ? INT_MAX : rng.chance(0.5) ? rng.between(1, 6) : rng.between(7, 40);
    p.Ns_allowed = rng.between(0, 3);
    p.Ns_missense = rng.chance(0.2);
    p.prefer_shorter = rng.chance(0.3);
    p.apply();
    CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
    load_sequence(seq, "walk", text);
    CSearchController production(1, seq);
    oracle::SearchEngine reference(1, seq);
    const char* t = seq.seq_text.data;
    const int at = rng.between(0, n - L);
    CsatContainer walked_p, walked_r;
    for (CsatContainer* c : {&walked_p, &walked_r}) c->push_back(sat_alloc.get_new(t + at, t + at + L));
    production.extend_imperfect_forward(*walked_p.back(), t + n);
    production.extend_imperfect_backward(*walked_p.back(), t - 1);
    reference.extend_imperfect_forward(*walked_r.back(), t + n);
    reference.extend_imperfect_backward(*walked_r.back(), t - 1);
    const std::string d = first_record_difference(walked_p, walked_r, t);
    if (!d.empty()) {
      ++differing;
      ADD_FAILURE() << "seed " << seed << ": " << d;
    }
    for (CsatContainer* c : {&walked_p, &walked_r}) {
      sat_alloc.give_back(c->back());
      c->pop_back();
    }
  }
}

// Long units (11 to 200) over minisatellites and long-unit satellites, with
// thresholds they meet easily, hardly, or at or below zero; short texts,
// since the reference engine walks every window of a long unit.
TEST_F(Equivalence, LongUnitCasesAgree)
{
  SequenceLimits limits;
  limits.long_unit_chance = 1.0;
  limits.long_unit_length = SARVIK_EQUIVALENCE_CASES < 1000 ? 300 : 700;
  const uint64_t cases = SARVIK_EQUIVALENCE_CASES < 1000 ? 6 : 40;
  for (uint64_t seed = 8100; seed < 8100 + cases; ++seed) {
    const RandomCase c = make_case(seed, limits);
    EXPECT_TRUE(random_case_agrees(c, stdout))
        << "seed " << seed << "; replay: check_equivalence --seed " << seed << " --cases 1 --long-units 1 --long-length "
        << limits.long_unit_length;
  }
}

TEST_F(Equivalence, DegenerateSequencesAgreeInEveryMode)
{
  const char* const texts[] = {"", "A", "N", "AC", "AA", "NA", "ACG", "NNN", "ANA", "NNNNNNNNNN", "ACACACACNN",
                               "NNACACACAC", "AAAAAAAAAA", "ACNACNNACNNNACNNNNAC"};
  CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  for (const char* t : texts)
    for (int mode = 0; mode < 3; ++mode)
      for (int Ns = 0; Ns <= 3; ++Ns) {
        SearchParams p;
        p.mode = mode;
        p.Ns_allowed = Ns;
        p.min_score = 2;
        p.keep_hidden = Ns & 1;
        load_sequence(seq, "tiny", t);
        EXPECT_TRUE(engines_agree(p, seq, std::string("\"") + t + "\"", "equivalence-tiny.fa", stdout))
            << '"' << t << "\" mode " << mode << " -N " << Ns;
      }
}

// The checker is only as good as its comparison: every field of a record,
// and the list lengths, must count.
TEST_F(Equivalence, CheckerNamesTheFirstDifferingField)
{
  static const char text[] = "ACGTACGTACGTAAGT";
  CsatContainer a, b;
  auto make_pair = [&] {
    for (CsatContainer* l : {&a, &b}) {
      Csat* s = sat_alloc.get_new(text, text + 4);
      s->end = text + 14;
      s->score = 7;
      s->missense_list.push_back({text + 13, 'M'});
      l->push_back(s);
    }
  };
  make_pair();
  EXPECT_EQ(first_record_difference(a, b, text), "");

  struct Change {
    const char* field;
    void (*apply)(Csat&);
  };
  const Change changes[] = {
      {"start", [](Csat& s) { ++s.start; }},
      {"end", [](Csat& s) { --s.end; }},
      {"unit_begin", [](Csat& s) { ++s.unit_begin; }},
      {"unit_end", [](Csat& s) { ++s.unit_end; }},
      {"unit_fwd", [](Csat& s) { ++s.unit_fwd; }},
      {"unit_bwd", [](Csat& s) { --s.unit_bwd; }},
      {"score", [](Csat& s) { ++s.score; }},
      {"mismatches", [](Csat& s) { ++s.mismatches; }},
      {"insertions", [](Csat& s) { ++s.insertions; }},
      {"deletions", [](Csat& s) { ++s.deletions; }},
      {"Ns", [](Csat& s) { ++s.Ns; }},
      {"missense count", [](Csat& s) { s.missense_list.push_back({text + 5, 'D'}); }},
      {"missense entry 0", [](Csat& s) { s.missense_list.data[0].kind = 'I'; }},
      {"missense entry 0", [](Csat& s) { --s.missense_list.data[0].pos; }},
  };
  for (const Change& c : changes) {
    make_pair();  // the new pair is compared after the equal first pair
    c.apply(*b.back());
    const std::string d = first_record_difference(a, b, text);
    EXPECT_EQ(d.find("record 1: " + std::string(c.field)), 0u) << c.field << ": " << d;
    a.pool->give_back(a.back());
    a.pop_back();
    b.pool->give_back(b.back());
    b.pop_back();
  }
  make_pair();
  a.pool->give_back(a.back());
  a.pop_back();
  EXPECT_EQ(first_record_difference(a, b, text).find("production has 1 records, reference 2"), 0u);
}

// What the checker prints as the replay command must set exactly the
// parameters the case ran with.
TEST_F(Equivalence, ReplayCommandLineSetsTheCaseParameters)
{
  auto globals = [] {
    char buf[600];
    std::snprintf(buf, sizeof buf,
                  "M%d u%u U%u s%d sa%d sb%.9g l%d la%d lb%.9g p%.9g P%.9g m%d g%d r%d R%d N%d n%d L%d h%d "
                  "NP%d ru%d ps%d f%d c%d",
                  global_search_mode, global_min_unit_length, global_max_unit_length, global_min_score,
                  global_min_score_a, static_cast<double>(global_min_score_bx), global_min_length,
                  global_min_length_a, static_cast<double>(global_min_length_bx),
                  static_cast<double>(global_min_perfection), static_cast<double>(global_max_perfection),
                  global_mismatch_score, global_indel_score, global_maximum_recursion_depth,
                  global_maximum_scorereduction, global_Ns_allowed_in_a_row, global_treat_Ns_as_missense,
                  global_prefer_longer_repeat, global_remove_mostly_hidden, global_N_and_perfection_mode,
                  global_report_unit_mode, global_print_sat_seq_mode, global_flanking,
                  global_sequenceInfoAsComment);
    return std::string(buf);
  };
  const std::string input = write_temp_file(">x\nACGT\n");
  for (uint64_t seed = 1; seed <= 300; ++seed) {
    Rng rng(seed);
    const SearchParams p = random_params(rng);
    p.apply();
    const std::string expected = globals();

    std::vector<std::string> args = {"sarvik"};
    const std::string line = p.options();
    for (size_t at = 0; at < line.size();) {
      size_t end = line.find(' ', at);
      if (end == std::string::npos) end = line.size();
      args.push_back(line.substr(at, end - at));
      at = end + 1;
    }
    args.push_back(input);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    ASSERT_EQ(read_and_init_parameters(static_cast<int>(argv.size()), argv.data()), 0) << line;
    EXPECT_EQ(globals(), expected) << line;
  }
}

}  // namespace
