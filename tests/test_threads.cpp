// The searches split over threads find exactly what the serial searches find,
// wherever the chunk boundaries fall: inside repeats, inside N runs, at the
// record's end, inside arrays that span many chunks.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CSearchController.h"
#include "chunked_scan.h"
#include "global-types-and-parameters.h"
#include "imperfect_fixture.h"
#include "test_support.h"
#include "worker_pool.h"

namespace {

// A reproducible text: random stretches, imperfect tandem arrays, N runs.
std::string mixed_text(uint64_t seed, size_t length)
{
  auto next = [&seed] {
    seed ^= seed >> 12;
    seed ^= seed << 25;
    seed ^= seed >> 27;
    return (seed * 2685821657736338717ull) >> 11;
  };
  const char bases[] = "ACGT";
  std::string t;
  while (t.size() < length) {
    uint64_t r = next() % 10;
    if (r < 5) {
      for (int i = 0; i < 20; ++i) t += bases[next() % 4];
    } else if (r < 9) {
      std::string unit;
      for (uint64_t i = 0, k = 1 + next() % 7; i < k; ++i) unit += bases[next() % 4];
      for (uint64_t i = 0, n = 10 + next() % 60; i < n; ++i) {
        char c = unit[i % unit.size()];
        t += next() % 25 == 0 ? bases[next() % 4] : c;
      }
    } else {
      t.append(1 + next() % 4, 'N');
    }
  }
  t.resize(length);
  return t;
}

// A satellite array of `copies` copies of a 7-mer, one change in 40.
std::string satellite(size_t copies)
{
  std::string t = "GATTACA";
  std::string s;
  for (size_t i = 0; i < copies * t.size(); ++i) s += i % 40 == 17 ? 'C' : t[i % t.size()];
  return "TTGACCGTAGGCATCGATT" + s + "CGTAAGCTTGACAG";
}

std::vector<std::string> search(const std::string& text, int mode, WorkerPool* pool, unsigned chunk)
{
  global_search_mode = mode;
  search_pool = pool;
  forced_chunk_length = chunk;
  Engine e(text);
  CsatContainer& found = e.ctl->search_selected_mode(nullptr);
  std::vector<std::string> r = describe_all(found, e.text());
  search_pool = nullptr;
  forced_chunk_length = 0;
  return r;
}

class ThreadedSearch : public EngineTest {};

TEST_F(ThreadedSearch, EveryModeThreadCountAndChunkLengthGivesTheSerialResult)
{
  units(1, 9);
  const std::vector<std::string> texts = {mixed_text(1, 3000), mixed_text(7, 1200) + satellite(30),
                                          "ACACACACACNNACACACACACGTGTGTGTNNNNNNNGTGTGTGT"};
  for (int mode = 0; mode < 3; ++mode)
    for (const std::string& text : texts) {
      const std::vector<std::string> serial = search(text, mode, nullptr, 0);
      for (unsigned threads : {2u, 3u, 8u}) {
        WorkerPool pool(threads);
        for (unsigned chunk : {1u, 2u, 7u, 64u, 1000u, 100000u})
          EXPECT_EQ(search(text, mode, &pool, chunk), serial)
              << "mode " << mode << ", " << threads << " threads, chunks of " << chunk;
      }
    }
}

// Diverged arrays whose records hold thousands of entries, most of them on
// shared walks: the chunks claim their marks on copies, and the
// reconciliation walks the chunks' records again with their entries deferred.
TEST_F(ThreadedSearch, DivergedArraysWithLongEntryListsGiveTheSerialResult)
{
  units(4, 10);
  const std::vector<std::string> texts = {diverged_satellite(3, "AATAGTG", 0.05, 12000, false),
                                          diverged_satellite(5, "ATTCC", 0.03, 12000, true)};
  WorkerPool pool(2);
  for (const std::string& text : texts)
    for (int mode = 1; mode < 3; ++mode) {
      const std::vector<std::string> serial = search(text, mode, nullptr, 0);
      for (unsigned chunk : {700u, 5000u}) EXPECT_EQ(search(text, mode, &pool, chunk), serial) << "mode " << mode;
    }
}

// Long units: the first copies shared by their passes are built in blocks on
// the threads, and more than one wave of blocks fits in the text.
TEST_F(ThreadedSearch, LongUnitsGiveTheSerialResult)
{
  units(18, 60);
  uint64_t seed = 3;
  auto random_text = [&](size_t n) {
    std::string t;
    while (t.size() < n) t += "ACGT"[(seed = seed * 6364136223846793005ull + 1442695040888963407ull) >> 62];
    return t;
  };
  std::string text = random_text(20000) + mixed_text(3, 2000);
  const std::string unit = random_text(37);
  for (int copy = 0; copy < 6; ++copy) text += unit.substr(copy % 3) + unit.substr(0, copy % 3);
  text += random_text(30000);
  const std::vector<std::string> serial = search(text, 2, nullptr, 0);
  for (unsigned threads : {2u, 3u}) {
    WorkerPool pool(threads);
    for (unsigned chunk : {0u, 5000u}) EXPECT_EQ(search(text, 2, &pool, chunk), serial) << threads << " threads";
  }
}

TEST_F(ThreadedSearch, ParametersThatChangeTheMarksAndTheirResets)
{
  // Ns as mismatches put alignment events outside a trimmed repeat; short
  // repeats and low scores make many small marks to reconcile. A pool
  // searches with the parameters its creator had: one per variant.
  const std::string text = mixed_text(3, 2500);
  for (int variant = 0; variant < 3; ++variant) {
    init_param();
    units(1, 6);
    if (variant == 1) global_treat_Ns_as_missense = true;
    if (variant == 2) global_min_score = 2, global_min_perfection = 80.0f;
    CSearchController::reset_minimum_arrays();
    WorkerPool pool(3);
    // In the exact modes a perfection range leaves seeds that do not mark.
    for (int mode = 0; mode < 3; ++mode) {
      const std::vector<std::string> serial = search(text, mode, nullptr, 0);
      for (unsigned chunk : {3u, 11u, 200u})
        EXPECT_EQ(search(text, mode, &pool, chunk), serial) << "variant " << variant << ", mode " << mode;
    }
  }
}

TEST_F(ThreadedSearch, RecordsShorterThanAChunkOrThanAUnit)
{
  units(1, 10);
  WorkerPool pool(2);
  for (const std::string text : {"", "A", "AC", "ACA", "NNNN", "ACGACGACGACGACG"})
    for (unsigned chunk : {1u, 4u, 1000u})
      for (int mode = 0; mode < 3; ++mode) EXPECT_EQ(search(text, mode, &pool, chunk), search(text, mode, nullptr, 0));
}

TEST_F(ThreadedSearch, AnArraySpanningManyChunksIsNotGrownInEveryOne)
{
  units(7, 7);
  const std::string text = satellite(3000);  // 21,000 nucleotides, 1050 chunks of 20
  const std::vector<std::string> serial = search(text, 2, nullptr, 0);
  ASSERT_FALSE(serial.empty());
  WorkerPool pool(2);
  chunked_scan_stats.speculative_bases = 0;
  EXPECT_EQ(search(text, 2, &pool, 20), serial);
  // Grown once in every chunk it spans it would cover about 1050 * 21,000.
  EXPECT_LT(chunked_scan_stats.speculative_bases.load(), 20u * text.size());
}

TEST_F(ThreadedSearch, TheRunsStopEndsASplitScanWithNothingTaken)
{
  units(1, 4);
  WorkerPool pool(2);
  set_run_stop(true);
  EXPECT_TRUE(search(mixed_text(5, 2000), 2, &pool, 50).empty());
  set_run_stop(false);
}

TEST(WorkerPool, ParallelForRunsEveryIndexOnceAlsoFromInsideAJob)
{
  WorkerPool pool(3);
  std::vector<std::atomic<int>> hits(500);
  std::atomic<bool> done{false};
  pool.submit([&] {
    pool.parallel_for(hits.size(), [&](size_t i) { ++hits[i]; });
    done = true;
  });
  pool.parallel_for(hits.size(), [&](size_t i) { ++hits[i]; });
  while (!done) std::this_thread::yield();
  for (auto& h : hits) EXPECT_EQ(h.load(), 2);
  EXPECT_GE(available_cores(), 1u);
}

}  // namespace

// A worker formats a record's block in pieces, long lists in slices side by
// side; written one after another they must be the serial writer's block, in
// every output format and for lists of one slice or several.
TEST_F(ThreadedSearch, FormattedPiecesAreTheWrittenBlock)
{
  units(2, 4);
  std::string text;
  for (int i = 0; i < 5000; ++i) text += (i % 3 ? "ACACACACACAC" : "GATGATGATGAT") + mixed_text(i + 1, 9);
  for (int mode = 0; mode < 3; mode += 2) {
    global_search_mode = mode;
    for (int format = 0; format <= 4; ++format) {
      global_print_sat_mode = format;
      WorkerPool pool(3);  // its workers format with the parameters set now
      Engine e(text);
      const CsatContainer& found = e.ctl->search_selected_mode(nullptr);
      ASSERT_GT(found.size(), 4096u) << "the list must span several slices";
      const std::string serial = capture_output([&](FILE* f) { e.ctl->report_SATList(f, found); });
      for (WorkerPool* p : {static_cast<WorkerPool*>(nullptr), &pool}) {
        // The pieces of an earlier block lend their memory, never their text.
        std::vector<std::string> block(7, std::string(100, 'x'));
        e.ctl->format_SATList(found, p, block);
        std::string joined;
        for (const std::string& piece : block) joined += piece;
        EXPECT_EQ(joined, serial) << "mode " << mode << ", format " << format << (p ? ", on the pool" : "");
      }
    }
  }
}
