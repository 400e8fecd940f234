#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "CDnaString.h"

namespace {

std::string str(CDnaString& s) { return std::string(s.data, s.len); }

void set(CDnaString& s, const std::string& text) { s.assign(text.data(), text.data() + text.size()); }

TEST(UnitNormalForm, Table)
{
  struct Case {
    const char* unit;
    const char* rotation;
    bool rotation_flag;
    const char* with_revcomp;
    bool revcomp_flag;
  };
  const std::vector<Case> cases = {
      {"CA", "AC", false, "AC", false},
      {"TTG", "GTT", false, "AAC", false},
      {"AGT", "AGT", false, "ACT", false},
      {"GATA", "AGAT", false, "AGAT", false},
      {"CTAG", "AGCT", false, "AGCT", false},
      {"ACAC", "ACAC", true, "ACAC", true},
      {"GTGT", "GTGT", true, "ACAC", true},
      {"AAAT", "AAAT", false, "AAAT", false},
      {"A", "A", false, "A", false},
      {"T", "T", false, "A", false},
      {"AAA", "AAA", true, "AAA", true},
      {"ACGACG", "ACGACG", true, "ACGACG", true},
      {"GGCGGC", "CGGCGG", true, "CCGCCG", true},
      // The earliest of equal rotations must not hide a smaller later one.
      {"CACAA", "AACAC", false, "AACAC", false},
      // Outside the complement table: '?' sorts before every letter.
      {"AXG", "AXG", false, "?TC", false},
  };
  for (const Case& c : cases) {
    CDnaString src, rot, rc;
    set(src, c.unit);
    EXPECT_EQ(rot.setToMinAlphaRepModCyclicPermOf(src), c.rotation_flag) << c.unit;
    EXPECT_EQ(str(rot), c.rotation) << c.unit;
    EXPECT_EQ(rc.setToMinAlphaRepModRevCompAndCyclicPermOf(src), c.revcomp_flag) << c.unit;
    EXPECT_EQ(str(rc), c.with_revcomp) << c.unit;
    EXPECT_EQ(str(src), c.unit) << "source changed";
  }
}

TEST(UnitNormalForm, ReverseComplementTable)
{
  CDnaString src, rc;
  set(src, "ABCDGHKMNRTVY");
  rc.setToReverseComplementOf(src);
  EXPECT_EQ(str(rc), "RBAYNKMDCHGVT");
  set(src, "acSWU-");
  rc.setToReverseComplementOf(src);
  EXPECT_EQ(str(rc), "??????");
}

TEST(UnitNormalForm, TargetMayBeTheSource)
{
  CDnaString s;
  set(s, "TTG");
  EXPECT_FALSE(s.setToMinAlphaRepModRevCompAndCyclicPermOf(s));
  EXPECT_EQ(str(s), "AAC");
  set(s, "GATA");
  s.setToMinAlphaRepModCyclicPermOf(s);
  EXPECT_EQ(str(s), "AGAT");
  set(s, "AAC");
  s.setToReverseComplementOf(s);
  EXPECT_EQ(str(s), "GTT");
}

TEST(UnitNormalForm, EmptySourceGivesEmptyTarget)
{
  CDnaString src, dst;
  set(dst, "ACG");
  EXPECT_FALSE(dst.setToMinAlphaRepModCyclicPermOf(src));
  EXPECT_EQ(dst.len, 0u);
  set(dst, "ACG");
  EXPECT_FALSE(dst.setToMinAlphaRepModRevCompAndCyclicPermOf(src));
  EXPECT_EQ(dst.len, 0u);
}

// The normal forms by their definition, from every rotation spelled out.
struct Reference {
  std::string rotation, with_revcomp;
  bool rotation_flag = false, revcomp_flag = false;
};

std::string smallest_rotation(const std::string& u, bool& repeated)
{
  std::string best = u;
  repeated = false;
  for (std::size_t i = 1; i < u.size(); ++i) {
    const std::string r = u.substr(i) + u.substr(0, i);
    if (r == best) repeated = true;
    if (r < best) best = r;  // std::string compares chars as unsigned bytes
  }
  return best;
}

Reference reference(const std::string& u)
{
  std::string rc(u.rbegin(), u.rend());
  for (char& c : rc) {
    const char* from = "ACGT";
    const char* to = "TGCA";
    const char* at = std::strchr(from, c);
    c = at ? to[at - from] : '?';
  }
  Reference r;
  r.rotation = smallest_rotation(u, r.rotation_flag);
  bool unused = false;
  const std::string from_rc = smallest_rotation(rc, r.revcomp_flag);
  r.with_revcomp = std::min(from_rc, smallest_rotation(u, unused));
  return r;
}

// Random units on both sides of the room kept on the stack (64), each also
// normalised in place.
TEST(UnitNormalForm, AgreesWithTheDefinitionOnRandomUnits)
{
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  for (int round = 0; round < 2000; ++round) {
    const std::size_t n = 1 + rng() % 150;
    std::string u;
    // Short periods as well, so that repetitions of a shorter unit occur.
    const std::size_t period = 1 + rng() % (rng() % 2 ? n : 4);
    for (std::size_t i = 0; i < n; ++i) u += i < period ? "ACGT"[rng() % 4] : u[i - period];
    const Reference want = reference(u);

    CDnaString src, rot, rc;
    set(src, u);
    EXPECT_EQ(rot.setToMinAlphaRepModCyclicPermOf(src), want.rotation_flag) << u;
    EXPECT_EQ(str(rot), want.rotation) << u;
    EXPECT_EQ(rc.setToMinAlphaRepModRevCompAndCyclicPermOf(src), want.revcomp_flag) << u;
    EXPECT_EQ(str(rc), want.with_revcomp) << u;
    EXPECT_EQ(str(src), u) << "source changed";
    src.setToMinAlphaRepModRevCompAndCyclicPermOf(src);
    EXPECT_EQ(str(src), want.with_revcomp) << u << " in place";
  }
}

}  // namespace
