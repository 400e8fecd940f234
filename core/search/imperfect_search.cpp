// The two searches that grow seeds into imperfect repeats: the complete search
// over every window of every unit length, and the extension of the perfect
// repeats that the exact search finds.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "CSearchController.h"
#include "chunked_scan.h"
#include "exact_candidates.h"
#include "extension_bound.h"
#include "global-types-and-parameters.h"
#include "lazy_marks.h"
#include "run_frontend.h"
#include "walk_sharing.h"

namespace {

// Ns at either end add nothing to a repeat: drop them, keeping the unit
// phases in step. The seed itself holds no N, so the record never empties.
void trim_Ns(Csat& s)
{
  while (s.end > s.start && s.end[-1] == 'N') {
    --s.end;
    s.unit_fwd = s.unit_fwd == s.unit_begin ? s.unit_end - 1 : s.unit_fwd - 1;
    --s.Ns;
  }
  while (s.start < s.end && *s.start == 'N') {
    ++s.start;
    ++s.unit_bwd;
    if (s.unit_bwd == s.unit_end) s.unit_bwd = s.unit_begin;
    --s.Ns;
  }
}

// A kept record is final: its entries are sorted, and its list keeps no
// room beyond them (the extension may have explored far past its end, and
// kept records add up over a chromosome).
//
// The forward walk appends its entries in ascending order and the backward
// walk, after it, in descending order, all before the forward ones; so the
// list is one rising run and one falling run, and reversing the falling run
// and putting it first sorts it. Equal entries are equal values, so this is
// the order any sort gives. Lists of another shape are sorted as they are.
void sort_missense(fastvector<missense_entry>& list)
{
  missense_entry* const b = list.begin();
  missense_entry* const e = list.end();
  missense_entry* const rise = std::is_sorted_until(b, e, Csat::lessThan_missense);
  if (rise == e) return;
  auto above = [](const missense_entry& x, const missense_entry& y) { return Csat::lessThan_missense(y, x); };
  if (std::is_sorted(rise, e, above) && !Csat::lessThan_missense(*b, *rise)) {
    std::reverse(rise, e);
    std::rotate(b, rise, e);
    return;
  }
  std::sort(b, e, Csat::lessThan_missense);
}

void finish_missense(Csat& s)
{
  if (s.deferred_entries) {
    // Lists long enough to be dropped stay deferred: only their positions are needed.
    if (s.entry_count() >= drop_entries_from) return;
    WalkSharing::current()->give_deferred_entries(s);
  }
  sort_missense(s.missense_list);
  if (s.missense_list.count == 0)
    s.missense_list.release();
  else if (s.missense_list.capacity > s.missense_list.count)
    s.missense_list.resize_exact(s.missense_list.count);
}

bool same_fields(const CsatFields& a, const CsatFields& b)
{
  return a.start == b.start && a.end == b.end && a.unit_fwd == b.unit_fwd && a.unit_bwd == b.unit_bwd &&
         a.unit_begin == b.unit_begin && a.unit_end == b.unit_end && a.score == b.score &&
         a.mismatches == b.mismatches && a.insertions == b.insertions && a.deletions == b.deletions && a.Ns == b.Ns;
}

// The record a window of the complete search starts from.
CsatFields window_seed(const Csat& s)
{
  CsatFields f = s;
  f.start = f.unit_fwd = f.unit_begin;
  f.end = f.unit_end;
  f.unit_bwd = f.unit_end - 1;
  f.score = f.mismatches = f.insertions = f.deletions = f.Ns = 0;
  return f;
}

bool single_letter(const char* w, unsigned k)
{
  for (unsigned i = 1; i < k; ++i)
    if (w[i] != w[0]) return false;
  return true;
}

// One unit length's window test of the complete imperfect search, over any
// view of the marks (the serial scan, a chunk's speculative run, the redo).
class ImperfectScan {
 public:
  ImperfectScan(CSearchController& c, unsigned k)
      : c_(c),
        k_(k),
        text_(c.sequence.seq_text.data),
        n_(c.sequence.seq_text.len),
        min_scores_(CSearchController::minScores),
        min_lengths_(CSearchController::minLengths)
  {
  }

  const char* text() const { return text_; }
  long span() const { return k_; }
  // Windows s < windows_end() are tried; each needs a character after it.
  unsigned windows_end() const { return n_ > k_ ? n_ - k_ : 0; }
  void enter_thread() const
  {
    CSearchController::minScores = min_scores_;
    CSearchController::minLengths = min_lengths_;
  }

  // Where the Ns are, for windows visited in increasing order (k > 1).
  NCursor n_cursor() const { return NCursor(text_, text_ + n_); }

  template <class View>
  bool eligible(unsigned s, const View& m, NCursor& Ns) const
  {
    // Unit length 1 anchors on a free mark alone and never at an N.
    if (k_ == 1) return text_[s] != 'N' && m.at(s) == 'a';
    const long l = s;
    const bool anchored = (m.at(l) == 'a' && (m.at(l + k_ - 1) == 'a' || m.at(l + k_) == 'a')) ||
                          (m.at(l - 1) == 'a' && m.at(l + k_ - 1) == 'a');
    return anchored && Ns.clear(text_ + s, k_) && !single_letter(text_ + s, k_);
  }

  // A pass's bound on what a window can score, which settles most hopeless
  // windows without an extension; and the windows too short of period
  // matches for even that, passed over 64 at a time.
  // The pass's walks share what their paths have in common (satellite
  // arrays grow hundreds of windows over the same stretch).
  struct Pass {
    ExtensionBound bound;
    RunNeighbours runs;
    int need;  // the pass's minimum score
    WalkSharing sharing;
    explicit Pass(const ImperfectScan& scan)
        : runs(scan.text_, scan.n_, scan.k_, bound.first_runs_needed(scan.k_, scan.min_scores_[scan.k_])),
          need(scan.min_scores_[scan.k_]),
          sharing(scan.text_, scan.n_, WalkSharing::Tails::deferred)
    {
      if (scan.k_ > 1) bound.scan_windows(scan.text_, scan.n_, scan.k_, scan.c_.first_copies);
    }
    // The first window from i on that neither passes over (`to` if none).
    // (Asked for every window: the pass without lists stays as lean as it was.)
    unsigned next_possible(unsigned i, unsigned to)
    {
      return bound.lists_open_windows() ? next_listed(i, to) : static_cast<unsigned>(runs.next(i, to));
    }
    __attribute__((noinline)) unsigned next_listed(unsigned i, unsigned to)
    {
      for (;;) {
        const uint64_t a = runs.next(i, to);
        if (a >= to) return to;
        const uint64_t b = bound.next_open(a, to, need);
        if (b == a) return static_cast<unsigned>(a);
        i = static_cast<unsigned>(b);
      }
    }
  };

  // The repeat that window s grows into when it meets the thresholds; null
  // otherwise (the candidate is then kept in `spare` for the next window).
  Csat* grow(unsigned s, Pass& pass, Csat*& spare, Csat_garbagecollector& pool) const
  {
    const int need = min_scores_[k_];
    if (k_ > 1 && pass.bound.window_hopeless(s, need)) return nullptr;
    Csat* sat = take_candidate(spare, pool, text_ + s, text_ + s + k_);
    if (pass.bound.cannot_reach(*sat, need, text_ - 1, text_ + n_)) {
      spare = sat;
      return nullptr;
    }
    c_.extend_imperfect_forward(*sat, text_ + n_);
    c_.extend_imperfect_backward(*sat, text_ - 1);
    trim_Ns(*sat);
    if (!CSearchController::passes_thresholds(*sat, k_)) {
      spare = sat;
      return nullptr;
    }
    finish_missense(*sat);
    return sat;
  }

  // A kept repeat covers its stretch, except where its alignment events lie:
  // those positions may still anchor repeats of longer units. Records with
  // long entry lists cover late (the same marks, read where they are
  // needed) and drop their lists once covered; a record a chunk took gets
  // them back as the pass's shared stretches, not copied.
  template <class View>
  void cover(LazyMarks<View>& m, Csat& s) const
  {
    restore_entries(s, text_, n_, true);
    m.cover(s);
    if (s.dropped) {
      if (s.deferred_entries) WalkSharing::current()->forget_deferred(s);
      release_entries(s);
    } else {
      drop_entries(s, window_seed(s));
    }
  }
  // The marks as the passes read and cover them.
  template <class View>
  LazyMarks<View> marks_view(View& m, Pass& p) const
  {
    return LazyMarks<View>(m, text_, &p.sharing);
  }
  long reach(const Csat& s) const
  {
    long r = s.end - text_;
    if (s.dropped) return std::max(r, static_cast<long>(s.dropped->reach - text_));
    if (s.missense_list.count) r = std::max(r, static_cast<long>(s.missense_list.end()[-1].pos - text_) + 1);
    return r;
  }

 private:
  // A rejected candidate is re-initialised for the next window rather than
  // handed back and taken again from the pool.
  static Csat* take_candidate(Csat*& spare, Csat_garbagecollector& pool, const char* a, const char* b)
  {
    Csat* sat = spare;
    spare = nullptr;
    if (!sat) return pool.get_new(a, b);
    sat->reset(a, b);
    return sat;
  }

  CSearchController& c_;
  unsigned k_;
  const char* text_;
  unsigned n_;
  int* min_scores_;
  int* min_lengths_;
};

}  // namespace

void drop_entries(Csat& r, const CsatFields& seed)
{
  if (r.entry_count() < drop_entries_from) return;
  if (!r.dropped) r.dropped = new DroppedEntries;
  r.dropped->seed = seed;
  if (r.deferred_entries) {
    WalkSharing& ws = *WalkSharing::current();
    r.dropped->reach = ws.entries_reach(r);
    ws.forget_deferred(r);
  } else {
    r.dropped->reach = r.missense_list.end()[-1].pos + 1;  // sorted
  }
  r.missense_list.release();
}

// The extension is a function of the seed, the text and the parameters, so
// walking the seed again gives the record its entries back; the fields must
// come out as they are, or the program is broken and must not write on.
void restore_entries(Csat& r, const char* text, uint64_t n, bool deferred)
{
  if (!r.entries_missing()) return;
  const CsatFields kept = r;
  static_cast<CsatFields&>(r) = r.dropped->seed;
  r.missense_list.count = 0;
  if (deferred) {
    extend_seed(r, text, n);
  } else {
    WalkSharing::Copying all_entries(WalkSharing::current());
    extend_seed(r, text, n);
  }
  trim_Ns(r);
  sort_missense(r.missense_list);
  if (!same_fields(r, kept) || r.entry_count() < drop_entries_from) {
    std::fprintf(stderr, "Internal error: a repeat's alignment could not be recomputed.\n");
    std::abort();
  }
}

void CSearchController::complete_imperfect_search(FILE*)
{
  CAnchorSeq anchors(sequence);
  unsigned k = global_min_unit_length;
  if (k == 0) k = 1;  // a unit needs at least one character
  const char* name = sequence.name.c_str();
  ChunkedScanState chunks;
  const std::unique_ptr<BandReachRange> long_units = ExtensionBound::first_copies(
      sequence.seq_text.data, sequence.seq_text.len, k, global_max_unit_length, CSearchController::minScores,
      scan_chunk_length(sequence.seq_text.len) ? search_pool : nullptr);
  first_copies = long_units.get();
  for (; k <= global_max_unit_length; ++k) {
    if (!scan_unit_length(k, anchors, chunks)) break;
    // A stop seen during unit length 1 still lets unit length 2 run, as it always did.
    if (k > 1 && search_stop_requested(seq_number, name, k)) break;
    // Homopolymer cover must not keep longer units from anchoring there.
    if (k == 1) anchors.reset_all();
    if (k == global_max_unit_length) break;  // k + 1 could wrap
  }
  first_copies = nullptr;
  chunks.release_into(*satList_imperfect.pool);
  satList_imperfect.sort(lessThan_sat);
}

bool CSearchController::scan_unit_length(unsigned k, CAnchorSeq& anchors, ChunkedScanState& chunks)
{
  ImperfectScan scan(*this, k);
  MarkView marks{anchors.free_bits.data(), -1, static_cast<long>(anchors.seq_length) + 1};
  auto take = [&](unsigned, Csat* r) {
    satList_imperfect.push_back(r);
    return true;
  };
  auto take_split = [&](unsigned s, Csat* r, Csat*) { take(s, r); };
  Csat_garbagecollector& pool = *satList_imperfect.pool;
  const char* name = sequence.name.c_str();
  if (unsigned chunk = chunks.split_pays ? scan_chunk_length(scan.windows_end()) : 0)
    return !poll_progress(seq_number, name, k) &&
           chunked_scan(scan, chunk, marks, chunks, *search_pool, pool, take_split, NoPreparation());
  ImperfectScan::Pass pass(scan);
  LazyMarks<MarkView> lazy = scan.marks_view(marks, pass);
  scan_windows(scan, pass, 0, scan.windows_end(), lazy, pool, take,
               [&](unsigned s) { return s % 256 == 0 && poll_progress(seq_number, name, k); });
  lazy.flush();
  return true;
}

namespace {

// Each seed the exact search finds is extended, duplicates too (removing
// those is overlap removal's job). A seed's extension depends on the seed and
// the text alone; only the order of the kept records must be the one of
// extending the seeds after sorting them: by the extended start and end, then
// by the seed's start and end, then in the order found.
//
// On one thread each seed is extended at once, so that seeds that fail go
// back to the search instead of piling up. On a record split over the pool
// the chunks of the split scans extend their seeds themselves (prepare), and
// the seeds of unit length 1, found by one thread, are extended side by side
// in batches, which bound the seeds held at once.
class SeedExtender : public CSearchController::SeedTaker {
 public:
  SeedExtender(CSearchController& c, WorkerPool* pool)
      : c_(c), pool_(pool), sharing_(c.sequence.seq_text.data, c.sequence.seq_text.len, WalkSharing::Tails::deferred)
  {
  }

  bool take(Csat& sat) override
  {
    if (pool_) {
      batch_.push_back({&sat, found_++, false, sat.start, sat.end});
      if (batch_.size() == batch_size) flush();
      return true;
    }
    Seed seed{&sat, found_++, false, sat.start, sat.end};
    seed.kept = extend(sat, bound_);
    if (seed.kept) keep(seed);
    return seed.kept;
  }

  Csat* prepare(const Csat& seed, Csat_garbagecollector& pool) const override
  {
    ExtensionBound bound;
    if (hopeless(seed, bound)) return nullptr;  // most are: no copy for those
    Csat* sat = pool.get_new(seed.start, seed.end);
    static_cast<CsatFields&>(*sat) = seed;  // an exact seed has no alignment events
    if (extend_hopeful(*sat)) return sat;
    pool.give_back(sat);
    return nullptr;
  }

  void take_prepared(const Csat& seed, Csat* prepared) override
  {
    const uint64_t found = found_++;
    if (prepared) keep({prepared, found, true, seed.start, seed.end});
  }

  // The kept records into `list`, in order.
  void hand_over(std::list<Csat*>& list)
  {
    flush();
    std::sort(kept_.begin(), kept_.end(), [](const Kept& a, const Kept& b) {
      if (a.start != b.start) return a.start < b.start;
      if (a.end != b.end) return a.end < b.end;
      if (a.seed_start != b.seed_start) return a.seed_start < b.seed_start;
      if (a.seed_end != b.seed_end) return a.seed_end < b.seed_end;
      return a.found < b.found;
    });
    for (const Kept& r : kept_) list.push_back(r.sat);
  }

 private:
  static const std::size_t batch_size = 1u << 15;

  struct Seed {
    Csat* sat;
    uint64_t found;
    bool kept;
    const char* seed_start;
    const char* seed_end;
  };
  struct Kept {
    const char* start;
    const char* end;
    const char* seed_start;
    const char* seed_end;
    uint64_t found;
    Csat* sat;
  };

  // A seed means there is a text: only then are its limits formed.
  const char* before_text() const { return c_.sequence.seq_text.data - 1; }
  const char* text_end() const { return c_.sequence.seq_text.data + c_.sequence.seq_text.len; }

  bool hopeless(const Csat& seed, ExtensionBound& bound) const
  {
    return bound.cannot_reach(seed, CSearchController::minScores_user[seed.unit_length()], before_text(), text_end());
  }

  // Extends the seed `sat` in place; true when the result is kept.
  bool extend(Csat& sat, ExtensionBound& bound) const { return !hopeless(sat, bound) && extend_hopeful(sat); }
  bool extend_hopeful(Csat& sat) const
  {
    const CsatFields seed = sat;
    c_.extend_imperfect_forward(sat, text_end());
    c_.extend_imperfect_backward(sat, before_text());
    trim_Ns(sat);
    const unsigned k = sat.unit_length();
    if (!(sat.score >= CSearchController::minScores_user[k] &&
          sat.normalized_length() >= CSearchController::minLengths_user[k]))
      return false;
    finish_missense(sat);
    drop_entries(sat, seed);
    return true;
  }

  void keep(const Seed& s)
  {
    kept_.push_back({s.sat->start, s.sat->end, s.seed_start, s.seed_end, s.found, s.sat});
  }

  // Extends the gathered seeds in slices over the pool, then keeps them in
  // the order found or hands them back.
  void flush()
  {
    if (batch_.empty()) return;
    const std::size_t slices = 8ull * pool_->threads();
    const std::size_t per = (batch_.size() + slices - 1) / slices;
    pool_->parallel_for(slices, [&](std::size_t i) {
      ExtensionBound bound;
      WalkSharing sharing(c_.sequence.seq_text.data, c_.sequence.seq_text.len, WalkSharing::Tails::deferred);
      const std::size_t to = std::min(batch_.size(), (i + 1) * per);
      for (std::size_t j = std::min(batch_.size(), i * per); j < to; ++j)
        batch_[j].kept = extend(*batch_[j].sat, bound);
    });
    for (const Seed& s : batch_) {
      if (s.kept)
        keep(s);
      else
        c_.satList_exact.pool->give_back(s.sat);
    }
    batch_.clear();
  }

  CSearchController& c_;
  WorkerPool* pool_;
  WalkSharing sharing_;  // the seeds extended on this thread
  ExtensionBound bound_;
  std::vector<Seed> batch_;
  std::vector<Kept> kept_;
  uint64_t found_ = 0;
};

}  // namespace

void CSearchController::search_exact_and_extend_to_imperfect_repeats()
{
  search_message("  Searching for exact repeats.\n");
  minScores = minScores_intern;
  minLengths = minLengths_intern;
  // A record too short to split extends its seeds on its own thread: the
  // other threads are busy with other records, and nothing waits on a split.
  SeedExtender extender(*this, scan_chunk_length(sequence.seq_text.len) ? search_pool : nullptr);
  seed_taker = &extender;
  exact_search_2();
  seed_taker = nullptr;
  minScores = minScores_user;
  minLengths = minLengths_user;
  search_message("  Extend exact to imperfect repeats.\n");
  extender.hand_over(satList_imperfect);
}
