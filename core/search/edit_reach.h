// EditReach: settles the windows of long units (about 30 and up) that
// WordReach leaves, and all of those whose cyclic words cover too much of
// the text for it (about 140 and up), from the edit distance of the text
// beside the window to the unit's endless repetition.
//
// Why it is exact. After its first run a side's walk stands at a
// disagreement with score S, the unit's repetition going on from a fixed
// phase. Whatever it does next, once it has consumed t characters of the
// text it has aligned them with some prefix of the repetition through x
// mismatches, y insertions and z deletions; its score has gained its
// t - x - y matches and lost at least q (the cheapest step) per step, so it
// is at most S + t - q E, with E = x + y + z at least ED(t), the least edit
// distance of those t characters to any prefix of the repetition. The walk
// only steps to scores above floor (-k - prefer_longer: its lower bound never
// lies below that) and its matches only gain, so every point of it scores
// above floor; it consumes the text one character at a time (a side with Ns
// it may bridge is left alone), so it never gets past the first t* with
// S + t* - q ED(t*) <= floor, and none of its states, the record's end
// among them, scores more than the highest S + t - q ED(t) for t < t*.
// A side that meets the text's end first stops there.
//
// ED(t) is the least entry of column t of the edit-distance table of the
// text against the repetition's prefixes (row j: the first j characters of
// the repetition; row 0 costs t), computed with the bit-parallel recurrence
// over 64 rows a word. A state at t has made at most e(t) edits (more would
// put it at floor or below), so its cell lies in a row j <= t + e(t): rows
// below that join the column only as t grows (see add_word), and since the
// walk's path lies in the rows kept at every column, the least entry of a
// column is still at most the walk's edits there. ED(t) never falls as t
// grows, so a column whose least entry is not looked for in full may take
// the last one found instead (a lower bound: the bound only loosens). A
// side that needs more rows than were set aside is followed again with
// more.
//
// The window one further on, when its unit is this one's rotation, meets the
// same disagreements with the same repetitions beyond; its right side starts
// a point lower with a target a point lower, so every column of its bound is
// a point lower and it stops no later: its top is at most this one's less one,
// and its left side then starts at this one's score.
#ifndef SARVIK_EDIT_REACH_H
#define SARVIK_EDIT_REACH_H

#include <cstdint>
#include <vector>

class EditReach {
 public:
  EditReach(const char* text, uint64_t n, unsigned k, int q, int prefer_longer, bool Ns_bridged);

  // True when the window at s (no N in it), whose first runs are run_left
  // and run_right long, certainly cannot reach `target`.
  bool hopeless(uint64_t s, long long run_left, long long run_right, long long target);

 private:
  // One side from its first disagreement at `from` (direction sign), the
  // unit's repetition going on from `phase`, with score `score`: false where
  // its bound reaches `target` or cannot be formed, else true with its top.
  bool side_top(int64_t from, int sign, int64_t phase, long long score, long long target, long long& top);
  // The same with `words` words of rows; -1 where they do not suffice.
  int side_with(int words, int64_t from, int sign, int64_t phase, long long score, long long target,
                long long& top);
  void fill_rows(int i, int words, int64_t phase, int sign);
  void add_word(int i, long long t);
  // True when some row of word i of column t lies within e edits.
  bool word_within(int i, long long t, long long e) const;
  // The least entry of column t over its first `words` words.
  long long least_entry(int words, long long t);

  const char* text;
  int64_t n;
  int64_t k;
  int q;
  long long floor;
  bool Ns_bridged;
  const char* unit = nullptr;  // the window's characters
  int words = 1;               // the rows a side needed last, in words
  int near = 0;                // the word where a row within the edits was last found
  std::vector<uint64_t> peq;   // by class and word: the repetition's rows holding that class
  std::vector<uint64_t> pv, mv;  // the column's vertical steps up (+1) and down (-1)
  std::vector<long long> bottom;   // the column's entry at each word's last row
  // The last window whose sides were both followed to their ends.
  struct Sides {
    int64_t s;
    long long run_left, run_right, forward_top, backward_top;
  };
  Sides last{-1, 0, 0, 0, 0};
};

#endif
