#include <gtest/gtest.h>

#include "faststring.h"
#include "fastvector.h"

namespace {

struct entry {
  const char* pos;
  char kind;
};

TEST(Faststring, PushBackGrowsFromFourByDoubling)
{
  faststring s;
  EXPECT_EQ(s.data, nullptr);
  const uint32_t capacity_after[] = {4, 4, 4, 4, 8, 8, 8, 8, 16};
  for (uint32_t i = 0; i < 9; ++i) {
    s.push_back(static_cast<char>('a' + i));
    EXPECT_EQ(s.len, i + 1);
    EXPECT_EQ(s.capacity, capacity_after[i]) << "after push_back " << i + 1;
  }
  EXPECT_EQ(std::string(s.data, s.len), "abcdefghi");
}

TEST(Faststring, CStrAddsTheTerminatorOnce)
{
  faststring s;
  for (char c : std::string("ACGT")) s.push_back(c);
  ASSERT_EQ(s.capacity, 4u);
  EXPECT_STREQ(s.c_str(), "ACGT");
  EXPECT_EQ(s.capacity, 5u);
  const char* p = s.c_str();
  EXPECT_EQ(s.capacity, 5u);
  EXPECT_EQ(p, s.data);
  EXPECT_EQ(s.len, 4u);
}

TEST(Faststring, ExactCapacities)
{
  faststring big;
  big.reserve(10000000);
  EXPECT_EQ(big.capacity, 10000001u);
  EXPECT_EQ(big.len, 0u);

  faststring s;
  s.assign("abcdef");
  EXPECT_EQ(s.capacity, 7u);
  s.reserve(5);
  s.reserve(6);
  EXPECT_EQ(s.capacity, 7u);
  EXPECT_EQ(std::string(s.data, s.len), "abcdef");
  s.reserve(9);
  EXPECT_EQ(s.capacity, 10u);
  EXPECT_EQ(std::string(s.data, s.len), "abcdef");  // kept across the growth

  s.assign("xy");
  EXPECT_EQ(s.capacity, 10u);  // shrinking never reallocates
  EXPECT_EQ(std::string(s.data, s.len), "xy");

  faststring empty;
  const char* nothing = "";
  empty.assign(nothing, nothing);
  EXPECT_NE(empty.data, nullptr);
  EXPECT_EQ(empty.capacity, 1u);
  EXPECT_EQ(empty.len, 0u);
}

TEST(Fastvector, GrowsFromFourAndKeepsItsBufferWhenEmptied)
{
  fastvector<entry> v;
  const char text[] = "ACGTACGTA";
  for (int i = 0; i < 5; ++i) v.push_back({text + i, "MID"[i % 3]});
  EXPECT_EQ(v.capacity, 8u);
  EXPECT_EQ(v.count, 5u);
  EXPECT_EQ(v.data[4].pos, text + 4);
  EXPECT_EQ(v.data[4].kind, 'I');

  entry* buffer = v.data;
  v.count = 0;
  v.push_back({text, 'D'});
  EXPECT_EQ(v.data, buffer);
  EXPECT_EQ(v.capacity, 8u);
}

TEST(FastvectorDeathTest, ImpossibleSizeEndsTheProcess)
{
  fastvector<entry> v;
  EXPECT_EXIT(v.resize_exact(0x100000000ull), testing::ExitedWithCode(1), "Program aborded due to failed realloc!");
}

}  // namespace
