// Imperfect extension: grows a seed record outward by a greedy alignment
// against the endless repetition of its unit. At each disagreement a
// depth-bounded look-ahead ranks mismatch, insertion and deletion; the record
// ends at the best-scoring end point the walk met.
//
// Forward and backward are one algorithm over a direction policy, so the two
// cannot drift apart. The look-ahead is where the program spends its time, so
// the unit is held as a phase into a periodic copy of it and matches are
// counted eight characters at a time; nothing here allocates per seed.
#include <cstdint>
#include <cstring>

#include "CSearchController.h"
#include "global-types-and-parameters.h"
#include "unit_scan.h"

namespace {

// The parameters the extension reads, taken once per call so the recursion
// does not reload globals after every child.
struct ExtendParams {
  int mismatch;
  int indel;
  int max_reduction;
  int prefer_longer;
  int depth;
  int Ns_allowed;
  bool Ns_neutral;  // an N run may be bridged at score 0

  static ExtendParams current()
  {
    ExtendParams p;
    p.mismatch = global_mismatch_score;
    p.indel = global_indel_score;
    p.max_reduction = global_maximum_scorereduction;
    p.prefer_longer = global_prefer_longer_repeat;
    p.depth = global_maximum_recursion_depth;
    p.Ns_allowed = global_Ns_allowed_in_a_row;
    p.Ns_neutral = global_Ns_allowed_in_a_row != 0 && !global_treat_Ns_as_missense;
    return p;
  }
};

// Everything one extension call shares with its look-ahead.
template <class D>
struct Walk {
  const ExtendParams& P;
  const UnitScan& unit;
  const char* limit;
  int L;
};

enum RunStop { stop_disagreement, stop_limit, stop_long_N_run };

// Takes matches and bridgeable N runs until something else is met.
template <class D>
inline RunStop greedy_run(const Walk<D>& w, const char*& pos, int& phase, int& score, int& Ns)
{
  const char* p = pos;
  int ph = phase;
  int sc = score;
  RunStop why;
  for (;;) {
    sc += D::match_run(w.unit, p, ph, w.limit);
    if (D::at_limit(p, w.limit)) {
      why = stop_limit;
      break;
    }
    if (*D::probe(p) == 'N' && w.P.Ns_neutral) {
      // Counting past the allowed length is pointless (the run is refused
      // whole), and would cost a full scan of every assembly gap.
      long long n = 0;
      const char* q = p;
      while (n <= w.P.Ns_allowed && !D::at_limit(q, w.limit) && *D::probe(q) == 'N') {
        q = D::move(q, 1);
        ++n;
      }
      if (n > w.P.Ns_allowed) {
        why = stop_long_N_run;
        break;
      }
      p = q;
      ph = w.unit.step_far(ph, D::sign * n);
      Ns += static_cast<int>(n);
      continue;
    }
    why = stop_disagreement;
    break;
  }
  pos = p;
  phase = ph;
  score = sc;
  return why;
}

// Bound below which an alternative is not explored. Formed in 64 bits so that
// extreme user values (a huge negative reduction or penalty) cannot wrap.
inline long long lower_bound(int best, int L, const ExtendParams& P)
{
  long long reduced = static_cast<long long>(best) - P.max_reduction;
  long long floor_value = -static_cast<long long>(L);
  return (reduced > floor_value ? reduced : floor_value) - P.prefer_longer;
}

// The look-ahead's value is the best score any node of its search tree
// reaches after its greedy run.
template <class D>
int leap_ahead(const Walk<D>& w, const char* pos, int phase, int score, unsigned char level, int best)
{
  int Ns_unused = 0;
  if (greedy_run<D>(w, pos, phase, score, Ns_unused) != stop_disagreement) return score;
  if (static_cast<int>(level) == w.P.depth) return score;

  // The bound follows the best score on this search path, not only the walk's.
  if (score > best) best = score;
  const long long lower = lower_bound(best, w.L, w.P);
  const unsigned char child = static_cast<unsigned char>(level + 1);
  const int next = w.unit.step(phase, D::sign);
  int top = -w.L - 1;
  bool explored = false;

  if (static_cast<long long>(score) + w.P.mismatch > lower) {
    top = leap_ahead<D>(w, D::move(pos, 1), next, score + w.P.mismatch, child, best);
    explored = true;
  }
  if (static_cast<long long>(score) + w.P.indel > lower) {
    int r = leap_ahead<D>(w, D::move(pos, 1), phase, score + w.P.indel, child, best);
    if (r > top) top = r;
    r = leap_ahead<D>(w, pos, next, score + w.P.indel, child, best);
    if (r > top) top = r;
    explored = true;
  }
  if (!explored) return score;
  return top > score ? top : score;
}

// The best end point of a walk: a full copy of the record, its entries in
// room the thread keeps from walk to walk (a walk never starts another), so
// that a walk allocates nothing once the room has grown to the longest list
// seen. The room's own count is unused: `count` says how many entries hold.
class BestState {
 public:
  explicit BestState(const Csat& s) : room(thread_room())
  {
    copy_fields_from(s);
    count = s.missense_list.count;
    reserve(count);
    if (count) std::memcpy(room.data, s.missense_list.data, count * sizeof(missense_entry));
  }
  BestState(const BestState&) = delete;
  BestState& operator=(const BestState&) = delete;

  void take(const Csat& s)
  {
    copy_fields_from(s);
    const uint32_t n = s.missense_list.count;
    reserve(n);
    // A walk only appends to the list, so the entries this copy already
    // holds are still the list's first ones: copy the new tail only.
    const uint32_t same = count < n ? count : n;
    if (n > same) std::memcpy(room.data + same, s.missense_list.data + same, (n - same) * sizeof(missense_entry));
    count = n;
  }

  void restore_into(Csat& s) const
  {
    static_cast<CsatFields&>(s) = fields;
    if (count == 0) {
      s.missense_list.count = 0;
      return;
    }
    if (s.missense_list.capacity < count) s.missense_list.resize_exact(count);
    std::memcpy(s.missense_list.data, room.data, count * sizeof(missense_entry));
    s.missense_list.count = count;
  }

  int score() const { return fields.score; }

 private:
  static fastvector<missense_entry>& thread_room()
  {
    static thread_local fastvector<missense_entry> room;
    return room;
  }
  // Keeps the entries held so far.
  void reserve(uint32_t n)
  {
    if (n > room.capacity) room.resize_exact(n);
  }
  void copy_fields_from(const Csat& s) { fields = s; }

  CsatFields fields;
  fastvector<missense_entry>& room;
  uint32_t count = 0;
};

template <class D>
void extend_walk(Csat& sat, const char* limit, const ExtendParams& P)
{
  UnitScan& unit = UnitScan::for_unit(sat.unit_begin, sat.unit_end);
  const Walk<D> w{P, unit, limit, unit.length()};
  BestState best(sat);
  const char*& pos = D::cursor(sat);
  const char*& unit_cursor = D::unit_cursor(sat);
  int phase = static_cast<int>(unit_cursor - sat.unit_begin);
  // The record's unit cursor is brought up to date before every copy of it.
  auto sync = [&] { unit_cursor = sat.unit_begin + phase; };

  for (;;) {
    if (greedy_run<D>(w, pos, phase, sat.score, sat.Ns) != stop_disagreement) {
      sync();
      // Sequence end or a long N run: an equal score does not displace the best.
      if (!(static_cast<long long>(sat.score) > static_cast<long long>(best.score()) - P.prefer_longer))
        best.restore_into(sat);
      return;
    }

    sync();
    if (static_cast<long long>(sat.score) > static_cast<long long>(best.score()) - P.prefer_longer) best.take(sat);
    const long long lower = lower_bound(best.score(), w.L, P);
    const int score = sat.score;
    const int next = unit.step(phase, D::sign);
    char choice = 0;
    int top = -w.L - 1;

    if (static_cast<long long>(score) + P.mismatch > lower) {
      top = leap_ahead<D>(w, D::move(pos, 1), next, score + P.mismatch, 1, best.score());
      choice = 'M';
    }
    if (static_cast<long long>(score) + P.indel > lower) {
      int r = leap_ahead<D>(w, D::move(pos, 1), phase, score + P.indel, 1, best.score());
      if (r > top) {
        top = r;
        choice = 'I';
      }
      r = leap_ahead<D>(w, pos, next, score + P.indel, 1, best.score());
      if (r > top) choice = 'D';
    }

    if (!choice) {
      // No alternative left: here a state one below the best may stay.
      if (!(static_cast<long long>(best.score()) <= static_cast<long long>(sat.score) + P.prefer_longer))
        best.restore_into(sat);
      return;
    }

    switch (choice) {
      case 'M':
        sat.missense_list.push_back({D::probe(pos), 'M'});
        pos = D::move(pos, 1);
        phase = next;
        ++sat.mismatches;
        sat.score += P.mismatch;
        break;
      case 'I':
        sat.missense_list.push_back({D::probe(pos), 'I'});
        pos = D::move(pos, 1);
        ++sat.insertions;
        sat.score += P.indel;
        break;
      default:  // 'D': the unit moves on, the sequence stays
        sat.missense_list.push_back({pos, 'D'});
        phase = next;
        ++sat.deletions;
        sat.score += P.indel;
        break;
    }
  }
}

// The look-ahead entry points of the controller take the unit cursor as a
// pointer into the unit, like the record does.
template <class D>
int leap_ahead_from(const char* pos, const char* unit_pos, const char* unit_begin, const char* unit_end, int score,
                    int unit_len, unsigned char level, const char* limit, int best)
{
  const ExtendParams P = ExtendParams::current();
  const UnitScan& unit = UnitScan::for_unit(unit_begin, unit_end);
  const Walk<D> w{P, unit, limit, unit_len};
  return leap_ahead<D>(w, pos, static_cast<int>(unit_pos - unit_begin), score, level, best);
}

}  // namespace

void CSearchController::extend_imperfect_forward(Csat& sat, const char* limit)
{
  extend_walk<ScanForward>(sat, limit, ExtendParams::current());
}

void CSearchController::extend_imperfect_backward(Csat& sat, const char* limit)
{
  extend_walk<ScanBackward>(sat, limit, ExtendParams::current());
}

int CSearchController::extend_imperfect_forward_leap_ahead(const char* pos, const char* unit_pos,
                                                           const char* unit_begin, const char* unit_end, int score,
                                                           int unit_len, unsigned char level, const char* limit,
                                                           int best)
{
  return leap_ahead_from<ScanForward>(pos, unit_pos, unit_begin, unit_end, score, unit_len, level, limit, best);
}

int CSearchController::extend_imperfect_backward_leap_ahead(const char* pos, const char* unit_pos,
                                                            const char* unit_begin, const char* unit_end, int score,
                                                            int unit_len, unsigned char level, const char* limit,
                                                            int best)
{
  return leap_ahead_from<ScanBackward>(pos, unit_pos, unit_begin, unit_end, score, unit_len, level, limit, best);
}
