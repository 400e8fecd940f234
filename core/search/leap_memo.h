#ifndef SARVIK_LEAP_MEMO_H
#define SARVIK_LEAP_MEMO_H

#include <cstdint>

// LeapMemo: the values of the look-aheads one extension walk has computed.
//
// The look-aheads of one walk repeat themselves: the same steps in another
// order (an insertion then a mismatch, a mismatch then an insertion, with no
// match between) reach the same position, phase and score at the same
// level, and a look-ahead's value is a function of those, of the best score
// it is given and of the walk's text, unit and parameters. So a walk keeps
// the values of the look-aheads that branch further, in a table of the
// thread's; a slot another state took is simply computed again. The best
// score enters the key only where it can move the lower bound (a finite
// score reduction that the walk's scores may reach).
class LeapMemo {
 public:
  struct Slot {
    const char* pos;
    int score;
    int best;
    uint32_t walk;  // the walk that stored it; 0: never
    int phase;
    unsigned char level;
    int value;
  };

  // The thread's table, emptied for a new walk.
  static LeapMemo& for_walk(bool keyed_by_best)
  {
    static thread_local LeapMemo memo;
    if (++memo.walk == 0) {  // the stamps wrapped: forget every slot
      for (Slot& s : memo.slots) s.walk = 0;
      memo.walk = 1;
    }
    memo.by_best = keyed_by_best;
    return memo;
  }

  // The slot of a look-ahead, and whether it holds its value.
  Slot& slot(const char* pos, int phase, int score, unsigned char level, int& best, bool& held)
  {
    if (!by_best) best = 0;
    const uint64_t key = reinterpret_cast<uintptr_t>(pos) + (static_cast<uint64_t>(static_cast<uint32_t>(score)) << 32) +
                         (static_cast<uint64_t>(static_cast<uint32_t>(phase)) << 8) + level +
                         static_cast<uint64_t>(static_cast<uint32_t>(best)) * 0x51ED27ull;
    Slot& s = slots[(key * 0x9E3779B97F4A7C15ull) >> (64 - bits)];
    held = s.walk == walk && s.pos == pos && s.score == score && s.phase == phase && s.level == level && s.best == best;
    return s;
  }
  void put(Slot& s, const char* pos, int phase, int score, unsigned char level, int best, int value) const
  {
    s = {pos, score, best, walk, phase, level, value};
  }

 private:
  static constexpr unsigned bits = 11;
  Slot slots[1u << bits] = {};
  uint32_t walk = 0;
  bool by_best = true;
};

#endif
