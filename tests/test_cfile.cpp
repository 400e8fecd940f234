#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include "CFile.h"
#include "test_support.h"

namespace {

// Everything getchar() hands out up to the end of the input. A CR as the
// last byte still yields its LF together with the end-of-file flags.
std::string read_all(CFile& f)
{
  std::string s;
  for (;;) {
    char c = f.getchar();
    if (f.fail() && c == 0) return s;
    s += c;
    if (f.fail()) return s;
  }
}

void write_gzip(const std::string& path, const std::string& text, const char* mode = "wb")
{
  gzFile gz = gzopen(path.c_str(), mode);
  ASSERT_NE(gz, nullptr);
  ASSERT_EQ(gzwrite(gz, text.data(), static_cast<unsigned>(text.size())), static_cast<int>(text.size()));
  ASSERT_EQ(gzclose(gz), Z_OK);
}

// A text past one buffer, with every kind of line end, including a CR LF pair
// split across the first refill.
std::string large_text()
{
  std::string s(CFile::buffer_size - 1, 'A');
  s += "\r\nC\rG\n";
  for (int i = 0; i < 300000; ++i) s += (i % 3 == 0) ? "ACGT\r\n" : (i % 3 == 1) ? "TTGA\r" : "GGCA\n";
  return s;
}

TEST(CFile, TranslatesEveryLineEndAndCountsLines)
{
  CFile f;
  f.open(write_temp_file("A\r\nC\rG\n").c_str());
  EXPECT_EQ(f.file_state, CFile::state_good);
  EXPECT_EQ(read_all(f), "A\nC\nG\n");
  EXPECT_EQ(f.file_state, CFile::state_eof | CFile::state_error);
  EXPECT_EQ(f.line, 4);
  EXPECT_EQ(f.getchar(), 0);  // and from then on
  EXPECT_EQ(f.file_state, CFile::state_eof | CFile::state_error);
}

TEST(CFile, RawReadKeepsCarriageReturnsAndDoesNotCount)
{
  CFile f;
  f.open(write_temp_file("a\r\nb").c_str());
  std::string s;
  for (char c = f.getchar_intern(); !f.fail(); c = f.getchar_intern()) s += c;
  EXPECT_EQ(s, "a\r\nb");
  EXPECT_EQ(f.line, 1);
}

TEST(CFile, EmptyFileEndsAtOnceAndCannotPushBack)
{
  CFile f;
  f.open(write_temp_file("").c_str());
  EXPECT_EQ(f.getchar(), 0);
  EXPECT_EQ(f.file_state, CFile::state_eof | CFile::state_error);
  EXPECT_EQ(f.line, 1);
  f.ungetchar();
  EXPECT_EQ(f.file_state, CFile::state_eof | CFile::state_error);
  EXPECT_EQ(f.buf_pos, f.buf);
}

TEST(CFile, PushBackOfLineEndUncountsTheLine)
{
  CFile f;
  f.open(write_temp_file("a\r\nb\rc").c_str());
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(f.getchar(), 'a');
    EXPECT_EQ(f.getchar(), '\n');
    EXPECT_EQ(f.line, 2);
    f.ungetchar();
    EXPECT_EQ(f.line, 1);
    EXPECT_EQ(f.getchar(), '\n');
    EXPECT_EQ(f.getchar(), 'b');
    EXPECT_EQ(f.getchar(), '\n');  // lone CR, pushed back as LF
    f.ungetchar();
    EXPECT_EQ(f.getchar(), '\n');
    EXPECT_EQ(f.line, 3);
    EXPECT_EQ(f.getchar(), 'c');
    f.open(write_temp_file("a\r\nb\rc").c_str());  // reopening starts over
  }
}

TEST(CFile, PushBackAtTheVeryStartIsAnError)
{
  CFile f;
  f.open(write_temp_file("ACGT").c_str());
  f.ungetchar();
  EXPECT_EQ(f.file_state, CFile::state_error);
}

TEST(CFile, ControlAndHighBytesPassUnchanged)
{
  const std::string raw("\t\0\x01\x0b\x0c\x80\xff z", 9);
  CFile f;
  f.open(write_temp_file(raw).c_str());
  EXPECT_EQ(read_all(f), raw);
  EXPECT_EQ(f.line, 1);
}

TEST(CFile, RefillBoundary)
{
  struct Case {
    const char* what;
    std::string tail;  // follows 999,999 'A's, so tail[0] is character 1,000,000
    std::string expected_tail;
    int lines;
  } cases[] = {
      {"CR LF split by the refill", "\r\nC", "\nC", 2},
      {"lone CR before the refill", "\rC", "\nC", 2},
      {"CR as the last character of the file", "\r", "\n", 2},
      {"LF ending the block", "\nC\n", "\nC\n", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text = std::string(CFile::buffer_size - 1, 'A') + c.tail;
    CFile f;
    f.open(write_temp_file(text).c_str());
    std::string got = read_all(f);
    EXPECT_EQ(got.substr(CFile::buffer_size - 1), c.expected_tail);
    EXPECT_EQ(got.size(), CFile::buffer_size - 1 + c.expected_tail.size());
    EXPECT_EQ(f.line, c.lines);
    EXPECT_TRUE(f.eof());
  }
}

TEST(CFile, PushBackRightAfterARefill)
{
  std::string text = std::string(CFile::buffer_size, 'A') + "CG";
  CFile f;
  f.open(write_temp_file(text).c_str());
  for (unsigned i = 0; i < CFile::buffer_size; ++i) f.getchar();
  EXPECT_EQ(f.getchar(), 'C');  // comes from the second block
  f.ungetchar();
  f.ungetchar();  // back onto the character kept from the first block
  EXPECT_EQ(f.file_state, CFile::state_good);
  EXPECT_EQ(f.getchar(), 'A');
  EXPECT_EQ(f.getchar(), 'C');
  EXPECT_EQ(f.getchar(), 'G');
}

TEST(CFile, PlainGzipAndMultiMemberGzipReadTheSame)
{
  const std::string text = large_text();
  std::string plain = write_temp_file(text, "large.fa");
  std::string gz = temp_path("large.fa.gz");
  write_gzip(gz, text);
  std::string multi = temp_path("multi.fa.gz");
  write_gzip(multi, text.substr(0, 1234567));
  write_gzip(multi, text.substr(1234567), "ab");

  CFile p;
  p.open(plain.c_str());
  std::string want = read_all(p);
  int want_line = p.line;
  for (const std::string& path : {gz, multi}) {
    SCOPED_TRACE(path);
    CFile f;
    f.open(path.c_str());
    EXPECT_EQ(read_all(f), want);
    EXPECT_EQ(f.line, want_line);
    EXPECT_EQ(f.file_state, CFile::state_eof | CFile::state_error);
    EXPECT_EQ(f.io_error(), "");
  }
}

TEST(CFile, StreamFailuresAreErrorsNotTheEnd)
{
  std::string text = large_text();
  std::string good = temp_path("good.gz");
  write_gzip(good, text);
  std::string bytes = read_file(good);

  std::string bad_crc = bytes;
  bad_crc[bytes.size() - 8] ^= 0x55;
  std::string bad_body = bytes;
  for (size_t i = 100; i < 200; ++i) bad_body[i] = static_cast<char>(0xff);
  std::string dir = temp_path("a_directory");
  mkdir(dir.c_str(), 0700);

  struct Case {
    const char* what;
    std::string path;
    const char* reason;
  } cases[] = {
      {"truncated member", write_temp_file(bytes.substr(0, bytes.size() / 2), "cut.gz"), "truncated"},
      {"missing trailer", write_temp_file(bytes.substr(0, bytes.size() - 4), "short.gz"), "truncated"},
      {"wrong checksum", write_temp_file(bad_crc, "crc.gz"), "corrupt"},
      {"damaged data", write_temp_file(bad_body, "body.gz"), "corrupt"},
      {"directory", dir, "Is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CFile f;
    f.open(c.path.c_str());
    read_all(f);
    EXPECT_EQ(f.file_state, CFile::state_error);
    EXPECT_NE(f.io_error().find(c.reason), std::string::npos) << f.io_error();
    EXPECT_EQ(f.getchar(), 0);
    EXPECT_FALSE(f.eof());
  }
}

TEST(CFile, MissingFileFailsToOpen)
{
  CFile f;
  f.open(temp_path("does-not-exist.fa").c_str());
  EXPECT_EQ(f.file_state, CFile::state_error);
  EXPECT_EQ(f.getchar(), 0);
  EXPECT_FALSE(f.eof());
}

}  // namespace
