// The end of a sequence's search: thinning out mostly overlapping repeats and
// writing the sequence's block of the output file.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "CSearchController.h"
#include "global-types-and-parameters.h"
#include "string_stream.h"
#include "walk_sharing.h"
#include "worker_pool.h"

namespace {

// Less than one unit of the record lies outside an overlap of `ov`.
inline bool mostly_hidden(const Csat& s, unsigned ov) { return s.length() < ov + s.unit_length(); }

}  // namespace

void CSearchController::remove_hidden(CsatContainer& list)
{
  if (!global_remove_mostly_hidden) return;
  // The list is sorted by start, then end: once a record starts at or after
  // a's end, so do all that follow it.
  auto A = list.begin();
  while (A != list.end()) {
    const Csat* a = *A;
    auto B = std::next(A);
    bool a_removed = false;
    while (B != list.end()) {
      const Csat* b = *B;
      if (a->end <= b->start) break;
      unsigned ov = static_cast<unsigned>((a->end < b->end ? a->end : b->end) - b->start);
      if (ov == 0) break;
      if (!mostly_hidden(*a, ov) && !mostly_hidden(*b, ov)) {
        ++B;
        continue;
      }
      if (a->score < b->score) {
        auto next = std::next(A);
        list.pool->give_back(*A);
        list.erase(A);
        A = next;
        a_removed = true;
        break;
      }
      auto next = std::next(B);
      list.pool->give_back(*B);
      list.erase(B);
      B = next;
    }
    if (!a_removed) ++A;
  }
}

void CSearchController::report_list_header(FILE* file) const
{
  const unsigned length = sequence.seq_text.len;
  if (global_print_sat_mode == 0 || global_print_sat_mode == 1) {
    std::fprintf(file, ">%s\nsequence length: %u\n", sequence.full_name.c_str(), length);
  } else if (sequence_info_as_comment()) {
    const char* full = sequence.full_name.c_str();
    std::fprintf(file, "# Full sequence name:\n#>%s\n##sequence-region %s 1 %u\n", full, sequence.name.c_str(),
                 length);
  }
}

void CSearchController::report_list_footer(FILE* file) const
{
  if (global_print_sat_mode == 0 || global_print_sat_mode == 1)
    std::fprintf(file, "# Analysis of sequence \"%s\" completed.\n", sequence.full_name.c_str());
  else if (sequence_info_as_comment())
    std::fprintf(file, "# Analysis of sequence \"%s\" completed.\n", sequence.name.c_str());
}

bool CSearchController::sequence_info_as_comment() const
{
  return (global_print_sat_mode == 2 || global_print_sat_mode == 3) && global_sequenceInfoAsComment;
}

int CSearchController::report_SATList(FILE* file, const std::list<Csat*>& list)
{
  report_list_header(file);
  // Long repeats whose entries were dropped walk again: let them share.
  WalkSharing sharing(sequence.seq_text.data, sequence.seq_text.len);
  for (Csat* s : list) s->report_sat(file, sequence);
  report_list_footer(file);
  return std::fflush(file);
}

void CSearchController::format_SATList(const std::list<Csat*>& list, WorkerPool* pool, std::vector<std::string>& block)
{
  const std::size_t per_slice = 2048;
  if (!pool || list.size() <= per_slice) {
    block.resize(1);
    print_into(block[0], [&](FILE* f) { report_SATList(f, list); });
    return;
  }
  // Slices of repeats formatted side by side; the header, the slices and the
  // footer are never copied into one text.
  const std::vector<Csat*> repeats(list.begin(), list.end());
  const std::size_t slices = (repeats.size() + per_slice - 1) / per_slice;
  block.resize(slices + 2);
  print_into(block.front(), [&](FILE* f) { report_list_header(f); });
  pool->parallel_for(slices, [&](std::size_t i) {
    print_into(block[i + 1], [&](FILE* f) {
      WalkSharing sharing(sequence.seq_text.data, sequence.seq_text.len);
      const std::size_t end = std::min(repeats.size(), (i + 1) * per_slice);
      for (std::size_t r = i * per_slice; r < end; ++r) repeats[r]->report_sat(f, sequence);
    });
  });
  print_into(block.back(), [&](FILE* f) { report_list_footer(f); });
}
