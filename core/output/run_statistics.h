// What the run summary and the report tell about a run, gathered record by
// record from exactly the repeats the output file shows (after overlap
// removal, within the perfection range, units that repeat a shorter unit left
// out). Gathering never writes to the output.
#ifndef SARVIK_RUN_STATISTICS_H
#define SARVIK_RUN_STATISTICS_H

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CSequence_Mol.h"
#include "Csat.h"

// Perfection bands: 0 exactly 100 %, 1 at least 95 and below 100, 2 at least
// 85 and below 95, 3 below 85 (the single-precision value the output prints).
enum { perfection_bands = 4 };
int perfection_band(float perfection);

// The repeats of one unit length, or of all together.
struct RepeatGroup {
  uint64_t repeats = 0;
  uint64_t covered = 0;  // positions inside at least one of them
  uint64_t bands[perfection_bands] = {};
  std::vector<uint32_t> lengths;
  std::vector<float> copies;

  // The lower median (of an even count the smaller middle value); 0 when empty.
  uint32_t median_length() const;
  float median_copies() const;
};

// Covered share along one record, in equal bins.
struct RecordDensity {
  std::string name;
  uint64_t length = 0;
  std::vector<float> covered_share;  // per bin, 0 to 1
};

class RunStatistics {
 public:
  static constexpr unsigned density_bins = 240;
  static constexpr unsigned density_records = 24;

  uint64_t records = 0;
  uint64_t nucleotides = 0;  // of the records analysed
  RepeatGroup all;
  std::map<unsigned, RepeatGroup> by_unit_length;
  // Count of repeats per unit in the normal form that merges rotations and
  // the reverse complement, whatever --reportUnit prints.
  std::unordered_map<std::string, uint64_t> unit_counts;
  // Repeats per whole percent of perfection; the last entry is exactly 100 %.
  uint64_t perfection_histogram[101] = {};
  // The longest records analysed, longest first (input order among equals).
  std::vector<RecordDensity> longest;

  // One analysed record and the repeats left after overlap removal.
  void add_record(const CSequence_Mol& seq, const std::list<Csat*>& kept);

  // The `n` most frequent units, most frequent first, then alphabetically.
  std::vector<std::pair<std::string, uint64_t>> top_units(std::size_t n) const;
};

#endif
