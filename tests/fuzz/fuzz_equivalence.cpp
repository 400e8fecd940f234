// The production search engine against the reference engine (tests/oracle)
// on fuzzer-chosen sequences and parameters: any difference in a record, the
// messages, the written output or the masked sequence aborts with the
// sarvik command line that shows it.
//
// Input: 18 parameter bytes, then raw bytes that become one record over
// A, C, G, T and N.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "CSequence_Mol.h"
#include "engine_diff.h"
#include "fuzz_support.h"
#include "random_cases.h"

namespace {

const size_t header_size = 18;
const size_t max_sequence_bytes = 2000;

// One parameter per byte, within what the option checks accept.
SearchParams draw_parameters(const uint8_t* h)
{
  SearchParams p;
  p.mode = h[0] % 3;
  p.min_unit = 1 + h[1] % 14;
  p.max_unit = p.min_unit + h[2] % (15 - p.min_unit);
  p.mismatch = -2 - h[3] % 8;
  p.indel = -2 - h[4] % 8;
  p.depth = 1 + h[5] % 8;
  p.reduction = h[6] < 128 ? INT_MAX : h[6] % 64;
  p.Ns_allowed = h[7] % 5;
  p.Ns_missense = h[7] & 0x80;
  p.prefer_shorter = h[7] & 0x40;
  p.keep_hidden = h[7] & 0x20;
  p.info_as_comment = h[7] & 0x10;
  p.min_score = h[8] % 24 - 4;
  p.min_score_a = h[9] % 11 - 5;
  p.min_score_b = (h[10] % 13) / 4.0f;
  p.min_length = h[11] % 40;
  p.min_length_a = h[12] % 11 - 5;
  p.min_length_b = (h[13] % 13) / 4.0f;
  p.N_perfection_mode = h[14] % 3;
  p.report_unit = h[14] / 3 % 3;
  p.seq_mode = h[14] / 9 % 3;
  p.flanking = h[15] < 128 ? 0 : h[15] % 40;
  p.min_perfection = h[16] < 200 ? 0.0f : (h[16] - 200) * 2.0f;
  p.max_perfection = h[17] < 200 ? 100.0f : (h[17] - 200) * 2.0f;
  const float S = std::max(static_cast<float>(p.min_score), p.min_score_a + p.min_score_b);
  const float L = std::max(static_cast<float>(p.min_length), p.min_length_a + p.min_length_b);
  if (S < 2.0f && L < 2.0f) p.min_score = 2;
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  quiet_program_output();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  uint8_t h[header_size] = {};
  std::memcpy(h, data, std::min(size, header_size));
  const SearchParams params = draw_parameters(h);
  // Each look-ahead level past the default costs up to three times as much.
  size_t limit = max_sequence_bytes;
  for (int d = 5; d < params.depth; ++d) limit /= 3;
  const uint8_t* body = data + std::min(size, header_size);
  const size_t body_size = std::min(size - std::min(size, header_size), limit);

  static const char alphabet[8] = {'A', 'C', 'G', 'T', 'A', 'C', 'G', 'N'};
  std::string text(body_size, 'A');
  for (size_t i = 0; i < body_size; ++i) text[i] = alphabet[body[i] & 7];

  static CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  load_sequence(seq, "fuzz", text);
  params.apply();
  const std::string d = first_engine_difference(seq);
  FUZZ_REQUIRE(d.empty(), "the engines differ: %s\n  sarvik %s on >fuzz\n%s", d.c_str(), params.options().c_str(),
               text.c_str());
  return 0;
}
