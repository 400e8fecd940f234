// The searches split over threads against the serial searches, on arbitrary
// sequences with random chunk lengths: every record, field by field and in
// order, must be the same.
//
// Input: 8 parameter bytes, then the sequence: a byte below 0xF0 is one of
// A, C, G, T, N; a byte from 0xF0 repeats the last 1 to 16 characters a few
// times, so tandem arrays (and arrays across many chunks) are easy to reach.
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "CSearchController.h"
#include "CSequence_Mol.h"
#include "chunked_scan.h"
#include "fuzz_support.h"
#include "global-types-and-parameters.h"
#include "walk_sharing.h"
#include "worker_pool.h"

namespace {

const size_t header_size = 8;
// Both searches run. A satellite in extend-exact mode is extended once per seed
// and each seed runs its length, so the length is kept well below the timeout.
const size_t max_sequence = 600;

std::string sequence_from(const uint8_t* d, size_t n)
{
  std::string s;
  for (size_t i = 0; i < n && s.size() < max_sequence; ++i) {
    if (d[i] < 0xF0 || s.empty()) {
      s += "ACGTN"[d[i] % 5];
      continue;
    }
    size_t k = std::min<size_t>(s.size(), 1 + (d[i] & 15));
    std::string unit = s.substr(s.size() - k);
    for (int c = 0; c < 2 + (d[i] & 3) * 4 && s.size() < max_sequence; ++c) s += unit;
  }
  return s;
}

std::vector<std::string> search(CSequence_Mol& seq)
{
  Csat_garbagecollector pool;  // outlives the controller, which hands its records back
  CSearchController c(1, seq, &pool);
  CsatContainer& found = c.search_selected_mode(nullptr);
  std::vector<std::string> r;
  for (Csat* s : found) {
    restore_entries(*s, seq.seq_text.data, seq.seq_text.len);  // long lists were dropped
    std::string d = std::to_string(s->start - seq.seq_text.data) + "-" + std::to_string(s->end - seq.seq_text.data) +
                    " u" + std::to_string(s->unit_begin - seq.seq_text.data) + "/" +
                    std::to_string(s->unit_length()) + " s" + std::to_string(s->score) + " " +
                    std::to_string(s->mismatches) + "/" + std::to_string(s->insertions) + "/" +
                    std::to_string(s->deletions) + "/" + std::to_string(s->Ns) + " [";
    for (const missense_entry& e : s->missense_list) d += std::to_string(e.pos - seq.seq_text.data) + e.kind;
    r.push_back(d + "]");
  }
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static bool once = (quiet_program_output(), true);
  (void)once;
  if (size < header_size) return 0;
  const uint8_t* h = data;
  init_param();
  global_search_mode = h[0] % 3;
  global_min_unit_length = 1 + h[1] % 6;
  global_max_unit_length = global_min_unit_length + h[1] / 6 % 6;
  global_mismatch_score = -2 - h[2] % 7;
  global_indel_score = -2 - h[2] / 7 % 7;
  global_maximum_recursion_depth = 1 + h[3] % 5;
  global_Ns_allowed_in_a_row = h[3] / 5 % 4;
  global_treat_Ns_as_missense = h[3] & 0x80;
  global_min_score = 2 + h[4] % 20;
  global_min_perfection = h[4] & 0x80 ? 70.0f : 0.0f;
  CSearchController::reset_minimum_arrays();

  // A pool's workers search with the parameters set when it was made.
  static const unsigned thread_counts[3] = {2, 3, 5};
  std::unique_ptr<WorkerPool> own_pool(new WorkerPool(thread_counts[h[5] % 3]));
  WorkerPool* pool = own_pool.get();
  const unsigned chunk = 1 + (h[6] | h[7] << 8) % 700;

  CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  std::string text = sequence_from(data + header_size, size - header_size);
  seq.seq_text.assign(text.c_str());
  seq.name.assign("fuzz");

  const std::vector<std::string> serial = search(seq);
  search_pool = pool;
  forced_chunk_length = chunk;
  const std::vector<std::string> split = search(seq);
  search_pool = nullptr;
  forced_chunk_length = 0;

  FUZZ_REQUIRE(serial.size() == split.size(), "%zu records serially, %zu over %u threads in chunks of %u",
               serial.size(), split.size(), pool->threads(), chunk);
  for (size_t i = 0; i < serial.size(); ++i)
    FUZZ_REQUIRE(serial[i] == split[i], "record %zu: %s serially, %s split (%u threads, chunks of %u)", i,
                 serial[i].c_str(), split[i].c_str(), pool->threads(), chunk);
  return 0;
}
