// faststring: a growable character buffer that push_back does not keep
// zero-terminated (assign does).
//
// Contract: `data` is null until something is stored; `len` <= `capacity`.
// push_back grows 0 -> 4 -> doubling; assign, reserve and c_str grow to an
// exact size. A failed allocation ends the process with a message on stderr
// and exit status 1 (a silent exit 0 would look like success to scripts).
// Lengths are 32-bit: push_back on a full string (max_len characters) is a
// caller error; readers check `len == max_len` before appending.
#ifndef SARVIK_FASTSTRING_H
#define SARVIK_FASTSTRING_H

#include <cstdint>
#include <cstdlib>
#include <cstring>

[[noreturn]] void abort_on_failed_realloc();

// A chromosome's text would otherwise take a page fault every 4 KiB, and
// page faults are dear (most of all on virtual machines): buffers of at
// least this size ask for the kernel's 2 MiB pages where it offers them.
const std::size_t huge_page_buffer = 4u << 20;
void advise_huge_pages(void* buffer, std::size_t bytes);

// Grows a malloc'ed buffer to `bytes`, ending the process when that fails.
inline void* checked_realloc(void* p, std::size_t bytes)
{
  void* q = std::realloc(p, bytes ? bytes : 1);
  if (!q) abort_on_failed_realloc();
  return q;
}

class faststring {
 public:
  static const uint32_t max_len = 0xFFFFFFFEu;  // one byte stays for c_str()

  char* data = nullptr;
  uint32_t len = 0;
  uint32_t capacity = 0;

  faststring() = default;
  faststring(const faststring&) = delete;
  faststring& operator=(const faststring&) = delete;
  ~faststring() { std::free(data); }

  void push_back(char c)
  {
    if (len == capacity) grow();
    data[len++] = c;
  }

  void assign(const char* begin, const char* end)
  {
    len = static_cast<uint32_t>(end - begin);
    if (len + 1ull > capacity) resize_exact(len + 1ull);
    if (len) std::memcpy(data, begin, len);
    data[len] = '\0';  // so that c_str() only reads it, on any number of threads at once
  }

  void assign(const char* s) { assign(s, s + std::strlen(s)); }

  const char* c_str()
  {
    if (len == capacity) resize_exact(len + 1ull);
    // Once terminated, only read: threads format one record's slices side by side.
    if (data[len] != '\0') data[len] = '\0';
    return data;
  }

  void reserve(uint32_t n)
  {
    if (capacity < n + 1ull) resize_exact(n + 1ull);
  }

  const char* begin() const { return data; }
  const char* end() const { return data + len; }

 private:
  void grow()
  {
    uint64_t n = capacity == 0 ? 4 : 2ull * capacity;
    if (n > 0xFFFFFFFFull) n = 0xFFFFFFFFull;
    resize_exact(n);
  }
  void resize_exact(uint64_t n)
  {
    data = static_cast<char*>(checked_realloc(data, n));
    capacity = static_cast<uint32_t>(n);
    if (n >= huge_page_buffer) advise_huge_pages(data, n);
  }
};

#endif
