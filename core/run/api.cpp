// The public API over the core: parameters, the search of one sequence, the
// streaming reader and the whole-file run.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "CDnaString.h"
#include "CFile.h"
#include "CSearchController.h"
#include "CSequence_Mol.h"
#include "api_internal.h"
#include "global-types-and-parameters.h"
#include "number2cstring.h"
#include "report_sat.h"
#include "run_frontend.h"
#include "run_header.h"
#include "sarvik.h"
#include "sarvik/sarvik.hpp"
#include "sat_perfection.h"
#include "walk_sharing.h"
#include "worker_pool.h"

const char* sarvik::version() { return SARVIK_VERSION; }

int sarvik::available_cores() { return static_cast<int>(::available_cores()); }

namespace {

sarvik::ParameterError refused(int code, std::string message) { return sarvik::ParameterError{code, std::move(message)}; }

std::string unknown_value(const char* article_and_option, int value)
{
  return std::string("Sorry, a problem occured when parsing the command line options. ") + article_and_option +
         " with a value of " + number2str(value) + " is unknown.\n\n";
}

std::string unknown_option_value(const char* option, int value)
{
  return std::string("Sorry, a problem occured when parsing the command line options. An option value of ") +
         number2str(value) + " for the " + option + " option is unknown.\n\n";
}

int search_mode_number(const std::string& mode) { return mode == "exact" ? 0 : mode == "extendExact" ? 1 : 2; }

}  // namespace

sarvik::ParameterError sarvik::validate(Parameters& p)
{
  if (p.searchMode != "exact" && p.searchMode != "extendExact" && p.searchMode != "imperfect")
    return refused(-1, "Sorry, the search mode \"" + p.searchMode + "\" is unknown: it is exact, extendExact or imperfect.\n");
  if (p.threads < 1) return refused(-1, "Sorry, the number of threads must be at least 1.\n");
  if (p.outputFormat < 0 || p.outputFormat > 6) return refused(-2, unknown_value("An outputFormat", p.outputFormat));
  if (p.printRepeatSeqMode < 0 || p.printRepeatSeqMode > 2)
    return refused(-2, unknown_value("A printRepeatSeqMode", p.printRepeatSeqMode));
  if (p.NPerfectionMode < 0 || p.NPerfectionMode > 2)
    return refused(-2, unknown_option_value("NPerfectionMode", p.NPerfectionMode));
  if (p.reportUnit < 0 || p.reportUnit > 2) return refused(-2, unknown_option_value("reportUnit", p.reportUnit));

  // The bounds for a unit length of 1, in the precision of the thresholds.
  float score_bound = static_cast<float>(p.minScore_a) + p.minScore_b;
  float length_bound = static_cast<float>(p.minLength_a) + p.minLength_b;
  float S = static_cast<float>(p.minScore) > score_bound ? static_cast<float>(p.minScore) : score_bound;
  float L = static_cast<float>(p.minLength) > length_bound ? static_cast<float>(p.minLength) : length_bound;
  if (S < 2.0f && L < 2.0f) return refused(-1, "Sorry, either the minimum score or the minimum length must be larger.\n");

  if (p.mismatchScore > -2) return refused(-1, "Sorry, the mismatch score must be smaller or equal to -2.\n");
  if (p.indelScore > -2) return refused(-1, "Sorry, the indel score must be smaller or equal to -2.\n");

  if (p.succN < 0) p.succN = 0;
  if (p.flanking < 0) p.flanking = 0;

  if (p.recursion <= 0)
    return refused(-1,
                   "Sorry, the recursion depth must be greater than 0.\nA value of 0 would corresponds to a perfect "
                   "search.\n");
  if (p.maxUnitLen < p.minUnitLen)
    return refused(-1,
                   "I think you have made a mistake here: The maximum unit length must be greater\nor equal to the "
                   "minimum unit length.\n");
  // The threshold arrays have one entry per unit length up to the maximum.
  if (p.maxUnitLen > 1000000) return refused(-1, "Sorry, the maximum unit length must not be larger than 1000000.\n");
  // A unit of length 0 would make every window empty.
  if (p.minUnitLen == 0) return refused(-1, "Sorry, the minimum unit length must be at least 1.\n");
  // The masked file is named after the input file, and a stream has no name.
  if (p.maskX && p.input == "-")
    return refused(-1,
                   "Sorry, --maskX cannot be used when the input is the standard input: the masked-sequence file is "
                   "named\nafter the input file. Give the input as a file name instead.\n");
  return {};
}

void sarvik::check(Parameters& p)
{
  ParameterError e = validate(p);
  if (e) throw InvalidParameters(e.code, e.message);
}

void set_parameters_in_this_thread(const sarvik::Parameters& p)
{
  ParameterSet s;
  s.global_input_filename = p.input;
  s.global_output_filename = p.output;
  s.global_summary_filename = p.summary;
  s.global_report_filename = p.report;
  s.global_sequence_from = static_cast<unsigned>(p.firstSeq);
  s.global_sequence_to = static_cast<unsigned>(p.lastSeq);
  s.global_search_mode = search_mode_number(p.searchMode);
  s.global_min_unit_length = p.minUnitLen;
  s.global_max_unit_length = p.maxUnitLen;
  s.global_min_score = p.minScore;
  s.global_min_score_a = p.minScore_a;
  s.global_min_score_bx = p.minScore_b;
  s.global_min_length = p.minLength;
  s.global_min_length_a = p.minLength_a;
  s.global_min_length_bx = p.minLength_b;
  s.global_min_perfection = p.minPerfection;
  s.global_max_perfection = p.maxPerfection;
  s.global_mismatch_score = p.mismatchScore;
  s.global_indel_score = p.indelScore;
  s.global_maximum_recursion_depth = p.recursion;
  s.global_maximum_scorereduction = p.maximum_score_reduction;
  s.global_treat_Ns_as_missense = p.NsAsMissense;
  s.global_Ns_allowed_in_a_row = p.succN;
  s.global_prefer_longer_repeat = p.preferShorterRepeats ? 0 : 1;
  s.global_remove_mostly_hidden = !p.dontRemoveMostlyOverlapping;
  s.global_mask_repeats = p.maskX;
  s.global_flanking = p.flanking;
  s.global_N_and_perfection_mode = p.NPerfectionMode;
  s.global_report_unit_mode = p.reportUnit;
  s.global_print_sat_mode = p.outputFormat;
  s.global_print_sat_seq_mode = p.printRepeatSeqMode;
  s.global_sequenceInfoAsComment = p.sequenceInfoAsComment;
  s.global_threads = static_cast<unsigned>(p.threads);
  s.set_in_this_thread();
}

void collect_repeats(const std::list<Csat*>& found, const CSequence_Mol& seq, std::vector<sarvik::Repeat>& out)
{
  CDnaString unit;
  const char* text = seq.seq_text.data;
  // The searches drop the entries of long repeats; they are walked again here.
  WalkSharing sharing(seq.seq_text.data, seq.seq_text.len);
  for (Csat* s : found) {
    const float perfection = sat_perfection(*s);
    if (!written_unit(*s, perfection, unit)) continue;
    out.emplace_back();
    sarvik::Repeat& r = out.back();
    r.unit_length = s->unit_length();
    r.start = static_cast<std::uint64_t>(s->start - text) + 1;
    r.end = static_cast<std::uint64_t>(s->end - text);
    r.length = s->length();
    r.normalized_length = s->normalized_length();
    r.copy_number = static_cast<float>(r.normalized_length) / static_cast<float>(r.unit_length);
    r.score = s->score;
    r.perfection = perfection;
    r.mismatches = s->mismatches;
    r.insertions = s->insertions;
    r.deletions = s->deletions;
    r.Ns = s->Ns;
    r.unit = unit.c_str();
    r.unit_as_found.assign(s->unit_begin, s->unit_end);
    restore_entries(*s, seq.seq_text.data, seq.seq_text.len);
    r.missense.reserve(s->missense_list.count);
    for (const missense_entry& e : s->missense_list)
      r.missense.push_back(sarvik::Missense{static_cast<unsigned>(e.pos - s->start) + 1, e.kind});
    release_entries(*s);
    r.sequence.assign(s->start, s->end);
  }
}

namespace {

// Library searches are quiet: nothing on stderr, no progress lines.
class QuietObserver : public sarvik::RunObserver {
 public:
  explicit QuietObserver(const std::atomic<bool>* stop = nullptr) : stop_(stop) {}
  bool interactive() const override { return true; }
  void status(unsigned, const char*, unsigned, char) override {}
  bool stop_requested() override { return stop_ && stop_->load(std::memory_order_relaxed); }

 private:
  const std::atomic<bool>* stop_;
};

// The calling thread's run for the length of a call, and back afterwards.
class ThreadRun {
 public:
  ThreadRun(sarvik::RunObserver* observer, std::atomic<bool>* stop) : saved_(this_thread_run())
  {
    set_this_thread_run(RunLink{observer, stop});
  }
  ~ThreadRun() { set_this_thread_run(saved_); }
  ThreadRun(const ThreadRun&) = delete;
  ThreadRun& operator=(const ThreadRun&) = delete;

 private:
  RunLink saved_;
};

// Below this length a sequence is searched by the calling thread alone: a
// pool's threads would cost more than they save.
const std::size_t min_split_length = 1u << 20;

}  // namespace

std::vector<sarvik::Repeat> sarvik::find(const std::string& sequence, const Parameters& p)
{
  CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  long long bad = seq.set_sequence_text(sequence.data(), sequence.size());
  if (bad >= 0) {
    if (static_cast<std::size_t>(bad) >= sequence.size()) throw std::invalid_argument("the sequence is too long");
    const unsigned char c = static_cast<unsigned char>(sequence[static_cast<std::size_t>(bad)]);
    char text[120];
    std::snprintf(text, sizeof text, "invalid character %s%c%s (code %u) at offset %lld of the sequence",
                  c >= 32 && c < 127 ? "'" : "", c >= 32 && c < 127 ? static_cast<char>(c) : '?',
                  c >= 32 && c < 127 ? "'" : "", c, bad);
    throw std::invalid_argument(text);
  }
  std::atomic<bool> stop{false};
  QuietObserver quiet;
  ThreadRun run(&quiet, &stop);
  set_parameters_in_this_thread(p);
  std::unique_ptr<WorkerPool> pool;
  WorkerPool* const saved_pool = search_pool;
  if (p.threads > 1 && seq.seq_text.len >= min_split_length) pool.reset(new WorkerPool(static_cast<unsigned>(p.threads)));
  search_pool = pool.get();
  std::vector<Repeat> out;
  try {
    Csat_garbagecollector records;
    CSearchController controller(1, seq, &records);
    collect_repeats(search_record(controller, stdout), seq, out);
  } catch (...) {
    search_pool = saved_pool;
    throw;
  }
  search_pool = saved_pool;
  return out;
}

// --- the streaming reader ----------------------------------------------------

namespace {

const unsigned job_sequence_length = 1u << 16;
const std::uint64_t max_bases_in_flight = 64ull << 20;

struct ScanJob {
  sarvik::Record record;
  CSequence_Mol seq{CSequence_Mol::dna, 'N', job_sequence_length};
  std::atomic<unsigned> unit_length{0};
  bool done = false;  // guarded by the scanner's mutex
};

}  // namespace

struct sarvik::Scanner::Impl {
  Parameters params;
  std::string path;
  std::atomic<bool> stop{false};
  QuietObserver quiet{&stop};

  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::unique_ptr<ScanJob>> in_flight;  // file order
  std::uint64_t bases_in_flight = 0;
  bool reading_done = false;
  std::string error;

  std::function<void(const Progress&)> progress;
  std::uint64_t records_done = 0, nucleotides_done = 0;
  std::unique_ptr<ScanJob> current;
  std::thread reader;

  void read_all();
  void report(const ScanJob& job, unsigned unit_length)
  {
    if (progress)
      progress(Progress{job.record.number, job.record.name, unit_length, records_done, nucleotides_done});
  }
};

void sarvik::Scanner::Impl::read_all()
{
  ThreadRun run(&quiet, &stop);
  set_parameters_in_this_thread(params);
  const std::size_t max_jobs = 2u * static_cast<unsigned>(params.threads) + 2;
  std::unique_ptr<CFile> input(new CFile);  // a million-character buffer: not on the stack
  if (path == "-")
    input->open_standard_input();
  else
    input->open(path.c_str());
  if (input->fail()) {
    std::lock_guard<std::mutex> lock(mutex);
    error = path == "-" ? "Sorry! The standard input could not be opened for reading.\n"
                        : "Sorry! The input file \n   \"" + path + "\"\ncould not be opened. I guess it does not exist.\n";
    reading_done = true;
    changed.notify_all();
    return;
  }
  {
    WorkerPool pool(static_cast<unsigned>(params.threads));
    unsigned n = 0;
    std::unique_ptr<ScanJob> job;
    CSequence_Mol previous_names(CSequence_Mol::dna, 'N', 0);
    while (!input->eof() && !stop) {
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] {
          return stop || in_flight.empty() || (in_flight.size() < max_jobs && bases_in_flight < max_bases_in_flight);
        });
        if (stop) break;
      }
      ++n;
      if (!job) job.reset(new ScanJob);
      // As in the program: a record whose header ends the input keeps the
      // name of the record before it.
      job->seq.carry_names_from(previous_names);
      job->seq.readFastaSequence(*input);
      previous_names.carry_names_from(job->seq);
      if (input->fail() && !input->eof()) {
        std::lock_guard<std::mutex> lock(mutex);
        error = read_error_message(*input, job->seq);
        break;
      }
      if (n < global_sequence_from || n > global_sequence_to) continue;
      Record& r = job->record;
      r.number = n;
      r.name = job->seq.name.c_str();
      r.full_name = job->seq.full_name.c_str();
      r.length = job->seq.seq_text.len;
      job->unit_length.store(params.minUnitLen, std::memory_order_relaxed);
      ScanJob* j = job.get();
      {
        std::lock_guard<std::mutex> lock(mutex);
        bases_in_flight += r.length;
        in_flight.push_back(std::move(job));
      }
      pool.submit([this, j] {
        become_search_worker(&j->unit_length);
        if (!stop) {
          Csat_garbagecollector records;
          CSearchController controller(j->record.number, j->seq, &records);
          collect_repeats(search_record(controller, stdout), j->seq, j->record.repeats);
        }
        become_search_worker(nullptr);
        std::lock_guard<std::mutex> lock(mutex);
        j->done = true;
        changed.notify_all();
      });
    }
    // The pool's end waits for the records handed to it.
  }
  std::lock_guard<std::mutex> lock(mutex);
  reading_done = true;
  changed.notify_all();
}

sarvik::Scanner::Scanner(const std::string& path, const Parameters& p) : impl_(new Impl)
{
  impl_->params = p;
  impl_->path = path;
  impl_->reader = std::thread([this] { impl_->read_all(); });
}

sarvik::Scanner::~Scanner()
{
  stop();
  impl_->reader.join();
}

void sarvik::Scanner::on_progress(std::function<void(const Progress&)> callback) { impl_->progress = std::move(callback); }

void sarvik::Scanner::stop()
{
  impl_->stop = true;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->changed.notify_all();
}

const sarvik::Record* sarvik::Scanner::next()
{
  Impl& s = *impl_;
  std::unique_lock<std::mutex> lock(s.mutex);
  if (s.current) {
    s.bases_in_flight -= s.current->record.length;
    s.current.reset();
    s.changed.notify_all();
  }
  for (;;) {
    if (s.stop) return nullptr;
    if (!s.in_flight.empty() && s.in_flight.front()->done) break;
    if (s.in_flight.empty() && s.reading_done) {
      if (s.error.empty()) return nullptr;
      std::string e;
      e.swap(s.error);
      throw std::runtime_error(e);
    }
    if (s.changed.wait_for(lock, std::chrono::seconds(1)) == std::cv_status::timeout && !s.in_flight.empty() &&
        s.progress) {
      const ScanJob& j = *s.in_flight.front();
      lock.unlock();
      s.report(j, j.unit_length.load(std::memory_order_relaxed));
      lock.lock();
    }
  }
  s.current = std::move(s.in_flight.front());
  s.in_flight.pop_front();
  ++s.records_done;
  s.nucleotides_done += s.current->record.length;
  lock.unlock();
  s.report(*s.current, s.params.maxUnitLen);
  return &s.current->record;
}

// --- the whole-file run --------------------------------------------------------

int sarvik::run_analysis(const Parameters& p, RunObserver& observer)
{
  std::atomic<bool> stop{false};
  ThreadRun run(&observer, &stop);
  set_parameters_in_this_thread(p);
  return run_sarvik_analysis();
}

void sarvik::write_welcome()
{
  sarvik_welcome(stderr);
  std::fflush(stderr);
}

void sarvik::write_abort_message(int status) { good_bye_on_error(status); }
