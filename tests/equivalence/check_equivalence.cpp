// check_equivalence: compares the production search engine with the
// reference engine on random cases for a given time, or on FASTA files with
// every search mode and a few parameter sets.
//
//   check_equivalence [--seconds S] [--seed N] [--cases C] [--max-length L]
//                     [--long-units P] [--long-length L] [--write-only]
//                     [--case-seconds T]
//   check_equivalence --fasta FILE...
//
// Case i of a run uses seed N + i; `--seed M --cases 1` with the same
// --max-length, --long-units and --long-length replays case M alone (a
// failing case prints that line). --write-only writes the cases and their
// sarvik command lines without running the engines. --case-seconds runs
// each case in a child process and stops it after T seconds: the reference
// engine is quadratic on satellite arrays, and one such case would hold a
// timed run past its end. A stopped case is written out as --write-only
// does, so that sarvik alone can run it, and the run goes on.
// A share P of the cases (default 0.1) search long units over texts of up to
// --long-length characters (default 900).
// A failing case is written as equivalence-<seed>.fa in the current folder,
// with the sarvik command line that runs it. Exit status 1 when any case
// differed, 2 for a bad command line.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "CFile.h"
#include "CSequence_Mol.h"
#include "engine_diff.h"
#include "random_cases.h"

namespace {

const int max_failures = 10;

struct Options {
  double seconds = 600;
  uint64_t seed = 0;
  bool seed_given = false;
  uint64_t cases = 0;  // 0: no limit
  size_t max_length = 20000;
  double long_units = 0.1;
  size_t long_length = 900;
  bool write_only = false;
  double case_seconds = 0;  // 0: no limit, in this process
  std::vector<std::string> fasta;
};

int usage()
{
  std::fputs(
      "usage: check_equivalence [--seconds S] [--seed N] [--cases C] [--max-length L]\n"
      "                         [--long-units P] [--long-length L] [--write-only]\n"
      "                         [--case-seconds T]\n"
      "       check_equivalence --fasta FILE...\n",
      stderr);
  return 2;
}

bool parse(int argc, char** argv, Options& o)
{
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--fasta") {
      while (i + 1 < argc) o.fasta.push_back(argv[++i]);
      if (o.fasta.empty()) return false;
    } else if (a == "--seconds" && has_value) {
      o.seconds = std::strtod(argv[++i], nullptr);
    } else if (a == "--seed" && has_value) {
      o.seed = std::strtoull(argv[++i], nullptr, 10);
      o.seed_given = true;
    } else if (a == "--cases" && has_value) {
      o.cases = std::strtoull(argv[++i], nullptr, 10);
    } else if (a == "--max-length" && has_value) {
      o.max_length = std::strtoull(argv[++i], nullptr, 10);
      if (o.max_length == 0) return false;
    } else if (a == "--long-units" && has_value) {
      o.long_units = std::strtod(argv[++i], nullptr);
    } else if (a == "--case-seconds" && has_value) {
      o.case_seconds = std::strtod(argv[++i], nullptr);
      if (!(o.case_seconds > 0)) return false;
    } else if (a == "--write-only") {
      o.write_only = true;
    } else if (a == "--long-length" && has_value) {
      o.long_length = std::strtoull(argv[++i], nullptr, 10);
      if (o.long_length == 0) return false;
    } else {
      return false;
    }
  }
  return true;
}

double seconds_since(std::chrono::steady_clock::time_point t)
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

enum class Outcome { agree, differ, out_of_time };

// One case in a child process that an alarm ends after `seconds`; a child
// that dies otherwise counts as a difference.
Outcome case_in_child(const RandomCase& c, double seconds)
{
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("check_equivalence: fork");
    return random_case_agrees(c, stdout) ? Outcome::agree : Outcome::differ;
  }
  if (pid == 0) {
    alarm(static_cast<unsigned>(std::ceil(seconds)));
    const bool agree = random_case_agrees(c, stdout);
    std::fflush(stdout);
    _exit(agree ? 0 : 1);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status) == 0 ? Outcome::agree : Outcome::differ;
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) return Outcome::out_of_time;
  std::printf("case %llu: the check ended on signal %d\n", static_cast<unsigned long long>(c.seed),
              WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  return Outcome::differ;
}

int run_random(const Options& o)
{
  const uint64_t base =
      o.seed_given ? o.seed : static_cast<uint64_t>(std::time(nullptr)) * 1000003u ^ static_cast<uint64_t>(getpid());
  std::printf("check_equivalence: base seed %llu, %s, sequences up to %zu characters\n",
              static_cast<unsigned long long>(base),
              o.cases ? (std::to_string(o.cases) + " cases").c_str() : (std::to_string(static_cast<long>(o.seconds)) + " s").c_str(),
              o.max_length);
  std::fflush(stdout);
  SequenceLimits limits;
  limits.max_length = o.max_length;
  limits.satellite_chance = 0.05;
  limits.long_unit_chance = o.long_units;
  limits.long_unit_length = o.long_length;

  const auto start = std::chrono::steady_clock::now();
  double next_progress = 10;
  uint64_t done = 0, characters = 0, out_of_time = 0;
  int failures = 0;
  for (;; ++done) {
    if (o.cases ? done >= o.cases : seconds_since(start) >= o.seconds) break;
    const RandomCase c = make_case(base + done, limits);
    characters += c.text.size();
    if (o.write_only) {
      write_random_case(c, stdout);
      continue;
    }
    const Outcome outcome = o.case_seconds > 0 ? case_in_child(c, o.case_seconds)
                                               : random_case_agrees(c, stdout) ? Outcome::agree : Outcome::differ;
    if (outcome == Outcome::out_of_time) {
      ++out_of_time;
      std::printf("case %llu: stopped after %g s; its input, for sarvik alone:\n", static_cast<unsigned long long>(c.seed),
                  o.case_seconds);
      write_random_case(c, stdout);
    }
    if (outcome == Outcome::differ) {
      // Every option that shapes a case, or the line would replay another one.
      std::printf("  replay: check_equivalence --seed %llu --cases 1 --max-length %zu --long-units %.17g --long-length %zu\n",
                  static_cast<unsigned long long>(c.seed), o.max_length, o.long_units, o.long_length);
      if (++failures == max_failures) {
        ++done;
        break;
      }
    }
    if (seconds_since(start) >= next_progress) {
      std::printf("  %5.0f s: %llu cases, %.1f Mbp, %d differing\n", seconds_since(start),
                  static_cast<unsigned long long>(done + 1), characters / 1e6, failures);
      std::fflush(stdout);
      // After a long case, once: not a line per case until the count catches up.
      while (next_progress <= seconds_since(start)) next_progress += 10;
    }
  }
  const std::string stopped =
      out_of_time ? "; " + std::to_string(out_of_time) + " stopped after " + std::to_string(static_cast<long>(o.case_seconds)) + " s" : "";
  std::printf("check_equivalence: %llu cases (seeds %llu to %llu), %.1f Mbp in %.0f s: %s%s\n",
              static_cast<unsigned long long>(done), static_cast<unsigned long long>(base),
              static_cast<unsigned long long>(base + done - (done ? 1 : 0)), characters / 1e6, seconds_since(start),
              failures ? (std::to_string(failures) + " differing").c_str() : "no difference", stopped.c_str());
  return failures ? 1 : 0;
}

// The parameter sets a real genome is checked with: each mode, then the
// options that change the imperfect search most.
std::vector<SearchParams> real_genome_sets()
{
  std::vector<SearchParams> sets(6);
  sets[0].mode = 2;
  sets[1].mode = 0;
  sets[2].mode = 1;
  sets[3].depth = 3;
  sets[3].reduction = 10;
  sets[3].prefer_shorter = true;
  sets[4].max_unit = 14;
  sets[4].Ns_allowed = 0;
  sets[4].Ns_missense = true;
  sets[4].mismatch = -3;
  sets[4].indel = -7;
  sets[5].depth = 4;
  sets[5].reduction = 15;
  sets[5].min_score = 20;
  sets[5].keep_hidden = true;
  sets[5].mode = 1;
  return sets;
}

int run_fasta(const Options& o)
{
  int failures = 0;
  const std::vector<SearchParams> sets = real_genome_sets();
  std::unique_ptr<CFile> file(new CFile);  // a large buffer: off the stack
  CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  for (const std::string& path : o.fasta) {
    const auto start = std::chrono::steady_clock::now();
    const std::string base = path.substr(path.find_last_of('/') + 1);
    for (size_t set = 0; set < sets.size(); ++set) {
      file->open(path.c_str());
      if (file->fail()) {
        std::fprintf(stderr, "check_equivalence: cannot open %s\n", path.c_str());
        return 2;
      }
      unsigned records = 0;
      uint64_t characters = 0;
      while (!file->eof()) {
        seq.readFastaSequence(*file);
        if (file->fail() && !file->eof()) {
          std::fprintf(stderr, "check_equivalence: %s is not valid FASTA (line %u)\n", path.c_str(),
                       static_cast<unsigned>(file->line));
          return 2;
        }
        ++records;
        characters += seq.seq_text.len;
        const std::string label = path + " record " + std::to_string(records) + " (" + seq.name.c_str() + ")";
        const std::string replay = "equivalence-" + base + "-" + std::to_string(records) + ".fa";
        if (!engines_agree(sets[set], seq, label, replay, stdout)) ++failures;
      }
      file->close();
      std::printf("%s: %u records, %.2f Mbp, options %s: %s (%.0f s so far)\n", base.c_str(), records,
                  characters / 1e6, sets[set].options().c_str(), failures ? "DIFFERENCES" : "no difference",
                  seconds_since(start));
      std::fflush(stdout);
    }
  }
  return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
  Options o;
  if (!parse(argc, argv, o)) return usage();
  return o.fasta.empty() ? run_random(o) : run_fasta(o);
}
