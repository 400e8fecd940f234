#include "run_statistics.h"

#include <algorithm>
#include <cmath>

#include "CDnaString.h"
#include "global-types-and-parameters.h"
#include "report_sat.h"
#include "sat_perfection.h"

int perfection_band(float perfection)
{
  if (perfection >= 100.0f) return 0;
  if (perfection >= 95.0f) return 1;
  if (perfection >= 85.0f) return 2;
  return 3;
}

namespace {

template <class T>
T lower_median(std::vector<T> values)
{
  if (values.empty()) return T();
  auto middle = values.begin() + static_cast<std::ptrdiff_t>((values.size() - 1) / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// A written repeat as 0-based half-open positions in its record.
struct Span {
  uint64_t begin;
  uint64_t end;
  unsigned unit_length;
};

// Calls add(begin, end) for each maximal stretch covered by spans[from, to),
// which are sorted by begin; returns the number of positions covered.
template <class Add>
uint64_t for_each_union(const std::vector<Span>& spans, std::size_t from, std::size_t to, Add add)
{
  uint64_t covered = 0;
  std::size_t i = from;
  while (i < to) {
    uint64_t begin = spans[i].begin, end = spans[i].end;
    for (++i; i < to && spans[i].begin <= end; ++i) end = std::max(end, spans[i].end);
    add(begin, end);
    covered += end - begin;
  }
  return covered;
}

void add_to_group(RepeatGroup& g, uint32_t length, float copies, int band)
{
  ++g.repeats;
  ++g.bands[band];
  g.lengths.push_back(length);
  g.copies.push_back(copies);
}

RecordDensity density_of(const CSequence_Mol& seq, const std::vector<Span>& spans)
{
  RecordDensity d;
  if (seq.name.len) d.name.assign(seq.name.data, seq.name.len);
  d.length = seq.seq_text.len;
  const uint64_t L = d.length;
  const uint64_t bins = std::min<uint64_t>(RunStatistics::density_bins, L);
  std::vector<uint64_t> covered(bins, 0);
  // Bin i holds the positions x with floor(x * bins / L) == i.
  auto bin_begin = [&](uint64_t i) { return (i * L + bins - 1) / bins; };
  for_each_union(spans, 0, spans.size(), [&](uint64_t b, uint64_t e) {
    for (uint64_t i = b * bins / L; i < bins && bin_begin(i) < e; ++i)
      covered[i] += std::min(e, bin_begin(i + 1)) - std::max(b, bin_begin(i));
  });
  d.covered_share.resize(bins);
  for (uint64_t i = 0; i < bins; ++i)
    d.covered_share[i] = static_cast<float>(covered[i]) / static_cast<float>(bin_begin(i + 1) - bin_begin(i));
  return d;
}

}  // namespace

uint32_t RepeatGroup::median_length() const { return lower_median(lengths); }
float RepeatGroup::median_copies() const { return lower_median(copies); }

void RunStatistics::add_record(const CSequence_Mol& seq, const std::list<Csat*>& kept)
{
  ++records;
  nucleotides += seq.seq_text.len;

  std::vector<Span> spans;
  CDnaString unit;
  for (const Csat* s : kept) {
    const float perfection = sat_perfection(*s);
    if (!written_unit(*s, perfection, unit)) continue;
    const unsigned k = s->unit_length();
    const float copies = static_cast<float>(s->normalized_length()) / static_cast<float>(k);
    const int band = perfection_band(perfection);
    add_to_group(all, s->length(), copies, band);
    add_to_group(by_unit_length[k], s->length(), copies, band);

    if (global_report_unit_mode != 2) unit.setToMinAlphaRepModRevCompAndCyclicPermOf(unit);
    ++unit_counts[std::string(unit.data, unit.len)];

    int bin = perfection >= 100.0f ? 100 : perfection >= 0.0f ? static_cast<int>(perfection) : 0;
    ++perfection_histogram[bin];

    const uint64_t begin = static_cast<uint64_t>(s->start - seq.seq_text.data);
    spans.push_back({begin, begin + s->length(), k});
  }

  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
  all.covered += for_each_union(spans, 0, spans.size(), [](uint64_t, uint64_t) {});

  const bool among_longest =
      longest.size() < density_records || seq.seq_text.len > longest.back().length;
  if (among_longest && seq.seq_text.len > 0) {
    RecordDensity d = density_of(seq, spans);
    auto at = std::upper_bound(longest.begin(), longest.end(), d.length,
                               [](uint64_t len, const RecordDensity& r) { return len > r.length; });
    longest.insert(at, std::move(d));
    if (longest.size() > density_records) longest.pop_back();
  }

  std::stable_sort(spans.begin(), spans.end(),
                   [](const Span& a, const Span& b) { return a.unit_length < b.unit_length; });
  for (std::size_t from = 0; from < spans.size();) {
    std::size_t to = from;
    while (to < spans.size() && spans[to].unit_length == spans[from].unit_length) ++to;
    by_unit_length[spans[from].unit_length].covered += for_each_union(spans, from, to, [](uint64_t, uint64_t) {});
    from = to;
  }
}

std::vector<std::pair<std::string, uint64_t>> RunStatistics::top_units(std::size_t n) const
{
  std::vector<std::pair<std::string, uint64_t>> units(unit_counts.begin(), unit_counts.end());
  auto more_frequent = [](const std::pair<std::string, uint64_t>& a, const std::pair<std::string, uint64_t>& b) {
    return a.second > b.second || (a.second == b.second && a.first < b.first);
  };
  n = std::min(n, units.size());
  std::partial_sort(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(n), units.end(), more_frequent);
  units.resize(n);
  return units;
}
