// The analysis driver: one run from open files to the end status, shared by
// the command-line and the graphical program (their differences go through
// run_frontend.h).
#include "sarvik.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <list>
#include <mutex>
#include <memory>
#include <string>
#include <vector>

#include "CFile.h"
#include "CSearchController.h"
#include "chunked_scan.h"
#include "CSequence_Mol.h"
#include "file_identity.h"
#include "global-types-and-parameters.h"
#include "number2cstring.h"
#include "run_frontend.h"
#include "run_header.h"
#include "run_statistics.h"
#include "run_summary_files.h"
#include "standard_streams.h"
#include "worker_pool.h"

namespace {

const unsigned reserved_sequence_length = 10000000;
const unsigned job_sequence_length = 1u << 16;

// "Sorry! <what>\n   \"<name>\"\n<why>\n" on stderr, name written unchanged.
void file_message(const char* what, const std::string& name, const char* why)
{
  general_PrintMessage(stderr, what, "\n   \"");
  general_PrintText(stderr, name.c_str());
  general_PrintMessage(stderr, "\"\n");
  general_PrintText(stderr, why);
  general_PrintMessage(stderr, "\n");
  std::fflush(stderr);
}

// BED readers refuse an empty chrom, so a record without a name gets one.
void warn_made_up_name(unsigned n, const char* made_up)
{
  const std::string text = "Warning: the header of record " + std::to_string(n) +
                           " holds no name; its BED and catalog lines call it " + made_up + ".\n";
  general_PrintText(stderr, text.c_str());
  std::fflush(stderr);
}

// The output and masked-sequence streams of a run, and those of the optional
// summary and report; closes what it opened.
struct OutputFiles {
  FILE* out = stdout;
  FILE* masked = nullptr;
  FILE* summary = nullptr;
  FILE* report = nullptr;
  std::string out_name;
  std::string masked_name;

  ~OutputFiles()
  {
    close_all();
    finish_summaries();
  }

  // Flushes and closes output and masked file; false (with errno set) when any write failed.
  bool close_all()
  {
    bool ok = finish(masked, false);
    masked = nullptr;
    ok = finish(out, out != stdout) && ok;
    out = nullptr;
    return ok;
  }

  // Closes summary and report; the name of the first that failed, or null.
  const std::string* finish_summaries()
  {
    const std::string* failed = nullptr;
    if (!finish(report, report != stdout)) failed = &global_report_filename;
    if (!finish(summary, summary != stdout)) failed = &global_summary_filename;
    summary = report = nullptr;
    return failed;
  }

  static bool finish(FILE* f, bool close)
  {
    if (!f) return true;
    bool ok = std::fflush(f) == 0 && !std::ferror(f);
    int saved = errno;
    if (close && std::fclose(f) != 0) ok = false;
    else errno = saved;
    return ok;
  }

  // The first of the two streams that has failed, or null.
  const std::string* failed_name() const
  {
    if (out && std::ferror(out)) return &out_name;
    if (masked && std::ferror(masked)) return &masked_name;
    return nullptr;
  }
};

int write_failure(const std::string& name)
{
  std::string why = std::string("could not be written completely (") + std::strerror(errno) +
                    "). The results in it are incomplete; free some space or choose another file.";
  file_message("Sorry! The file", name, why.c_str());
  good_bye_on_error(sarvik::write_failed);
  return sarvik::write_failed;
}

int fail(int code)
{
  good_bye_on_error(code);
  return code;
}

// "Sorry! Failed to open file\n   \"<name>\"\n<as_what>\n"
int open_failure(const std::string& name, const char* as_what, int code)
{
  general_PrintMessage(stderr, "Sorry! Failed to open file\n   \"");
  general_PrintText(stderr, name.c_str());
  general_PrintMessage(stderr, "\"\n", as_what, "\n");
  return fail(code);
}

// Whether `a` and `b` name one file, or would once created (streams aside).
bool one_file(const std::string& a, const std::string& b)
{
  if (a.empty() || b.empty() || names_standard_stream(a) || names_standard_stream(b)) return false;
  return a == b || same_file(a.c_str(), b.c_str());
}

// The summary and report files, if asked for: refuses (check) any that is
// the input, the output, the masked file or the other of the two, or opens them.
int summaries(OutputFiles& files, bool check)
{
  struct Wanted {
    const std::string& name;
    const char* what;
    const char* as_what;
    const std::string& other;  // checked against the one wanted before it
    FILE*& file;
  };
  const std::string none;
  const Wanted wanted[2] = {
      {global_summary_filename, "Sorry! The summary file", "as summary file.", none, files.summary},
      {global_report_filename, "Sorry! The report file", "as report file.", global_summary_filename, files.report}};
  for (const Wanted& w : wanted) {
    if (w.name.empty() || !check) continue;
    // "-" writes to the standard output, unless the results go there.
    const bool to_stdout = global_output_filename.empty() || names_standard_stream(global_output_filename);
    const char* clash = nullptr;
    if (names_standard_stream(w.name))
      clash = to_stdout ? "is the standard output, where the results go"
              : w.other == w.name ? "is the summary file" : nullptr;
    else
      clash = one_file(w.name, global_input_filename)    ? "is the input file"
              : one_file(w.name, global_output_filename) ? "is the output file"
              : one_file(w.name, files.masked_name)      ? "is the masked-sequence file"
              : one_file(w.name, w.other)                ? "is the summary file"
                                                         : nullptr;
    if (clash) {
      file_message(w.what, w.name, (std::string(clash) + ". Choose another name.").c_str());
      return fail(sarvik::output_not_opened);
    }
  }
  for (const Wanted& w : wanted) {
    if (w.name.empty() || check) continue;
    w.file = names_standard_stream(w.name) ? stdout : std::fopen(w.name.c_str(), "w");
    if (!w.file) return open_failure(w.name, w.as_what, sarvik::output_not_opened);
  }
  return 0;
}

// Opens the output and masked-sequence files (and summary and report),
// refusing any that would overwrite the input (or each other) before
// anything is truncated.
int open_outputs(OutputFiles& files)
{
  // Streams have no name to compare; the option reader refuses --maskX on
  // the standard input, so the masked file always has a real input beside it.
  const bool to_stdout = global_output_filename.empty() || names_standard_stream(global_output_filename);
  const bool from_stdin = names_standard_stream(global_input_filename);
  files.out_name = to_stdout ? "standard output" : global_output_filename;
  if (global_mask_repeats) files.masked_name = global_input_filename + ".masked";

  const char* same = "is the same file as the input file. Choose another name so the input is not overwritten.";
  if (!to_stdout && !from_stdin && same_file(global_input_filename.c_str(), global_output_filename.c_str())) {
    file_message("Sorry! The output file", global_output_filename, same);
    return fail(sarvik::output_not_opened);
  }
  if (global_mask_repeats && same_file(global_input_filename.c_str(), files.masked_name.c_str())) {
    file_message("Sorry! The masked-sequence file", files.masked_name, same);
    return fail(sarvik::output_not_opened);
  }
  if (global_mask_repeats && !to_stdout && same_file(global_output_filename.c_str(), files.masked_name.c_str())) {
    file_message("Sorry! The masked-sequence file", files.masked_name,
                 "is the same file as the output file. Choose another output file name.");
    return fail(sarvik::output_not_opened);
  }
  if (int r = summaries(files, true)) return r;

  if (!to_stdout) {
    files.out = std::fopen(global_output_filename.c_str(), "w");
    if (!files.out) return open_failure(global_output_filename, "as output file.", sarvik::output_not_opened);
  }
  if (global_mask_repeats) {
    files.masked = std::fopen(files.masked_name.c_str(), "w");
    if (!files.masked)
      return open_failure(files.masked_name, "as file for the masked sequences.", sarvik::masked_not_opened);
  }
  return summaries(files, false);
}

// Writes the summary and the report of a complete run; 0 or the write-failure status.
int write_summaries(OutputFiles& files, const RunStatistics& stats)
{
  if (files.summary) write_summary_tsv(files.summary, stats);
  if (files.report) write_report_html(files.report, stats);
  if (const std::string* failed = files.finish_summaries()) return write_failure(*failed);
  return 0;
}

void write_masked_record(FILE* f, CSequence_Mol& seq, const std::list<Csat*>& repeats)
{
  char* text = seq.seq_text.data;
  for (const Csat* s : repeats) std::memset(text + (s->start - text), 'X', static_cast<size_t>(s->end - s->start));
  std::fprintf(f, ">%s\n", seq.full_name.c_str());
  for (uint32_t done = 0; done < seq.seq_text.len; done += 80) {
    uint32_t n = seq.seq_text.len - done < 80 ? seq.seq_text.len - done : 80;
    std::fprintf(f, "%.*s\n", static_cast<int>(n), text + done);
  }
}

int read_error(CFile& input, CSequence_Mol& seq, unsigned n)
{
  const std::string message = read_error_message(input, seq);

  if (is_graphical_program()) {
    report_status(n, seq.name.c_str(), global_min_unit_length, 'e');
    show_read_error_alert(message.c_str());
  } else {
    general_PrintMessage(stderr, "\n\n");
    general_PrintText(stderr, message.c_str());
    general_PrintMessage(stderr, "\n");
    std::fflush(stderr);
  }
  return sarvik::read_error;
}


// `block`: the record's block of the output file when a worker formatted it.
void write_record(OutputFiles& files, CSearchController& controller, CsatContainer& found, RunStatistics* stats,
                  const std::vector<std::string>* block = nullptr)
{
  if (block) {
    // Flushed by the caller before it waits, not after every record.
    for (const std::string& text : *block) std::fwrite(text.data(), 1, text.size(), files.out);
  } else {
    controller.report_SATList(files.out, found);
  }
  if (global_print_sat_mode >= 5 && controller.sequence.tool_name_made_up && !found.empty())
    warn_made_up_name(controller.seq_number, controller.sequence.tool_name.c_str());
  if (stats) stats->add_record(controller.sequence, found);
  if (files.masked) write_masked_record(files.masked, controller.sequence, found);
}

// How the record loop ended: `status` when the run ends there (read error,
// write failure), otherwise the run goes on to its normal or stopped end.
struct LoopEnd {
  bool ends_run = false;
  int status = 0;
  unsigned n = 0;          // number of the last record read
  std::string last_name;  // its name
};

LoopEnd serial_loop(CFile& input, OutputFiles& files, RunStatistics* stats)
{
  const bool graphical = is_graphical_program();
  LoopEnd end;
  CSequence_Mol seq(CSequence_Mol::dna, 'N', reserved_sequence_length);
  unsigned& n = end.n;
  uint32_t last_length = 0;

  while (!input.eof()) {
    ++n;
    const bool notice = graphical && (n % 32 == 1 || last_length > 1000000);
    if (notice) show_loading_notice();

    seq.readFastaSequence(input);
    if (input.fail() && !input.eof()) {
      end.ends_run = true;
      end.status = read_error(input, seq, n);
      files.close_all();
      return end;
    }
    if (n < global_sequence_from || n > global_sequence_to) continue;
    seq.derive_tool_name(n);

    if (!graphical || notice) report_status(n, seq.name.c_str(), global_min_unit_length, 'r');
    update_report_time();

    bool stop = false;
    {
      CSearchController controller(n, seq);
      write_record(files, controller, search_record(controller, files.out), stats);
      stop = graphical && stop_requested();
      last_length = seq.seq_text.len;
    }
    // A full disk is noticed after the record, not hours later at the end.
    if (const std::string* failed = files.failed_name()) {
      end.ends_run = true;
      end.status = write_failure(*failed);
      return end;
    }
    if (stop) break;
  }
  end.last_name = seq.name.c_str();
  return end;
}

// One record on its way through a parallel run: read by the driving thread,
// searched by a worker (with the record's own pool), written by the driving
// thread once every record before it is written.
struct RecordJob {
  unsigned n = 0;
  std::string name;  // for the reports; the worker alone touches seq while it searches
  bool notice = false;
  // Hundreds of jobs may be in flight: each starts small and keeps what it grew to.
  CSequence_Mol seq{CSequence_Mol::dna, 'N', job_sequence_length};
  Csat_garbagecollector pool;
  std::unique_ptr<CSearchController> controller;
  CsatContainer* found = nullptr;
  std::atomic<unsigned> unit_length{0};
  std::vector<std::string> block;  // the record's block of the output file, if the worker formatted it
  bool done = false;  // guarded by the pipeline's mutex
};

// Records up to this length have their block formatted by the workers, so
// the driving thread only copies it out; longer ones are written as they
// are formatted, so that their text is never held whole in memory.
const uint32_t max_formatted_length = 16u << 20;

// What is read ahead is bounded by a number of records and, so that two
// chromosomes are not held at once, by a total of nucleotides (the record
// that crosses it is the last one admitted).
const uint64_t max_bases_in_flight = 64ull << 20;

// Short records go to the workers in groups, so that handing them over does
// not cost more than searching them: a group closes at this many records or
// nucleotides (the record that crosses it is its last), or when the reader
// stops to wait.
const std::size_t max_group_records = 64;
const uint64_t max_group_bases = 256u << 10;

// A group is handed to as many workers as it has records, up to all of them;
// each takes the next record nobody has taken, so that a run of slow records
// is shared too. The one that finishes the group's last record reports it.
struct RecordGroup {
  std::vector<RecordJob*> jobs;
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> unfinished{0};
};

std::size_t text_capacity(const std::vector<std::string>& texts)
{
  std::size_t sum = 0;
  for (const std::string& t : texts) sum += t.capacity();
  return sum;
}

// A worker's part of one record: the search, and the record's block of the
// output file where it is formatted in advance.
void search_job(RecordJob& j, FILE* out)
{
  become_search_worker(&j.unit_length);
  j.controller.reset(new CSearchController(j.n, j.seq, &j.pool));
  j.found = &search_record(*j.controller, out);
  if (j.seq.seq_text.len <= max_formatted_length && !run_stop_set())
    j.controller->format_SATList(*j.found, search_pool, j.block);
  else
    j.block.clear();
  become_search_worker(nullptr);
}

LoopEnd parallel_loop(CFile& input, OutputFiles& files, RunStatistics* stats)
{
  const bool graphical = is_graphical_program();
  // Two groups a worker: one searched while the next waits. More would only
  // spread the records and their blocks over more memory: page faults and
  // cache misses.
  const std::size_t max_records = 2ull * global_threads * max_group_records;
  LoopEnd end;
  unsigned& n = end.n;
  uint32_t last_length = 0;
  uint64_t bases = 0;
  std::mutex mutex;
  std::condition_variable finished;
  std::deque<std::unique_ptr<RecordJob>> in_flight;
  std::vector<std::unique_ptr<RecordJob>> spare_jobs;
  std::unique_ptr<RecordJob> failed_read;
  const CSequence_Mol* previous = nullptr;  // the record read last

  // Test hook: chunks of this many windows, so that chunk boundaries fall
  // everywhere even in short records.
  if (const char* forced = std::getenv("SARVIK_TEST_CHUNK_LENGTH")) forced_chunk_length = static_cast<unsigned>(std::atoi(forced));
  CSearchController::prepare_thresholds();
  set_run_stop(false);
  std::unique_ptr<WorkerPool> pool(new WorkerPool(global_threads));
  search_pool = pool.get();
  auto close_pool = [&] {
    set_run_stop(true);  // whatever is still searched is not written
    pool.reset();
    search_pool = nullptr;
  };

  std::vector<RecordJob*> group;
  uint64_t group_bases = 0;
  // The driving thread's CPU time before the workers had anything to do and
  // after they had nothing left: the part of its work that runs beside none
  // of theirs (for the benchmark's estimate of more threads).
  uint64_t before_first_ns = 0, after_last_from_ns = 0;
  auto submit_group = [&] {
    if (group.empty()) return;
    if (!before_first_ns) before_first_ns = thread_cpu_ns();
    auto shared = std::make_shared<RecordGroup>();
    shared->jobs = group;
    shared->unfinished = group.size();
    auto work = [g = shared, &files, &mutex, &finished] {
      std::size_t searched = 0;
      for (std::size_t i; (i = g->next.fetch_add(1)) < g->jobs.size(); ++searched) search_job(*g->jobs[i], files.out);
      if (!searched || g->unfinished.fetch_sub(searched) != searched) return;
      std::lock_guard<std::mutex> lock(mutex);
      for (RecordJob* j : g->jobs) j->done = true;
      finished.notify_all();
    };
    for (std::size_t helpers = std::min<std::size_t>(group.size(), global_threads); helpers; --helpers)
      pool->submit(work);
    group.clear();
    group_bases = 0;
  };

  bool reading = !input.eof();
  bool stop = false;
  while (!stop) {
    // Once the reader has stopped at a bound, it waits until a whole group
    // fits again: refilling record by record would hand the workers groups
    // of one and wake the driving thread for every record.
    const bool room = in_flight.empty() || (in_flight.size() + max_group_records <= max_records &&
                                            bases + max_group_bases <= max_bases_in_flight);
    while (room && reading && in_flight.size() < max_records && bases < max_bases_in_flight) {
      ++n;
      const bool notice = graphical && (n % 32 == 1 || last_length > 1000000);
      if (notice) show_loading_notice();
      std::unique_ptr<RecordJob> job;
      if (spare_jobs.empty()) {
        job.reset(new RecordJob);
      } else {
        job = std::move(spare_jobs.back());
        spare_jobs.pop_back();
      }
      // The serial loop reads every record into one object: a record whose
      // header ends the input keeps the name of the one before it there.
      if (previous && previous != &job->seq) job->seq.carry_names_from(*previous);
      job->seq.readFastaSequence(input);
      previous = &job->seq;
      end.last_name = job->seq.name.c_str();
      if (input.fail() && !input.eof()) {
        failed_read = std::move(job);
        reading = false;
        break;
      }
      reading = !input.eof();
      if (n < global_sequence_from || n > global_sequence_to) {
        spare_jobs.push_back(std::move(job));
        continue;
      }
      job->seq.derive_tool_name(n);
      last_length = job->seq.seq_text.len;
      bases += last_length;
      job->n = n;
      job->name = end.last_name;
      job->notice = notice;
      job->done = false;
      job->unit_length.store(global_min_unit_length, std::memory_order_relaxed);
      group.push_back(job.get());
      group_bases += last_length;
      if (group.size() == max_group_records || group_bases >= max_group_bases) submit_group();
      in_flight.push_back(std::move(job));
    }
    submit_group();  // before waiting on a record that may be in it
    if (in_flight.empty()) break;

    RecordJob& job = *in_flight.front();
    const char* name = job.name.c_str();
    if (!graphical || job.notice) report_status(job.n, name, global_min_unit_length, 'r');
    if (global_search_mode == 1) {
      search_message("  Searching for exact repeats.\n");
      search_message("  Extend exact to imperfect repeats.\n");
    }
    update_report_time();
    {
      std::unique_lock<std::mutex> lock(mutex);
      if (!job.done) {
        // What is written is in the file before the writer waits for more: a
        // flush per record would cost a system call for every short record.
        lock.unlock();
        std::fflush(files.out);
        lock.lock();
      }
      while (!job.done) {
        if (finished.wait_for(lock, std::chrono::milliseconds(200)) != std::cv_status::timeout) continue;
        lock.unlock();
        if (check_report_status()) report_status(job.n, name, job.unit_length.load(std::memory_order_relaxed), 'r');
        if (graphical && stop_requested()) set_run_stop(true);
        lock.lock();
      }
    }
    if (!reading && in_flight.size() == 1) after_last_from_ns = thread_cpu_ns();
    write_record(files, *job.controller, *job.found, stats, job.block.empty() ? nullptr : &job.block);
    stop = graphical && stop_requested();
    // The workers do not report; the record the stop cut short is this one.
    if (stop) report_status(job.n, name, job.unit_length.load(std::memory_order_relaxed), 'a');
    bases -= job.seq.seq_text.len;
    job.controller.reset();
    job.found = nullptr;
    // A spare job keeps a small block's memory for the worker of its next
    // record: freed here, away from the thread that grew it, it would make
    // the driving thread wait on that thread's allocator, record after record.
    if (text_capacity(job.block) > job_sequence_length) std::vector<std::string>().swap(job.block);
    spare_jobs.push_back(std::move(in_flight.front()));
    in_flight.pop_front();
    if (const std::string* failed = files.failed_name()) {
      close_pool();
      end.ends_run = true;
      end.status = write_failure(*failed);
      return end;
    }
  }
  close_pool();
  if (std::getenv("SARVIK_SCAN_STATS")) {
    const ChunkedScanStats& st = chunked_scan_stats;
    const uint64_t driving_ns = thread_cpu_ns();
    std::fprintf(stderr,
                 "Split scans: %llu, chunk CPU time %.3f s, slowest chunks %.3f s, reconcile %.3f s, "
                 "reading and writing %.3f s, of it alone %.3f s\n",
                 static_cast<unsigned long long>(st.scans.load()), st.speculate_ns.load() * 1e-9,
                 st.slowest_chunks_ns.load() * 1e-9, st.reconcile_ns.load() * 1e-9, driving_ns * 1e-9,
                 (before_first_ns + (after_last_from_ns ? driving_ns - after_last_from_ns : 0)) * 1e-9);
  }
  if (failed_read && !stop) {
    end.ends_run = true;
    end.status = read_error(input, failed_read->seq, n);
    files.close_all();
  }
  return end;
}

}  // namespace

std::string read_error_message(const CFile& input, const CSequence_Mol& seq)
{
  std::string message;
  if (!input.io_error().empty())
    message = "An error occurred while reading the input file: " + input.io_error() +
              ".\nThe input may be damaged or truncated.\n";
  else if (seq.too_long)
    message = "A record of the input file is longer than " + std::to_string(faststring::max_len) +
              " characters, more than Sarvik can hold.\n";
  else
    message = "An error occurred while reading the input file. It might not be a valid fasta file.\n";
  return message + "File position: line " + std::to_string(input.line);
}

int run_sarvik_analysis()
{
  const bool graphical = is_graphical_program();

  // The file object carries a one-million-character buffer: keep it off the stack.
  std::unique_ptr<CFile> input_file(new CFile);
  CFile& input = *input_file;
  const bool from_stdin = names_standard_stream(global_input_filename);
  if (from_stdin)
    input.open_standard_input();
  else
    input.open(global_input_filename.c_str());
  if (input.fail() && from_stdin) {
    general_PrintMessage(stderr, "Sorry! The standard input could not be opened for reading.\n");
    return fail(sarvik::input_not_opened);
  }
  if (input.fail()) {
    general_PrintMessage(stderr, "Sorry! The input file \n   \"");
    general_PrintText(stderr, global_input_filename.c_str());
    general_PrintMessage(stderr, "\"\ncould not be opened. I guess it does not exist.\n");
    return fail(sarvik::input_not_opened);
  }

  OutputFiles files;
  if (int r = open_outputs(files)) return r;
  RunStatistics stats;
  const bool gather = files.summary || files.report;

  creator_message(stderr, "");
  print_search_parameters(stderr, "");
  general_PrintMessage(stderr, "Worker threads: ", number2str(global_threads), "\n");
  general_PrintMessage(stderr, "\n\nSearch progress:\n\nTime     - SeqNr - PatLen - Seq-Name\n");
  general_PrintMessage(stderr, "------------------------------------------------------------------------\n");
  std::fflush(stderr);

  if (output_has_run_header()) {
    creator_message(files.out, "# ");
    print_search_parameters(files.out, "# ");
  }
  print_output_format(files.out, "# ");
  std::fflush(files.out);

  const LoopEnd end = global_threads > 1 ? parallel_loop(input, files, gather ? &stats : nullptr)
                                                : serial_loop(input, files, gather ? &stats : nullptr);
  if (end.ends_run) return end.status;

  input.close();
  if (stop_requested()) {
    if (!files.close_all()) return write_failure(files.out_name);
    return sarvik::stopped;
  }

  // The masked file is closed first, as it always was; then the end marker.
  // Success is reported only once everything has reached its file.
  if (!OutputFiles::finish(files.masked, true)) return write_failure(files.masked_name);
  files.masked = nullptr;
  if (int r = write_summaries(files, stats)) return r;
  if (!good_bye(files.out) || !files.close_all()) return write_failure(files.out_name);
  if (graphical) report_status(end.n, end.last_name.c_str(), global_max_unit_length, 'f');
  return sarvik::finished;
}

CsatContainer& search_record(CSearchController& controller, FILE* out)
{
  CsatContainer& found = controller.search_selected_mode(out);
  controller.remove_hidden(found);
  return found;
}
