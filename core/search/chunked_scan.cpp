#include "chunked_scan.h"

#include <time.h>

ChunkedScanStats chunked_scan_stats;

uint64_t thread_cpu_ns()
{
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<uint64_t>(t.tv_sec) * 1000000000ull + static_cast<uint64_t>(t.tv_nsec);
}

unsigned forced_chunk_length = 0;

unsigned scan_chunk_length(unsigned windows)
{
  if (!search_pool || search_pool->threads() < 2 || windows == 0) return 0;
  if (forced_chunk_length) return forced_chunk_length;
  // Eight chunks a thread even out unequal chunks; below 64 Ki windows the
  // hand-over would cost more than the scan.
  const unsigned min_chunk = 1u << 16;
  unsigned c = windows / (8u * search_pool->threads());
  if (c < min_chunk) c = min_chunk;
  return windows >= 2u * c ? c : 0;
}
