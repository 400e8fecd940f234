// The complete imperfect search: window scans per unit length, the seed
// tests, N trimming, thresholds, marks and the result order.
#include <algorithm>
#include <ostream>
#include <vector>

#include "imperfect_fixture.h"
#include "run_frontend.h"
#include "test_support.h"
#include "walk_sharing.h"

namespace {

void defaults() {}

// Every candidate passes, so the result shows which windows became seeds.
void keep_everything()
{
  global_min_score = global_min_score_a = -1000;
  global_min_score_bx = 0;
}

void cheap_steps() { global_mismatch_score = global_indel_score = -2; }

const SearchCase cases[] = {
    {"one mismatch in a dinucleotide repeat; marks block longer units", "ACACACACTCACACAC", defaults,
     {"k2 0-16 s8 m1 i0 d0 n0 [8M]"}},
    {"three copies of a 7-character unit", "CAGGTTACAGGTTACAGGTTA", defaults, {"k7 0-21 s14 m0 i0 d0 n0 []"}},
    // The look-ahead bound follows the best score along each search path;
    // this makes the first window win with three insertions (score 9)
    // and keeps the later window that would align with score 10 from seeding.
    {"finite reduction, bound from the path's best",
     "GCCCTGCCTGCTTGCCCTGCCCT",
     [] {
       global_maximum_scorereduction = 4;
       global_mismatch_score = -3;
       global_indel_score = -2;
       units(5, 5);
       global_min_score = 2;
     },
     {"k5 0-23 s9 m0 i3 d0 n0 [8I 9I 12I]"}},
    {"two records sorted by start across unit lengths", "GGTTAGGTTAGGTTACACACACACAC", defaults,
     {"k5 0-15 s10 m0 i0 d0 n0 []", "k2 14-26 s10 m0 i0 d0 n0 []"}},

    // Marks carry over between unit lengths from 2 up.
    {"unit 3 repeat blocks unit 6 inside it", "ACGACGACGACGACG", [] { units(3, 6); },
     {"k3 0-15 s12 m0 i0 d0 n0 []"}},
    {"unit 6 alone finds the same stretch", "ACGACGACGACGACG", [] { units(6, 6); }, {"k6 0-15 s9 m0 i0 d0 n0 []"}},
    {"unit 1 only", "AAAAAAAACGT", [] { units(1, 1); }, {"k1 0-8 s7 m0 i0 d0 n0 []"}},
    // The deletions of the unit-2 repeat leave their positions free; the
    // window at the first one seeds a unit-3 repeat over the same stretch.
    {"an entry's position anchors a longer unit", "TGGTGGTGTGTG", [] { cheap_steps(), units(2, 6); },
     {"k2 0-12 s6 m0 i0 d2 n0 [2D 5D]", "k3 0-12 s6 m0 i1 d0 n0 [8I]"}},
    // The second record comes from a window whose own last position is
    // covered but whose following one is free.
    {"a free position after the window anchors it", "CACACACACCAAC", [] { cheap_steps(), units(2, 6); },
     {"k2 0-13 s7 m0 i0 d2 n0 [9D 11D]", "k2 0-13 s7 m0 i0 d2 n0 [9D 11D]"}},
    // At the disagreements of the unit-3 candidate the deletion only ties
    // the best alternative, so it is not taken.
    {"ties go to the earlier alternative", "GTGTGTTGTTGT", [] { cheap_steps(), units(2, 6); },
     {"k2 0-12 s6 m0 i0 d2 n0 [6D 9D]", "k3 0-12 s6 m0 i1 d0 n0 [2I]"}},

    // Ns never end a kept repeat and count only inside it.
    {"trailing Ns trimmed", "ACACACACNN", defaults, {"k2 0-8 s6 m0 i0 d0 n0 []"}},
    {"leading Ns trimmed", "NNACACACAC", defaults, {"k2 2-10 s6 m0 i0 d0 n0 []"}},
    {"trailing Ns trimmed at unit 1", "AAAAAAANN", [] { units(1, 1); }, {"k1 0-7 s6 m0 i0 d0 n0 []"}},
    {"inner Ns counted", "ACACACNNACACAC", defaults, {"k2 0-14 s10 m0 i0 d0 n2 []"}},
    {"Ns only", "NNNNNNNN", defaults, {}},
    {"empty sequence", "", defaults, {}},

    // Lengths: a window needs a character after it.
    {"window right before an N", "ACN", [] { units(2, 2), keep_everything(); }, {"k2 0-2 s0 m0 i0 d0 n0 []"}},
    {"window holding an N", "ANC", [] { units(2, 2), keep_everything(); }, {}},
    {"sequence as long as the unit", "ACGT", [] { units(4, 4), keep_everything(); }, {}},
    {"one character after the only window", "ACGTA", [] { units(4, 4), keep_everything(); },
     {"k4 0-5 s1 m0 i0 d0 n0 []"}},

    // The length tested is the normalized one: a deletion counts.
    {"normalized length 16 meets 16", "ACACACACCACACAC", [] { global_min_length = 16; },
     {"k2 0-15 s8 m0 i0 d1 n0 [8D]"}},
    {"normalized length 16 misses 17", "ACACACACCACACAC", [] { global_min_length = 17; }, {}},
    {"score 8 misses 9", "ACACACACTCACACAC", [] { global_min_score = 9; }, {}},
};

class CompleteSearch : public EngineTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(CompleteSearch, Records)
{
  const SearchCase& c = GetParam();
  c.setup();
  Engine e(c.text);
  e.ctl->complete_imperfect_search(nullptr);
  EXPECT_EQ(describe_all(e.ctl->satList_imperfect, e.text()), c.expected) << c.what;
  EXPECT_TRUE(e.ctl->satList_exact.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, CompleteSearch, ::testing::ValuesIn(cases));

// With every candidate kept, the records' units are exactly the seeds taken:
// none may hold an N or a single repeated letter (for units of 2 and more).
TEST_F(EngineTest, SeedsAreNeverSingleLetterOrHoldN)
{
  units(2, 4);
  keep_everything();
  Engine e("AAAANAAAACCCCGNNTTTTATTTTGGGG");
  e.ctl->complete_imperfect_search(nullptr);
  ASSERT_FALSE(e.ctl->satList_imperfect.empty());
  for (const Csat* s : e.ctl->satList_imperfect) {
    std::string unit(s->unit_begin, s->unit_end);
    EXPECT_EQ(unit.find('N'), std::string::npos) << unit;
    EXPECT_NE(unit.find_first_not_of(unit[0]), std::string::npos) << unit;
    EXPECT_NE(*s->start, 'N');
    EXPECT_NE(s->end[-1], 'N');
  }
}

// A record read with no sequence text has no buffer at all.
TEST_F(EngineTest, SequenceWithoutTextYieldsNothing)
{
  CSequence_Mol seq(CSequence_Mol::dna, 'N', 0);
  ASSERT_EQ(seq.seq_text.data, nullptr);
  CSearchController c(1, seq);
  c.complete_imperfect_search(nullptr);
  EXPECT_TRUE(c.satList_imperfect.empty());
  capture_stderr([&] { c.search_exact_and_extend_to_imperfect_repeats(); });
  EXPECT_TRUE(c.satList_imperfect.empty());
}

// Trimming moves the phase pointers with the ends, so they keep pointing at
// the unit character the next outward character would have to match.
TEST_F(EngineTest, TrimmingKeepsUnitPhases)
{
  units(3, 3);
  Engine e("NACGACGACGACGANN");
  e.ctl->complete_imperfect_search(nullptr);
  ASSERT_EQ(e.ctl->satList_imperfect.size(), 1u);
  const Csat& s = *e.ctl->satList_imperfect.front();
  EXPECT_EQ(describe(s, e.text()), "1-14 s10 m0 i0 d0 n0 []");
  EXPECT_EQ(s.unit_begin, e.text() + 1);
  EXPECT_EQ(*s.unit_fwd, 'C');  // after ...ACGA the unit continues with C
  EXPECT_EQ(*s.unit_bwd, 'G');  // before the first A comes a G
}

// Rejected candidates are recycled within a pass and handed back at its end.
TEST_F(EngineTest, RejectedCandidatesReturnToThePool)
{
  fill_pool(4);
  const size_t before = sat_alloc.size();
  {
    Engine e("ACGTTGCAACGTAGCTTCGA");
    e.ctl->complete_imperfect_search(nullptr);
    EXPECT_TRUE(e.ctl->satList_imperfect.empty());
  }
  EXPECT_EQ(sat_alloc.size(), before);
}

TEST_F(EngineTest, KeptRecordsReturnToThePoolWithTheController)
{
  fill_pool(4);
  const size_t before = sat_alloc.size();
  {
    Engine e("GGTTAGGTTAGGTTACACACACACAC");
    e.ctl->complete_imperfect_search(nullptr);
    EXPECT_EQ(e.ctl->satList_imperfect.size(), 2u);
    EXPECT_EQ(sat_alloc.size(), before - 2);
  }
  EXPECT_EQ(sat_alloc.size(), before);
}

// A due report is given at the first window; the next is a minute away.
TEST_F(EngineTest, ProgressReportedWhenDue)
{
  units(1, 3);
  std::string text(600, 'A');
  for (size_t i = 0; i < text.size(); i += 3) text[i] = 'C';
  Engine e(text);
  time_next_status_report = 0;
  std::string err = capture_stderr([&] { e.ctl->complete_imperfect_search(nullptr); });
  EXPECT_NE(err.find("-    1bp - s\n"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

// A satellite's repeats keep their long entry lists only while the search
// needs them: they come back, sorted and the same, for the writer, which
// writes the same bytes as from the lists the extension made.
TEST_F(EngineTest, LongEntryListsAreDroppedAndComeBackTheSame)
{
  std::string text = "GATTACAGGCTAGCTTGACCGTAGGCATCGATCGGATCTTAGCAGTCAAGTCCGATGCATCGATGGTACCATGACT";
  uint64_t x = 12345;
  for (int i = 0; text.size() < 18000; ++i) {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    const unsigned r = static_cast<unsigned>(x >> 33) % 100;
    if (r < 3) continue;                                      // deletion
    text += r < 6 ? "ACGT"[(x >> 20) % 4] : "ATTCC"[i % 5];  // substitution or copy
    if (r >= 97) text += "ACGT"[(x >> 24) % 4];                // insertion
  }
  units(5, 5);
  Engine e(text);
  e.ctl->complete_imperfect_search(nullptr);
  const Csat* dropped = nullptr;
  for (Csat* s : e.ctl->satList_imperfect)
    if (s->dropped) dropped = s;
  ASSERT_NE(dropped, nullptr);
  Csat& r = *const_cast<Csat*>(dropped);
  EXPECT_TRUE(r.entries_missing());
  const CsatFields before = r;

  // The writer's bytes, with the list computed again inside it and with it given back beforehand.
  global_print_sat_mode = 0;
  auto write = [&] {
    char* buf = nullptr;
    size_t len = 0;
    FILE* f = open_memstream(&buf, &len);
    r.report_sat(f, e.seq);
    std::fclose(f);
    std::string out(buf, len);
    std::free(buf);
    return out;
  };
  const std::string recomputed = write();
  EXPECT_TRUE(r.entries_missing());  // the writer dropped them again
  restore_entries(r, e.text(), static_cast<uint64_t>(e.size()));
  EXPECT_FALSE(r.entries_missing());
  EXPECT_EQ(write(), recomputed);
  EXPECT_GE(r.missense_list.count, drop_entries_from);
  EXPECT_TRUE(std::is_sorted(r.missense_list.begin(), r.missense_list.end(), Csat::lessThan_missense));
  EXPECT_EQ(r.end, before.end);
  EXPECT_EQ(r.score, before.score);
  EXPECT_EQ(r.mismatches + r.insertions + r.deletions, static_cast<int>(r.missense_list.count));
  const std::vector<missense_entry> copied(r.missense_list.begin(), r.missense_list.end());
  release_entries(r);
  EXPECT_TRUE(r.entries_missing());

  // Walked again where shared stretches stay deferred (a split scan's
  // reconciliation does so), the second time over the first one's path: the
  // same record, and the same entries once they are given back.
  WalkSharing sharing(e.text(), static_cast<uint64_t>(e.size()), WalkSharing::Tails::deferred);
  for (int walk = 0; walk < 2; ++walk) {
    restore_entries(r, e.text(), static_cast<uint64_t>(e.size()), true);
    if (walk == 1) {
      EXPECT_GT(r.deferred_entries, 0u);
    }
    EXPECT_EQ(r.end, before.end);
    EXPECT_EQ(r.score, before.score);
    sharing.give_deferred_entries(r);
    std::sort(r.missense_list.begin(), r.missense_list.end(), Csat::lessThan_missense);
    ASSERT_EQ(r.missense_list.count, copied.size());
    for (std::size_t i = 0; i < copied.size(); ++i) {
      EXPECT_EQ(r.missense_list.data[i].pos, copied[i].pos) << "entry " << i;
      EXPECT_EQ(r.missense_list.data[i].kind, copied[i].kind) << "entry " << i;
    }
    release_entries(r);
  }
}

}  // namespace
