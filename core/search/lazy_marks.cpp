#include "lazy_marks.h"

#include <algorithm>

namespace {
// Claims kept at once; beyond it the oldest is written (their entries are
// held meanwhile, so this bounds the memory they take).
constexpr unsigned most_claimants = 64;
}  // namespace

template <class View>
LazyMarks<View>::LazyMarks(View& marks, const char* t, const WalkSharing* ws) : base(marks), text(t), sharing(ws) {}

template <class View>
LazyMarks<View>::~LazyMarks() { flush(); }

template <class View>
long LazyMarks<View>::entry(const WalkSharing::Tail& t, uint32_t i) const { return sharing->entry_offset(t, i); }

template <class View>
char LazyMarks<View>::claimed_at(long p) const
{
  auto it = std::upper_bound(claims.begin(), claims.end(), p, [](long x, const Claim& c) { return x < c.b; });
  if (it != claims.end() && it->a <= p) return is_entry(claimants[it->who], p) ? 'a' : ' ';
  return base.at(p);
}

// Along a stretch the walk moved one way, so its entries' offsets are
// monotone: rising forward, falling backward.
template <class View>
bool LazyMarks<View>::in_stretch(const WalkSharing::Tail& t, long p) const
{
  uint32_t lo = t.from, hi = t.to;
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    const long e = entry(t, mid);
    if (t.backward ? e > p : e < p)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo < t.to && entry(t, lo) == p;
}

template <class View>
typename LazyMarks<View>::TailRange LazyMarks<View>::stretch_range(const WalkSharing::Tail& chain, uint32_t from,
                                                                  uint32_t to) const
{
  const WalkSharing::Tail t{chain.memo, chain.at, from, to, chain.backward};
  const long first = entry(t, from), last = entry(t, to - 1);
  return {t, std::min(first, last), std::max(first, last)};
}

// A chain moves one way too: its stretches are found in walk order until
// one reaches p.
template <class View>
bool LazyMarks<View>::in_chain(const TailRange& r, ChainReading& chain, long p) const
{
  const bool backward = r.tail.backward;
  auto passed = [&](const TailRange& s) { return backward ? s.lo <= p : s.hi >= p; };
  while (chain.next != WalkSharing::finished && (chain.stretches.empty() || !passed(chain.stretches.back()))) {
    uint32_t from, to;
    sharing->next_stretch(r.tail, chain.next, from, to);
    if (from < to) chain.stretches.push_back(stretch_range(r.tail, from, to));
  }
  // The stretches that may hold p: the first that reaches it and the one
  // after (neighbours may share an end offset).
  const auto& st = chain.stretches;
  const auto at = std::partition_point(st.begin(), st.end(), [&](const TailRange& s) { return !passed(s); });
  for (auto it = at; it != st.end() && it <= at + 1; ++it)
    if (it->lo <= p && p <= it->hi && in_stretch(it->tail, p)) return true;
  return false;
}

template <class View>
bool LazyMarks<View>::is_entry(const Claimant& c, long p) const
{
  if (std::binary_search(c.own.begin(), c.own.end(), p)) return true;
  auto it = std::upper_bound(c.tails.begin(), c.tails.end(), p, [](long x, const TailRange& r) { return x < r.lo; });
  // Neighbouring stretches may share an end offset.
  for (int back = 0; back < 2 && it != c.tails.begin(); ++back) {
    const TailRange& r = *--it;
    if (r.hi < p) break;
    if (r.chain < 0 ? in_stretch(r.tail, p) : in_chain(r, c.chains[static_cast<std::size_t>(r.chain)], p))
      return true;
  }
  return false;
}

template <class View>
template <class F>
void LazyMarks<View>::for_each_entry_in(const Claimant& c, long a, long b, F&& f) const
{
  for (auto it = std::lower_bound(c.own.begin(), c.own.end(), a); it != c.own.end() && *it < b; ++it) f(*it);
  auto t = std::lower_bound(c.tails.begin(), c.tails.end(), a, [](const TailRange& r, long x) { return r.hi < x; });
  for (; t != c.tails.end() && t->lo < b; ++t)
    sharing->for_each_stretch(t->tail, [&](uint32_t from, uint32_t to) {
      for (uint32_t i = from; i < to; ++i) {
        const long e = entry(t->tail, i);
        if (e >= a && e < b) f(e);
      }
    });
}

// Later marks overwrite [a, b): the claims there are dropped.
template <class View>
void LazyMarks<View>::clip(long a, long b)
{
  auto first = std::upper_bound(claims.begin(), claims.end(), a, [](long x, const Claim& c) { return x < c.b; });
  auto last = first;
  while (last != claims.end() && last->a < b) ++last;
  if (first == last) return;
  cut.clear();
  for (auto it = first; it != last; ++it) {
    Claimant& c = claimants[it->who];
    --c.claims;
    if (it->a < a) {
      cut.push_back({it->a, a, it->who});
      ++c.claims;
    }
    if (it->b > b) {
      cut.push_back({b, it->b, it->who});
      ++c.claims;
    }
  }
  for (auto it = first; it != last; ++it)
    if (claimants[it->who].live && claimants[it->who].claims == 0) release(it->who);
  const auto at = claims.erase(first, last);
  claims.insert(at, cut.begin(), cut.end());
}

template <class View>
void LazyMarks<View>::write(const Claim& claim)
{
  base.fill(claim.a, claim.b, ' ');
  for_each_entry_in(claimants[claim.who], claim.a, claim.b, [&](long e) { base.set(e, 'a'); });
}

template <class View>
void LazyMarks<View>::release(uint32_t who)
{
  Claimant& c = claimants[who];
  c.own.clear();
  c.tails.clear();
  c.chains.clear();
  c.claims = 0;
  c.live = false;
  unused.push_back(who);
  --holding;
}

template <class View>
void LazyMarks<View>::flush()
{
  for (const Claim& c : claims) write(c);
  for (const Claim& c : claims)
    if (claimants[c.who].live) release(c.who);
  claims.clear();
}

template <class View>
void LazyMarks<View>::flush_oldest()
{
  uint32_t oldest = 0;
  uint64_t age = UINT64_MAX;
  for (const Claim& c : claims)
    if (claimants[c.who].age < age) {
      age = claimants[c.who].age;
      oldest = c.who;
    }
  for (const Claim& c : claims)
    if (c.who == oldest) write(c);
  claims.erase(std::remove_if(claims.begin(), claims.end(), [&](const Claim& c) { return c.who == oldest; }),
               claims.end());
  release(oldest);
}

// The cover as it always was, for records with short lists.
template <class View>
void LazyMarks<View>::cover_now(const Csat& r)
{
  const long a = r.start - text, b = r.end - text;
  clip(a, b);
  base.fill(a, b, ' ');
  auto free_at = [&](long e) {
    if (e < a || e >= b) clip(e, e + 1);
    base.set(e, 'a');
  };
  for (const missense_entry& e : r.missense_list) free_at(e.pos - text);
  if (r.deferred_entries) sharing->for_each_deferred_position(r, [&](const char* p) { free_at(p - text); });
}

template <class View>
void LazyMarks<View>::cover(const Csat& r)
{
  ++covers;
  if (r.entry_count() < claim_entries_from) {
    cover_now(r);
    return;
  }
  const long a = r.start - text, b = r.end - text;
  clip(a, b);
  uint32_t who;
  if (!unused.empty()) {
    who = unused.back();
    unused.pop_back();
  } else {
    who = static_cast<uint32_t>(claimants.size());
    claimants.emplace_back();
  }
  ++holding;
  Claimant& c = claimants[who];
  c.live = true;
  c.age = covers;
  auto free_outside = [&](long e) {
    if (e >= a && e < b) return false;
    clip(e, e + 1);
    base.set(e, 'a');
    return true;
  };
  for (const missense_entry& e : r.missense_list) {
    const long p = e.pos - text;
    if (!free_outside(p)) c.own.push_back(p);
  }
  // A list left deferred is in walk order: forward rising, then backward falling.
  if (!std::is_sorted(c.own.begin(), c.own.end())) std::sort(c.own.begin(), c.own.end());
  if (r.deferred_entries)
    for (const WalkSharing::Tail& t : sharing->deferred_tails(r)) {
      if (t.count == 0) continue;
      const long first = entry(t, t.from), last = entry(t, t.last);
      const long lo = std::min(first, last), hi = std::max(first, last);
      if (lo < a || hi >= b)
        sharing->for_each_stretch(t, [&](uint32_t from, uint32_t to) {
          for (uint32_t i = from; i < to; ++i) free_outside(entry(t, i));
        });
      c.tails.push_back({t, lo, hi});
      if (t.chained) {
        c.tails.back().chain = static_cast<int>(c.chains.size());
        c.chains.push_back({{}, t.from});
      }
    }
  // The forward walk's stretches rise and the backward walk's, after them,
  // fall below the seed: reversing those sorts them.
  auto backward = std::find_if(c.tails.begin(), c.tails.end(), [](const TailRange& x) { return x.tail.backward; });
  std::reverse(backward, c.tails.end());
  std::rotate(c.tails.begin(), backward, c.tails.end());
  auto by_start = [](const TailRange& x, const TailRange& y) { return x.lo < y.lo; };
  if (!std::is_sorted(c.tails.begin(), c.tails.end(), by_start)) std::sort(c.tails.begin(), c.tails.end(), by_start);
  const long from = std::max(a, base.first), to = std::min(b, base.last);
  if (from >= to) {
    release(who);
    return;
  }
  c.claims = 1;
  const auto at = std::upper_bound(claims.begin(), claims.end(), from, [](long x, const Claim& k) { return x < k.a; });
  claims.insert(at, Claim{from, to, who});
  if (holding > most_claimants) flush_oldest();
}

template class LazyMarks<MarkView>;
template class LazyMarks<BitMarkView>;
