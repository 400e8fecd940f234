// One repeat record in the chosen output format.
#include "report_sat.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "CDnaString.h"
#include "Csat.h"
#include "global-types-and-parameters.h"
#include "prime_factors.h"
#include "sat_perfection.h"
#include "walk_sharing.h"

const char* const REPEAT_NAMES[7] = {"***  ERROR  ***", "mononucleotide",  "dinucleotide",  "trinucleotide",
                                     "tetranucleotide", "pentanucleotide", "hexanucleotide"};

int Csat::print_repeat_name(FILE* out) const
{
  unsigned k = unit_length();
  if (k <= 6) return std::fprintf(out, "%16s", REPEAT_NAMES[k]);
  return std::fprintf(out, "%5d-nucleotide", static_cast<int>(k));
}

namespace {

// The alignment of a repeat against its perfect counterpart: sequence line,
// match line and unit line, built in buffers sized once up front. Those of
// usual repeats are the thread's, kept from repeat to repeat, so that writing
// one allocates nothing; a long satellite's are its own, so that they are not
// kept.
class AlignmentLines {
 public:
  explicit AlignmentLines(std::size_t capacity)
      : buf_(3 * capacity > kept_size ? new char[3 * capacity] : nullptr),
        seq_(buf_ ? buf_.get() : kept()),
        match_(seq_ + capacity),
        unit_(match_ + capacity),
        capacity_(capacity)
  {
  }
  void column(char s, char m, char u)
  {
    if (n_ == capacity_) return;  // unreachable with the size above; never overrun
    seq_[n_] = s;
    match_[n_] = m;
    unit_[n_] = u;
    ++n_;
  }
  void print(FILE* out) const
  {
    int n = static_cast<int>(n_);
    std::fprintf(out, "%.*s\n", n, seq_);
    std::fprintf(out, "%.*s\n", n, match_);
    std::fprintf(out, "%.*s\n", n, unit_);
  }

 private:
  std::unique_ptr<char[]> buf_;
  char* seq_;
  char* match_;
  char* unit_;
  std::size_t capacity_;
  std::size_t n_ = 0;

  static const std::size_t kept_size = 1u << 16;
  // On the heap, made on first use: a thread's static TLS stays small
  // (a shared library that is loaded late gets little of it).
  static char* kept()
  {
    static thread_local std::unique_ptr<char[]> buffer;
    if (!buffer) buffer.reset(new char[kept_size]);
    return buffer.get();
  }
};

// The unit as the sequence reads it from the repeat's first nucleotide on.
// Genotypers align a catalog's motif against the forward strand, so neither
// a normal form nor the reverse complement would do there.
std::string unit_in_reading_frame(const Csat& s)
{
  std::string u;
  u.reserve(s.unit_length());
  const char* c = s.unit_bwd + 1;
  for (unsigned i = 0; i < s.unit_length(); ++i, ++c) {
    if (c == s.unit_end) c = s.unit_begin;
    u += *c;
  }
  return u;
}

// BED scores lie in 0..1000.
int bed_score(int score) { return std::max(0, std::min(score, 1000)); }

}  // namespace

bool written_unit(const Csat& s, float perfection, CDnaString& unit)
{
  if (global_min_perfection > perfection || perfection > global_max_perfection) return false;
  unit.assign(s.unit_begin, s.unit_end);
  switch (global_report_unit_mode) {
    case 1:
      return !unit.setToMinAlphaRepModCyclicPermOf(unit);
    case 2:
      return !unit.setToMinAlphaRepModRevCompAndCyclicPermOf(unit);
    default:
      return !unit_is_repetition_of_shorter_unit(s.unit_begin, s.unit_length());
  }
}

void Csat::report_sat(FILE* out, CSequence_Mol& seq)
{
  if (entries_missing()) {  // a long repeat's entries are computed again for the writing
    restore_entries(*this, seq.seq_text.data, seq.seq_text.len);
    report_sat(out, seq);
    release_entries(*this);
    return;
  }
  const float perfection = sat_perfection(*this);
  // Kept from repeat to repeat, so that writing one allocates nothing.
  static thread_local CDnaString reported;
  if (!written_unit(*this, perfection, reported)) return;

  const unsigned k = unit_length();
  const char* unit_text = reported.c_str();

  // The records point into seq_text, so it is never made zero-terminated
  // here (that could move its buffer); it is only printed with a length.
  const char* const text = seq.seq_text.data;
  const char* const text_end = text + seq.seq_text.len;
  const char* name = seq.name.c_str();
  // BED and the catalog are read by tools that end a name at any white space.
  const char* chrom = seq.tool_name.c_str();

  // Positions are wider than int: a chromosome may hold more than 2^31 nucleotides.
  const long long first = static_cast<long long>(start - text) + 1;
  const long long last = static_cast<long long>(end - text);
  const int length = static_cast<int>(end - start);
  const int normalized = length - insertions + deletions;
  const float repeat_number = static_cast<float>(normalized) / static_cast<float>(k);

  const std::size_t flank = global_flanking > 0 ? static_cast<std::size_t>(global_flanking) : 0;
  const bool with_flanks = global_flanking != 0;
  const char* left = start - std::min(flank, static_cast<std::size_t>(start - text));
  const char* right_end = end + std::min(flank, static_cast<std::size_t>(text_end - end));
  const int left_len = static_cast<int>(start - left);
  const int right_len = static_cast<int>(right_end - end);

  switch (global_print_sat_mode) {
    case 0:
      print_repeat_name(out);
      std::fprintf(out, " %9lld : %9lld | %6d bp | %6d BP | %6d pt | %7.3f %% | unit %s\n", first, last, length,
                   normalized, score, static_cast<double>(perfection), unit_text);
      break;
    case 1:
      print_repeat_name(out);
      std::fprintf(out, " %9lld : %9lld | %6d bp | %6d BP | %6d pt | %7.3f %% | %3d mis | %3d ins | %3d del | ", first,
                   last, length, normalized, score, static_cast<double>(perfection), mismatches, insertions,
                   deletions);
      if (!global_treat_Ns_as_missense) std::fprintf(out, "%3d N | ", Ns);
      std::fprintf(out, " unit %s\n", unit_text);
      std::fputs("Missense: ", out);
      for (const missense_entry& e : missense_list)
        std::fprintf(out, "(%d,%c),", static_cast<int>(e.pos - start) + 1, e.kind);
      std::fputc('\n', out);
      break;
    case 2:
      if (k > 50)
        std::fprintf(out,
                     "%s\tSarvik\ttandem-repeat\t%lld\t%lld\t%.2f\t.\t.\tName=\"repeat_region %lld-%lld unit_size %d "
                     "repeat_number %.3f perfection %.3f unit .\"\n",
                     name, first, last, static_cast<double>(perfection), first, last, static_cast<int>(k),
                     static_cast<double>(repeat_number), static_cast<double>(perfection));
      else
        std::fprintf(out,
                     "%s\tSarvik\ttandem-repeat\t%lld\t%lld\t%.2f\t.\t.\tName=\"repeat_region %lld-%lld unit_size %d "
                     "repeat_number %.3f perfection %.3f unit %s\"\n",
                     name, first, last, static_cast<double>(perfection), first, last, static_cast<int>(k),
                     static_cast<double>(repeat_number), static_cast<double>(perfection), unit_text);
      return;
    case 3:
      std::fprintf(out, "%s\t%d\t%.3f\t%lld\t%lld\t%d\t%7.3f\t%d\t%d\t%d\t%d", name, static_cast<int>(k),
                   static_cast<double>(perfection), first, last, length, static_cast<double>(repeat_number), score,
                   mismatches, insertions, deletions);
      if (global_treat_Ns_as_missense)
        std::fputs("\t.", out);
      else
        std::fprintf(out, "\t%d", Ns);
      std::fprintf(out, "\t%s", unit_text);
      std::fprintf(out, "\t%.*s", length, start);
      if (with_flanks) {
        std::fprintf(out, "\t%.*s", left_len, left);
        std::fprintf(out, "\t%.*s", right_len, end);
      }
      std::fputc('\n', out);
      return;
    case 4:
      std::fprintf(out, ">%s %d %d %d %lld %lld %.3f %d %.3f %d %d %d\n", name, static_cast<int>(start - left) + 1,
                   length, static_cast<int>(k), first, last, static_cast<double>(repeat_number), score,
                   static_cast<double>(perfection), mismatches, insertions, deletions);
      std::fprintf(out, "%.*s\n", static_cast<int>(right_end - left), left);
      return;
    case 5:
      std::fprintf(out, "%s\t%lld\t%lld\t%s\t%d\t.\t%d\t%.3f\t%.3f\t%d\t%d\t%d", chrom, first - 1, last, unit_text,
                   bed_score(score), static_cast<int>(k), static_cast<double>(repeat_number),
                   static_cast<double>(perfection), mismatches, insertions, deletions);
      if (global_treat_Ns_as_missense)
        std::fputs("\t.\n", out);
      else
        std::fprintf(out, "\t%d\n", Ns);
      return;
    case 6: {
      const std::string motif = unit_in_reading_frame(*this);
      std::fprintf(out, "%s\t%lld\t%lld\tID=%s_%lld_%lld;MOTIFS=%s;STRUC=(%s)n\n", chrom, first - 1, last, chrom,
                   first - 1, last, motif.c_str(), motif.c_str());
      return;
    }
    default:
      std::fputs("Internal error. Unknown output format. Please report this bug", out);
      return;
  }

  switch (global_print_sat_seq_mode) {
    case 1:
      if (with_flanks) {
        std::fprintf(out, "%.*s:", left_len, left);
        std::fprintf(out, "%.*s:", length, start);
        std::fprintf(out, "%.*s\n", right_len, end);
      } else {
        std::fprintf(out, "%.*s\n", length, start);
      }
      break;
    case 2: {
      // Room for every column: each sequence character, each entry the walk
      // can meet (only deletions add columns), both flanks and their ':'.
      // The flanks as printed, not as asked for: -f may be near INT_MAX.
      AlignmentLines lines(static_cast<std::size_t>(length) + missense_list.count + left_len + right_len + 3);
      if (with_flanks) {
        for (const char* q = left; q != start; ++q) lines.column(*q, ' ', ' ');
        lines.column(':', ' ', ' ');
      }
      const char* u = unit_bwd + 1;
      if (u == unit_end) u = unit_begin;
      const missense_entry* e = missense_list.begin();
      const missense_entry* const e_end = missense_list.end();
      const char* p = start;
      while (p != end) {
        if (e != e_end && e->pos == p) {
          if (e->kind == 'M') {
            lines.column(*p, ' ', *u);
            ++p;
            if (++u == unit_end) u = unit_begin;
          } else if (e->kind == 'I') {
            lines.column(*p, ' ', '-');
            ++p;
          } else {
            lines.column('-', ' ', *u);
            if (++u == unit_end) u = unit_begin;
          }
          ++e;
        } else {
          lines.column(*p, *p == 'N' ? '*' : '|', *u);
          ++p;
          if (++u == unit_end) u = unit_begin;
        }
      }
      if (with_flanks) {
        lines.column(':', ' ', ' ');
        for (const char* q = end; q != right_end; ++q) lines.column(*q, ' ', ' ');
      }
      lines.print(out);
      break;
    }
    default:
      break;
  }
}
