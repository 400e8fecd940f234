// fastvector<T>: a growable vector of trivially copyable values.
//
// Contract: `data` is null until the first push_back; `count` <= `capacity`.
// Growth is 0 -> 4 -> doubling; emptying (count = 0) keeps the buffer. A
// failed allocation ends the process with a message on stderr and status 1.
// Not copyable: whoever needs a copy of the elements makes it explicitly.
#ifndef SARVIK_FASTVECTOR_H
#define SARVIK_FASTVECTOR_H

#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "faststring.h"

template <typename T>
class fastvector {
  static_assert(std::is_trivially_copyable<T>::value, "fastvector holds plain values");

 public:
  T* data = nullptr;
  uint32_t count = 0;
  uint32_t capacity = 0;

  fastvector() = default;
  fastvector(const fastvector&) = delete;
  fastvector& operator=(const fastvector&) = delete;
  ~fastvector() { release(); }

  void push_back(const T& v)
  {
    if (count == capacity) resize_exact(capacity == 0 ? 4 : 2ull * capacity);
    data[count++] = v;
  }

  // Sets the buffer to exactly n elements (count is clipped, never grown).
  void resize_exact(uint64_t n)
  {
    if (n > 0xFFFFFFFFull) abort_on_failed_realloc();
    data = static_cast<T*>(checked_realloc(data, n * sizeof(T)));
    capacity = static_cast<uint32_t>(n);
    if (count > capacity) count = capacity;
  }

  void release()
  {
    std::free(data);
    data = nullptr;
    count = capacity = 0;
  }

  T* begin() { return data; }
  T* end() { return data + count; }
  const T* begin() const { return data; }
  const T* end() const { return data + count; }
};

#endif
