#include "string_stream.h"

#include <stdio_ext.h>

#include <new>

#include "faststring.h"

namespace {

struct ThreadStringStream {
  std::string* target = nullptr;
  FILE* file = nullptr;

  static ssize_t write(void* cookie, const char* text, size_t size)
  {
    try {
      static_cast<ThreadStringStream*>(cookie)->target->append(text, size);
    } catch (const std::bad_alloc&) {
      abort_on_failed_realloc();  // out of memory, as for any other buffer
    }
    return static_cast<ssize_t>(size);
  }

  ThreadStringStream()
  {
    cookie_io_functions_t io = {nullptr, write, nullptr, nullptr};
    file = fopencookie(this, "w", io);
    if (!file) abort_on_failed_realloc();
    // Only this thread writes to it: every fprintf and fputc may skip the stream's lock.
    __fsetlocking(file, FSETLOCKING_BYCALLER);
  }
  ~ThreadStringStream() { std::fclose(file); }
};

}  // namespace

FILE* string_stream_into(std::string& target)
{
  static thread_local ThreadStringStream stream;
  stream.target = &target;  // print_into left nothing of the last one buffered
  return stream.file;
}
