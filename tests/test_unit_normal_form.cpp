#include <gtest/gtest.h>

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

}  // namespace
