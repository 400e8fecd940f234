// Frozen copy of core/search/imperfect_extension.cpp for the reference engine (see
// oracle_engine.h). Do not edit or optimise.
// Imperfect extension: grows a seed record outward by a greedy alignment
// against the endless repetition of its unit. At each disagreement a
// depth-bounded look-ahead ranks mismatch, insertion and deletion; the record
// ends at the best-scoring end point the walk met.
//
// Forward and backward are one algorithm over a direction policy, so the two
// cannot drift apart. Nothing here allocates per character or dispatches
// virtually: the look-ahead recursion is where the program spends its time.
#include <cstdint>
#include <cstring>

#include "oracle_engine.h"
#include "global-types-and-parameters.h"

namespace oracle {

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

// Growing to the right: the cursor is `end`, the character examined is *end.
struct Forward {
  static const char* probe(const char* p) { return p; }
  static const char* outward(const char* p) { return p + 1; }
  static bool at_limit(const char* p, const char* limit) { return p == limit; }
  static const char* unit_step(const char* u, const char* ub, const char* ue)
  {
    ++u;
    return u == ue ? ub : u;
  }
  static const char* unit_steps(const char* u, const char* ub, int L, long long n)
  {
    return ub + ((u - ub) + n) % L;
  }
  static const char*& cursor(Csat& s) { return s.end; }
  static const char*& unit_cursor(Csat& s) { return s.unit_fwd; }
};

// Growing to the left: the cursor is `start`, the character examined is the
// one before it. `limit` lies before the text and is only compared.
struct Backward {
  static const char* probe(const char* p) { return p - 1; }
  static const char* outward(const char* p) { return p - 1; }
  static bool at_limit(const char* p, const char* limit) { return p == limit + 1; }
  static const char* unit_step(const char* u, const char* ub, const char* ue) { return u == ub ? ue - 1 : u - 1; }
  static const char* unit_steps(const char* u, const char* ub, int L, long long n)
  {
    return ub + (((u - ub) - n % L) + L) % L;
  }
  static const char*& cursor(Csat& s) { return s.start; }
  static const char*& unit_cursor(Csat& s) { return s.unit_bwd; }
};

enum RunStop { stop_disagreement, stop_limit, stop_long_N_run };

// Takes matches and bridgeable N runs until something else is met.
template <class D>
inline RunStop greedy_run(const char*& pos, const char*& upos, const char* ub, const char* ue, int L, int& score,
                          int& Ns, const char* limit, const ExtendParams& P)
{
  const char* p = pos;
  const char* u = upos;
  int sc = score;
  RunStop why;
  for (;;) {
    if (D::at_limit(p, limit)) {
      why = stop_limit;
      break;
    }
    const char c = *D::probe(p);
    if (c == *u) {
      p = D::outward(p);
      u = D::unit_step(u, ub, ue);
      ++sc;
      continue;
    }
    if (c == 'N' && P.Ns_neutral) {
      // Counting past the allowed length is pointless (the run is refused
      // whole), and would cost a full scan of every assembly gap.
      long long run = 0;
      const char* q = p;
      while (run <= P.Ns_allowed && !D::at_limit(q, limit) && *D::probe(q) == 'N') {
        q = D::outward(q);
        ++run;
      }
      if (run > P.Ns_allowed) {
        why = stop_long_N_run;
        break;
      }
      p = q;
      u = D::unit_steps(u, ub, L, run);
      Ns += static_cast<int>(run);
      continue;
    }
    why = stop_disagreement;
    break;
  }
  pos = p;
  upos = u;
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

template <class D>
int leap_ahead(const char* pos, const char* upos, const char* ub, const char* ue, int score, int L,
               unsigned char level, const char* limit, int best, const ExtendParams& P)
{
  int Ns_unused = 0;
  if (greedy_run<D>(pos, upos, ub, ue, L, score, Ns_unused, limit, P) != stop_disagreement) return score;
  if (static_cast<int>(level) == P.depth) return score;

  // The bound follows the best score on this search path, not only the walk's.
  if (score > best) best = score;
  const long long lower = lower_bound(best, L, P);
  const unsigned char child = static_cast<unsigned char>(level + 1);
  int top = -L - 1;
  bool explored = false;

  if (static_cast<long long>(score) + P.mismatch > lower) {
    top = leap_ahead<D>(D::outward(pos), D::unit_step(upos, ub, ue), ub, ue, score + P.mismatch, L, child, limit,
                        best, P);
    explored = true;
  }
  if (static_cast<long long>(score) + P.indel > lower) {
    int r = leap_ahead<D>(D::outward(pos), upos, ub, ue, score + P.indel, L, child, limit, best, P);
    if (r > top) top = r;
    r = leap_ahead<D>(pos, D::unit_step(upos, ub, ue), ub, ue, score + P.indel, L, child, limit, best, P);
    if (r > top) top = r;
    explored = true;
  }
  if (!explored) return score;
  return top > score ? top : score;
}

// The best end point of a walk: a full copy of the record with its entries in
// a buffer of its own, sized exactly to what it has had to hold.
class BestState {
 public:
  explicit BestState(const Csat& s)
  {
    copy_fields_from(s);
    count = capacity = s.missense_list.count;
    if (count) {
      entries = static_cast<missense_entry*>(checked_realloc(nullptr, count * sizeof(missense_entry)));
      std::memcpy(entries, s.missense_list.data, count * sizeof(missense_entry));
    }
  }
  ~BestState() { std::free(entries); }
  BestState(const BestState&) = delete;
  BestState& operator=(const BestState&) = delete;

  void take(const Csat& s)
  {
    copy_fields_from(s);
    const uint32_t n = s.missense_list.count;
    if (n > capacity) {
      entries = static_cast<missense_entry*>(checked_realloc(entries, n * sizeof(missense_entry)));
      capacity = n;
    }
    // A walk only appends to the list, so the entries this copy already
    // holds are still the list's first ones: copy the new tail only.
    const uint32_t same = count < n ? count : n;
    if (n > same) std::memcpy(entries + same, s.missense_list.data + same, (n - same) * sizeof(missense_entry));
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
    std::memcpy(s.missense_list.data, entries, count * sizeof(missense_entry));
    s.missense_list.count = count;
  }

  int score() const { return fields.score; }

 private:
  void copy_fields_from(const Csat& s) { fields = s; }

  CsatFields fields;
  missense_entry* entries = nullptr;
  uint32_t count = 0;
  uint32_t capacity = 0;
};

template <class D>
void extend_walk(Csat& sat, const char* limit, const ExtendParams& P)
{
  BestState best(sat);
  const char* const ub = sat.unit_begin;
  const char* const ue = sat.unit_end;
  const int L = static_cast<int>(ue - ub);
  const char*& pos = D::cursor(sat);
  const char*& upos = D::unit_cursor(sat);

  for (;;) {
    if (greedy_run<D>(pos, upos, ub, ue, L, sat.score, sat.Ns, limit, P) != stop_disagreement) {
      // Sequence end or a long N run: an equal score does not displace the best.
      if (!(static_cast<long long>(sat.score) > static_cast<long long>(best.score()) - P.prefer_longer))
        best.restore_into(sat);
      return;
    }

    if (static_cast<long long>(sat.score) > static_cast<long long>(best.score()) - P.prefer_longer) best.take(sat);
    const long long lower = lower_bound(best.score(), L, P);
    const int score = sat.score;
    char choice = 0;
    int top = -L - 1;

    if (static_cast<long long>(score) + P.mismatch > lower) {
      top = leap_ahead<D>(D::outward(pos), D::unit_step(upos, ub, ue), ub, ue, score + P.mismatch, L, 1, limit,
                          best.score(), P);
      choice = 'M';
    }
    if (static_cast<long long>(score) + P.indel > lower) {
      int r = leap_ahead<D>(D::outward(pos), upos, ub, ue, score + P.indel, L, 1, limit, best.score(), P);
      if (r > top) {
        top = r;
        choice = 'I';
      }
      r = leap_ahead<D>(pos, D::unit_step(upos, ub, ue), ub, ue, score + P.indel, L, 1, limit, best.score(), P);
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
        pos = D::outward(pos);
        upos = D::unit_step(upos, ub, ue);
        ++sat.mismatches;
        sat.score += P.mismatch;
        break;
      case 'I':
        sat.missense_list.push_back({D::probe(pos), 'I'});
        pos = D::outward(pos);
        ++sat.insertions;
        sat.score += P.indel;
        break;
      default:  // 'D': the unit moves on, the sequence stays
        sat.missense_list.push_back({pos, 'D'});
        upos = D::unit_step(upos, ub, ue);
        ++sat.deletions;
        sat.score += P.indel;
        break;
    }
  }
}

}  // namespace

void SearchEngine::extend_imperfect_forward(Csat& sat, const char* limit)
{
  extend_walk<Forward>(sat, limit, ExtendParams::current());
}

void SearchEngine::extend_imperfect_backward(Csat& sat, const char* limit)
{
  extend_walk<Backward>(sat, limit, ExtendParams::current());
}

}  // namespace oracle
