// The word-at-a-time pieces of the searches against plain loops: runs of
// equal characters, the unit scan, the period matches of the exact search
// and the word counts beside a window. Texts are seeded random, mostly
// periodic so that runs cross word boundaries; every seed is printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "exact_candidates.h"
#include "kmer_neighbourhood.h"
#include "lazy_marks.h"
#include "unit_scan.h"
#include "word_compare.h"

namespace {

using Rng = std::mt19937;

int pick(Rng& r, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(r); }

// A copy on the heap of exactly the text's size, so that the sanitizers
// catch any read past either end.
struct ExactBuffer {
  std::unique_ptr<char[]> bytes;
  int64_t n;
  explicit ExactBuffer(const std::string& s) : bytes(new char[s.size()]), n(static_cast<int64_t>(s.size()))
  {
    std::copy(s.begin(), s.end(), bytes.get());
  }
  const char* begin() const { return bytes.get(); }
  const char* end() const { return bytes.get() + n; }
};

// Repetitions of a random unit over `alphabet`, each character replaced
// with probability 1/`noise` (0: never).
std::string periodic_text(Rng& r, int n, int unit_length, const std::string& alphabet, int noise)
{
  std::string unit;
  for (int i = 0; i < unit_length; ++i) unit += alphabet[pick(r, 0, static_cast<int>(alphabet.size()) - 1)];
  std::string t;
  for (int i = 0; i < n; ++i) {
    char c = unit[i % unit_length];
    if (noise && pick(r, 1, noise) == 1) c = alphabet[pick(r, 0, static_cast<int>(alphabet.size()) - 1)];
    t += c;
  }
  return t;
}

TEST(WordCompare, EqualAheadAndBehindMatchPlainLoops)
{
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Rng r(seed);
    const int n = pick(r, 0, 90);
    std::string a = periodic_text(r, n, pick(r, 1, 12), "ACGT", 0), b = a;
    // Disagreements anywhere, none at all, or only in the last word.
    const int changes = pick(r, 0, 3);
    for (int i = 0; i < changes && n > 0; ++i) b[pick(r, 0, n - 1)] ^= 1 + pick(r, 0, 6);
    const ExactBuffer A(a), B(b);
    const uint64_t m = static_cast<uint64_t>(pick(r, 0, n));
    uint64_t ahead = 0;
    while (ahead < m && a[ahead] == b[ahead]) ++ahead;
    EXPECT_EQ(equal_ahead(A.begin(), B.begin(), m), ahead) << "m " << m;
    uint64_t behind = 0;
    while (behind < m && a[n - 1 - behind] == b[n - 1 - behind]) ++behind;
    EXPECT_EQ(equal_behind(A.end(), B.end(), m), behind) << "m " << m;
  }
}

// A unit of every length 1 .. 70, set up in an order that makes the thread's
// scan grow and shrink, so stale buffers would show.
std::vector<int> unit_lengths_shuffled(Rng& r)
{
  std::vector<int> lengths;
  for (int L = 1; L <= 70; ++L) lengths.push_back(L);
  std::shuffle(lengths.begin(), lengths.end(), r);
  return lengths;
}

TEST(UnitScan, PhasesStepsAndWordsFollowTheUnit)
{
  Rng r(7);
  for (int L : unit_lengths_shuffled(r)) {
    SCOPED_TRACE("unit length " + std::to_string(L));
    const std::string unit_text = periodic_text(r, L, L, "ACGT", 0);
    const ExactBuffer unit(unit_text);
    const UnitScan& u = UnitScan::for_unit(unit.begin(), unit.end());
    ASSERT_EQ(u.length(), L);
    auto mod = [L](long long x) { return static_cast<int>(((x % L) + L) % L); };
    for (int phase = 0; phase < L; ++phase) {
      ASSERT_EQ(u.at(phase), unit_text[phase]);
      for (int d = -8; d <= 8; ++d) ASSERT_EQ(u.step(phase, d), mod(phase + d)) << "phase " << phase << " d " << d;
      for (long long d : {-1000003ll, -71ll, -L * 3ll, 0ll, 9ll, 12345ll})
        ASSERT_EQ(u.step_far(phase, d), mod(phase + d)) << "phase " << phase << " d " << d;
    }
    // The backward scan reads the word ending at `phase`, from phase - 7.
    for (int phase = -7; phase < L; ++phase) {
      const uint64_t w = unit_word(u, phase);
      for (int i = 0; i < 8; ++i)
        ASSERT_EQ(static_cast<char>(w >> (8 * i)), unit_text[mod(phase + i)]) << "phase " << phase << " byte " << i;
    }
  }
}

TEST(UnitScan, MatchRunsForwardAndBackwardMatchPlainLoops)
{
  Rng r(11);
  for (int L : unit_lengths_shuffled(r)) {
    for (int rep = 0; rep < 4; ++rep) {
      const uint32_t seed = static_cast<uint32_t>(1000 * L + rep);
      SCOPED_TRACE("seed " + std::to_string(seed) + " unit length " + std::to_string(L));
      Rng g(seed);
      const std::string unit_text = periodic_text(g, L, L, "ACGT", 0);
      // The text repeats the unit from a random phase, with rare changes.
      const int n = pick(g, 0, 3 * L + 40);
      const int offset = pick(g, 0, L - 1);
      std::string text;
      for (int i = 0; i < n; ++i) text += unit_text[(offset + i) % L];
      const int changes = pick(g, 0, 2);
      for (int i = 0; i < changes && n > 0; ++i) text[pick(g, 0, n - 1)] = "ACGT"[pick(g, 0, 3)];
      const ExactBuffer T(text), unit(unit_text);
      const UnitScan& u = UnitScan::for_unit(unit.begin(), unit.end());

      for (int phase0 = 0; phase0 < L; ++phase0) {
        const int from = pick(g, 0, n);
        // Forward up to a limit at or after `from`, the text end included.
        const bool at_ends = phase0 % 3 == 0;
        const int lim = at_ends ? n : pick(g, from, n);
        int expect = 0;
        while (from + expect < lim && text[from + expect] == unit_text[(phase0 + expect) % L]) ++expect;
        const char* p = T.begin() + from;
        int phase = phase0;
        ASSERT_EQ(ScanForward::match_run(u, p, phase, T.begin() + lim), expect) << "from " << from << " phase " << phase0;
        ASSERT_EQ(p, T.begin() + from + expect);
        ASSERT_EQ(phase, (phase0 + expect) % L);

        // Backward from `from` down to a limit before it, one before the text included.
        const int blim = at_ends ? -1 : pick(g, -1, from - 1);
        int back = 0;
        while (from - 1 - back > blim &&
               text[from - 1 - back] == unit_text[((phase0 - back) % L + L) % L])
          ++back;
        p = T.begin() + from;
        phase = phase0;
        ASSERT_EQ(ScanBackward::match_run(u, p, phase, T.begin() + blim), back) << "from " << from << " phase " << phase0;
        ASSERT_EQ(p, T.begin() + from - back);
        ASSERT_EQ(phase, ((phase0 - back) % L + L) % L);
      }
    }
  }
}

// Whether position j has a period match, as period_matches defines it.
bool match_at(const std::string& S, int64_t j, uint64_t k)
{
  const int64_t L = static_cast<int64_t>(S.size());
  return j >= 0 && j + static_cast<int64_t>(k) < L && S[j] == S[j + k];
}

// Texts of every size around 64 + k, so that both the word path and the
// loop at the ends run; windows before, across and past the text.
TEST(ExactCandidates, PeriodMatchesAndRunWindowsMatchPlainLoops)
{
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Rng r(seed);
    const uint64_t k = static_cast<uint64_t>(pick(r, 1, 20));
    const int n = pick(r, 1, 200);
    const std::string S = periodic_text(r, n, static_cast<int>(k), seed % 3 ? "ACGT" : "AC", pick(r, 0, 12));
    const ExactBuffer B(S);

    for (int trial = 0; trial < 12; ++trial) {
      const int64_t x = pick(r, -80, n + 10);
      uint64_t expect = 0;
      for (int b = 0; b < 64; ++b)
        if (match_at(S, x + b, k)) expect |= 1ull << b;
      ASSERT_EQ(period_matches(B.begin(), n, x, k), expect) << "x " << x << " k " << k;
    }

    // Run length of matches through each position, from the plain loop.
    std::vector<int> run_through(n + 2, 0);
    for (int64_t j = 0; j < n;) {
      if (!match_at(S, j, k)) {
        ++j;
        continue;
      }
      int64_t e = j;
      while (match_at(S, e, k)) ++e;
      for (int64_t i = j; i < e; ++i) run_through[i] = static_cast<int>(e - j);
      j = e;
    }
    for (unsigned run = 1; run <= 8; ++run) {
      for (int trial = 0; trial < 3; ++trial) {
        const uint64_t w = static_cast<uint64_t>(trial == 0 ? 0 : pick(r, 0, n));
        uint64_t expect = 0;
        for (int b = 0; b < 64; ++b) {
          const int64_t j = static_cast<int64_t>(w) + b;
          const bool here = j < n && run_through[j] >= static_cast<int>(run);
          const bool before = j >= 1 && j - 1 < n && run_through[j - 1] >= static_cast<int>(run);
          if (here || before) expect |= 1ull << b;
        }
        ASSERT_EQ(windows_next_to_runs(B.begin(), n, w, k, run), expect) << "w " << w << " k " << k << " run " << run;
      }
    }
  }
}

// Stretches asked in increasing order, now and then far apart (beyond how
// far one search looks), over texts with no N, a few, or many.
TEST(NCursor, SaysWhetherEachStretchHoldsAnN)
{
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Rng r(seed);
    const int n = pick(r, 1, 300000);
    std::string t(static_cast<size_t>(n), 'A');
    const int Ns = std::vector<int>{0, 1, 3, 50, 5000}[seed % 5];
    for (int i = 0; i < Ns; ++i) t[static_cast<size_t>(pick(r, 0, n - 1))] = 'N';
    std::vector<int> next_N(static_cast<size_t>(n) + 1, n);  // first N at or after each position
    for (int i = n - 1; i >= 0; --i) next_N[i] = t[i] == 'N' ? i : next_N[i + 1];
    const ExactBuffer B(t);
    NCursor cursor(B.begin(), B.end());
    for (int p = 0; p < n;) {
      const int len = pick(r, 1, std::min(n - p, pick(r, 0, 3) ? 20 : 200000));
      ASSERT_EQ(cursor.clear(B.begin() + p, static_cast<uint64_t>(len)), next_N[p] >= p + len)
          << "p " << p << " len " << len;
      p += pick(r, 0, 3) ? pick(r, 0, 2) : pick(r, 1, 100000);
    }
  }
}

// The counts beside window s, recounted: a side's words start at its first
// reach - q positions and must lie inside the text with only A, C, G, T
// (the shorter word at each start is the longer one's prefix).
struct RecountedHits {
  uint32_t short_right = 0, long_right = 0, short_left = 0, long_left = 0;
  bool N_nearby = false, plain_unit = true;
};

bool plain_word(const std::string& t, int64_t at, int len)
{
  if (at < 0 || at + len > static_cast<int64_t>(t.size())) return false;
  for (int i = 0; i < len; ++i)
    if (std::string("ACGT").find(t[at + i]) == std::string::npos) return false;
  return true;
}

RecountedHits recount(const std::string& t, int64_t s, int k, int q)
{
  const int reach = KmerNeighbourhood::reach;
  const int T = q + 1;
  RecountedHits h;
  for (int64_t i = s - reach; i < s + k + reach; ++i)
    if (i >= 0 && i < static_cast<int64_t>(t.size()) && t[i] == 'N') h.N_nearby = true;
  h.plain_unit = plain_word(t, s, k);
  if (!h.plain_unit) return h;
  std::string cyclic = t.substr(s, k);  // long enough for every cyclic word
  while (cyclic.size() < static_cast<size_t>(k + T)) cyclic += t.substr(s, k);
  auto count = [&](int64_t first, int len) {
    uint32_t total = 0;
    for (int64_t x = first; x <= first + reach - T; ++x) {
      if (!plain_word(t, x, len)) continue;
      for (int a = 0; a < k; ++a) total += t.compare(x, len, cyclic, a, len) == 0;
    }
    return total;
  };
  h.short_right = count(s + k, q);
  h.long_right = count(s + k, T);
  h.short_left = count(s - reach, q);
  h.long_left = count(s - reach, T);
  return h;
}

TEST(KmerNeighbourhood, CountsAfterStepsAndJumpsMatchARecount)
{
  for (uint32_t seed = 1; seed <= 120; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Rng r(seed);
    const int q = pick(r, 1, KmerNeighbourhood::max_word - 1);
    const int k = pick(r, 1, 64);
    const int n = k + pick(r, 0, 400);
    // Periodic with the window's length, so the cyclic words do occur
    // beside it; some N runs and other characters.
    std::string t = periodic_text(r, n, seed % 4 ? k : pick(r, 1, 8), seed % 2 ? "ACGT" : "AC", pick(r, 2, 10));
    const int specials = pick(r, 0, 4);
    for (int i = 0; i < specials; ++i) {
      const int at = pick(r, 0, n - 1), len = pick(r, 1, 4);
      const char c = "NNXa"[pick(r, 0, 3)];
      for (int j = at; j < at + len && j < n; ++j) t[j] = c;
    }
    const ExactBuffer B(t);
    KmerNeighbourhood nb(B.begin(), n, k, q);
    // Steps by one and jumps, forward and back, from each end too.
    int64_t s = pick(r, 0, 1) ? 0 : n - k;
    for (int move = 0; move < 60; ++move) {
      nb.move_to(static_cast<uint64_t>(s));
      const RecountedHits want = recount(t, s, k, q);
      ASSERT_EQ(nb.N_nearby(), want.N_nearby) << "s " << s << " k " << k << " q " << q;
      ASSERT_EQ(nb.plain_unit(), want.plain_unit) << "s " << s << " k " << k << " q " << q;
      if (want.plain_unit) {
        const KmerNeighbourhood::Hits h = nb.hits();
        ASSERT_EQ(h.short_right, want.short_right) << "s " << s << " k " << k << " q " << q;
        ASSERT_EQ(h.long_right, want.long_right) << "s " << s << " k " << k << " q " << q;
        ASSERT_EQ(h.short_left, want.short_left) << "s " << s << " k " << k << " q " << q;
        ASSERT_EQ(h.long_left, want.long_left) << "s " << s << " k " << k << " q " << q;
      }
      const int kind = pick(r, 0, 9);
      if (kind < 6)
        s += 1;
      else if (kind < 8)
        s += pick(r, 2, 80);
      else
        s = pick(r, 0, n - k);
      if (s > n - k) s = pick(r, 0, 1) ? n - k : 0;
    }
  }
}

// Covers applied late must read, and end, as covers written at once: long
// lists (claims) and short ones (written at once) in any order, entries
// outside their record, claims clipped by later records on either side or
// inside, and more claims than are held at once (the short spans); over a
// record's marks and over a chunk's copy of part of them, which records
// overhang.
template <class View, class Make>
void expect_late_covers_as_at_once(uint64_t seed, Make make_view)
{
  std::mt19937_64 r(seed);
  auto pick = [&](long lo, long hi) { return lo + static_cast<long>(r() % static_cast<uint64_t>(hi - lo + 1)); };
  const long n = 5000;
  const std::string text(static_cast<std::size_t>(n), 'A');
  for (int round = 0; round < 30; ++round) {
    const long widest = round % 3 == 0 ? 60 : 3000;
    std::vector<uint64_t> source(static_cast<std::size_t>(n + 2 + 63) / 64);
    for (uint64_t& w : source) w = r();
    std::vector<uint64_t> eager_words = source, lazy_words = source;
    View eager = make_view(eager_words), base = make_view(lazy_words);
    {
      LazyMarks<View> lazy(base, text.data(), nullptr);
      for (int c = 0; c < 150; ++c) {
        const long a = pick(0, n - 1), b = std::min(n, a + pick(1, widest));
        Csat rec;
        rec.reset(text.data() + a, text.data() + b);
        const long entries = pick(0, 2) ? pick(1024, 1300) : pick(0, 30);
        eager.fill(a, b, ' ');
        for (long i = 0; i < entries; ++i) {
          const long e = pick(std::max(0L, a - 3), std::min(n - 1, b + 2));
          rec.missense_list.push_back({text.data() + e, 'M'});
          eager.set(e, 'a');
        }
        lazy.cover(rec);
        for (int i = 0; i < 40; ++i) {
          const long p = pick(eager.first, eager.last - 1);
          ASSERT_EQ(lazy.at(p), eager.at(p)) << "round " << round << ", cover " << c << ", position " << p;
        }
      }
    }
    for (long p = eager.first; p < eager.last; ++p)
      ASSERT_EQ(base.at(p), eager.at(p)) << "round " << round << ", position " << p;
  }
}

TEST(LazyMarks, ReadAndEndAsCoversWrittenAtOnce)
{
  const long n = 5000;
  expect_late_covers_as_at_once<MarkView>(11, [&](std::vector<uint64_t>& w) { return MarkView{w.data(), -1, n + 1}; });
  // A chunk's copy: its own words, over [1200, 3700) of the record's marks.
  std::deque<std::vector<uint64_t>> stores;  // never moved: each view points into its own
  expect_late_covers_as_at_once<BitMarkView>(12, [&](std::vector<uint64_t>& w) {
    stores.emplace_back();
    return BitMarkView(stores.back(), MarkView{w.data(), -1, n + 1}, 1200, 3700);
  });
}

}  // namespace
