#include "CDnaString.h"

#include <algorithm>
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

// Room for n characters: on the stack for units of the usual lengths, so
// that writing a repeat's unit allocates nothing.
class Scratch {
 public:
  explicit Scratch(uint32_t n) : heap(n > sizeof local ? new char[n] : nullptr) {}
  char* text() { return heap ? heap.get() : local; }

 private:
  char local[64];
  std::unique_ptr<char[]> heap;
};

// Compares the rotations of the n characters at s that start at a and at b,
// byte by byte as unsigned values, in the (at most three) pieces that lie
// contiguous in s for both.
int compare_rotations(const char* s, uint32_t n, uint32_t a, uint32_t b)
{
  for (uint32_t done = 0; done < n;) {
    const uint64_t at_a = uint64_t{a} + done, at_b = uint64_t{b} + done;
    const uint32_t pa = static_cast<uint32_t>(at_a < n ? at_a : at_a - n);
    const uint32_t pb = static_cast<uint32_t>(at_b < n ? at_b : at_b - n);
    const uint32_t len = std::min(n - done, std::min(n - pa, n - pb));
    if (const int c = std::memcmp(s + pa, s + pb, len)) return c;
    done += len;
  }
  return 0;
}

// Writes the smallest rotation of the n characters at s to `out` (room for n,
// not overlapping s) and tells whether two different rotations are equal,
// i.e. whether s is a repetition of a shorter string.
bool smallest_rotation(const char* s, uint32_t n, char* out)
{
  if (n == 0) return false;
  uint32_t best = 0;
  bool repeated = false;
  for (uint32_t i = 1; i < n; ++i) {
    const int c = compare_rotations(s, n, i, best);
    if (c < 0)
      best = i;
    else if (c == 0)
      repeated = true;
  }
  std::memcpy(out, s + best, n - best);
  std::memcpy(out + (n - best), s, best);
  return repeated;
}

void reverse_complement(const char* s, uint32_t n, char* out)
{
  for (uint32_t i = 0; i < n; ++i) out[i] = dna_complement(s[n - 1 - i]);
}

}  // namespace

void CDnaString::setToReverseComplementOf(const CDnaString& src)
{
  const uint32_t n = src.len;
  Scratch rc(n);
  reverse_complement(src.data, n, rc.text());
  assign(rc.text(), rc.text() + n);
}

bool CDnaString::setToMinAlphaRepModCyclicPermOf(const CDnaString& src)
{
  const uint32_t n = src.len;
  Scratch rot(n);
  const bool repeated = smallest_rotation(src.data, n, rot.text());
  assign(rot.text(), rot.text() + n);
  return repeated;
}

bool CDnaString::setToMinAlphaRepModRevCompAndCyclicPermOf(const CDnaString& src)
{
  const uint32_t n = src.len;
  Scratch rc(n), from_rc(n), from_src(n);
  reverse_complement(src.data, n, rc.text());
  const bool repeated = smallest_rotation(rc.text(), n, from_rc.text());
  smallest_rotation(src.data, n, from_src.text());
  const char* best = from_rc.text();
  if (n && std::memcmp(from_rc.text(), from_src.text(), n) > 0) best = from_src.text();
  assign(best, best + n);
  return repeated;
}
