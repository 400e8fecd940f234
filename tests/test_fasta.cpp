#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <vector>

#include "CSequence_Mol.h"
#include "test_support.h"

namespace {

std::string str(const faststring& s) { return std::string(s.data ? s.data : "", s.len); }

struct Record {
  std::string full_name, name, description, seq;
  bool operator==(const Record& o) const
  {
    return full_name == o.full_name && name == o.name && description == o.description && seq == o.seq;
  }
};

std::ostream& operator<<(std::ostream& os, const Record& r)
{
  return os << "{" << testing::PrintToString(r.full_name) << ", " << testing::PrintToString(r.name) << ", "
            << testing::PrintToString(r.description) << ", " << r.seq << "}";
}

struct Outcome {
  std::vector<Record> records;
  int error_line = 0;  // 0: the whole file was read
};

// Reads a file the way the driver does: record after record until the end,
// stopping at the first read error.
Outcome read_fasta(const std::string& path, char ambig = 'N')
{
  Outcome out;
  CFile f;
  f.open(path.c_str());
  CSequence_Mol s(CSequence_Mol::dna, ambig, 100);
  while (!f.eof()) {
    s.readFastaSequence(f);
    if (f.fail() && !f.eof()) {
      out.error_line = f.line;
      return out;
    }
    out.records.push_back({str(s.full_name), str(s.name), str(s.description), str(s.seq_text)});
  }
  return out;
}

void write_gzip(const std::string& path, const std::string& text)
{
  gzFile gz = gzopen(path.c_str(), "wb");
  ASSERT_NE(gz, nullptr);
  gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
  gzclose(gz);
}

struct Case {
  const char* what;
  std::string input;
  std::vector<Record> records;
  int error_line;
};

const std::vector<Case>& cases()
{
  static const std::vector<Case> all = {
      {"name, description, case and ambiguity",
       ">seq1 human chr1\nacgtNNxu\n",
       {{"seq1 human chr1", "seq1", "human chr1", "ACGTNNNT"}},
       0},
      {"only blanks separate name and description",
       ">seq1\tpart2   rest of it\nA\n",
       {{"seq1\tpart2   rest of it", "seq1\tpart2", "rest of it", "A"}},
       0},
      {"header starting with blanks", ">  x\nA\n", {{"  x", "", "x", "A"}}, 0},
      {"header of a name and blanks", ">n   \nA\n", {{"n   ", "n", "", "A"}}, 0},
      {"gaps, blanks and empty lines removed; next record kept",
       ">s\nAC-GT*\nA C\n\nGT\n>t\n",
       {{"s", "s", "", "ACGTACGT"}, {"t", "t", "", ""}},
       0},
      {"record without sequence lines", ">s\n>t\nA\n", {{"s", "s", "", ""}, {"t", "t", "", "A"}}, 0},
      {"last sequence line without line end", ">s\nAC\nGT", {{"s", "s", "", "ACGT"}}, 0},
      {"last header without line end", ">s\nAC\n>t x", {{"s", "s", "", "AC"}, {"t x", "t", "x", ""}}, 0},
      {"every ambiguity code, both cases",
       ">s\nNXRYKMSWBDHV?nxrykmswbdhv\nUu\t\v\f \n",
       {{"s", "s", "", std::string(25, 'N') + "TT"}},
       0},
      {"CR LF line ends", ">a b\r\nAC\r\nGT\r\n>c\r\nT\r\n", {{"a b", "a", "b", "ACGT"}, {"c", "c", "", "T"}}, 0},
      {"lone CR line ends", ">a b\rAC\rGT\r>c\rT\r", {{"a b", "a", "b", "ACGT"}, {"c", "c", "", "T"}}, 0},
      {"comments and blank lines before the first header",
       "#comment\n  \n# another\n\n  >s\nAC\n",
       {{"s", "s", "", "AC"}},
       0},
      {"NUL and high bytes kept in the header",
       std::string(">a\0b\xe9\nA\n", 8),
       {{std::string("a\0b\xe9", 4), std::string("a\0b\xe9", 4), "", "A"}},
       0},
      // A '>' as the last byte: an empty record that keeps the previous name.
      {"'>' as the very last byte", ">a x\nAC\n>", {{"a x", "a", "x", "AC"}, {"", "a", "x", ""}}, 0},
      {"no header line", "ACGT\n", {}, 1},
      {"empty file", "", {}, 1},
      {"only blank lines", "\n\n\n", {}, 4},
      {"only comment lines", "#a\n#b\n", {}, 3},
      {"comment after a record", ">s\nAC\n#comment\n", {}, 3},
      {"digit in a sequence line", ">s\nAC1T\n", {}, 2},
      {"invalid last byte without line end", ">s\nACACACACACAC1", {}, 2},
      {"blank then '>' is a sequence line", ">s\nACAC\n >t\nAC\n", {}, 3},
      {"'>' inside a sequence line", ">s\nA>C\n", {}, 2},
      {"error in the second record", ">s\nAC\n>t\nAC\nA.C\n", {{"s", "s", "", "AC"}}, 5},
      {"error line with CR LF line ends", ">s\r\nAC\r\nAJ\r\n", {}, 3},
  };
  return all;
}

TEST(Fasta, PlainAndGzipInputReadTheSame)
{
  int n = 0;
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.what);
    std::string plain = write_temp_file(c.input, "case" + std::to_string(n) + ".fa");
    std::string gz = temp_path("case" + std::to_string(n++) + ".fa.gz");
    write_gzip(gz, c.input);
    for (const std::string& path : {plain, gz}) {
      Outcome got = read_fasta(path);
      EXPECT_EQ(got.error_line, c.error_line) << path;
      EXPECT_EQ(got.records, c.records) << path;
    }
  }
}

TEST(Fasta, CharactersOutsideTheAlphabetAreErrors)
{
  const std::string bad = std::string("0123456789.#;>EFIJLOPQZefijlopqz_=+\x01\x80\xff") + std::string(1, '\0');
  for (char c : bad) {
    SCOPED_TRACE(testing::PrintToString(c));
    Outcome got = read_fasta(write_temp_file(">s\nAC\nAC" + std::string(1, c) + "GT\n"));
    EXPECT_EQ(got.error_line, 3);
  }
}

TEST(Fasta, AmbiguityCharacterIsTheOneConfigured)
{
  Outcome got = read_fasta(write_temp_file(">s\nAnRy\n"), 'X');
  ASSERT_EQ(got.records.size(), 1u);
  EXPECT_EQ(got.records[0].seq, "AXXX");
}

TEST(Fasta, InvalidCharacterAtTheEndOfTheBuffer)
{
  // The '1' is the last character of the first block: no peek may refill
  // past it and turn the error into a clean end.
  for (const std::string& tail : {std::string(""), std::string("\nACGT\n")}) {
    std::string text = ">s\n" + std::string(CFile::buffer_size - 4, 'A') + "1" + tail;
    Outcome got = read_fasta(write_temp_file(text));
    EXPECT_EQ(got.error_line, 2) << tail.size();
  }
}

TEST(Fasta, LongSequenceAcrossBlocks)
{
  std::string seq;
  for (int i = 0; i < 2000000; ++i) seq += "ACGT"[i % 4];
  std::string text = ">long\n";
  for (size_t i = 0; i < seq.size(); i += 61) text += seq.substr(i, 61) + "\r\n";
  text += ">next\nA\n";
  Outcome got = read_fasta(write_temp_file(text));
  ASSERT_EQ(got.records.size(), 2u);
  EXPECT_EQ(got.records[0].seq, seq);
  EXPECT_EQ(got.records[1].seq, "A");
}

TEST(Fasta, TruncatedGzipIsAReadError)
{
  std::string text;
  for (int i = 0; i < 20000; ++i) text += ">r" + std::to_string(i) + "\nACGTTGCAACGTAGGCTA\n";
  std::string gz = temp_path("trunc.fa.gz");
  write_gzip(gz, text);
  std::string bytes = read_file(gz);
  Outcome got = read_fasta(write_temp_file(bytes.substr(0, bytes.size() - 100), "trunc2.fa.gz"));
  EXPECT_GT(got.error_line, 0);
  EXPECT_LT(got.records.size(), 20000u);
}

TEST(Fasta, RecordLongerThanAStringCanHoldIsRefused)
{
  CFile f;
  f.open(write_temp_file("ACGT\n").c_str());
  CSequence_Mol s(CSequence_Mol::dna, 'N', 8);
  // Pretend the text is already at the limit; nothing may be written.
  uint32_t real_len = s.seq_text.len, real_capacity = s.seq_text.capacity;
  s.seq_text.len = faststring::max_len;
  s.seq_text.capacity = 0xFFFFFFFFu;
  s.getLineOfDNA_toupper_ambig2N_removegaps(f);
  s.seq_text.len = real_len;
  s.seq_text.capacity = real_capacity;
  EXPECT_TRUE(s.too_long);
  EXPECT_EQ(f.file_state, CFile::state_error);
}

}  // namespace

// Plain bases are taken a block at a time, everything else one by one: any
// mix, at any offset of a line and of the text's growth, reads as the
// character-by-character rule says.
TEST(Fasta, PlainBasesAmongOtherCharactersAtEveryOffset)
{
  const std::string plain = "ACGTacgt", other = "NnRyUu-* \t";
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    const unsigned other_per_mille = std::uniform_int_distribution<unsigned>(0, 300)(rng);
    std::string text = ">s\n", want;
    const int lines = std::uniform_int_distribution<int>(1, 60)(rng);
    for (int l = 0; l < lines; ++l) {
      const int length = std::uniform_int_distribution<int>(0, 200)(rng);
      for (int i = 0; i < length; ++i) {
        char c = std::uniform_int_distribution<unsigned>(0, 999)(rng) < other_per_mille ? other[rng() % other.size()]
                                                                                          : plain[rng() % plain.size()];
        text += c;
        if (c == '-' || c == '*' || c == ' ' || c == '\t') continue;
        const bool base = plain.find(c) != std::string::npos;
        want += c == 'U' || c == 'u' ? 'T' : base ? static_cast<char>(std::toupper(c)) : 'N';
      }
      text += "\n";
    }
    const bool bad = seed % 4 == 0 && want.size() > 0;
    std::size_t at = 0;
    if (bad) {  // an invalid character somewhere in the sequence lines
      do at = 3 + rng() % (text.size() - 3);
      while (text[at] == '\n');
      text[at] = 'J';
    }
    Outcome got = read_fasta(write_temp_file(text, "mix.fa"));
    if (bad) {
      EXPECT_EQ(got.error_line, 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n')));
    } else {
      ASSERT_EQ(got.records.size(), 1u);
      EXPECT_EQ(got.records[0].seq, want);
    }
  }
}
