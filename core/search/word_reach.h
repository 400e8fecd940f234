// WordReach: settles the windows of long units (about 30 to 140) from where
// the unit's cyclic words lie beside the window, kept up to date as the
// window slides, so that a window costs a few table updates and a scan of
// bits 64 at a time instead of the bound's program.
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
// r + 1 <= q (q - r) while the score falls by q - r. So q * score <= Phi(t)
// wherever a block ends, which is where the walk's states lie.
// A step needs score - q > floor (-k - prefer_longer: the walk's lower bound
// never lies below it), so Phi(t) > q (floor + q) where the walk steps.
// Inside a block Phi falls by at most q below its value at the block's
// start: only the step's position and the run's last q - 1 positions may
// lack a word. So at the first t* with Phi(t*) <= q (floor + q - 1), the walk
// stops for good: the block that would take it past t* starts at some
// t <= t* with Phi(t) <= Phi(t*) + q <= q (floor + q), where it cannot step.
// The side's best state thus scores at most max Phi(t) / q over t <= t*.
// A side that meets the text's end first needs no t*.
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
  // unit length k (the unit's words so many that Phi need not fall) or the
  // parameters rule them out.
  static WordReach* make(const char* text, uint64_t n, unsigned k, int q, int prefer_longer, bool Ns_bridged);
  ~WordReach();
  WordReach(const WordReach&) = delete;
  WordReach& operator=(const WordReach&) = delete;

  // True when the window at s (no N in it), whose first runs are run_left
  // and run_right long, certainly cannot reach `target`.
  bool hopeless(uint64_t s, long long run_left, long long run_right, long long target);

 private:
  WordReach(const char* text, uint64_t n, unsigned k, int q, int prefer_longer, bool Ns_bridged, int side,
            int near);

  void move_to(int64_t s);
  void rebuild(int64_t s);
  void clear();
  void slide();
  void jump(int64_t to);
  void enter_span(int64_t p);
  void leave_span(int64_t p);
  void enter_near(int64_t p);
  void leave_near(int64_t p);
  uint32_t text_code(int64_t p) const;
  uint32_t unit_code(int64_t phase) const;
  void last_unit_words(uint32_t* out) const;
  template <class F>
  void for_unit_words(F f) const;
  int others_in_window() const;
  void add_unit_word(uint32_t c);
  void remove_unit_word(uint32_t c);
  void set_hit(int64_t p, bool on);
  uint64_t hits_from(int64_t p) const;
  uint64_t far_hits(int64_t p) const;
  bool side_top(long long score, int64_t from, int64_t to, bool to_text_end, int sign, long long cap,
                long long& top);

  const char* text;
  int64_t n;
  int64_t k;
  int q;
  long long floor;
  bool Ns_bridged;
  int side;                // positions whose words are known on each side of the window
  int near;                // of those, the ones whose hits are kept as bits
  uint32_t none;           // code of a word with another character than A, C, G, T
  CodeTables* tables;      // the thread's, or own
  std::unique_ptr<CodeTables> own;
  uint16_t* in_unit;       // by code: how often the unit holds the word
  int64_t* head;           // by code: first occurrence in the span, -1 for none
  int64_t* tail;           // by code: last occurrence in the span
  int64_t mask;            // ring positions
  std::vector<int64_t> next;     // by position & mask: next occurrence of its word (near span)
  std::vector<uint16_t> code;    // by position & mask
  std::vector<uint64_t> hit;     // bit (position & mask): its word is one of the unit's (near span)
  // What a byte of hits (the first position in the low bit) does to Phi:
  // its net change, and the highest and lowest prefix (over 1 to 8 positions).
  struct ByteStep {
    int16_t net, high, low;
  };
  ByteStep forward_step[256], backward_step[256];
  int64_t s = -1;          // the window the counts describe
  int64_t lo = 0, hi = 0;  // the span of word starts kept: [lo, hi)
  int64_t near_lo = 0, near_hi = 0;  // the near span: lists and hits
  int Ns = 0;              // Ns in the span
  int others = 0;          // characters of the window other than A, C, G, T
  int64_t sides = 0, beyond = 0;  // sides scanned lately, and blocks of them read beyond the near span
};

#endif
