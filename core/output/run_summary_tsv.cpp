#include <cinttypes>

#include "global-types-and-parameters.h"
#include "run_summary_files.h"

namespace {

void write_row(FILE* f, const char* label, const RepeatGroup& g, uint64_t input)
{
  const double percent = input ? 100.0 * static_cast<double>(g.covered) / static_cast<double>(input) : 0.0;
  std::fprintf(f, "%s\t%" PRIu64 "\t%" PRIu64 "\t%.4f\t%u\t%.3f", label, g.repeats, g.covered, percent,
               g.median_length(), static_cast<double>(g.median_copies()));
  for (uint64_t n : g.bands) std::fprintf(f, "\t%" PRIu64, n);
  std::fputc('\n', f);
}

}  // namespace

void write_summary_tsv(FILE* f, const RunStatistics& stats)
{
  std::fprintf(f, "# sarvik\t%s\n# input\t%s\n# records\t%" PRIu64 "\n# nucleotides\t%" PRIu64 "\n", SARVIK_VERSION,
               global_input_filename.c_str(), stats.records, stats.nucleotides);
  std::fputs(
      "unit_length\trepeats\tcovered_nt\tcovered_percent\tmedian_length\tmedian_copies\tperfect_100\tperfection_95_100"
      "\tperfection_85_95\tperfection_below_85\n",
      f);
  for (const auto& [k, group] : stats.by_unit_length) write_row(f, std::to_string(k).c_str(), group, stats.nucleotides);
  write_row(f, "total", stats.all, stats.nucleotides);
}
