#include "CFile.h"

#include <unistd.h>
#include <zlib.h>

namespace {

// zlib's own input buffer; reads of a whole block (1,000,000) bypass it, so
// it only needs to be big enough to keep the number of read() calls low.
const unsigned zlib_buffer_size = 256 * 1024;

gzFile as_gz(void* p) { return static_cast<gzFile>(p); }

// gzerror() says "<path>: <reason>"; the caller knows the path already.
std::string reason_of(const char* msg)
{
  std::string s = msg ? msg : "";
  std::string::size_type colon = s.rfind(": ");
  if (colon != std::string::npos) s.erase(0, colon + 2);
  return s;
}

// Empty when the stream is fine (also at a clean end of the input).
std::string stream_error(gzFile gz)
{
  int errnum = Z_OK;
  const char* msg = gzerror(gz, &errnum);
  switch (errnum) {
    case Z_OK:
      return std::string();
    case Z_ERRNO:
      return "read error: " + reason_of(msg);
    case Z_BUF_ERROR:
      return "the compressed input ends unexpectedly (truncated file)";
    case Z_DATA_ERROR:
      return "corrupt compressed data: " + reason_of(msg);
    case Z_MEM_ERROR:
      return "out of memory while decompressing";
    default:
      return "read error: " + reason_of(msg);
  }
}

}  // namespace

CFile::CFile() : buf_end(buf), buf_pos(buf), file_state(0), line(1), stream(nullptr) {}

CFile::~CFile() { close(); }

void CFile::open(const char* name)
{
  close();
  begin_reading(gzopen(name, "rb"));
}

void CFile::open_standard_input()
{
  close();
  // zlib closes the descriptor it reads; give it a copy of 0.
  int fd = dup(STDIN_FILENO);
  gzFile gz = fd < 0 ? nullptr : gzdopen(fd, "rb");
  if (!gz && fd >= 0) ::close(fd);
  begin_reading(gz);
}

void CFile::begin_reading(void* gz)
{
  io_error_text.clear();
  file_state = state_good;
  stream = gz;
  if (!stream) {
    file_state = (file_state | state_error) & ~state_good;
  } else {
    gzbuffer(as_gz(stream), zlib_buffer_size);
  }
  line = 1;
  buf_pos = buf_end = buf;
}

void CFile::close()
{
  // A failing close only concerns a stream we have finished reading.
  if (stream) gzclose(as_gz(stream));
  stream = nullptr;
}

void CFile::refill()
{
  unsigned keep = buf_pos != buf ? 1 : 0;
  if (keep) buf[0] = buf_pos[-1];

  int got = 0;
  if (!stream) {
    if (io_error_text.empty()) io_error_text = "the input file is not open";
  } else if (io_error_text.empty()) {
    got = gzread(as_gz(stream), buf + keep, buffer_size - keep);
    if (got < 0) got = 0;
    // A short read is either the real end or a failure of the stream; only
    // gzerror() tells them apart (a truncated member is Z_BUF_ERROR).
    if (got < static_cast<int>(buffer_size - keep)) io_error_text = stream_error(as_gz(stream));
  }

  if (got == 0) {
    // A failed stream must not look like the end of the input, or a damaged
    // file would end the run as a success on a truncated record.
    if (io_error_text.empty())
      file_state = (file_state | state_eof | state_error) & ~state_good;
    else
      file_state = (file_state | state_error) & ~(state_good | state_eof);
  }
  // Characters read before a failure are still handed out; the failure is
  // raised by the next refill, so the line counter points at the damage.
  buf_pos = buf + keep;
  buf_end = buf_pos + got;
}

char CFile::translate_line_end(char c)
{
  if (c == '\r') {
    buf_pos[-1] = '\n';  // a push-back now yields LF
    char next = getchar_intern();
    if (next != '\n' && !(file_state & state_error)) ungetchar();
    ++line;
    return '\n';
  }
  if (c == '\n') ++line;
  return c;
}

void CFile::ungetchar()
{
  if (buf_pos == buf) {
    file_state = (file_state | state_error) & ~state_good;
    return;
  }
  if (buf_pos[-1] == '\n' && !(file_state & state_error)) --line;
  --buf_pos;
}
