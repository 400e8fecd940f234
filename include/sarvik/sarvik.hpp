// Sarvik's public API: search DNA sequences for tandem repeats.
//
//   sarvik::Parameters p;             // the command-line defaults
//   p.minScore = 12;                  // fields are the long option names
//   sarvik::check(p);                 // throws sarvik::InvalidParameters
//   for (const sarvik::Repeat& r : sarvik::find("ACACACACACACACAC", p)) ...
//
//   sarvik::Scanner scan("genome.fa.gz", p);   // plain or gzip FASTA
//   while (const sarvik::Record* rec = scan.next()) ...
//
// Nothing in a search is shared between calls: searches with different
// parameters may run at the same time in different threads. The repeats are
// those that format 3 (one per line) of the program lists, in its order.
//
// Coordinates: Repeat::start and Repeat::end are 1-based and inclusive, as
// the program prints them; bed_start() and bed_end() give the 0-based,
// half-open pair of BED. Missense positions are 1-based within the repeat.
#ifndef SARVIK_SARVIK_HPP
#define SARVIK_SARVIK_HPP

#include <climits>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#define SARVIK_VERSION "3.3.10"

namespace sarvik {

const char* version();  // SARVIK_VERSION

// The cores this process may run on; the default of Parameters::threads.
int available_cores();

// One field per command-line option, named after its long name, with the
// program's default.
struct Parameters {
  std::string input;   // first file name of the command line ("-": standard input)
  std::string output;  // second one; empty: standard output
  std::string summary;
  std::string report;
  bool sequenceInfoAsComment = false;
  int succN = 2;
  bool NsAsMissense = false;
  bool preferShorterRepeats = false;
  int reportUnit = 2;
  int NPerfectionMode = 0;
  int printRepeatSeqMode = 2;
  int outputFormat = 1;
  bool maskX = false;
  int flanking = 0;
  float minPerfection = 0.0f;
  float maxPerfection = 100.0f;
  bool dontRemoveMostlyOverlapping = false;
  int firstSeq = 1;
  int lastSeq = -1;  // as unsigned: the last record there can be
  int maximum_score_reduction = INT_MAX;
  int recursion = 5;
  unsigned minUnitLen = 1;
  unsigned maxUnitLen = 10;
  float minLength_b = 0.0f;
  int minLength_a = 0;
  int minLength = 0;
  float minScore_b = 1.0f;
  int minScore_a = 0;
  int minScore = 6;
  int mismatchScore = -5;
  int indelScore = -5;
  std::string searchMode = "imperfect";  // "exact", "extendExact" or "imperfect"
  int threads = available_cores();
};

// A refused parameter set: code -1 (a rejected value) or -2 (an unknown
// enumerated value), and the program's message for it.
struct ParameterError {
  int code = 0;
  std::string message;  // empty when code is 0
  explicit operator bool() const { return code != 0; }
};

// Checks `p` in the program's order with its messages. Like the program it
// raises a negative succN or flanking to 0.
ParameterError validate(Parameters& p);

class InvalidParameters : public std::invalid_argument {
 public:
  InvalidParameters(int code, const std::string& message) : std::invalid_argument(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// validate(), throwing the error.
void check(Parameters& p);

// One alignment event inside a repeat.
struct Missense {
  unsigned position;  // 1-based within the repeat
  char kind;          // 'M' mismatch, 'I' insertion, 'D' deletion
};

struct Repeat {
  unsigned unit_length = 0;
  std::uint64_t start = 0;  // 1-based first nucleotide
  std::uint64_t end = 0;    // 1-based last nucleotide, inclusive
  unsigned length = 0;      // end - start + 1
  int normalized_length = 0;  // length - insertions + deletions
  float copy_number = 0;      // normalized_length / unit_length, as the formats print it
  int score = 0;
  float perfection = 0;  // percent
  int mismatches = 0;
  int insertions = 0;
  int deletions = 0;
  int Ns = 0;
  std::string unit;           // as --reportUnit asks
  std::string unit_as_found;  // as the search found it in the sequence
  std::vector<Missense> missense;
  std::string sequence;  // the repeat's nucleotides

  std::uint64_t bed_start() const { return start - 1; }
  std::uint64_t bed_end() const { return end; }
};

// Searches one sequence. It is read as a FASTA record's lines are: case is
// ignored, U reads as T, ambiguity codes (NXRYKMSWBDHV?) as N, and blanks,
// '-' and '*' are left out (positions count what is left). Another
// character throws std::invalid_argument. `p` must have passed validate();
// a long sequence is split over p.threads threads.
std::vector<Repeat> find(const std::string& sequence, const Parameters& p);

// One FASTA record and its repeats.
struct Record {
  unsigned number = 0;    // 1-based position in the file
  std::string name;       // header up to the first blank
  std::string full_name;  // the whole header line
  std::uint64_t length = 0;
  std::vector<Repeat> repeats;
};

struct Progress {
  unsigned record;       // number of the record the report is about
  std::string name;      // its name
  unsigned unit_length;  // the unit length its search has reached
  std::uint64_t records_done;
  std::uint64_t nucleotides_done;
};

// Reads a FASTA file (plain or gzip; "-" the standard input) record by
// record and searches the records from p.firstSeq to p.lastSeq on p.threads
// threads, handing them out in file order.
class Scanner {
 public:
  Scanner(const std::string& path, const Parameters& p);
  ~Scanner();  // stops what is still running
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // The next record, valid until the next call; null at the end or after
  // stop(). Throws std::runtime_error with the program's message for input
  // that cannot be opened or is not FASTA, after the records before it.
  const Record* next();
  // Called from next(), in its thread: after each record and about every
  // second while a record is searched.
  void on_progress(std::function<void(const Progress&)> callback);
  // May be called from any thread: the searches end early, next() returns null.
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// What a whole-file run tells the one who started it.
class RunObserver {
 public:
  RunObserver() : started(std::time(nullptr)) {}
  virtual ~RunObserver() = default;
  // A run in a window: nothing on the standard error stream, progress about
  // every second, a stop request honoured after each report.
  virtual bool interactive() const { return false; }
  // status: 'r' running, 'f' finished, 'a' stopped by the user, 'e' error.
  virtual void status(unsigned record, const char* name, unsigned unit_length, char status) = 0;
  virtual bool stop_requested() { return false; }
  // Before a record is read that may take a while (interactive runs).
  virtual void loading_notice() {}
  // The read-error message, in interactive runs (otherwise on stderr).
  virtual void read_error(const char* message) { (void)message; }

  // Elapsed time since `started`, for the reports.
  void elapsed(int& hours, int& minutes, int& seconds) const;
  std::time_t started;
};

// The command-line program's observer: a progress line per report on stderr.
class ConsoleObserver : public RunObserver {
 public:
  void status(unsigned record, const char* name, unsigned unit_length, char status) override;
};

// Status codes of a whole-file run; the command-line exit status is the code mod 256.
enum RunStatus {
  finished = 0,
  stopped = 1,
  bad_parameter = -1,
  bad_enum_value = -2,
  read_error = -25,
  input_not_opened = -101,
  output_not_opened = -102,
  masked_not_opened = -103,
  write_failed = -104,
};

// Runs a whole analysis as the program does: output, masked, summary and
// report files, header, every record in range, end marker. `p` must have
// passed validate(). Messages go to stderr unless `observer` is interactive.
int run_analysis(const Parameters& p, RunObserver& observer);

// The banner the command-line program starts with (on stderr).
void write_welcome();
// The closing message of a run that ended with `status` before or instead
// of its end (on stderr).
void write_abort_message(int status);

}  // namespace sarvik

#endif
