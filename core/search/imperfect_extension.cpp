// Imperfect extension: grows a seed record outward by a greedy alignment
// against the endless repetition of its unit. At each disagreement a
// depth-bounded look-ahead ranks mismatch, insertion and deletion; the record
// ends at the best-scoring end point the walk met.
//
// Forward and backward are one algorithm over a direction policy, so the two
// cannot drift apart. The look-ahead is where the program spends its time, so
// the unit is held as a phase into a periodic copy of it and matches are
// counted eight characters at a time; nothing here allocates per seed.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "CSearchController.h"
#include "global-types-and-parameters.h"
#include "unit_scan.h"
#include "walk_sharing.h"

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
//
// The tree is searched level by level: the greedy runs of one level do not
// wait for one another, as they would in a recursion, so the processor
// overlaps them. A node's tests read only its own path (its score and the
// best score along it), which its queued state carries; so the nodes visited
// and the value are those of the plain recursion over the tree. Leaves are
// taken at once, not queued (two nodes in three are leaves). A block queues
// at most `block_levels` levels; below those each child starts a block of its
// own, so a deep tree needs memory for its depth, not its width. Levels count
// in 8 bits, as the recursion's did: a depth above 255 is never reached.
template <class D>
int leap_ahead(const Walk<D>& w, const char* pos, int phase, int score, unsigned char level, int best)
{
  constexpr int block_levels = 6, widest = 243;  // 3^5 states on its last queued level
  struct State {
    const char* pos;
    int phase, score, best;
  };
  State buffers[2][widest];
  State* cur = buffers[0];
  State* next = buffers[1];
  cur[0] = {pos, phase, score, best};
  int value = INT_MIN;
  for (int queued = 1, count = 1; count > 0; ++queued, ++level) {
    const unsigned char child = static_cast<unsigned char>(level + 1);
    const bool leaves = static_cast<int>(child) == w.P.depth, last = queued == block_levels;
    int made = 0;
    for (int i = 0; i < count; ++i) {
      State st = cur[i];
      int Ns_unused = 0;
      const RunStop why = greedy_run<D>(w, st.pos, st.phase, st.score, Ns_unused);
      if (st.score > value) value = st.score;
      if (why != stop_disagreement || static_cast<int>(level) == w.P.depth) continue;
      // The bound follows the best score on this search path, not only the walk's.
      const int b = st.score > st.best ? st.score : st.best;
      const long long lower = lower_bound(b, w.L, w.P);
      const int step_on = w.unit.step(st.phase, D::sign);
      auto visit = [&](const char* p, int ph, int sc) {
        if (leaves) {
          greedy_run<D>(w, p, ph, sc, Ns_unused);
          if (sc > value) value = sc;
        } else if (last) {
          const int r = leap_ahead<D>(w, p, ph, sc, child, b);
          if (r > value) value = r;
        } else {
          next[made++] = {p, ph, sc, b};
        }
      };
      if (static_cast<long long>(st.score) + w.P.mismatch > lower)
        visit(D::move(st.pos, 1), step_on, st.score + w.P.mismatch);
      if (static_cast<long long>(st.score) + w.P.indel > lower) {
        visit(D::move(st.pos, 1), st.phase, st.score + w.P.indel);
        visit(st.pos, step_on, st.score + w.P.indel);
      }
    }
    std::swap(cur, next);
    count = made;
  }
  return value;
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
    note_tails(s);
    count = s.missense_list.count;
    reserve(count);
    if (count) std::memcpy(room.data, s.missense_list.data, count * sizeof(missense_entry));
  }
  BestState(const BestState&) = delete;
  BestState& operator=(const BestState&) = delete;

  void take(const Csat& s)
  {
    copy_fields_from(s);
    note_tails(s);
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
    if (s.deferred_entries != deferred) WalkSharing::current()->truncate_tails(s, tails, deferred);
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
  void note_tails(const Csat& s)
  {
    deferred = s.deferred_entries;
    tails = deferred ? WalkSharing::current()->tail_count() : 0;
  }

  CsatFields fields;
  uint32_t deferred = 0;  // the record's deferred entries, and the tails holding them
  std::size_t tails = 0;
  fastvector<missense_entry>& room;
  uint32_t count = 0;
};

}  // namespace

// Why a shared path gives the same record.
//
// Call a walk's state at a disagreement, after its greedy run and before it
// decides, a node: its position, the unit's characters from the unit cursor
// on (the rotation: two units of the same length expect the same characters
// from there on exactly when their rotations are equal), its score and its
// best end point. The greedy runs depend on the text and the rotation alone.
// The score and the best score enter a decision only through the lower bound
// and the comparisons with it:
//
// 1. The lower bound is max(-L, best - R) - prefer_longer. No score of a
//    walk or of its look-ahead exceeds its starting score plus the length of
//    the text (only matches gain), so when R - L is at least that much the
//    bound is the constant -L - prefer_longer.
// 2. With a constant bound and a depth d of at most 255 (so that the 8-bit
//    level reaches it), a look-ahead started by a walk at score s only meets
//    scores of at least s + d * p (p: the lower of the two penalties, each
//    level applies one and greedy runs only gain). When s + d * p is above
//    the bound ("s is safe"), every comparison with the bound succeeds, the
//    first alternative always sets `top`, and the value of each look-ahead is
//    s plus a quantity of the text and rotation alone. So two walks at the
//    same node position and rotation, both safe, take the same step, and
//    their scores differ by the same amount at the next node.
// 3. By induction, a walk B that meets a node j recorded by a walk A goes
//    through A's nodes j, j+1, ... with the score of A plus delta = its own
//    score minus A's, up to the first node e at which A or B is not safe, or
//    at which A's path stops (A ended there for lack of an alternative, or
//    at the text's end or a long N run after the step before, or A joined
//    another walk there). B is at e in A's state plus delta, with A's
//    entries j .. e-1 appended to its own, and with the counts moved on by
//    A's. At e, B goes on by itself (or joins again).
//    A node where A was not safe still passes when a safe walk later took
//    A's step there (the node's `safe_step`): by 2 every safe walk at that
//    node takes that step, so B, safe there, moves to A's next node with the
//    same delta. The first safe walk to stop at such a node finds out by
//    taking its own decision there; those after it go on along A's path.
// 4. The best end point: at each node i the walk takes its state when
//    s_i > best - prefer_longer. With prefer_longer 1 (0) the best after
//    nodes j .. e-1 is therefore the last (first) of the highest scores of
//    those nodes when it reaches (exceeds) the best before j, and the best
//    before j otherwise. B takes that node's state once, as the walk would
//    have left it.
//
// 5. Chains. A join's state is that of the node it leads to, so B goes on
//    there with its delta moved by the difference of the two scores; so do
//    the counts and the phase. A node where A stopped for every follower
//    (A ended there for lack of an alternative, or was not safe there and
//    its step is not known to be a safe walk's) leads on the same way, once
//    a safe walk has recorded a node at that position and rotation: B, if
//    safe there, decides as that walk did, by 2; if not, it stops at that
//    node instead, in the same state. Over an array the stretches between
//    joins are short and the chains long (each window's walk joins the walk
//    of the window before), so a join keeps a shortcut: the chain's stop, the
//    lowest and the highest gate on the way, and the offsets of the state at
//    the stop and at the highest gate, all as seen from the join. B is safe
//    at every node of the chain exactly when the lowest gate plus its delta
//    is above the bar, and then 3 and 4 apply to the chain as to one
//    stretch: the best end point it takes is the highest gate's node (the
//    last or first of equal ones, as 4 says) when that reaches the best
//    before, and its entries are the chain's steps, in walk order. Nodes only
//    ever become more passable, so a shortcut that ends early is still
//    exact; it is carried on when its stop leads on or becomes passable,
//    unless that would lower its lowest gate.
//
// Where the premises fail (a finite R below the text's length plus L, a
// depth above 255, a prefer_longer other than 0 or 1, a penalty that is not
// negative, a unit longer than 64) the walk does not share and runs as it
// always did.

namespace {
thread_local WalkSharing* sharing_on_thread = nullptr;

[[noreturn]] void paths_interleaved()
{
  std::fprintf(stderr, "Internal error: two shared walks were recorded at once.\n");
  std::abort();
}

// The parameters a memo's walks ran with, in a form the memo can hold.
struct ParamKey {
  int v[7];
  explicit ParamKey(const ExtendParams& p)
      : v{p.mismatch, p.indel, p.max_reduction, p.prefer_longer, p.depth, p.Ns_allowed, p.Ns_neutral ? 1 : 0}
  {
  }
};
}  // namespace

struct WalkSharing::Memo {
  using Node = WalkNode;
  static constexpr uint32_t open = UINT32_MAX;
  static constexpr uint32_t none = UINT32_MAX;
  static constexpr uint32_t block = 64;

  explicit Memo(const int (&p)[7]) { std::memcpy(params, p, sizeof params); }

  int params[7];
  // A node as held: an array's walks record millions of them, so it leaves
  // out what follows from its path, its gate and the nodes before it. Only a
  // path's last node is not a step, so a step's score is its gate and the
  // others' their path's last score; and every node before it on its path
  // is one step, so its counts are its path's first node's plus the steps
  // since, counted from the nearest of that node and a checkpoint (every
  // 16 nodes), less the deletions the counts of a step's kind leave. Ns
  // change where a walk crosses N runs only: the changes are held apart, as
  // are links, which few nodes have.
  struct Stored {
    uint32_t at;
    uint32_t path;
    // The next node of its hash bucket (`none`: the last); `unkeyed` where
    // the node was not entered (only safe walks' first visits are).
    uint32_t same_bucket;
    int16_t phase;
    char kind;
    uint8_t flags;
  };
  static constexpr uint32_t unkeyed = UINT32_MAX - 1;
  static constexpr uint8_t safe_bit = 1, linked_bit = 2;
  // Never moved as it grows: a vector's doubling held the old and the new
  // copy at once.
  std::deque<Stored> nodes;
  std::unordered_map<uint32_t, uint32_t> links;
  struct Counts {
    int mismatches, insertions;
  };
  static constexpr uint32_t checkpoint_every = 16;
  std::vector<Counts> checkpoints;  // of nodes 0, 16, 32, ...
  struct NsChange {
    uint32_t node;
    int Ns;
  };
  std::vector<NsChange> Ns_changes;  // by node: where a path's Ns differ from its node before
  // Per node: its score where the walk stepped on from it, INT_MIN where its
  // path stops; and per block of 64 nodes, the lowest and highest of those.
  std::vector<int> gate;
  std::vector<int> block_min;
  std::vector<int> block_min_unsafe;  // of the gates of steps that are not safe_step
  std::vector<int> block_max;
  // Per block, where its highest gate lies: the first and the last of equal ones.
  std::vector<uint8_t> block_first_max, block_last_max;
  std::vector<uint32_t> path_end;  // one past a path's last node; `open` while it is recorded
  std::unordered_map<std::string, uint32_t> rotations;

  // Keyed nodes by position and rotation: a hash table chained
  // through the nodes themselves (WalkNode::same_bucket), so that the table
  // adds a few bytes a node and never holds an old copy beside a new one.
  std::vector<uint32_t> heads;
  std::size_t keyed = 0;
  // Per path: what turns its walk's phases into rotation ids (see engage).
  struct PathUnit {
    uint32_t unit;  // the unit's id times 64
    int16_t least, period;
    uint32_t rotation(int phase) const
    {
      return unit + static_cast<uint32_t>(((phase - least) % period + period) % period);
    }
  };
  // And what its nodes leave out: its first node and that node's counts,
  // its last node's score and Ns.
  struct Path {
    PathUnit unit;
    uint32_t first;
    int mismatches, insertions, deletions, Ns;
    int last_score, last_Ns;
    uint32_t Ns_changes_from;  // its first in Ns_changes; `none`: its Ns never change
  };
  std::vector<Path> paths;

  // An id for each distinct unit up to rotation, by its least rotation.
  uint32_t unit_id(const std::string& least)
  {
    auto it = rotations.find(least);
    if (it == rotations.end()) it = rotations.emplace(least, static_cast<uint32_t>(rotations.size())).first;
    return it->second;
  }

  uint32_t rotation_of(const Stored& n) const { return paths[n.path].unit.rotation(n.phase); }
  std::size_t bucket(uint32_t pos, uint32_t rotation) const
  {
    uint64_t h = (static_cast<uint64_t>(pos) + 1) * 0x9E3779B97F4A7C15ull ^ (static_cast<uint64_t>(rotation) + 1) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<std::size_t>(h ^ (h >> 29)) & (heads.size() - 1);
  }
  uint32_t find(uint32_t pos, uint32_t rotation) const
  {
    if (heads.empty()) return none;
    for (uint32_t i = heads[bucket(pos, rotation)]; i != none; i = nodes[i].same_bucket) {
      const Stored& n = nodes[i];
      if (n.at == pos && rotation_of(n) == rotation) return i;
    }
    return none;
  }
  // The first walk to record a node keeps it.
  void insert(uint32_t pos, uint32_t rotation, uint32_t node)
  {
    if (find(pos, rotation) != none) return;
    if (keyed + 1 > heads.size()) grow();
    uint32_t& head = heads[bucket(pos, rotation)];
    nodes[node].same_bucket = head;
    head = node;
    ++keyed;
  }
  void grow()
  {
    const std::size_t size = heads.size() < 1024 ? 1024 : 2 * heads.size();
    std::vector<uint32_t>().swap(heads);
    heads.assign(size, none);
    for (uint32_t i = 0; i < nodes.size(); ++i) {
      Stored& n = nodes[i];
      if (n.same_bucket == unkeyed) continue;
      uint32_t& head = heads[bucket(n.at, rotation_of(n))];
      n.same_bucket = head;
      head = i;
    }
  }

  uint32_t open_path(const PathUnit& unit)
  {
    path_end.push_back(open);
    paths.push_back({unit, static_cast<uint32_t>(nodes.size()), 0, 0, 0, 0, 0, 0, none});
    return static_cast<uint32_t>(path_end.size() - 1);
  }
  void close_path(uint32_t path) { path_end[path] = static_cast<uint32_t>(nodes.size()); }

  uint32_t push(const Node& n)
  {
    const uint32_t i = static_cast<uint32_t>(nodes.size());
    Path& p = paths[n.path];
    // node() counts on a path's nodes lying side by side.
    if (i != p.first && nodes.back().path != n.path) paths_interleaved();
    if (i == p.first) {
      p.mismatches = n.mismatches;
      p.insertions = n.insertions;
      p.deletions = n.deletions;
      p.Ns = p.last_Ns = n.Ns;
    } else if (n.Ns != p.last_Ns) {
      if (p.Ns_changes_from == none) p.Ns_changes_from = static_cast<uint32_t>(Ns_changes.size());
      Ns_changes.push_back({i, n.Ns});
      p.last_Ns = n.Ns;
    }
    if (i % checkpoint_every == 0) checkpoints.push_back({n.mismatches, n.insertions});
    const bool step = n.kind == 'M' || n.kind == 'I' || n.kind == 'D';
    if (!step) p.last_score = n.score;
    nodes.push_back({n.at, n.path, unkeyed, n.phase, n.kind, n.safe_step ? safe_bit : uint8_t{0}});
    if (n.link != none) set_link(i, n.link);
    const int g = step ? n.score : INT_MIN;
    gate.push_back(g);
    const uint8_t in_block = static_cast<uint8_t>(i % block);
    if (in_block == 0) {
      block_min.push_back(g);
      block_min_unsafe.push_back(g);
      block_max.push_back(g);
      block_first_max.push_back(0);
      block_last_max.push_back(0);
    } else {
      block_min.back() = std::min(block_min.back(), g);
      block_min_unsafe.back() = std::min(block_min_unsafe.back(), g);
      if (g > block_max.back()) {
        block_max.back() = g;
        block_first_max.back() = in_block;
      }
      if (g == block_max.back()) block_last_max.back() = in_block;
    }
    return i;
  }

  // Node i as recorded.
  Node node(uint32_t i) const
  {
    const Stored& s = nodes[i];
    const Path& p = paths[s.path];
    const uint32_t mark = i - i % checkpoint_every;
    uint32_t from = p.first;
    Counts c{p.mismatches, p.insertions};
    if (mark > p.first) {
      from = mark;
      c = checkpoints[mark / checkpoint_every];
    }
    for (uint32_t j = from; j < i; ++j) {
      const char kind = nodes[j].kind;
      c.mismatches += kind == 'M';
      c.insertions += kind == 'I';
    }
    const int deletions =
        p.deletions + static_cast<int>(i - p.first) - (c.mismatches - p.mismatches) - (c.insertions - p.insertions);
    return Node{s.at,      gate[i] != INT_MIN ? gate[i] : p.last_score, c.mismatches, c.insertions, deletions,
                Ns_of(i, p), s.phase, s.kind, safe_step(i), s.path, link(i)};
  }
  int Ns_of(uint32_t i, const Path& p) const
  {
    if (p.Ns_changes_from == none) return p.Ns;
    const auto first = Ns_changes.begin() + p.Ns_changes_from;
    auto later = std::upper_bound(first, Ns_changes.end(), i, [](uint32_t at, const NsChange& c) { return at < c.node; });
    return later == first ? p.Ns : later[-1].Ns;
  }
  bool safe_step(uint32_t i) const { return nodes[i].flags & safe_bit; }
  uint32_t link(uint32_t i) const { return nodes[i].flags & linked_bit ? links.at(i) : none; }
  void set_link(uint32_t i, uint32_t to)
  {
    nodes[i].flags |= linked_bit;
    links[i] = to;
  }
  uint32_t path_of(uint32_t i) const { return nodes[i].path; }

  // Node i's step, taken where its walk was not safe, is every safe walk's.
  void mark_safe_step(uint32_t i)
  {
    nodes[i].flags |= safe_bit;
    const uint32_t b = i / block, from = b * block, to = std::min<uint32_t>(from + block, gate.size());
    int least = INT_MAX;
    for (uint32_t k = from; k < to; ++k)
      if (!safe_step(k)) least = std::min(least, gate[k]);
    block_min_unsafe[b] = least;
  }

  // The first node in [j, end) that a follower may not pass, or `end`: its
  // gate is at most `follower_bar`, or at most `recorder_bar` and its step is
  // not known to be a safe walk's.
  uint32_t first_stop(uint32_t j, uint32_t end, long long follower_bar, long long recorder_bar) const
  {
    uint32_t i = j;
    while (i < end) {
      if (i % block == 0 && i + block <= end && block_min[i / block] > follower_bar &&
          block_min_unsafe[i / block] > recorder_bar) {
        i += block;
        continue;
      }
      if (gate[i] <= follower_bar || (gate[i] <= recorder_bar && !safe_step(i))) return i;
      ++i;
    }
    return end;
  }
  // The node of the highest gate in [j, e) (j < e): of equal ones the last
  // when `last`, else the first.
  uint32_t highest(uint32_t j, uint32_t e, bool last) const
  {
    uint32_t at = j;
    int v = gate[j];
    auto better = [&](int g) { return g > v || (last && g == v); };
    for (uint32_t i = j + 1; i < e;) {
      if (i % block == 0 && i + block <= e) {
        const uint32_t b = i / block;
        if (better(block_max[b])) {
          at = i + (last ? block_last_max[b] : block_first_max[b]);
          v = block_max[b];
        }
        i += block;
        continue;
      }
      if (better(gate[i])) {
        at = i;
        v = gate[i];
      }
      ++i;
    }
    return at;
  }
  // Where the walks that use this memo are safe (the same for all of them).
  long long safe_above = LLONG_MIN;
  bool stops_every_follower(uint32_t i) const
  {
    return gate[i] == INT_MIN || (gate[i] <= safe_above && !safe_step(i));
  }
  // The first node from i on in its path that stops every follower.
  uint32_t stretch_end(uint32_t i) const { return first_stop(i, path_end[nodes[i].path], INT_MIN, safe_above); }

  // The lowest gate in [j, e).
  long long lowest(uint32_t j, uint32_t e) const
  {
    int v = INT_MAX;
    for (uint32_t i = j; i < e;) {
      if (i % block == 0 && i + block <= e) {
        v = std::min(v, block_min[i / block]);
        i += block;
        continue;
      }
      v = std::min(v, gate[i]);
      ++i;
    }
    return v;
  }

  // A join's shortcut (see "Why a shared path gives the same record", 5):
  // the chain of stretches from the join's target up to the first node that
  // stops every follower, seen from the join. A node's state on the chain is
  // its recorded one plus the walk's difference from the join's plus `off`.
  struct Offsets {
    long long score;
    int phase, mismatches, insertions, deletions, Ns;
  };
  struct Point {
    uint32_t node;
    Offsets off;
    uint32_t entries;  // the steps of the chain before the node
    uint32_t last;     // the last of them
  };
  struct Shortcut {
    long long min_gate, max_gate;  // over the steps of the chain, moved by their score offsets
    Point top;  // the highest step (the last or the first of equal ones, as the walks prefer); node `none`: no step
    Point end;  // the stop
    // Not carried on: it ends where going on would lower its lowest gate.
    // So a follower too low for it stops within its first stretch, and the
    // chain beyond is as many shortcuts as it has new lows.
    bool closed;
  };
  std::unordered_map<uint32_t, Shortcut> shortcuts;  // by join node
  // A step of making or carrying on a join's shortcut: over the stretch
  // [from, to) (none: no stretch), then on at `to` when it leads on.
  struct ChainStep {
    uint32_t join, from, to;
    bool carry;
  };
  std::vector<ChainStep> chain_scratch;

  static Offsets difference(const Node& a, const Node& b)
  {
    return {static_cast<long long>(a.score) - b.score, a.phase - b.phase, a.mismatches - b.mismatches,
            a.insertions - b.insertions, a.deletions - b.deletions, a.Ns - b.Ns};
  }
  // The phase of a sum is left for the unit length to reduce.
  static Offsets plus(const Offsets& a, const Offsets& b)
  {
    return {a.score + b.score, a.phase + b.phase, a.mismatches + b.mismatches, a.insertions + b.insertions,
            a.deletions + b.deletions, a.Ns + b.Ns};
  }
  // Point p of a shortcut from stop `at`, seen from the join before it.
  static Point beyond(const Point& at, const Point& p, int L)
  {
    Point q = p;
    q.off = plus(at.off, p.off);
    q.off.phase %= L;
    q.entries = at.entries + p.entries;
    q.last = p.entries ? p.last : at.last;
    return q;
  }
  // A step of gate m later on the chain is the new highest one: of equal
  // ones the walks take the last when they prefer longer repeats, else the first.
  static bool raises_top(const Shortcut& sc, long long m, bool last)
  {
    return sc.top.node == none || m > sc.max_gate || (last && m == sc.max_gate);
  }
  // Shortcut sc goes on at its stop, whose shortcut is `next`, unless that
  // would lower its lowest gate (see `closed`).
  static void carry_on(Shortcut& sc, const Shortcut& next, bool last, int L)
  {
    const Point at = sc.end;
    if (next.min_gate == LLONG_MAX || next.min_gate + at.off.score < sc.min_gate) {
      sc.closed = true;
      return;
    }
    if (next.top.node != none) {
      const long long m = next.max_gate + at.off.score;
      if (raises_top(sc, m, last)) {
        sc.max_gate = m;
        sc.top = beyond(at, next.top, L);
      }
    }
    sc.end = beyond(at, next.end, L);
  }

  // Shortcut sc goes on over the stretch [from, to) of the path its stop is
  // on; false when that would lower a lowest gate it has (see `closed`).
  bool extend(Shortcut& sc, uint32_t from, uint32_t to, bool last) const
  {
    const Point at = sc.end;
    if (from < to) {
      const long long low = lowest(from, to) + at.off.score;
      if (sc.min_gate != LLONG_MAX && low < sc.min_gate) return false;
      sc.min_gate = low < sc.min_gate ? low : sc.min_gate;
      const uint32_t top = highest(from, to, last);
      const long long m = gate[top] + at.off.score;
      if (raises_top(sc, m, last)) {
        sc.max_gate = m;
        sc.top = {top, at.off, at.entries + (top - from), top > from ? top - 1 : at.last};
      }
    }
    sc.end = {to, at.off, at.entries + (to - from), to > from ? to - 1 : at.last};
    return true;
  }

  // Made when a follower first reaches the join, from the shortcuts of the
  // stops further on, and carried on where its stop has become passable
  // (mark_safe_step) or has come to lead on (leads_to) since: each follower
  // finds the chain as short as it has become. A chain that has not ended
  // after as many stretches as there are nodes goes round (the steps of safe
  // walks may form a loop of deletions at one position, which no follower
  // goes round for ever): its shortcut is not taken.
  const Shortcut& shortcut(uint32_t join, bool last, int L)
  {
    std::vector<ChainStep>& todo = chain_scratch;
    todo.clear();
    for (uint32_t j = join;;) {
      ChainStep st{j, none, none, false};
      const auto found = shortcuts.find(j);
      if (found == shortcuts.end()) {
        st.from = link(j);
        st.to = stretch_end(st.from);
      } else {
        const uint32_t at = found->second.end.node;
        if (found->second.closed) break;
        if (link(at) != none) {
          st.to = at;
        } else if (!stops_every_follower(at)) {
          st.from = at;
          st.to = stretch_end(at);
        } else {
          break;
        }
      }
      st.carry = link(st.to) != none;
      todo.push_back(st);
      if (!st.carry) break;
      j = st.to;
      if (todo.size() > nodes.size()) {
        const Point nowhere{none, {0, 0, 0, 0, 0, 0}, 0, 0};
        return shortcuts[join] = Shortcut{LLONG_MAX, LLONG_MIN, nowhere, nowhere, true};
      }
    }
    for (std::size_t k = todo.size(); k-- > 0;) {
      const ChainStep st = todo[k];
      auto found = shortcuts.find(st.join);
      if (found == shortcuts.end()) {
        const Offsets hop = difference(node(st.join), node(st.from));
        const Point start{st.from, hop, 0, 0};
        found = shortcuts.emplace(st.join, Shortcut{LLONG_MAX, LLONG_MIN, {none, hop, 0, 0}, start, false}).first;
      }
      Shortcut& sc = found->second;
      if (st.from != none && !extend(sc, st.from, st.to, last)) {
        sc.closed = true;
        continue;
      }
      if (st.carry) carry_on(sc, shortcuts.at(st.to), last, L);
    }
    return shortcuts.at(join);
  }
};

WalkSharing::WalkSharing(const char* t, uint64_t len, Tails mode)
    : text(t), n(len), previous(sharing_on_thread), tails_mode(mode)
{
  sharing_on_thread = this;
}

WalkSharing::~WalkSharing() { sharing_on_thread = previous; }

WalkSharing* WalkSharing::current() { return sharing_on_thread; }

WalkNode::Step WalkSharing::step_of(const Memo* m, uint32_t i) { return {m->nodes[i].at, m->nodes[i].kind}; }

uint32_t WalkSharing::link_of(const Memo* m, uint32_t i) { return m->link(i); }

uint32_t WalkSharing::stretch_end(const Memo* m, uint32_t node) { return m->stretch_end(node); }

namespace {
[[noreturn]] void deferred_entries_lost()
{
  std::fprintf(stderr, "Internal error: a repeat's deferred entries were lost.\n");
  std::abort();
}
}  // namespace

void WalkSharing::check_owner(const Csat& r) const
{
  if (r.deferred_entries && owner != &r) deferred_entries_lost();
}

void WalkSharing::begin_record(const Csat& r)
{
  if (r.deferred_entries) deferred_entries_lost();  // a new walk on it would lose them
  owner = &r;
  tails.clear();
}

void WalkSharing::defer(const Csat& r, const Tail& t)
{
  if (owner != &r) begin_record(r);
  if (t.count == 0) return;
  // Chains are not grown in place: a best state taken after one then finds
  // it as it was (see truncate_tails).
  if (!tails.empty() && !t.chained) {
    Tail& last = tails.back();
    if (!last.chained && last.memo == t.memo && last.to == t.from && last.at == t.at &&
        last.backward == t.backward) {
      last.to = t.to;
      last.count += t.count;
      last.last = t.last;
      const_cast<Csat&>(r).deferred_entries += t.count;
      return;
    }
  }
  tails.push_back(t);
  const_cast<Csat&>(r).deferred_entries += t.count;
}

void WalkSharing::truncate_tails(Csat& r, std::size_t count, uint32_t entries)
{
  check_owner(r);
  while (tails.size() > count) {
    r.deferred_entries -= tails.back().count;
    tails.pop_back();
  }
  // The last tail may have grown since (defer extends single stretches in place).
  if (r.deferred_entries > entries) {
    Tail& t = tails.back();
    const uint32_t excess = r.deferred_entries - entries;
    if (t.chained || excess >= t.count) deferred_entries_lost();
    t.to -= excess;
    t.count -= excess;
    t.last = t.to - 1;
    r.deferred_entries = entries;
  }
}

void WalkSharing::give_deferred_entries(Csat& r)
{
  check_owner(r);
  if (!r.deferred_entries) return;
  fastvector<missense_entry>& list = r.missense_list;
  static thread_local std::vector<missense_entry> merged;  // kept, so that kept records allocate no scratch
  merged.clear();
  merged.reserve(r.entry_count());
  uint32_t own = 0;
  for (const Tail& t : tails) {
    for (; own < t.at; ++own) merged.push_back(list.data[own]);
    for_each_stretch(t, [&](uint32_t from, uint32_t to) {
      for (uint32_t i = from; i < to; ++i) {
        const WalkNode::Step st = step_of(t.memo, i);
        merged.push_back({entry_position(st, t.backward), st.kind});
      }
    });
  }
  for (; own < list.count; ++own) merged.push_back(list.data[own]);
  if (list.capacity < merged.size()) list.resize_exact(merged.size());
  std::memcpy(list.data, merged.data(), merged.size() * sizeof(missense_entry));
  list.count = static_cast<uint32_t>(merged.size());
  forget_deferred(r);
}

const char* WalkSharing::entries_reach(const Csat& r) const
{
  check_owner(r);
  const char* last = nullptr;
  for (const missense_entry& e : r.missense_list)
    if (!last || e.pos > last) last = e.pos;
  // Along a tail the walk moved one way: its outermost entry is at one end.
  for (const Tail& t : tails) {
    const char* p = entry_position(step_of(t.memo, t.backward ? t.from : t.last), t.backward);
    if (!last || p > last) last = p;
  }
  return last ? last + 1 : nullptr;
}

void WalkSharing::forget_deferred(Csat& r)
{
  check_owner(r);
  tails.clear();
  r.deferred_entries = 0;
  owner = nullptr;
}

WalkSharing::Memo* WalkSharing::memo(int direction, int L)
{
  std::unique_ptr<Memo>& m = memos[direction][L];
  if (!m) m.reset(new Memo(ParamKey(ExtendParams::current()).v));
  return m.get();
}

namespace {

// One walk's use of the sharing: records its nodes, and at each node where
// it is safe looks for an earlier walk's node to follow.
template <class D>
class PathSharer {
  using Node = WalkSharing::Memo::Node;

 public:
  PathSharer(const Csat& sat, const char* limit, const ExtendParams& P, int L) : P_(P), L_(L)
  {
    WalkSharing* ws = sharing_on_thread;
    if (!ws || L < 1 || L > 64 || P.depth < 1 || P.depth > 255 || (P.prefer_longer != 0 && P.prefer_longer != 1) ||
        P.mismatch >= 0 || P.indel >= 0)
      return;
    const char* const text_limit = D::sign > 0 ? ws->text + ws->n : ws->text - 1;
    if (limit != text_limit || !ws->covers(sat.unit_begin) || !ws->covers(sat.unit_end)) return;
    if (ws->n >= UINT32_MAX) return;  // the recorded positions are 32-bit offsets
    const long long most = static_cast<long long>(ws->n) + (sat.score > 0 ? sat.score : 0);
    if (static_cast<long long>(P.max_reduction) - L < most) return;
    WalkSharing::Memo* m = ws->memo(D::sign > 0 ? 0 : 1, L);
    if (std::memcmp(m->params, ParamKey(P).v, sizeof m->params) != 0) return;
    ws_ = ws;
    memo_ = m;
    const long long lower = -static_cast<long long>(L) - P.prefer_longer;
    const long long p = P.mismatch < P.indel ? P.mismatch : P.indel;
    safe_above_ = lower - P.depth * p;
    m->safe_above = safe_above_;
  }

  bool on() const { return memo_ != nullptr; }

  // At a node, before the walk decides: true when the walk was moved on to
  // a later node of an earlier walk's path (phase and record updated).
  bool at_node(Csat& sat, int& phase, BestState& best)
  {
    pending_ = false;
    const uint32_t watched = watched_;
    watched_ = WalkSharing::Memo::none;
    const bool safe = sat.score > safe_above_;
    if (safe) {
      if (!engaged_) engage(sat);
      if (!memo_) return false;  // the walk stopped sharing
      const uint32_t j = memo_->find(key(sat), rotation_[phase]);
      if (j != WalkSharing::Memo::none && follow(j, sat, phase, best)) return true;
      watched_ = watched;
      if (!recording_) {
        path_ = memo_->open_path(unit_);
        recording_ = true;
      }
    }
    if (recording_) {
      node_ = make_node(sat, phase, 0);
      keyed_ = safe;
      pending_ = true;
    }
    return false;
  }

  // The walk decided at its node: `kind` is its step, 0 when it ends here.
  void decided(char kind)
  {
    if (!pending_) return;
    node_.kind = kind;
    // A safe walk stands where a recorded walk did not stand safely: if both
    // took the same step, safe walks may follow the recorded one through it.
    if (watched_ != WalkSharing::Memo::none && keyed_) {
      const uint32_t w = watched_;
      watched_ = WalkSharing::Memo::none;
      const Node r = memo_->node(w);
      if (r.at == node_.at && r.kind == kind) {
        memo_->mark_safe_step(w);
        ++ws_->stats_.safe_steps;
        // Its walk's next node, if a step, is where this walk goes next.
        if (w + 1 < memo_->path_end[r.path] && memo_->gate[w + 1] != INT_MIN) watched_ = w + 1;
      }
    }
    const uint32_t i = memo_->push(node_);
    ++ws_->stats_.nodes_recorded;
    if (keyed_) memo_->insert(node_.at, rotation_[node_.phase], i);
    pending_ = false;
    if (kind == 0) close();
  }

  // The walk ends at the text's end or a long N run.
  void ended(const Csat& sat, int phase)
  {
    if (!recording_) return;
    memo_->push(make_node(sat, phase, 'E'));
    close();
  }

 private:
  static const char* cursor_of(const Csat& s) { return D::sign > 0 ? s.end : s.start; }
  uint32_t key(const Csat& sat) const { return static_cast<uint32_t>(cursor_of(sat) - ws_->text); }

  Node make_node(const Csat& sat, int phase, char kind) const
  {
    return Node{key(sat), sat.score, sat.mismatches, sat.insertions, sat.deletions, sat.Ns,
                static_cast<int16_t>(phase), kind, false, path_, WalkSharing::Memo::none};
  }

  void close()
  {
    memo_->close_path(path_);
    recording_ = false;
  }

  // The walk stops following at node i, in i's state moved by delta: when
  // that is a step where this walk is safe, its own decision there tells
  // whether the step is every safe walk's.
  void watch(uint32_t i, long long delta)
  {
    const int g = memo_->gate[i];
    if (g != INT_MIN && g + delta > safe_above_) watched_ = i;
  }

  // The rotation ids of the walk's unit: two rotations are equal exactly
  // when their units have the same least rotation and they lie the same
  // distance from it, counted modulo the unit's own period. A few
  // comparisons per window, where building and hashing every rotation
  // cost a third of the time on texts full of minisatellites.
  void engage(const Csat& sat)
  {
    engaged_ = true;
    const char* u = sat.unit_begin;
    const int L = L_;
    auto at = [&](int from, int i) { return u[(from + i) % L]; };
    auto before = [&](int a, int b) {  // rotation a sorts before rotation b
      for (int i = 0; i < L; ++i)
        if (at(a, i) != at(b, i)) return at(a, i) < at(b, i);
      return false;
    };
    int least = 0;
    for (int ph = 1; ph < L; ++ph)
      if (before(ph, least)) least = ph;
    int period = L;
    for (int p = 1; p < L; ++p) {
      if (L % p) continue;
      int i = 0;
      while (i < L && at(0, i) == at(p, i)) ++i;
      if (i == L) {
        period = p;
        break;
      }
    }
    static thread_local std::string key;
    key.resize(static_cast<std::size_t>(L));
    for (int i = 0; i < L; ++i) key[static_cast<std::size_t>(i)] = at(least, i);
    const uint32_t unit = memo_->unit_id(key);
    // Ids are unit * 64 + distance in 32 bits: a pass that meets more units
    // than that walks the rest alone.
    if (unit >= (1u << 26)) {
      memo_ = nullptr;
      return;
    }
    unit_ = {unit * 64u, static_cast<int16_t>(least), static_cast<int16_t>(period)};
    for (int ph = 0; ph < L; ++ph) rotation_[ph] = unit_.rotation(ph);
  }

  // Follows the recorded walks from node j as far as the premises hold:
  // along j's path, and on through the node each path's join leads to.
  bool follow(uint32_t j, Csat& sat, int& phase, BestState& best)
  {
    const WalkSharing::Memo& m = *memo_;
    {
      const Node nj = m.node(j);
      const uint32_t end = m.path_end[nj.path];
      if (end == WalkSharing::Memo::open) return false;  // the walk's own path
      const long long delta = static_cast<long long>(sat.score) - nj.score;
      const uint32_t e = m.first_stop(j, end, safe_above_ - delta, safe_above_);
      if (e == j || e == end) return false;  // (a closed path always ends in a stop)
      if (recording_) {
        Node join = make_node(sat, phase, 'J');
        join.link = j;
        memo_->push(join);  // may move the nodes
        close();
      }
    }
    ++ws_->stats_.joins;
    for (uint32_t cur = j;;) {
      // The walk's state is node cur's in the frame of cur's path, moved by
      // delta (score), offset (phase) and the counts' differences.
      const Node nc = m.node(cur);
      const WalkSharing::Memo::Offsets d = beside(sat, phase, nc);
      const long long delta = d.score;
      const uint32_t e = m.first_stop(cur, m.path_end[nc.path], safe_above_ - delta, safe_above_);
      if (e > cur) cross(cur, e, d, sat, phase, best);
      // A join, or a stop whose node a safe walk has recorded since, is the
      // state of the node it leads to: go on there. Elsewhere the walk goes
      // on alone.
      const uint32_t next = leads_to(e, phase);
      if (next == WalkSharing::Memo::none) {
        watch(e, delta);
        return true;
      }
      if (jump(e, sat, phase, best)) {
        cur = sat_node_;
        continue;
      }
      cur = next;
    }
  }

  // Takes over the stretch [cur, e) of a recorded path: its entries, its
  // best end point, and the state at e.
  // The walk's state less node n's: score, phase and counts.
  static WalkSharing::Memo::Offsets beside(const Csat& sat, int phase, const Node& n)
  {
    return {static_cast<long long>(sat.score) - n.score, phase - n.phase, sat.mismatches - n.mismatches,
            sat.insertions - n.insertions, sat.deletions - n.deletions, sat.Ns - n.Ns};
  }
  // Puts the walk at node n in n's state plus d.
  void place(Csat& sat, int& phase, const Node& n, const WalkSharing::Memo::Offsets& d) const
  {
    D::cursor(sat) = ws_->text + n.at;
    int ph = (n.phase + d.phase) % L_;
    if (ph < 0) ph += L_;
    phase = ph;
    D::unit_cursor(sat) = sat.unit_begin + ph;
    sat.score = static_cast<int>(n.score + d.score);
    sat.mismatches = n.mismatches + d.mismatches;
    sat.insertions = n.insertions + d.insertions;
    sat.deletions = n.deletions + d.deletions;
    sat.Ns = n.Ns + d.Ns;
  }

  // Takes over the stretch [cur, e) of a recorded path, the walk standing at
  // cur in its state plus d: its entries, its best end point, the state at e.
  void cross(uint32_t cur, uint32_t e, const WalkSharing::Memo::Offsets& d, Csat& sat, int& phase, BestState& best)
  {
    const WalkSharing::Memo& m = *memo_;
    auto append = [&](uint32_t from, uint32_t to) {
      if (from < to) append_tail(sat, {memo_, sat.missense_list.count, from, to, D::sign < 0});
    };
    // The next stretch's first node is far away in the record: fetch it
    // while this one is taken over.
    const uint32_t next = m.link(e);
    if (next != WalkSharing::Memo::none) {
      __builtin_prefetch(&m.nodes[next]);
      __builtin_prefetch(&m.gate[next]);
    }
    const uint32_t top = m.highest(cur, e, P_.prefer_longer == 1);
    if (static_cast<long long>(m.gate[top]) + d.score > static_cast<long long>(best.score()) - P_.prefer_longer) {
      append(cur, top);
      place(sat, phase, m.node(top), d);
      best.take(sat);
      append(top, e);
    } else {
      append(cur, e);
    }
    place(sat, phase, m.node(e), d);
    ws_->stats_.nodes_followed += e - cur;
  }

  // Where a follower standing at stop e (its rotation at `phase`) goes on:
  // a join's target; or, at a node that stops every follower and was not
  // the end of the text, the node a safe walk recorded at the same position
  // and rotation, which such a follower's walk continues exactly as that
  // walk did (kept as the stop's link). `none`: nowhere.
  uint32_t leads_to(uint32_t e, int phase)
  {
    using Memo = WalkSharing::Memo;
    const uint32_t link = memo_->link(e);
    const Memo::Stored& n = memo_->nodes[e];
    if (link != Memo::none || n.kind == 'E' || !memo_->stops_every_follower(e)) return link;
    const uint32_t c = memo_->find(n.at, rotation_[phase]);
    if (c == Memo::none || c == e || memo_->path_end[memo_->path_of(c)] == Memo::open) return Memo::none;
    memo_->set_link(e, c);
    ++ws_->stats_.stops_led_on;
    return c;
  }

  // The entries of a recorded stretch or chain become the record's.
  void append_tail(Csat& sat, const WalkSharing::Tail& t)
  {
    if (t.count == 0) return;
    if (ws_->deferring()) {
      ws_->defer(sat, t);
      return;
    }
    fastvector<missense_entry>& list = sat.missense_list;
    const uint64_t need = static_cast<uint64_t>(list.count) + t.count;
    if (need > list.capacity) list.resize_exact(need > 2ull * list.capacity ? need : 2ull * list.capacity);
    ws_->for_each_stretch(t, [&](uint32_t from, uint32_t to) {
      for (uint32_t i = from; i < to; ++i) {
        const WalkSharing::Memo::Stored& st = memo_->nodes[i];
        list.data[list.count++] = {ws_->entry_position(WalkNode::Step{st.at, st.kind}, D::sign < 0), st.kind};
      }
    });
  }

  // At join e, in e's state moved by the walk's differences: when the walk
  // stays safe along the whole chain beyond it, takes the chain over at once
  // and leaves the walk at the chain's stop (sat_node_).
  bool jump(uint32_t e, Csat& sat, int& phase, BestState& best)
  {
    using Memo = WalkSharing::Memo;
    const Memo::Shortcut& sc = memo_->shortcut(e, P_.prefer_longer == 1, L_);
    const Memo::Offsets walk = beside(sat, phase, memo_->node(e));
    if (sc.min_gate == LLONG_MAX || sc.min_gate + walk.score <= safe_above_) return false;
    auto to_point = [&](const Memo::Point& p) { place(sat, phase, memo_->node(p.node), Memo::plus(walk, p.off)); };
    auto chain = [&](uint32_t from, const Memo::Point& to, uint32_t entries_before) {
      WalkSharing::Tail t{memo_, sat.missense_list.count, from, to.node, D::sign < 0};
      t.chained = true;
      t.count = to.entries - entries_before;
      t.last = to.last;
      append_tail(sat, t);
    };
    const uint32_t first = memo_->link(e);
    if (sc.top.node != Memo::none &&
        sc.max_gate + walk.score > static_cast<long long>(best.score()) - P_.prefer_longer) {
      chain(first, sc.top, 0);
      to_point(sc.top);
      best.take(sat);
      chain(sc.top.node, sc.end, sc.top.entries);
    } else {
      chain(first, sc.end, 0);
    }
    to_point(sc.end);
    ws_->stats_.nodes_followed += sc.end.entries;
    ++ws_->stats_.chains_taken;
    sat_node_ = sc.end.node;
    return true;
  }

  const ExtendParams& P_;
  const int L_;
  WalkSharing* ws_ = nullptr;
  WalkSharing::Memo* memo_ = nullptr;
  long long safe_above_ = 0;
  bool engaged_ = false;
  bool recording_ = false;
  bool pending_ = false;
  bool keyed_ = false;
  uint32_t watched_ = WalkSharing::Memo::none;  // a recorded node this walk stands at (see watch)
  uint32_t sat_node_ = 0;                          // where jump left the walk
  uint32_t path_ = 0;
  Node node_{};
  uint32_t rotation_[64];
  WalkSharing::Memo::PathUnit unit_{};
};

}  // namespace

namespace {

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
  PathSharer<D> share(sat, limit, P, w.L);
  if (D::sign > 0 && sharing_on_thread && sharing_on_thread->deferring()) sharing_on_thread->begin_record(sat);

  for (;;) {
    if (greedy_run<D>(w, pos, phase, sat.score, sat.Ns) != stop_disagreement) {
      sync();
      if (share.on()) share.ended(sat, phase);
      // Sequence end or a long N run: an equal score does not displace the best.
      if (!(static_cast<long long>(sat.score) > static_cast<long long>(best.score()) - P.prefer_longer))
        best.restore_into(sat);
      return;
    }

    sync();
    // An earlier walk's path from here on is this walk's too: take it over.
    if (share.on() && share.at_node(sat, phase, best)) continue;
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

    if (share.on()) share.decided(choice);
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

void extend_seed(Csat& sat, const char* text, uint64_t n)
{
  const ExtendParams P = ExtendParams::current();
  extend_walk<ScanForward>(sat, text + n, P);
  extend_walk<ScanBackward>(sat, text - 1, P);
}

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
