// The end of a sequence's search: thinning out mostly overlapping repeats and
// writing the sequence's block of the output file.
#include <cstdio>
#include <iterator>

#include "CSearchController.h"
#include "global-types-and-parameters.h"

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

int CSearchController::report_SATList(FILE* file, std::list<Csat*> list)
{
  const unsigned length = sequence.seq_text.len;
  const bool table = global_print_sat_mode == 0 || global_print_sat_mode == 1;
  const bool commented = (global_print_sat_mode == 2 || global_print_sat_mode == 3) && global_sequenceInfoAsComment;

  if (table) {
    std::fprintf(file, ">%s\nsequence length: %u\n", sequence.full_name.c_str(), length);
  } else if (commented) {
    const char* full = sequence.full_name.c_str();
    std::fprintf(file, "# Full sequence name:\n#>%s\n##sequence-region %s 1 %u\n", full, sequence.name.c_str(),
                 length);
  }

  for (Csat* s : list) s->report_sat(file, sequence);

  if (table)
    std::fprintf(file, "# Analysis of sequence \"%s\" completed.\n", sequence.full_name.c_str());
  else if (commented)
    std::fprintf(file, "# Analysis of sequence \"%s\" completed.\n", sequence.name.c_str());
  return std::fflush(file);
}
