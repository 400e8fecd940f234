// The FASTA reader over CFile on arbitrary bytes, checked against a plain
// model of the format, and the same bytes once more as gzip (whole, in two
// members, and cut short).
//
// An input starting with 0xFF gets a long comment line first, so that the
// rest straddles the end of CFile's first one-million-character block.
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CFile.h"
#include "CSequence_Mol.h"
#include "fuzz_support.h"

namespace {

struct Record {
  std::string full_name, name, description, seq;
  bool operator==(const Record& o) const
  {
    return full_name == o.full_name && name == o.name && description == o.description && seq == o.seq;
  }
};

struct Outcome {
  std::vector<Record> records;
  bool error = false;
  int line = 0;  // the line of a read error
};

std::string str(const faststring& s) { return std::string(s.data ? s.data : "", s.len); }

// What the reader must make of `raw`, written straight from the format rules
// on a whole string, with none of the buffer and push-back mechanics.
Outcome model(const std::string& raw)
{
  std::string t;  // line ends translated: CR LF and a lone CR become LF
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r') {
      t += '\n';
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else {
      t += raw[i];
    }
  }
  const size_t n = t.size();
  auto line_at = [&](size_t i) { return 1 + static_cast<int>(std::count(t.begin(), t.begin() + i, '\n')); };
  auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };

  Outcome out;
  std::string last_name, last_description;
  size_t i = 0;
  for (;;) {
    while (i < n && space(t[i])) ++i;
    while (i < n && t[i] == '#') {
      while (i < n && t[i] != '\n') ++i;
      if (i < n) ++i;
      while (i < n && space(t[i])) ++i;
    }
    if (i == n || t[i] != '>') {
      out.error = true;
      out.line = line_at(i);
      return out;
    }
    ++i;
    Record r;
    const size_t h = i;
    while (i < n && t[i] != '\n') ++i;
    r.full_name = t.substr(h, i - h);
    if (i == n && r.full_name.empty()) {
      // A '>' as the very last byte: an empty record that keeps the last name.
      r.name = last_name;
      r.description = last_description;
      out.records.push_back(r);
      return out;
    }
    if (i < n) ++i;
    size_t blank = r.full_name.find(' ');
    r.name = r.full_name.substr(0, blank);
    if (blank != std::string::npos) {
      size_t d = r.full_name.find_first_not_of(' ', blank);
      r.description = d == std::string::npos ? "" : r.full_name.substr(d);
    }
    last_name = r.name;
    last_description = r.description;

    while (i < n && t[i] != '>') {
      for (; i < n && t[i] != '\n'; ++i) {
        char c = t[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c == 'A' || c == 'C' || c == 'G' || c == 'T') {
          r.seq += c;
        } else if (c == 'U') {
          r.seq += 'T';
        } else if (c != '\0' && std::string("NXRYKMSWBDHV?").find(c) != std::string::npos) {
          r.seq += 'N';
        } else if (!(space(c) || c == '-' || c == '*')) {
          out.error = true;
          out.line = line_at(i);
          return out;
        }
      }
      if (i < n) ++i;
    }
    out.records.push_back(r);
    if (i == n) return out;
  }
}

// What the reader makes of the file at `path`, read the way the driver does.
Outcome read_all(const char* path)
{
  static std::unique_ptr<CFile> file(new CFile);  // a million-character buffer
  CFile& f = *file;
  Outcome out;
  f.open(path);
  FUZZ_REQUIRE(!f.fail(), "cannot open %s", path);
  CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  while (!f.eof()) {
    seq.readFastaSequence(f);
    FUZZ_REQUIRE(f.buf <= f.buf_pos && f.buf_pos <= f.buf_end && f.buf_end <= f.buf + CFile::buffer_size,
                 "buffer pointers out of order");
    FUZZ_REQUIRE(f.line >= 1, "line counter %d", f.line);
    if (f.fail() && !f.eof()) {
      out.error = true;
      out.line = f.line;
      break;
    }
    for (uint32_t i = 0; i < seq.seq_text.len; ++i) {
      char c = seq.seq_text.data[i];
      FUZZ_REQUIRE(c == 'A' || c == 'C' || c == 'G' || c == 'T' || c == 'N', "sequence character %d", c);
    }
    out.records.push_back({str(seq.full_name), str(seq.name), str(seq.description), str(seq.seq_text)});
  }
  f.close();
  return out;
}

std::string gzip(const std::string& raw, size_t from, size_t to)
{
  z_stream z{};
  // A small window and hash: the inputs are a few kilobytes at most.
  if (deflateInit2(&z, 6, Z_DEFLATED, 16 + 9, 1, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
  std::string out(deflateBound(&z, to - from) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data() + from));
  z.avail_in = static_cast<uInt>(to - from);
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string describe(const Outcome& o)
{
  std::string s = std::to_string(o.records.size()) + " records";
  if (o.error) s += ", read error at line " + std::to_string(o.line);
  return s;
}

void require_same(const Outcome& got, const Outcome& want, const char* variant)
{
  FUZZ_REQUIRE(got.error == want.error && got.line == want.line && got.records.size() == want.records.size(),
               "%s: read %s, expected %s", variant, describe(got).c_str(), describe(want).c_str());
  for (size_t i = 0; i < got.records.size(); ++i)
    FUZZ_REQUIRE(got.records[i] == want.records[i], "%s: record %zu differs (header '%s' vs '%s')", variant, i + 1,
                 got.records[i].full_name.c_str(), want.records[i].full_name.c_str());
}

memory_file* file;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  quiet_program_output();
  file = new memory_file;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  std::string raw(reinterpret_cast<const char*>(data), size);
  if (size >= 3 && data[0] == 0xFF) {
    // A comment line long enough to end just before the block boundary: it
    // reads like a short one, and the model only sees the short form.
    const char line_end = data[1] & 1 ? '\r' : '\n';
    const size_t length = CFile::buffer_size - 10 - data[2];
    const std::string rest = raw.substr(3);
    file->write("#" + std::string(length, 'x') + line_end + rest);
    const Outcome padded = read_all(file->path());
    if (rest.size() >= 2 && rest[0] == '\x1f' && rest[1] == '\x8b') return 0;
    require_same(padded, model(std::string("#") + line_end + rest), "padded");
    return 0;
  }

  file->write(raw);
  const Outcome plain = read_all(file->path());
  // Bytes that begin like gzip are decompressed by the reader: no model.
  if (raw.size() >= 2 && raw[0] == '\x1f' && raw[1] == '\x8b') return 0;
  const Outcome want = model(raw);
  require_same(plain, want, "plain");

  const std::string whole = gzip(raw, 0, raw.size());
  file->write(whole);
  require_same(read_all(file->path()), want, "gzip");

  const size_t half = raw.size() / 2;
  file->write(gzip(raw, 0, half) + gzip(raw, half, raw.size()));
  require_same(read_all(file->path()), want, "two gzip members");

  // Cut short anywhere after the magic bytes: never a clean end, and the
  // records read before the damage are the file's first records.
  if (size > 0 && whole.size() > 2) {
    const size_t cut = 2 + data[size - 1] % (whole.size() - 2);
    file->write(whole.substr(0, cut));
    const Outcome cut_short = read_all(file->path());
    FUZZ_REQUIRE(cut_short.error, "gzip cut at %zu of %zu bytes read as a complete file (%s)", cut, whole.size(),
                 describe(cut_short).c_str());
    FUZZ_REQUIRE(cut_short.records.size() <= want.records.size(), "cut gzip gave more records");
    for (size_t i = 0; i < cut_short.records.size(); ++i)
      FUZZ_REQUIRE(cut_short.records[i] == want.records[i], "cut gzip: record %zu differs", i + 1);
  }
  return 0;
}
