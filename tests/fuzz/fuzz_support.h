// Shared pieces of the fuzz harnesses: input bytes as a file, quiet program
// output, and a failure that the fuzzer reports like a crash.
#ifndef SARVIK_FUZZ_SUPPORT_H
#define SARVIK_FUZZ_SUPPORT_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

// Prints the broken expectation and aborts, so libFuzzer saves the input.
#define FUZZ_REQUIRE(cond, ...)                                                   \
  do {                                                                            \
    if (!(cond)) {                                                                \
      std::fprintf(fuzz_report_stream(), "\nFUZZ_REQUIRE failed: %s\n  ", #cond); \
      std::fprintf(fuzz_report_stream(), __VA_ARGS__);                            \
      std::fprintf(fuzz_report_stream(), "\n");                                   \
      std::fflush(fuzz_report_stream());                                          \
      std::abort();                                                               \
    }                                                                             \
  } while (0)

// The real stderr, kept before quiet_program_output() swaps the streams.
inline FILE*& fuzz_report_stream_ref()
{
  static FILE* f = stderr;
  return f;
}
inline FILE* fuzz_report_stream() { return fuzz_report_stream_ref(); }

// The programs write banners, summaries and progress to stdout and stderr
// (the option library through std::cout and std::cerr); thousands of runs a
// second of that drown the fuzzer's own output. Point the two FILE* streams
// at /dev/null and detach the C++ ones (the sanitizers write straight to
// fd 2, so their reports still show). FUZZ_VERBOSE=1 keeps the output.
inline void quiet_program_output()
{
  fuzz_report_stream_ref() = fdopen(dup(2), "w");
  if (std::getenv("FUZZ_VERBOSE")) return;
  std::cout.rdbuf(nullptr);
  std::cerr.rdbuf(nullptr);
  FILE* null = std::fopen("/dev/null", "w");
  if (!null) return;
  stdout = null;
  stderr = null;
}

// One in-memory file, rewritten for every input, that CFile opens by name.
class memory_file {
 public:
  memory_file()
  {
    fd_ = memfd_create("sarvik-fuzz", 0);
    if (fd_ < 0) std::abort();
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  const char* path() const { return path_.c_str(); }
  void write(const void* data, size_t n)
  {
    if (ftruncate(fd_, 0) != 0) std::abort();
    const char* p = static_cast<const char*>(data);
    for (off_t at = 0; n > 0;) {
      ssize_t w = pwrite(fd_, p, n, at);
      if (w <= 0) std::abort();
      p += w;
      at += w;
      n -= static_cast<size_t>(w);
    }
  }
  void write(const std::string& s) { write(s.data(), s.size()); }

 private:
  int fd_;
  std::string path_;
};

#endif
