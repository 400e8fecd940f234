#include "engine_diff.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <vector>

#include "CSearchController.h"
#include "global-types-and-parameters.h"
#include "oracle_engine.h"
#include "run_frontend.h"
#include "walk_sharing.h"

namespace {

// A FILE* whose bytes end up in memory.
class MemoryStream {
 public:
  MemoryStream() : file_(open_memstream(&buf_, &size_))
  {
    if (!file_) std::abort();
  }
  ~MemoryStream()
  {
    std::fclose(file_);
    std::free(buf_);
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  FILE* file() { return file_; }
  std::string text()
  {
    std::fflush(file_);
    return std::string(buf_, size_);
  }

 private:
  char* buf_ = nullptr;
  size_t size_ = 0;
  FILE* file_;
};

// Runs `search` with stderr going into memory and returns what it wrote.
// The periodic progress line is held off: it depends on the clock.
template <class F>
std::string messages_of(F search)
{
  time_next_status_report = std::numeric_limits<std::time_t>::max();
  MemoryStream messages;
  FILE* const saved = stderr;
  stderr = messages.file();
  search();
  stderr = saved;
  return messages.text();
}

std::string describe(const Csat& s, const char* text)
{
  std::string r = "k" + std::to_string(s.unit_length()) + " [" + std::to_string(s.start - text) + "," +
                  std::to_string(s.end - text) + ") score " + std::to_string(s.score) + " M" +
                  std::to_string(s.mismatches) + " I" + std::to_string(s.insertions) + " D" +
                  std::to_string(s.deletions) + " N" + std::to_string(s.Ns);
  const uint32_t shown = s.missense_list.count < 12 ? s.missense_list.count : 12;
  r += " entries";
  for (uint32_t i = 0; i < shown; ++i)
    r += " " + std::to_string(s.missense_list.data[i].pos - text) + s.missense_list.data[i].kind;
  if (shown < s.missense_list.count) r += " ...";
  return r;
}

std::string field_difference(const Csat& p, const Csat& r, const char* text)
{
  struct Field {
    const char* name;
    long long production, reference;
  };
  const Field fields[] = {
      {"start", p.start - text, r.start - text},
      {"end", p.end - text, r.end - text},
      {"unit_begin", p.unit_begin - text, r.unit_begin - text},
      {"unit_end", p.unit_end - text, r.unit_end - text},
      {"unit_fwd", p.unit_fwd - text, r.unit_fwd - text},
      {"unit_bwd", p.unit_bwd - text, r.unit_bwd - text},
      {"score", p.score, r.score},
      {"mismatches", p.mismatches, r.mismatches},
      {"insertions", p.insertions, r.insertions},
      {"deletions", p.deletions, r.deletions},
      {"Ns", p.Ns, r.Ns},
      {"missense count", p.missense_list.count, r.missense_list.count},
  };
  for (const Field& f : fields)
    if (f.production != f.reference)
      return std::string(f.name) + ": production " + std::to_string(f.production) + ", reference " +
             std::to_string(f.reference);
  for (uint32_t i = 0; i < p.missense_list.count; ++i) {
    const missense_entry& a = p.missense_list.data[i];
    const missense_entry& b = r.missense_list.data[i];
    if (a.pos != b.pos || a.kind != b.kind)
      return "missense entry " + std::to_string(i) + ": production " + std::to_string(a.pos - text) + a.kind +
             ", reference " + std::to_string(b.pos - text) + b.kind;
  }
  return "";
}

// Where two texts part: the byte offset and the line each has there.
std::string text_difference(const std::string& p, const std::string& r)
{
  size_t i = 0;
  while (i < p.size() && i < r.size() && p[i] == r[i]) ++i;
  auto line_at = [i](const std::string& s) {
    size_t b = s.rfind('\n', i == 0 ? 0 : i - 1);
    b = b == std::string::npos || i == 0 ? 0 : b + 1;
    size_t e = s.find('\n', i);
    std::string line = s.substr(b, (e == std::string::npos ? s.size() : e) - b);
    return line.size() > 200 ? line.substr(0, 200) + "..." : line;
  };
  return "byte " + std::to_string(i) + " (production " + std::to_string(p.size()) + " bytes, reference " +
         std::to_string(r.size()) + ")\n    production: " + line_at(p) + "\n    reference:  " + line_at(r);
}

std::string masked(const std::string& text, const std::list<Csat*>& list, const char* base)
{
  std::string m = text;
  for (const Csat* s : list) std::memset(&m[0] + (s->start - base), 'X', s->length());
  return m;
}

void write_fasta(const std::string& path, CSequence_Mol& seq)
{
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return;
  std::fprintf(f, ">%s\n", seq.full_name.c_str());
  for (uint32_t i = 0; i < seq.seq_text.len; i += 80)
    std::fprintf(f, "%.*s\n", static_cast<int>(seq.seq_text.len - i < 80 ? seq.seq_text.len - i : 80),
                 seq.seq_text.data + i);
  std::fclose(f);
}

}  // namespace

std::string first_record_difference(const std::list<Csat*>& production, const std::list<Csat*>& reference,
                                    const char* text)
{
  auto p = production.begin();
  auto r = reference.begin();
  for (size_t i = 0; p != production.end() && r != reference.end(); ++i, ++p, ++r) {
    std::string d = field_difference(**p, **r, text);
    if (!d.empty())
      return "record " + std::to_string(i) + ": " + d + "\n    production: " + describe(**p, text) +
             "\n    reference:  " + describe(**r, text);
  }
  if (p == production.end() && r == reference.end()) return "";
  const std::string counts = "production has " + std::to_string(production.size()) + " records, reference " +
                             std::to_string(reference.size());
  if (p != production.end()) return counts + "; first extra in production: " + describe(**p, text);
  return counts + "; first extra in reference: " + describe(**r, text);
}

std::string first_engine_difference(CSequence_Mol& seq)
{
  CSearchController::reset_minimum_arrays();
  const std::string original(seq.seq_text.data ? seq.seq_text.data : "", seq.seq_text.len);
  CSearchController production(1, seq);
  oracle::SearchEngine reference(1, seq);

  MemoryStream search_output;
  CsatContainer* found_p = nullptr;
  CsatContainer* found_r = nullptr;
  const std::string messages_p = messages_of([&] { found_p = &production.search_selected_mode(search_output.file()); });
  if (std::string(seq.seq_text.data ? seq.seq_text.data : "", seq.seq_text.len) != original)
    return "the production search changed the sequence text";
  if (!search_output.text().empty()) return "the production search wrote to the output file";
  const std::string messages_r = messages_of([&] { found_r = &reference.search_selected_mode(); });
  if (messages_p != messages_r) return "messages on stderr differ at " + text_difference(messages_p, messages_r);

  const char* const text = seq.seq_text.data;
  // Long repeats hold their entries only while they are needed: they come
  // back for the comparison and go again, so that the writer below has to
  // compute them again, as in a run. Their walks share, as the writer's do:
  // without that, the hundreds of records of a satellite array walk it
  // again each.
  auto compare_records = [&] {
    WalkSharing sharing(text, seq.seq_text.len);
    for (Csat* s : *found_p) restore_entries(*s, text, seq.seq_text.len);
    std::string r = first_record_difference(*found_p, *found_r, text);
    for (Csat* s : *found_p) release_entries(*s);
    return r;
  };
  std::string d = compare_records();
  if (!d.empty()) return d;

  production.remove_hidden(*found_p);
  production.remove_hidden(*found_r);
  d = compare_records();
  if (!d.empty()) return "after overlap removal, " + d;

  // Every format with the case's writer settings, and the alignment view.
  struct Writing {
    int format, seq_mode;
  };
  const int seq_mode = global_print_sat_seq_mode;
  const Writing writings[] = {{0, seq_mode}, {1, seq_mode}, {2, seq_mode}, {3, seq_mode}, {4, seq_mode},
                              {1, seq_mode == 2 ? 1 : 2}};
  const int format = global_print_sat_mode;
  for (const Writing& w : writings) {
    global_print_sat_mode = w.format;
    global_print_sat_seq_mode = w.seq_mode;
    MemoryStream out_p, out_r;
    production.report_SATList(out_p.file(), *found_p);
    production.report_SATList(out_r.file(), *found_r);
    const std::string a = out_p.text(), b = out_r.text();
    if (a != b) {
      d = "output format " + std::to_string(w.format) + " (--printRepeatSeqMode " + std::to_string(w.seq_mode) +
          ") differs at " + text_difference(a, b);
      break;
    }
  }
  global_print_sat_mode = format;
  global_print_sat_seq_mode = seq_mode;
  if (!d.empty()) return d;

  if (masked(original, *found_p, text) != masked(original, *found_r, text)) return "the masked sequences differ";
  return "";
}

void load_sequence(CSequence_Mol& seq, const std::string& name, const std::string& text)
{
  seq.full_name.assign(name.c_str());
  seq.find_fastaname_and_description();
  seq.seq_text.assign(text.data(), text.data() + text.size());
}

bool engines_agree(const SearchParams& params, CSequence_Mol& seq, const std::string& label,
                   const std::string& fasta_path, FILE* report)
{
  params.apply();
  const std::string d = first_engine_difference(seq);
  if (d.empty()) return true;
  write_fasta(fasta_path, seq);
  std::fprintf(report,
               "\nENGINES DIFFER: %s, sequence length %u\n  replay: sarvik %s %s out.txt\n  first difference: "
               "%s\n",
               label.c_str(), seq.seq_text.len, params.options().c_str(), fasta_path.c_str(), d.c_str());
  std::fflush(report);
  return false;
}

namespace {

void load_case(const RandomCase& c, CSequence_Mol& seq)
{
  const std::string seed = std::to_string(c.seed);
  load_sequence(seq, "case" + seed + " seed " + seed, c.text);
}

std::string case_path(const RandomCase& c) { return "equivalence-" + std::to_string(c.seed) + ".fa"; }

}  // namespace

bool random_case_agrees(const RandomCase& c, FILE* report)
{
  CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  load_case(c, seq);
  return engines_agree(c.params, seq, "seed " + std::to_string(c.seed), case_path(c), report);
}

void write_random_case(const RandomCase& c, FILE* report)
{
  CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  load_case(c, seq);
  write_fasta(case_path(c), seq);
  std::fprintf(report, "seed %llu, sequence length %u: sarvik %s %s out.txt\n",
               static_cast<unsigned long long>(c.seed), seq.seq_text.len, c.params.options().c_str(),
               case_path(c).c_str());
}
