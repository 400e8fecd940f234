// One unit length's window scan split into chunks that are searched side by
// side, with a result identical to the serial scan.
//
// The serial scan visits windows s = 0, 1, ... in order. Its decision at s
// (take the repeat that s grows into, or not) reads the marks at s - 1 ..
// s + k only, and the repeat a window grows into depends on the text and the
// parameters alone. The marks change only when a repeat is taken, and only
// inside that repeat's reach [start, reach) (reach: one past the last mark
// that taking it writes).
//
// Each chunk [a, b) is first scanned speculatively, sequentially inside the
// chunk, on its own copy of the marks as they stood when this unit length
// began, that is as if nothing taken in this unit length before a existed.
// Then, in chunk order, each chunk is reconciled against the true marks:
//
//   F = the largest reach of the repeats in which the true history and the
//       speculative one differ: every repeat taken before a (the speculative
//       run did not see them), and every window from a on where the redo
//       decides otherwise than the speculative run did.
//   Redo the chunk's windows in order on the true marks while F > s - 1.
//   At the first window s with F <= s - 1 stop redoing and keep the
//   speculative decisions from s on.
//
// Why this equals the serial scan: both histories start from the same marks.
// A position's mark is decided by the last repeat taken that reaches it (or
// by the start state when none does). The repeats that reach s - 1 or
// beyond are, in both histories, the same ones in the same order, because
// every repeat in which the histories differ ends its reach at or before
// s - 1. So the true and the speculative marks agree at s - 1 and every
// position after it; the decisions at s and later read only those positions
// and grow the same repeats, so, by induction over the windows, they are the
// same decisions, writing the same marks, up to the chunk's end.
//
// Work: the redo of a chunk runs only while an earlier repeat (or one the
// redo changed) still reaches into it; the serial scan does that work too. A
// repeat longer than a chunk (satellite arrays) is published when a chunk's
// speculative run takes it; a later chunk stops speculating where such a
// repeat of an earlier chunk covers it and leaves those windows to the redo,
// so the repeat is not grown again in every chunk it spans (only by the few
// chunks already under way).
#ifndef SARVIK_CHUNKED_SCAN_H
#define SARVIK_CHUNKED_SCAN_H

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Csat.h"
#include "run_frontend.h"
#include "worker_pool.h"

// Marks as bits, one a position (set: free): bit i of the words is position
// first + i of a view.
inline char mark_bit(const uint64_t* words, std::size_t i) { return (words[i >> 6] >> (i & 63)) & 1 ? 'a' : ' '; }

inline void set_mark_bits(uint64_t* words, std::size_t from, std::size_t to, char c)
{
  const bool free = c == 'a';
  while (from < to) {
    const std::size_t w = from >> 6;
    const unsigned lo = static_cast<unsigned>(from & 63);
    const std::size_t span = std::min<std::size_t>(64 - lo, to - from);
    const uint64_t mask = (span == 64 ? ~0ull : ((1ull << span) - 1)) << lo;
    words[w] = free ? words[w] | mask : words[w] & ~mask;
    from += span;
  }
}

// The record's marks of the positions [first, last).
struct MarkView {
  uint64_t* words;
  long first;
  long last;

  char at(long p) const { return mark_bit(words, static_cast<std::size_t>(p - first)); }
  void fill(long from, long to, char c)
  {
    from = std::max(from, first);
    to = std::min(to, last);
    if (from < to) set_mark_bits(words, static_cast<std::size_t>(from - first), static_cast<std::size_t>(to - first), c);
  }
  void set(long p, char c)
  {
    if (p >= first && p < last) set_mark_bits(words, static_cast<std::size_t>(p - first), static_cast<std::size_t>(p - first) + 1, c);
  }
  // 64 marks from position p on (past `last`: free).
  uint64_t word_at(long p) const
  {
    const std::size_t i = static_cast<std::size_t>(p - first);
    const std::size_t n = static_cast<std::size_t>(last - first + 63) / 64;
    const std::size_t w = i >> 6;
    const unsigned shift = static_cast<unsigned>(i & 63);
    uint64_t v = words[w] >> shift;
    if (shift && w + 1 < n) v |= words[w + 1] << (64 - shift);
    return v;
  }
};

// A chunk's own copy of the marks [first, last) of the record's.
struct BitMarkView {
  std::vector<uint64_t>* words;
  long first;
  long last;

  BitMarkView(std::vector<uint64_t>& store, const MarkView& from, long f, long l) : words(&store), first(f), last(l)
  {
    const std::size_t n = static_cast<std::size_t>(l - f);
    store.resize((n + 63) / 64);
    for (std::size_t w = 0; w < store.size(); ++w) store[w] = from.word_at(f + static_cast<long>(64 * w));
  }
  char at(long p) const { return mark_bit(words->data(), static_cast<std::size_t>(p - first)); }
  void set(long p, char c)
  {
    if (p >= first && p < last)
      set_mark_bits(words->data(), static_cast<std::size_t>(p - first), static_cast<std::size_t>(p - first) + 1, c);
  }
  void fill(long from, long to, char c)
  {
    from = std::max(from, first);
    to = std::min(to, last);
    if (from < to)
      set_mark_bits(words->data(), static_cast<std::size_t>(from - first), static_cast<std::size_t>(to - first), c);
  }
};

// Where the time of the split scans goes, summed over a run: for the
// benchmark's estimate of more threads, and for the tests' bound on the
// speculative work (no repeat grown again in every chunk it spans).
struct ChunkedScanStats {
  // CPU time of the threads, so that other jobs on the machine do not count.
  std::atomic<uint64_t> speculate_ns{0};        // in the chunks, all threads
  std::atomic<uint64_t> slowest_chunks_ns{0};   // the slowest chunk of each scan
  std::atomic<uint64_t> reconcile_ns{0};        // serial
  std::atomic<uint64_t> speculative_bases{0};   // covered by repeats the chunks took
  std::atomic<uint64_t> scans{0};
};
extern ChunkedScanStats chunked_scan_stats;
uint64_t thread_cpu_ns();

// Chunk length for splitting a scan of `windows` windows over the search
// pool; 0: scan serially. Tests force tiny chunks with the override.
unsigned scan_chunk_length(unsigned windows);
extern unsigned forced_chunk_length;

// The serial scan of windows [from, to) on the marks `m`. `take(s, r)` is
// called for every repeat r taken, after the marks were covered; false when
// it did not keep r, which then serves the next window rather than going
// back to the pool (a list node freed and allocated per seed). `poll(s)`
// is asked at `from` and every 256 windows; true ends the scan. Returns the
// window at which the scan ended (`to` when complete).
// `pass` is the scan's state for windows visited in increasing order (one
// per thread at a time: it may hold per-thread tables).
template <class Scan, class View, class Take, class Poll>
unsigned scan_windows(Scan& scan, typename Scan::Pass& pass, unsigned from, unsigned to, View& m,
                      Csat_garbagecollector& pool, Take&& take, Poll&& poll)
{
  Csat* spare = nullptr;
  auto Ns = scan.n_cursor();
  unsigned s = from;
  for (; s < to; ++s) {
    if ((s - from) % 256 == 0 && poll(s)) break;
    // Windows that cannot pass are passed over, still polled every 256.
    const unsigned next = pass.next_possible(s, to);
    if (next != s) {
      unsigned polled = s - (s - from) % 256 + 256;
      while (polled < next && !poll(polled)) polled += 256;
      if (polled < next) {
        s = polled;
        break;
      }
      s = next - 1;
      continue;
    }
    if (!scan.eligible(s, m, Ns)) continue;
    if (Csat* r = scan.grow(s, pass, spare, pool)) {
      scan.cover(m, *r);
      if (!take(s, r)) spare = r;
    }
  }
  if (spare) pool.give_back(spare);
  return s;
}

// The per-chunk state, kept from one unit length to the next.
struct ScanChunk {
  unsigned a = 0, b = 0, spec_end = 0;
  std::vector<uint64_t> bits;
  std::vector<std::pair<unsigned, Csat*>> taken;
  std::vector<Csat*> prepared;  // for each taken repeat, what the preparation made of it
  Csat_garbagecollector pool;
};

class ChunkedScanState {
 public:
  std::deque<ScanChunk> chunks;  // never relocated: each holds a pool

  // Repeats longer than a chunk, published by the chunk that took them.
  struct Long {
    std::size_t chunk;
    long start, end;
  };
  std::atomic<unsigned> long_count{0};
  std::mutex long_mutex;
  std::vector<Long> longs;
  // False once a scan of this record spent longer redoing its chunks' work
  // than its slowest chunk took: over a satellite array the chunks after the
  // first are mostly covered by its repeats, and splitting the scans of the
  // longer units only adds that redo to the serial work. Either way the
  // result is the same.
  bool split_pays = true;

  void publish(std::size_t chunk, const Csat& r, const char* text)
  {
    std::lock_guard<std::mutex> lock(long_mutex);
    longs.push_back({chunk, r.start - text, r.end - text});
    long_count.fetch_add(1, std::memory_order_release);
  }
  // A long repeat of an earlier chunk covers the marks window s reads.
  bool covered(std::size_t chunk, long s, long k)
  {
    if (long_count.load(std::memory_order_acquire) == 0) return false;
    std::lock_guard<std::mutex> lock(long_mutex);
    for (const Long& l : longs)
      if (l.chunk < chunk && l.start <= s - 1 && s + k < l.end) return true;
    return false;
  }
  // Every record still held goes to `to`.
  void release_into(Csat_garbagecollector& to)
  {
    for (ScanChunk& c : chunks) {
      to.splice(to.end(), c.pool);
      for (auto& t : c.taken) to.give_back(t.second);
      for (Csat* p : c.prepared)
        if (p) to.give_back(p);
      c.taken.clear();
      c.prepared.clear();
    }
  }
};

// No work on the repeats a chunk takes beyond taking them.
struct NoPreparation {
  bool drops_empty() const { return false; }
  Csat* operator()(const Csat&, Csat_garbagecollector&) const { return nullptr; }
};

// Runs the scan in chunks of `chunk_len` windows on `pool` and reconciles
// them on the full marks `m`; `take(s, r, p)` receives the repeats in window
// order, each with p = prepare(r, a pool): work on a repeat that does not
// depend on the others, done by the chunk that took it where the reconcile
// keeps it. When prepare.drops_empty(), a repeat that prepares to null and
// leaves the marks alone need not be taken at all: the chunks drop those
// (the reconcile may still take one where it redoes a window). False when
// the run's stop was set (nothing is taken then).
template <class Scan, class Take, class Prepare>
bool chunked_scan(Scan& scan, unsigned chunk_len, MarkView& m, ChunkedScanState& st, WorkerPool& pool,
                  Csat_garbagecollector& own_pool, Take&& take, Prepare&& prepare)
{
  const unsigned windows = scan.windows_end();
  const std::size_t count = (windows + chunk_len - 1ull) / chunk_len;
  const long k = scan.span();
  if (st.chunks.size() < count) st.chunks.resize(count);
  st.longs.clear();
  st.long_count.store(0, std::memory_order_relaxed);
  // The records the last unit length handed back are shared out again, so
  // that the chunks reuse them rather than draw new ones every unit length.
  if (const std::size_t share = own_pool.size() / count) {
    for (std::size_t c = 0; c < count; ++c) {
      auto to = own_pool.begin();
      std::advance(to, share);
      st.chunks[c].pool.splice(st.chunks[c].pool.end(), own_pool, own_pool.begin(), to);
    }
  }

  std::atomic<uint64_t> slowest{0};
  std::function<void(std::size_t)> speculate = [&](std::size_t c) {
    const uint64_t t0 = thread_cpu_ns();
    ScanChunk& ch = st.chunks[c];
    scan.enter_thread();
    ch.a = static_cast<unsigned>(c * chunk_len);
    ch.b = static_cast<unsigned>(std::min<uint64_t>(windows, (c + 1ull) * chunk_len));
    const long first = std::max(m.first, static_cast<long>(ch.a) - 1);
    const long last = std::min(m.last, static_cast<long>(ch.b) + k + 1);
    BitMarkView own(ch.bits, m, first, last);
    ch.taken.clear();
    ch.prepared.clear();
    uint64_t bases = 0;
    typename Scan::Pass pass(scan);
    auto&& own_view = scan.marks_view(own, pass);
    ch.spec_end = scan_windows(
        scan, pass, ch.a, ch.b, own_view, ch.pool,
        [&](unsigned s, Csat* r) {
          if (r->length() > chunk_len) st.publish(c, *r, scan.text());
          bases += r->length();
          Csat* prepared = prepare(*r, ch.pool);
          // Taking a repeat that leaves the marks alone and that the
          // preparation drops would change nothing: it goes back at once.
          if (!prepared && prepare.drops_empty() && scan.reach(*r) == LONG_MIN) return false;
          ch.taken.emplace_back(s, r);
          ch.prepared.push_back(prepared);
          return true;
        },
        [&](unsigned s) { return run_stop_set() || (c > 0 && st.covered(c, s, k)); });
    chunked_scan_stats.speculative_bases += bases;
    const uint64_t ns = thread_cpu_ns() - t0;
    chunked_scan_stats.speculate_ns += ns;
    uint64_t was = slowest.load();
    while (ns > was && !slowest.compare_exchange_weak(was, ns)) {
    }
  };
  pool.parallel_for(count, speculate);
  chunked_scan_stats.slowest_chunks_ns += slowest.load();
  chunked_scan_stats.scans += 1;
  const uint64_t reconcile_start = thread_cpu_ns();
  if (run_stop_set()) {
    st.release_into(own_pool);
    return false;
  }

  typename Scan::Pass pass(scan);  // the reconcile visits the windows in order
  auto&& view = scan.marks_view(m, pass);
  long true_reach = LONG_MIN;       // of every repeat taken so far
  long F = LONG_MIN;           // of those the chunk's speculative run did not take
  auto take_true = [&](unsigned s, Csat* r, bool differs, Csat* prepared) {
    scan.cover(view, *r);
    long reach = scan.reach(*r);
    true_reach = std::max(true_reach, reach);
    if (differs) F = std::max(F, reach);
    take(s, r, prepared);
  };
  for (std::size_t c = 0; c < count; ++c) {
    ScanChunk& ch = st.chunks[c];
    F = true_reach;  // the speculative run saw none of the repeats taken before it
    std::size_t next = 0;  // first speculative repeat not yet decided
    unsigned s = ch.a;
    auto Ns = scan.n_cursor();
    Csat* spare = nullptr;
    for (; s < ch.spec_end && F > static_cast<long>(s) - 1; ++s) {
      Csat* guess = nullptr;
      Csat* prepared = nullptr;
      if (next < ch.taken.size() && ch.taken[next].first == s) {
        guess = ch.taken[next].second;
        prepared = ch.prepared[next++];
      }
      if (!scan.eligible(s, view, Ns)) {
        if (guess) {
          F = std::max(F, scan.reach(*guess));
          own_pool.give_back(guess);
          if (prepared) own_pool.give_back(prepared);
        }
        continue;
      }
      if (guess) {
        take_true(s, guess, false, prepared);
      } else if (Csat* r = scan.grow(s, pass, spare, own_pool)) {
        take_true(s, r, true, prepare(*r, own_pool));
      }
    }
    if (spare) own_pool.give_back(spare);
    if (s < ch.spec_end) {
      // The histories agree from here to the chunk's end.
      for (; next < ch.taken.size(); ++next)
        take_true(ch.taken[next].first, ch.taken[next].second, false, ch.prepared[next]);
      s = ch.spec_end;
    }
    ch.taken.clear();
    ch.prepared.clear();
    // Windows the speculative run left (a long repeat covered them).
    scan_windows(
        scan, pass, s, ch.b, view, own_pool, [&](unsigned w, Csat* r) {
          true_reach = std::max(true_reach, scan.reach(*r));  // before `take` may change or reuse r
          take(w, r, prepare(*r, own_pool));
          return true;
        },
        [](unsigned) { return false; });
  }
  const uint64_t redo_ns = thread_cpu_ns() - reconcile_start;
  // Tests that force tiny chunks split every scan.
  if (redo_ns > slowest.load() && !forced_chunk_length) st.split_pays = false;
  chunked_scan_stats.reconcile_ns += redo_ns;
  return true;
}

#endif
