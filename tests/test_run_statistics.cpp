// The facts the run summary and report gather: only the records the output
// writes, overlaps covered once, band edges, lower medians, density bins.
#include <list>
#include <string>

#include "run_statistics.h"
#include "sat_test_support.h"

namespace {

class RunStatisticsTest : public SatTest {
 protected:
  RunStatistics stats;
  void add() { stats.add_record(seq, std::list<Csat*>(records.begin(), records.end())); }
};

TEST_F(RunStatisticsTest, CountsOnlyWrittenRecordsAndCoversOverlapsOnce)
{
  //            0         1         2         3
  //            0123456789012345678901234567890123456
  set_sequence("ACACACACACGGGGGGGGATATATATATCCCACACAC");
  make(0, 10, 0, 2);    // AC x 5
  make(4, 12, 4, 2);    // overlaps the first by 6
  make(10, 18, 10, 1);  // G x 8, adjacent to the first
  make(18, 28, 18, 4);  // ATAT repeats AT: the output leaves it out
  Csat* imperfect = make(31, 37, 31, 2);
  add_event(imperfect, 33, 'M');
  imperfect->mismatches = 1;
  global_min_perfection = 50;
  add();

  EXPECT_EQ(stats.records, 1u);
  EXPECT_EQ(stats.nucleotides, 37u);
  EXPECT_EQ(stats.all.repeats, 4u);
  EXPECT_EQ(stats.all.covered, 18u + 6u);  // 0-18 and 31-37
  ASSERT_EQ(stats.by_unit_length.size(), 2u);
  EXPECT_EQ(stats.by_unit_length[2].repeats, 3u);
  EXPECT_EQ(stats.by_unit_length[2].covered, 12u + 6u);
  EXPECT_EQ(stats.by_unit_length[1].covered, 8u);
  EXPECT_EQ(stats.unit_counts.at("AC"), 3u);  // CA and AC in one normal form
  EXPECT_EQ(stats.unit_counts.at("C"), 1u);   // G's reverse complement
  EXPECT_EQ(stats.perfection_histogram[100], 3u);
  EXPECT_EQ(stats.perfection_histogram[83], 1u);  // 5 of 6
  EXPECT_EQ(stats.all.bands[0], 3u);
  EXPECT_EQ(stats.all.bands[3], 1u);

  // A perfection range that leaves out the imperfect one.
  global_min_perfection = 90;
  RunStatistics strict;
  strict.add_record(seq, std::list<Csat*>(records.begin(), records.end()));
  EXPECT_EQ(strict.all.repeats, 3u);
  EXPECT_EQ(strict.all.covered, 18u);
}

TEST(PerfectionBand, EdgesBelongToTheUpperBand)
{
  EXPECT_EQ(perfection_band(100.0f), 0);
  EXPECT_EQ(perfection_band(99.999f), 1);
  EXPECT_EQ(perfection_band(95.0f), 1);
  EXPECT_EQ(perfection_band(94.999f), 2);
  EXPECT_EQ(perfection_band(85.0f), 2);
  EXPECT_EQ(perfection_band(84.999f), 3);
  EXPECT_EQ(perfection_band(-20.0f), 3);
  // 19 of 20 computed as the output computes it lands on the edge exactly.
  EXPECT_EQ(perfection_band(static_cast<float>(19) / static_cast<float>(20) * 100.0f), 1);
  EXPECT_EQ(perfection_band(static_cast<float>(17) / static_cast<float>(20) * 100.0f), 2);
}

TEST(RepeatGroupMedian, LowerMiddleOfAnEvenCount)
{
  RepeatGroup g;
  EXPECT_EQ(g.median_length(), 0u);
  g.lengths = {40, 10, 30, 20};
  g.copies = {4.5f, 1.0f, 3.0f, 2.0f};
  EXPECT_EQ(g.median_length(), 20u);
  EXPECT_EQ(g.median_copies(), 2.0f);
  g.lengths.push_back(25);
  EXPECT_EQ(g.median_length(), 25u);
}

TEST_F(RunStatisticsTest, DensityBinsAndTheLongestRecords)
{
  // 480 nucleotides in 240 bins of 2: a repeat over 100..110 fills bins 50-54.
  set_sequence(std::string(100, 'G') + std::string(10, 'A') + std::string(370, 'G'), "long");
  make(100, 110, 100, 1);
  add();
  ASSERT_EQ(stats.longest.size(), 1u);
  const RecordDensity& d = stats.longest[0];
  EXPECT_EQ(d.name, "long");
  ASSERT_EQ(d.covered_share.size(), RunStatistics::density_bins);
  EXPECT_EQ(d.covered_share[49], 0.0f);
  EXPECT_EQ(d.covered_share[50], 1.0f);
  EXPECT_EQ(d.covered_share[54], 1.0f);
  EXPECT_EQ(d.covered_share[55], 0.0f);

  // A short record gets one bin per nucleotide; only the 24 longest stay,
  // longest first, the earlier of two equal ones first.
  for (int i = 0; i < 30; ++i) {
    set_sequence(std::string(static_cast<std::size_t>(10 + i % 5), 'C'), "r" + std::to_string(i));
    stats.add_record(seq, {});
  }
  ASSERT_EQ(stats.longest.size(), RunStatistics::density_records);
  EXPECT_EQ(stats.longest[0].name, "long");
  EXPECT_EQ(stats.longest[1].name, "r4");
  EXPECT_EQ(stats.longest[1].covered_share.size(), 14u);
  EXPECT_EQ(stats.longest[2].name, "r9");
  EXPECT_EQ(stats.longest.back().length, 11u);
  EXPECT_EQ(stats.records, 31u);
}

TEST(RunStatisticsTopUnits, MostFrequentFirstThenAlphabetical)
{
  RunStatistics s;
  s.unit_counts = {{"AC", 3}, {"AG", 5}, {"A", 3}, {"C", 1}};
  auto top = s.top_units(3);
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(top[0].first, "AG");
  EXPECT_EQ(top[1].first, "A");
  EXPECT_EQ(top[2].first, "AC");
  EXPECT_EQ(s.top_units(10).size(), 4u);
}

}  // namespace
