// WordReach: settles the windows of long units (about 30 to 120) from counts
// of the unit's cyclic words beside the window, kept up to date as the window
// slides, so that a window costs a few table updates instead of the bound's
// program.
//
// Why it is exact. Take one side's walk after its first run, at its first
// disagreement with score S; let t count the text positions it has consumed
// since and H(t) the positions among them where one of the unit's cyclic
// words of length q starts (on the left side: ends), q being the cheapest
// step's cost. Cut the walk into blocks, a step and then the run of r matches
// after it. The run matches the unit at consecutive phases, so for r >= q it
// holds r - q + 1 such words, and
//     Phi(t) = q S + (q + 1) H(t) - t
// grows by at least (q + 1)(r - q + 1) - (r + 1) = q (r - q) over the block
// while the score grows by at most r - q; for r < q, Phi falls by at most
// r + 1 <= q and the score by at least q - r >= 1. So q * score <= Phi(t) at
// the end of every block.
// A step needs score - q > floor (-k - prefer_longer: the walk's lower bound
// never lies below it), so Phi(t) > q (floor + q) where the walk steps.
// Inside a block Phi falls by at most q below its value at the block's
// start: only the step's position and the run's last q - 1 positions may
// lack a word. So where Phi(t*) <= q (floor + q - 1), the walk never consumes
// position t*: the block that would get it there starts at some t <= t* with
// Phi(t) <= Phi(t*) + q <= q (floor + q), where it cannot step.
// Before t*, a block gains at most r - q, the starts of cyclic words of
// length q + 1 in its run; so the side's walk ends at most S plus the
// positions before t* where such a longer word starts (ends).
// The counts are those of words starting (ending) at the first offsets of a
// side, from the window on, at a few fixed offsets R; the ones from the
// window to the first disagreement count too, which only adds. The walk of a
// side that meets the text's end before R needs no such t*.
#ifndef SARVIK_WORD_REACH_H
#define SARVIK_WORD_REACH_H

#include <cstdint>
#include <memory>
#include <vector>

// Tables indexed by word code, empty between filters.
struct CodeTables {
  std::vector<uint16_t> in_unit;
  std::vector<int64_t> head, tail;
  bool busy = false;
};

class WordReach {
 public:
  // Null where the counts would settle hardly any window of random text for
  // unit length k (the unit's words so many that the walk's reach is not
  // bounded) or the parameters rule them out.
  static WordReach* make(const char* text, uint64_t n, unsigned k, int q, int prefer_longer, bool Ns_bridged);
  ~WordReach();
  WordReach(const WordReach&) = delete;
  WordReach& operator=(const WordReach&) = delete;

  // True when the window at s (no N in it), whose first runs are run_left
  // and run_right long, certainly cannot reach `target`.
  bool hopeless(uint64_t s, long long run_left, long long run_right, long long target);

  static constexpr int checkpoints = 8;

 private:
  WordReach(const char* text, uint64_t n, unsigned k, int q, int prefer_longer, bool Ns_bridged,
            const int (&offsets)[checkpoints]);

  // One word length's state: which of the unit's cyclic words are present,
  // where each word occurs near the window, and the counts of the positions
  // (within each band between two offsets on each side) where a present word
  // starts (right) or ends (left).
  struct Words {
    int w;
    uint32_t none;                // code of a word with another character than A, C, G, T
    CodeTables* tables;           // the thread's, or own
    std::unique_ptr<CodeTables> own;
    uint16_t* in_unit;            // by code: how often the unit holds the word
    int64_t* head;                // by code: first occurrence in the span, -1 for none
    int64_t* tail;                // by code: last occurrence in the span
    std::vector<int64_t> next;    // by position & mask: next occurrence of its word
    std::vector<uint32_t> code;   // by position & mask
    std::vector<uint8_t> hit;     // by position & mask: its word is in the unit
    int right[checkpoints], left[checkpoints];  // band counts
  };

  void move_to(int64_t s);
  void rebuild(int64_t s);
  void clear();
  void slide();
  void enter_span(int64_t p);
  void leave_span(int64_t p);
  uint32_t text_code(const Words& W, int64_t p) const;
  uint32_t unit_code(const Words& W, int64_t phase) const;
  void last_unit_words(const Words& W, uint32_t* out) const;
  void add_unit_word(Words& W, uint32_t c);
  void remove_unit_word(Words& W, uint32_t c);
  void flip(Words& W, uint32_t c, bool present);
  void count(Words& W, int64_t p, int sign);
  int band_right(int64_t p) const;
  int band_left(const Words& W, int64_t p) const;
  void shift_bands(Words& W);
  bool side_top(long long score, long long first, const int* hq, const int* hl, const int64_t* room,
                long long& top) const;

  const char* text;
  int64_t n;
  int64_t k;
  int q;
  long long floor;
  bool Ns_bridged;
  int R[checkpoints];      // increasing offsets; R[checkpoints - 1] the farthest
  std::vector<uint8_t> band_of;  // offset from the window -> its band
  int64_t mask;            // ring positions
  int64_t s = -1;          // the window the counts describe
  int64_t lo = 0, hi = 0;  // the span of word starts kept: [lo, hi)
  int Ns = 0;              // Ns in the span
  int others = 0;          // characters of the window other than A, C, G, T
  Words words[2];          // lengths q and q + 1
};

#endif
