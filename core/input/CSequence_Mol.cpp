#include "CSequence_Mol.h"

#include <cstdio>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// What a sequence character becomes. Built for the C locale once, so the
// per-character path is one table load and no call into the locale.
enum : unsigned char { invalid = 0, skip = 1, ambiguity = 2 };

struct dna_table {
  unsigned char code[256];

  constexpr dna_table() : code()
  {
    const char* ambig = "NXRYKMSWBDHV?";
    for (int i = 0; i < 256; ++i) code[i] = invalid;
    for (const char* p = ambig; *p; ++p) code[static_cast<unsigned char>(*p)] = ambiguity;
    code['A'] = 'A';
    code['C'] = 'C';
    code['G'] = 'G';
    code['T'] = 'T';
    code['U'] = 'T';
    code[' '] = code['\t'] = code['\v'] = code['\f'] = code['\r'] = code['\n'] = skip;
    code['-'] = code['*'] = skip;
    for (int c = 'a'; c <= 'z'; ++c) code[c] = code[c - 'a' + 'A'];
  }
};

constexpr dna_table sequence_codes;

// isspace() of the C locale, independent of whatever locale is set.
inline bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

inline void refuse_too_long(CSequence_Mol& s, CFile& file)
{
  s.too_long = true;
  file.set_state(CFile::state_error);
}

// Up to 16 at a time: whether the 16 characters at p are all plain A, C, G
// or T in either case, and if so stores them upper-cased at `to`.
inline bool take_plain_block(const char* p, char* to)
{
#if defined(__SSE2__)
  const __m128i lower = _mm_set1_epi8(0x20);
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i l = _mm_or_si128(v, lower);
  const __m128i plain =
      _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(l, _mm_set1_epi8('a')), _mm_cmpeq_epi8(l, _mm_set1_epi8('c'))),
                   _mm_or_si128(_mm_cmpeq_epi8(l, _mm_set1_epi8('g')), _mm_cmpeq_epi8(l, _mm_set1_epi8('t'))));
  if (_mm_movemask_epi8(plain) != 0xFFFF) return false;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_andnot_si128(lower, v));
  return true;
#else
  (void)p;
  (void)to;
  return false;
#endif
}

// Appends the sequence characters from p on as the text holds them, up to e
// or, when `until_control`, the first control character (or byte above 127);
// returns where it stopped. Null at a character that ends the reading of
// the record: invalid, or one more than the text can hold (the file's state
// then says so). The text's length lives in a register meanwhile (stores
// through its characters could otherwise change it, for all the compiler
// knows).
template <bool until_control>
const char* take_characters(CSequence_Mol& s, CFile& file, const char* p, const char* e)
{
  faststring& t = s.seq_text;
  uint32_t len = t.len;
  uint32_t capacity = t.capacity;
  char* text = t.data;
  for (;;) {
    // Most of a genome is plain bases: those go a block at a time while the
    // text has room; the table below takes a block with anything else.
    while (until_control && e - p >= 16 && capacity - len >= 16 && faststring::max_len - len >= 16 &&
           take_plain_block(p, text + len)) {
      p += 16;
      len += 16;
    }
    const char* const block_end = until_control && e - p > 16 ? p + 16 : e;
    for (; p != block_end && !(until_control && *p <= 13); ++p) {
      const unsigned char k = sequence_codes.code[static_cast<unsigned char>(*p)];
      if (k < ambiguity) {
        if (k == skip) continue;
        t.len = len;
        file.set_state(CFile::state_error);
        return nullptr;
      }
      if (len >= faststring::max_len) {
        t.len = len;
        refuse_too_long(s, file);
        return nullptr;
      }
      const char c = k == ambiguity ? s.ambig_char : static_cast<char>(k);
      if (len == capacity) {
        t.len = len;
        t.push_back(c);  // grows as ever
        text = t.data;
        capacity = t.capacity;
        ++len;
      } else {
        text[len++] = c;
      }
    }
    if (p != block_end || p == e) break;
  }
  t.len = len;
  return p;
}

}  // namespace

CSequence_Mol::CSequence_Mol(int type, char ambiguity_char, unsigned reserve_length)
    : seq_type(type), ambig_char(ambiguity_char)
{
  if (reserve_length) seq_text.reserve(reserve_length);
}

void CSequence_Mol::readFastaSequence(CFile& file)
{
  full_name.len = 0;
  seq_text.len = 0;
  too_long = false;

  char c = file.getchar();
  while (!file.fail() && is_space(c)) c = file.getchar();

  // Comment lines may come before a header.
  while (!file.fail() && c == '#') {
    while (file.file_state == CFile::state_good && c != '\n') c = file.getchar();
    c = file.getchar();
    while (!file.fail() && is_space(c)) c = file.getchar();
  }

  if (c != '>') {
    file.set_state(CFile::state_error);
    return;
  }

  for (;;) {
    c = file.getchar();
    if (file.fail()) {
      // A header without a line end at the very end of the file is complete;
      // a stream failure (no end-of-file flag) stays an error. A CR as the
      // last byte is a line end like LF, though looking past it for an LF
      // already met the end: '>' CR at the end reads like '>' LF.
      if ((full_name.len > 0 || c == '\n') && file.eof()) {
        file.set_state(file.file_state & ~CFile::state_error);
        break;
      }
      return;
    }
    if (c == '\n') break;
    if (full_name.len >= faststring::max_len) {
      refuse_too_long(*this, file);
      return;
    }
    full_name.push_back(c);
  }

  find_fastaname_and_description();

  c = file.getchar();
  file.ungetchar();
  while (!file.fail() && c != '>') {
    getLineOfDNA_toupper_ambig2N_removegaps(file);
    // Stop before peeking: at the end of the buffer the peek would refill,
    // find the end of the input and turn a bad last line into a clean end.
    if (file.fail()) return;
    c = file.getchar();
    file.ungetchar();
  }
}

void CSequence_Mol::find_fastaname_and_description()
{
  const char* b = full_name.data;
  const char* e = b + full_name.len;
  const char* blank = b;
  while (blank != e && *blank != ' ') ++blank;

  name.assign(b, blank);
  if (blank == e) {
    description.assign(e, e);
    return;
  }
  const char* d = blank;
  while (d != e && *d == ' ') ++d;
  description.assign(d, e);
}

void CSequence_Mol::carry_names_from(const CSequence_Mol& previous)
{
  name.assign(previous.name.data, previous.name.data + previous.name.len);
  description.assign(previous.description.data, previous.description.data + previous.description.len);
}

void CSequence_Mol::derive_tool_name(unsigned record_number)
{
  const char* b = full_name.data;
  const char* const e = b + full_name.len;
  while (b != e && is_space(*b)) ++b;
  // A NUL ends the name as it ends the printed one.
  const char* w = b;
  while (w != e && *w != '\0' && !is_space(*w)) ++w;
  tool_name_made_up = w == b;
  if (tool_name_made_up) {
    const std::string made_up = "unnamed_" + std::to_string(record_number);
    tool_name.assign(made_up.data(), made_up.data() + made_up.size());
  } else {
    tool_name.assign(b, w);
  }
}

void CSequence_Mol::getLineOfDNA_toupper_ambig2N_removegaps(CFile& file)
{
  if (seq_type != dna) {
    std::fputs("Not implemented.\n", stdout);
    // Consume the line all the same, or the caller would peek at it forever.
    char c;
    do c = file.getchar();
    while (!file.fail() && c != '\n');
    return;
  }

  // What getchar() would hand out one by one: the characters in the buffer
  // before the next line end or other control character (or byte above 127)
  // are taken straight from it; those and a refill go through getchar().
  for (;;) {
    const char* stop = take_characters<true>(*this, file, file.buf_pos, file.buf_end);
    if (!stop) return;
    file.buf_pos = const_cast<char*>(stop);
    const char c = file.getchar();
    if (file.fail() || c == '\n') return;
    if (!take_characters<false>(*this, file, &c, &c + 1)) return;
  }
}

long long CSequence_Mol::set_sequence_text(const char* text, std::size_t size)
{
  seq_text.len = 0;
  if (size >= faststring::max_len) return static_cast<long long>(faststring::max_len);
  seq_text.reserve(static_cast<uint32_t>(size) + 1);
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char code = sequence_codes.code[static_cast<unsigned char>(text[i])];
    if (code == invalid) return static_cast<long long>(i);
    if (code == skip) continue;
    seq_text.data[seq_text.len++] = code == ambiguity ? ambig_char : static_cast<char>(code);
  }
  return -1;
}
