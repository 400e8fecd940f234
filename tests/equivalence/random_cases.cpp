#include "random_cases.h"

#include <algorithm>
#include <cstdio>

#include "CSearchController.h"
#include "global-types-and-parameters.h"

void SearchParams::apply() const
{
  init_param();
  global_search_mode = mode;
  global_min_unit_length = min_unit;
  global_max_unit_length = max_unit;
  global_min_score = min_score;
  global_min_score_a = min_score_a;
  global_min_score_bx = min_score_b;
  global_min_length = min_length;
  global_min_length_a = min_length_a;
  global_min_length_bx = min_length_b;
  global_min_perfection = min_perfection;
  global_max_perfection = max_perfection;
  global_mismatch_score = mismatch;
  global_indel_score = indel;
  global_maximum_recursion_depth = depth;
  global_maximum_scorereduction = reduction;
  global_Ns_allowed_in_a_row = Ns_allowed;
  global_treat_Ns_as_missense = Ns_missense;
  global_prefer_longer_repeat = prefer_shorter ? 0 : 1;
  global_remove_mostly_hidden = !keep_hidden;
  global_N_and_perfection_mode = N_perfection_mode;
  global_report_unit_mode = report_unit;
  global_print_sat_seq_mode = seq_mode;
  global_flanking = flanking;
  global_sequenceInfoAsComment = info_as_comment;
  CSearchController::reset_minimum_arrays();
}

namespace {

void add_int(std::string& out, const char* option, int value, int default_value)
{
  if (value != default_value) out += std::string(" ") + option + " " + std::to_string(value);
}

void add_float(std::string& out, const char* option, float value, float default_value)
{
  if (value == default_value) return;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(value));  // reads back as the same float
  out += std::string(" ") + option + " " + buf;
}

void add_switch(std::string& out, const char* option, bool on)
{
  if (on) out += std::string(" ") + option;
}

}  // namespace

std::string SearchParams::options() const
{
  const SearchParams d;
  static const char* const mode_words[3] = {"exact", "extendExact", "imperfect"};
  std::string o = std::string("-M ") + mode_words[mode];
  add_int(o, "-u", static_cast<int>(min_unit), static_cast<int>(d.min_unit));
  add_int(o, "-U", static_cast<int>(max_unit), static_cast<int>(d.max_unit));
  add_int(o, "-s", min_score, d.min_score);
  add_int(o, "--minScore_a", min_score_a, d.min_score_a);
  add_float(o, "--minScore_b", min_score_b, d.min_score_b);
  add_int(o, "-l", min_length, d.min_length);
  add_int(o, "--minLength_a", min_length_a, d.min_length_a);
  add_float(o, "--minLength_b", min_length_b, d.min_length_b);
  add_float(o, "--minPerfection", min_perfection, d.min_perfection);
  add_float(o, "--maxPerfection", max_perfection, d.max_perfection);
  add_int(o, "-m", mismatch, d.mismatch);
  add_int(o, "-g", indel, d.indel);
  add_int(o, "-r", depth, d.depth);
  add_int(o, "-R", reduction, d.reduction);
  add_int(o, "-N", Ns_allowed, d.Ns_allowed);
  add_switch(o, "--NsAsMissense", Ns_missense);
  add_switch(o, "--preferShorterRepeats", prefer_shorter);
  add_switch(o, "-D", keep_hidden);
  add_int(o, "--NPerfectionMode", N_perfection_mode, d.N_perfection_mode);
  add_int(o, "--reportUnit", report_unit, d.report_unit);
  add_int(o, "--printRepeatSeqMode", seq_mode, d.seq_mode);
  add_int(o, "-f", flanking, d.flanking);
  add_switch(o, "--sequenceInfoAsComment", info_as_comment);
  return o;
}

SearchParams random_params(Rng& rng)
{
  SearchParams p;
  const unsigned m = rng.below(8);
  p.mode = m < 2 ? 0 : m < 4 ? 1 : 2;
  p.min_unit = rng.chance(0.6) ? 1 : static_cast<unsigned>(rng.between(1, 12));
  p.max_unit = rng.chance(0.3) ? std::max(p.min_unit, 10u) : std::min(14u, p.min_unit + rng.below(11));
  p.depth = rng.chance(0.3) ? 5 : rng.between(1, 8);
  static const int reductions[] = {0, 1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 20, 30, 50};
  p.reduction = rng.chance(0.6) ? INT_MAX : rng.pick(reductions);
  p.mismatch = rng.chance(0.5) ? -5 : rng.between(-9, -2);
  p.indel = rng.chance(0.5) ? -5 : rng.between(-9, -2);
  static const int Ns_runs[] = {0, 1, 3, 0, 1, 3, 5};
  p.Ns_allowed = rng.chance(0.5) ? 2 : rng.pick(Ns_runs);
  p.Ns_missense = rng.chance(0.2);
  p.prefer_shorter = rng.chance(0.25);
  p.keep_hidden = rng.chance(0.25);

  if (rng.chance(0.4)) {
    static const float factors[] = {0.0f, 0.5f, 1.0f, 1.5f, 2.0f, 3.0f, 0.1f};
    static const int lengths[] = {0, 0, 5, 10, 20, 40};
    p.min_score = rng.chance(0.8) ? rng.between(2, 30) : rng.between(-4, 1);
    p.min_score_a = rng.chance(0.5) ? 0 : rng.between(-5, 10);
    p.min_score_b = rng.pick(factors);
    p.min_length = rng.pick(lengths);
    p.min_length_a = rng.chance(0.5) ? 0 : rng.between(-5, 10);
    p.min_length_b = rng.chance(0.5) ? 0.0f : rng.pick(factors);
    // sarvik refuses a run whose bounds for unit length 1 both stay below 2.
    float S = std::max(static_cast<float>(p.min_score), p.min_score_a + p.min_score_b);
    float L = std::max(static_cast<float>(p.min_length), p.min_length_a + p.min_length_b);
    if (S < 2.0f && L < 2.0f) p.min_score = 2;
  }
  if (rng.chance(0.2)) {
    static const float lows[] = {0.0f, 40.0f, 60.0f, 75.0f, 90.0f, 100.0f};
    static const float highs[] = {100.0f, 99.5f, 95.0f, 80.0f, 60.0f};
    p.min_perfection = rng.pick(lows);
    p.max_perfection = rng.pick(highs);
  }

  p.N_perfection_mode = rng.between(0, 2);
  p.report_unit = rng.between(0, 2);
  p.seq_mode = rng.between(0, 2);
  static const int flanks[] = {1, 3, 10, 50};
  p.flanking = rng.chance(0.25) ? rng.pick(flanks) : 0;
  p.info_as_comment = rng.chance(0.3);
  return p;
}

namespace {

const char bases[4] = {'A', 'C', 'G', 'T'};

char other_base(Rng& rng, char c)
{
  char o;
  do o = bases[rng.below(4)];
  while (o == c);
  return o;
}

// One sequence's background composition: uniform, or AT- or GC-rich.
struct Background {
  double weight[4];
  char draw(Rng& rng) const
  {
    double x = static_cast<double>(rng.next() >> 11) * 0x1.0p-53;
    for (int i = 0; i < 3; ++i) {
      if (x < weight[i]) return bases[i];
      x -= weight[i];
    }
    return bases[3];
  }
};

// A tandem repeat of a random unit of length k, with mismatches, insertions,
// deletions and single Ns at the given rates.
void plant_repeat(std::string& out, Rng& rng, unsigned k, size_t length, double mis, double ins, double del,
                  double Ns)
{
  std::string unit;
  for (unsigned i = 0; i < k; ++i) unit += bases[rng.below(4)];
  const size_t stop = out.size() + length;
  size_t u = rng.below(k);  // the repeat may begin in any phase
  while (out.size() < stop) {
    if (rng.chance(del)) {
      u = (u + 1) % k;
    } else if (rng.chance(ins)) {
      out += bases[rng.below(4)];
    } else if (rng.chance(Ns)) {
      out += 'N';
      u = (u + 1) % k;
    } else {
      out += rng.chance(mis) ? other_base(rng, unit[u]) : unit[u];
      u = (u + 1) % k;
    }
  }
}

double rate(Rng& rng)
{
  static const double rates[] = {0.0, 0.0, 0.005, 0.02, 0.05, 0.1, 0.2};
  return rng.pick(rates);
}

}  // namespace

std::string random_sequence(Rng& rng, const SequenceLimits& limits)
{
  std::string out;
  if (rng.chance(0.05)) {  // 0 to 3 characters
    static const char letters[] = "ACGTN";
    unsigned n = rng.below(4);
    for (unsigned i = 0; i < n; ++i) out += letters[rng.below(5)];
    return out;
  }
  if (rng.chance(0.02)) return std::string(rng.below(40), 'N');

  Background bg{{0.25, 0.25, 0.25, 0.25}};
  if (rng.chance(0.3)) bg = rng.chance(0.5) ? Background{{0.4, 0.1, 0.1, 0.4}} : Background{{0.1, 0.4, 0.4, 0.1}};

  size_t target = rng.chance(0.1) ? rng.below(60) : 1 + rng.below(static_cast<unsigned>(limits.max_length));
  const bool satellite = limits.max_length >= 10000 && rng.chance(limits.satellite_chance);
  size_t satellite_at = satellite ? rng.below(static_cast<unsigned>(target + 1)) : 0;
  size_t satellite_length = 0;
  if (satellite) {
    satellite_length = std::min<size_t>(limits.max_length, static_cast<size_t>(rng.between(10000, 100000)));
    target += satellite_length;
  }

  while (out.size() < target) {
    if (satellite && out.size() >= satellite_at) {
      // Mostly short units, now and then a longer one; from nearly perfect
      // to a fifth diverged; sometimes with single Ns and runs of them.
      static const double low_rates[] = {0.0, 0.001, 0.01, 0.03, 0.05, 0.07};
      const unsigned k = static_cast<unsigned>(rng.chance(0.85) ? rng.between(1, 10) : rng.between(11, 30));
      const size_t from = out.size();
      plant_repeat(out, rng, k, satellite_length, rng.pick(low_rates), rng.pick(low_rates), rng.pick(low_rates),
                   rng.chance(0.2) ? 0.003 : 0.0);
      if (rng.chance(0.3))
        for (int runs = rng.between(1, 20); runs > 0; --runs) {
          const size_t at = from + rng.below(static_cast<unsigned>(out.size() - from));
          out.replace(at, std::min<size_t>(static_cast<size_t>(rng.between(1, 6)), out.size() - at),
                      static_cast<size_t>(rng.between(1, 6)), 'N');
        }
      satellite_at = static_cast<size_t>(-1);
      continue;
    }
    const unsigned kind = rng.below(100);
    if (kind < 30) {
      for (int n = rng.between(1, 60); n > 0; --n) out += bg.draw(rng);
    } else if (kind < 68) {
      const int k = rng.chance(0.9) ? rng.between(1, 12) : rng.between(13, 14);
      const size_t length = static_cast<size_t>(rng.between(2 * k, std::min(30 * k, 400)));
      plant_repeat(out, rng, static_cast<unsigned>(k), length, rate(rng), rate(rng), rate(rng),
                   rng.chance(0.2) ? 0.02 : 0.0);
    } else if (kind < 83) {
      const char c = bases[rng.below(4)];
      for (int n = rng.between(2, 40); n > 0; --n) out += rng.chance(0.03) ? other_base(rng, c) : c;
    } else {
      // N runs of every length around -N, now and then a long one.
      const int n = rng.chance(0.15) ? rng.between(6, 200) : rng.between(1, 5);
      out.append(static_cast<size_t>(n), 'N');
    }
  }
  out.resize(target);  // often ends inside a repeat
  return out;
}

RandomCase make_case(uint64_t seed, const SequenceLimits& limits)
{
  Rng rng(seed);
  RandomCase c{seed, random_params(rng), std::string()};
  SequenceLimits l = limits;
  // Each level of look-ahead beyond the default multiplies the cost by up to three.
  for (int d = 5; d < c.params.depth && l.max_length > 50; ++d) l.max_length /= 3;
  Rng long_rng(seed ^ 0x4c6f6e67556e6974ull);
  if (limits.long_unit_chance > 0 && long_rng.chance(limits.long_unit_chance)) {
    make_long_unit_case(long_rng, c, limits.long_unit_length);
    return c;
  }
  c.text = random_sequence(rng, l);
  return c;
}

void make_long_unit_case(Rng& rng, RandomCase& c, size_t max_length)
{
  SearchParams& p = c.params;
  // Mostly a band of long units; now and then short ones up to long ones.
  if (rng.chance(0.2)) {
    p.min_unit = static_cast<unsigned>(rng.between(1, 10));
    p.max_unit = static_cast<unsigned>(rng.between(11, 40));
  } else {
    p.min_unit = static_cast<unsigned>(rng.between(11, 195));
    p.max_unit = std::min(200u, p.min_unit + rng.below(rng.chance(0.5) ? 4 : 14));
  }
  p.depth = std::min(p.depth, 5);
  // Thresholds that long units meet easily, hardly, or that switch the
  // bounds off (at or below zero).
  const unsigned t = rng.below(10);
  p.min_length_a = 0;
  p.min_length_b = 0.0f;
  if (t < 4) {
    p.min_score = 6, p.min_score_a = 0, p.min_score_b = 1.0f, p.min_length = 0;
  } else if (t < 6) {
    static const float easy[] = {0.2f, 0.3f, 0.5f, 0.7f};
    p.min_score = rng.between(2, 12), p.min_score_a = 0, p.min_score_b = rng.pick(easy);
  } else if (t < 8) {
    static const float hard[] = {1.2f, 1.5f, 2.0f, 3.0f};
    p.min_score = rng.between(6, 60), p.min_score_a = rng.between(0, 20), p.min_score_b = rng.pick(hard);
    p.min_length = rng.chance(0.5) ? rng.between(50, 400) : 0;
  } else {
    p.min_score = 2, p.min_score_a = rng.between(-5, 1), p.min_score_b = rng.chance(0.5) ? 0.0f : 0.1f;
    p.min_length = rng.between(0, 40);
  }

  // The text: background, minisatellites of the units searched (2 to 20
  // copies, 0 to 10 % divergence), long-unit satellites, N runs.
  std::string& out = c.text;
  out.clear();
  // Mostly room for two copies of the longest unit or more; short texts too.
  const size_t room = std::min<size_t>(2 * p.max_unit, max_length);
  const size_t target = rng.chance(0.85) ? room + rng.below(static_cast<unsigned>(max_length - room + 1))
                                         : 1 + rng.below(static_cast<unsigned>(max_length));
  while (out.size() < target) {
    const unsigned kind = rng.below(100);
    if (kind < 25) {
      for (int n = rng.between(1, 120); n > 0; --n) out += bases[rng.below(4)];
    } else if (kind < 85) {
      const unsigned k = static_cast<unsigned>(rng.between(static_cast<int>(p.min_unit), static_cast<int>(p.max_unit)));
      static const double divergence[] = {0.0, 0.0, 0.01, 0.02, 0.05, 0.1};
      const double d = rng.pick(divergence);
      const size_t copies = kind < 80 ? rng.between(2, 20) : rng.between(20, 60);  // the last: a satellite
      plant_repeat(out, rng, k, std::min(copies * k, max_length), d, d / 3, d / 3, rng.chance(0.1) ? 0.01 : 0.0);
    } else if (kind < 93) {
      out.append(static_cast<size_t>(rng.chance(0.2) ? rng.between(3, 30) : rng.between(1, 2)), 'N');
    } else {
      const char b = bases[rng.below(4)];
      for (int n = rng.between(2, 30); n > 0; --n) out += b;
    }
  }
  out.resize(target);
}
