#include "faststring.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdio>

void abort_on_failed_realloc()
{
  std::fputs("Program aborded due to failed realloc!\n", stderr);
  std::fflush(stderr);
  std::exit(1);
}

void advise_huge_pages(void* buffer, std::size_t bytes)
{
  // The whole pages the buffer touches: advice on part of a mapping would
  // split it, and realloc could no longer move it without copying.
  const std::uintptr_t page = 4096;
  const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(buffer) & ~(page - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(buffer) + bytes + page - 1) & ~(page - 1);
  // Only advice: without huge pages the buffer works as before.
  madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}
