#include "unit_scan.h"

UnitScan& UnitScan::for_unit(const char* begin, const char* end)
{
  thread_local UnitScan scan;
  scan.set_unit(begin, end);
  return scan;
}

void UnitScan::set_unit(const char* begin, const char* end)
{
  L = static_cast<int>(end - begin);
  const std::size_t size = static_cast<std::size_t>(L) + 2 * margin;
  if (periodic_buffer.size() < size) periodic_buffer.resize(size);
  char* p = periodic_buffer.data() + margin;
  std::memcpy(p, begin, static_cast<std::size_t>(L));
  // In order, so that a unit shorter than the margin repeats into it too.
  for (int i = 0; i < margin; ++i) p[L + i] = p[i];
  for (int i = 1; i <= margin; ++i) p[-i] = p[L - i];
  periodic = p;

  if (wrap_length != L) {
    if (wrap_buffer.size() < size) wrap_buffer.resize(size);
    int* w = wrap_buffer.data() + margin;
    for (int x = -margin; x < L + margin; ++x) w[x] = ((x % L) + L) % L;
    wrap = w;
    wrap_length = L;
  }
}
