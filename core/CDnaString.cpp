#include "CDnaString.h"

#include <cstring>
#include <memory>

char dna_complement(char c)
{
  switch (c) {
    case 'A': return 'T';
    case 'B': return 'V';
    case 'C': return 'G';
    case 'D': return 'H';
    case 'G': return 'C';
    case 'H': return 'D';
    case 'K': return 'M';
    case 'M': return 'K';
    case 'N': return 'N';
    case 'R': return 'Y';
    case 'T': return 'A';
    case 'V': return 'B';
    case 'Y': return 'R';
    default: return '?';
  }
}

namespace {

// Writes the smallest rotation of the n characters at s to `out` (room for n)
// and tells whether two different rotations are equal, i.e. whether s is a
// repetition of a shorter string.
bool smallest_rotation(const char* s, uint32_t n, char* out)
{
  if (n == 0) return false;
  std::unique_ptr<char[]> doubled(new char[2ull * n + 1]);
  std::memcpy(doubled.get(), s, n);
  std::memcpy(doubled.get() + n, s, n);
  doubled[2ull * n] = '\0';
  const char* d = doubled.get();
  uint32_t best = 0;
  bool repeated = false;
  for (uint32_t i = 1; i < n; ++i) {
    int c = std::memcmp(d + i, d + best, n);  // memcmp compares unsigned bytes
    if (c < 0)
      best = i;
    else if (c == 0)
      repeated = true;
  }
  std::memcpy(out, d + best, n);
  return repeated;
}

}  // namespace

void CDnaString::setToReverseComplementOf(const CDnaString& src)
{
  uint32_t n = src.len;
  std::unique_ptr<char[]> rc(new char[n + 1ull]);
  for (uint32_t i = 0; i < n; ++i) rc[i] = dna_complement(src.data[n - 1 - i]);
  assign(rc.get(), rc.get() + n);
}

bool CDnaString::setToMinAlphaRepModCyclicPermOf(const CDnaString& src)
{
  uint32_t n = src.len;
  std::unique_ptr<char[]> rot(new char[n + 1ull]);
  bool repeated = smallest_rotation(src.data, n, rot.get());
  assign(rot.get(), rot.get() + n);
  return repeated;
}

bool CDnaString::setToMinAlphaRepModRevCompAndCyclicPermOf(const CDnaString& src)
{
  uint32_t n = src.len;
  CDnaString rc;
  rc.setToReverseComplementOf(src);
  std::unique_ptr<char[]> from_rc(new char[n + 1ull]);
  std::unique_ptr<char[]> from_src(new char[n + 1ull]);
  bool repeated = smallest_rotation(rc.data, n, from_rc.get());
  smallest_rotation(src.data, n, from_src.get());
  const char* best = from_rc.get();
  if (n && std::memcmp(from_rc.get(), from_src.get(), n) > 0) best = from_src.get();
  assign(best, best + n);
  return repeated;
}
