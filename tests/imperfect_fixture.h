// Shared set-up for the tests of the imperfect extension and searches: a
// sequence with its controller, parameters reset per test, and a compact
// text form of a record so expectations read as one line each.
#ifndef SARVIK_TESTS_IMPERFECT_FIXTURE_H
#define SARVIK_TESTS_IMPERFECT_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "CSearchController.h"
#include "CSequence_Mol.h"
#include "Csat.h"
#include "global-types-and-parameters.h"

// The parameters the extension reads, defaulting to the program's defaults.
struct ExtendParams {
  int mismatch = -5;
  int indel = -5;
  int reduction = INT_MAX;
  int depth = 5;
  int prefer_longer = 1;
  int Ns_allowed = 2;
  bool Ns_missense = false;

  void apply() const
  {
    global_mismatch_score = mismatch;
    global_indel_score = indel;
    global_maximum_scorereduction = reduction;
    global_maximum_recursion_depth = depth;
    global_prefer_longer_repeat = prefer_longer;
    global_Ns_allowed_in_a_row = Ns_allowed;
    global_treat_Ns_as_missense = Ns_missense;
  }
};

inline ExtendParams depth(int d)
{
  ExtendParams p;
  p.depth = d;
  return p;
}

inline ExtendParams prefer_longer(int v)
{
  ExtendParams p;
  p.prefer_longer = v;
  return p;
}

inline ExtendParams Ns(int allowed, bool missense)
{
  ExtendParams p;
  p.Ns_allowed = allowed;
  p.Ns_missense = missense;
  return p;
}

inline void units(unsigned lo, unsigned hi)
{
  global_min_unit_length = lo;
  global_max_unit_length = hi;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    init_param();
    CSearchController::reset_minimum_arrays();
  }
  void TearDown() override { CSearchController::reset_minimum_arrays(); }
};

// One sequence and its controller. Build it after the parameters are set:
// the controller computes the thresholds on construction.
struct Engine {
  CSequence_Mol seq{CSequence_Mol::dna, 'N', 0};
  std::unique_ptr<CSearchController> ctl;

  explicit Engine(const std::string& text)
  {
    seq.seq_text.assign(text.c_str());
    seq.name.assign("s");
    ctl.reset(new CSearchController(1, seq));
  }
  const char* text() const { return seq.seq_text.data; }
  int size() const { return static_cast<int>(seq.seq_text.len); }
  const char* after_end() const { return text() + size(); }
  const char* before_begin() const { return text() - 1; }
};

// "start-end sScore mM iI dD nN [entries]" with 0-based positions, end
// exclusive; entries as position and kind, in list order.
inline std::string describe(const Csat& s, const char* text)
{
  std::string r = std::to_string(s.start - text) + "-" + std::to_string(s.end - text) + " s" +
                  std::to_string(s.score) + " m" + std::to_string(s.mismatches) + " i" +
                  std::to_string(s.insertions) + " d" + std::to_string(s.deletions) + " n" + std::to_string(s.Ns) +
                  " [";
  for (uint32_t i = 0; i < s.missense_list.count; ++i) {
    if (i) r += " ";
    r += std::to_string(s.missense_list.data[i].pos - text) + s.missense_list.data[i].kind;
  }
  return r + "]";
}

// The records of a result list, each prefixed with its unit length.
inline std::vector<std::string> describe_all(const std::list<Csat*>& list, const char* text)
{
  std::vector<std::string> out;
  for (const Csat* s : list) out.push_back("k" + std::to_string(s->unit_length()) + " " + describe(*s, text));
  return out;
}

inline std::string reversed(std::string s)
{
  std::reverse(s.begin(), s.end());
  return s;
}

// One whole-search case: a text, the parameter changes, and describe_all()
// of the result list.
struct SearchCase {
  const char* what;
  const char* text;
  void (*setup)();
  std::vector<std::string> expected;
};

// Names the case in test listings instead of dumping its bytes.
inline void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.what; }

// The pool holds at least n records, so a test can see whether any go missing.
inline void fill_pool(size_t n)
{
  static const char seed[] = "AC";
  while (sat_alloc.size() < n) {
    Csat* s = new Csat;
    s->reset(seed, seed + 2);
    sat_alloc.give_back(s);
  }
}

// A diverged satellite array between random flanks: copies of `unit` with
// substitutions, deletions and insertions at `rate` each, and with `Ns` now
// and then a short N run.
inline std::string diverged_satellite(unsigned seed, const std::string& unit, double rate, size_t length, bool Ns)
{
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
  auto next = [&] {
    x ^= x >> 12;
    x ^= x << 25;
    x ^= x >> 27;
    return (x * 2685821657736338717ull) >> 11;
  };
  auto chance = [&](double p) { return static_cast<double>(next() % 1000000) < p * 1e6; };
  static const char bases[] = "ACGT";
  std::string t;
  for (int i = 0; i < 150; ++i) t += bases[next() % 4];
  for (size_t i = 0; t.size() < 150 + length; ++i) {
    if (Ns && chance(0.004)) t.append(1 + next() % 3, 'N');
    if (chance(rate)) continue;  // deletion
    t += chance(rate) ? bases[next() % 4] : unit[i % unit.size()];
    if (chance(rate)) t += bases[next() % 4];
  }
  for (int i = 0; i < 150; ++i) t += bases[next() % 4];
  return t;
}

#endif
