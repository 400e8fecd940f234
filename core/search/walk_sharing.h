// WalkSharing: lets the extension walks of one thread share the stretches of
// their paths that provably coincide, so that the walks of a satellite array
// (hundreds of windows and seeds, each growing over the whole array) cost
// about one walk per distinct path instead of one per seed.
//
// While an instance lives on a thread, extend_imperfect_forward and
// extend_imperfect_backward on that thread, over the text it names, record
// the disagreements ("nodes") of their walks and, at each node, look for an
// earlier walk that met the same node. The results are those of the walks
// without sharing, to the byte; why is explained in imperfect_extension.cpp
// (see "Why a shared path gives the same record"). Without an instance, or
// where the parameters rule the argument out, the walks run as before.
//
// The memory it holds is released when the instance ends; nest them freely
// (the inner one is in force until it ends).
//
// With deferred tails, a walk that takes over a recorded stretch notes the
// stretch instead of copying its entries into the record. The records of an
// array are walked by the hundred thousand, and most of them only set the
// marks from their entries before they drop them: copying every entry of
// every record made the arrays cost the square of their length. A record
// with deferred entries says so (Csat::deferred_entries); the searches
// either give it its entries (give_deferred_entries) or read their positions
// and drop them (for_each_deferred_position, then drop_entries), before the
// next walk on the thread begins.
#ifndef SARVIK_WALK_SHARING_H
#define SARVIK_WALK_SHARING_H

#include <cstdint>
#include <memory>
#include <vector>

#include "Csat.h"

// A disagreement an extension walk met, as the sharing records it (and holds
// it packed, in 16 bytes: an array holds millions of them). Positions are
// offsets into the text.
struct WalkNode {
  uint32_t at;  // the walk's cursor, as an offset into the sharing's text
  int score;
  int mismatches;
  int insertions;
  int deletions;
  int Ns;
  int16_t phase;  // in the unit of the walk that recorded it
  // 'M', 'I', 'D': the step taken here; 0: the walk ended here for lack
  // of an alternative; 'E': the walk's end (the text's end or a long N
  // run) after the step before; 'J': where the walk joined another one.
  char kind;
  // A step taken where the recording walk was not safe, which a safe walk
  // later took there too: safe walks follow it (see imperfect_extension.cpp).
  bool safe_step;
  uint32_t path;
  // Of a join, or of a stop that a safe walk has recorded since: the node it
  // leads to (UINT32_MAX: none).
  uint32_t link;

  // Where it lies and what it did: all an entry needs.
  struct Step {
    uint32_t at;
    char kind;
  };
};

class WalkSharing {
 public:
  enum class Tails { copied, deferred };
  // For walks over the text [text, text + n).
  WalkSharing(const char* text, uint64_t n, Tails tails = Tails::copied);
  ~WalkSharing();
  WalkSharing(const WalkSharing&) = delete;
  WalkSharing& operator=(const WalkSharing&) = delete;

  // What the sharing did, for tests and benchmarks.
  struct Stats {
    uint64_t nodes_recorded = 0;
    uint64_t joins = 0;           // walks that took over a recorded stretch
    uint64_t nodes_followed = 0;  // disagreements they did not walk
    uint64_t safe_steps = 0;      // steps found to be every safe walk's (safe_step)
    uint64_t chains_taken = 0;    // chains of stretches taken over at once (shortcuts)
    uint64_t stops_led_on = 0;    // stops found to lead on to a safe walk's node
  };
  const Stats& stats() const { return stats_; }

  struct Memo;  // one direction and unit length's recorded walks
  static WalkSharing* current();
  Memo* memo(int direction, int L);
  bool covers(const char* p) const { return p >= text && p <= text + n; }
  // The position of the entry a recorded step gives.
  const char* entry_position(const WalkNode::Step& step, bool backward) const
  {
    // A backward walk's mismatch or insertion is the character before its cursor.
    return text + step.at - (backward && step.kind != 'D' ? 1 : 0);
  }

  // The deferred entries of the record walked last on this thread.
  // Recorded nodes from `from` up to `to` (exclusive) whose steps are the
  // record's entries from its own entry `at` on: one stretch [from, to), or,
  // when `chained`, a chain of stretches, each ending at a node that leads
  // on to the next one's first (count entries, the last at node `last`).
  struct Tail {
    Memo* memo;
    uint32_t at, from, to;
    bool backward;
    bool chained = false;
    uint32_t count = to - from;
    uint32_t last = to - 1;
  };
  bool deferring() const { return tails_mode == Tails::deferred; }
  // A forward walk begins on `r`: the tails of the record before are gone.
  void begin_record(const Csat& r);
  void defer(const Csat& r, const Tail& t);
  std::size_t tail_count() const { return tails.size(); }
  // Back to `count` tails holding `entries` entries, as a best state saw them.
  void truncate_tails(Csat& r, std::size_t count, uint32_t entries);
  // Calls f(position) for the deferred entries of `r` (not for its own).
  template <class F>
  void for_each_deferred_position(const Csat& r, F&& f) const
  {
    check_owner(r);
    for (const Tail& t : tails) {
      for_each_stretch(t, [&](uint32_t from, uint32_t to) {
        for (uint32_t i = from; i < to; ++i) f(entry_position(step_of(t.memo, i), t.backward));
      });
    }
  }
  // Calls f(from, to) for the stretches of recorded nodes that hold the
  // tail's entries, in walk order.
  template <class F>
  void for_each_stretch(const Tail& t, F&& f) const
  {
    uint32_t from, to;
    for (uint32_t cur = t.from; next_stretch(t, cur, from, to);) f(from, to);
  }
  // The tail's stretches one at a time: `cur` starts at t.from; each call
  // gives the next stretch [from, to), false once there is none.
  bool next_stretch(const Tail& t, uint32_t& cur, uint32_t& from, uint32_t& to) const
  {
    if (cur == finished) return false;
    from = cur;
    // A chain goes on at the first node of the stretch that stops every
    // follower (stretches only ever become more passable).
    const uint32_t last = t.chained ? stretch_end(t.memo, cur) : t.to;
    if (t.to >= cur && t.to <= last) {
      to = t.to;
      cur = finished;
    } else {
      to = last;
      cur = link_of(t.memo, last);
    }
    return true;
  }
  static constexpr uint32_t finished = UINT32_MAX;
  // The stretches that hold the deferred entries of `r`, in walk order, and
  // the offset of a stretch's entry at node i (from <= i < to).
  const std::vector<Tail>& deferred_tails(const Csat& r) const
  {
    check_owner(r);
    return tails;
  }
  long entry_offset(const Tail& t, uint32_t i) const
  {
    return static_cast<long>(entry_position(step_of(t.memo, i), t.backward) - text);
  }
  // Puts the deferred entries into the list, in walk order.
  void give_deferred_entries(Csat& r);
  // One past the last position of the record's entries, own and deferred.
  const char* entries_reach(const Csat& r) const;
  void forget_deferred(Csat& r);
  // Walks from here on copy their entries until the instance ends
  // (recomputing a dropped list needs all of it).
  class Copying {
   public:
    explicit Copying(WalkSharing* ws) : ws_(ws), was_(ws ? ws->tails_mode : Tails::copied)
    {
      if (ws_) ws_->tails_mode = Tails::copied;
    }
    ~Copying()
    {
      if (ws_) ws_->tails_mode = was_;
    }
    Copying(const Copying&) = delete;
    Copying& operator=(const Copying&) = delete;

   private:
    WalkSharing* ws_;
    Tails was_;
  };

  const char* const text;
  const uint64_t n;
  Stats stats_;

 private:
  static WalkNode::Step step_of(const Memo* m, uint32_t i);
  static uint32_t link_of(const Memo* m, uint32_t i);
  static uint32_t stretch_end(const Memo* m, uint32_t node);
  void check_owner(const Csat& r) const;

  WalkSharing* previous;
  std::unique_ptr<Memo> memos[2][65];
  Tails tails_mode;
  const Csat* owner = nullptr;
  std::vector<Tail> tails;
};

// A kept record's entries take 16 bytes each, and a satellite array keeps
// hundreds of thousands of records over its whole length: the searches drop
// the entries of records with this many or more once the marks are set, and
// whoever needs them again (the writer, the marks of a redone chunk)
// recomputes them. Lower, the seed kept instead would weigh as much as the
// entries; ordinary sequence has hardly any records this long.
constexpr uint32_t drop_entries_from = 32;

// Drops the entries of the kept record `r` (sorted, as finished), when they
// are many; `seed` is the record as its extension began.
void drop_entries(Csat& r, const CsatFields& seed);
// Gives a record its dropped entries back by extending its seed again over
// the text [text, text + n) (the same walk, so the same record); nothing
// when the entries are there. release_entries() drops them again. With
// `deferred`, those the walk takes over from shared stretches stay deferred
// where the thread's sharing defers them.
void restore_entries(Csat& r, const char* text, uint64_t n, bool deferred = false);
// The two extensions of a seed over the text [text, text + n), forward
// first, as the searches call them.
void extend_seed(Csat& r, const char* text, uint64_t n);
inline void release_entries(Csat& r)
{
  if (r.dropped) r.missense_list.release();
}

#endif
