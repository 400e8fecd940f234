// A stdio stream that appends to a string: formatting a record's block into
// memory goes through the same buffered path as writing it to a file.
#ifndef SARVIK_STRING_STREAM_H
#define SARVIK_STRING_STREAM_H

#include <cstdio>
#include <string>

// This thread's stream, its output now going to `target`; flush it before
// reading target.
FILE* string_stream_into(std::string& target);

// Replaces `target`'s text (its capacity is kept) with what `print(FILE*)`
// writes. Each thread reuses one stream, so no stream is opened per call.
template <class Print>
void print_into(std::string& target, Print&& print)
{
  target.clear();
  FILE* f = string_stream_into(target);
  print(f);
  std::fflush(f);
}

#endif
