// CFile: the FASTA input, read one character at a time through a buffer of
// one million characters. Plain, gzip and multi-member gzip (bgzip) files
// read the same, through zlib.
//
// getchar() turns LF, CR LF and a lone CR into one LF and counts lines
// (`line` starts at 1). One character can always be pushed back with
// ungetchar(), also right after a refill, because a refill keeps the last
// character handed out at buf[0].
//
// file_state after each call (independent bits):
//   good (2)        the stream is open and readable
//   eof|error (5)   the input ended normally; getchar() returns 0 from now on
//   error (4)       open failed, an impossible push-back, a read error of the
//                   stream (then io_error() says what went wrong) or, set by
//                   the FASTA reader, input that is not valid FASTA
#ifndef SARVIK_CFILE_H
#define SARVIK_CFILE_H

#include <string>

class CFile {
 public:
  enum : unsigned char { state_eof = 1, state_good = 2, state_error = 4 };
  static const unsigned buffer_size = 1000000;

  CFile();
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  void open(const char* name);
  // Reads the standard input instead, plain or gzip as for files; closing
  // the CFile leaves the process's standard input open.
  void open_standard_input();
  void close();

  char getchar()
  {
    if (buf_pos == buf_end) {
      refill();
      if (file_state & state_error) return 0;
    }
    char c = *buf_pos++;
    if (c > 13 || (file_state & state_error)) return c;
    return translate_line_end(c);
  }

  char getchar_intern()
  {
    if (buf_pos == buf_end) {
      refill();
      if (file_state & state_error) return 0;
    }
    return *buf_pos++;
  }

  void ungetchar();

  bool eof() const { return file_state & state_eof; }
  bool fail() const { return file_state & state_error; }
  bool good() const { return file_state & state_good; }

  // Non-empty when reading stopped because the stream itself failed (an I/O
  // error, a corrupt or truncated compressed stream), not at the real end.
  const std::string& io_error() const { return io_error_text; }

  // Set to exactly `error` by the FASTA reader for input that is not FASTA.
  void set_state(unsigned char s) { file_state = s; }

  char buf[buffer_size];
  char* buf_end;
  char* buf_pos;
  unsigned char file_state;
  int line;

 private:
  void refill();
  char translate_line_end(char c);
  void begin_reading(void* gz);

  void* stream;  // gzFile, kept opaque so users need no zlib header
  std::string io_error_text;
};

#endif
