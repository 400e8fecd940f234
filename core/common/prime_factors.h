// Distinct prime factors of unit lengths, and the test whether a unit is a
// tandem of equal shorter blocks.
#ifndef SARVIK_PRIME_FACTORS_H
#define SARVIK_PRIME_FACTORS_H

// Row n (0 <= n <= 10000): the distinct primes p < n that divide n, ascending,
// then a 0. Rows 0, 1 and of every prime are empty (first entry 0).
extern const int (&primeFactors)[10001][6];

// True when the k characters from `unit` are p equal blocks of k/p characters
// for some prime p < k dividing k. Any k works: above the table's range the
// factors are found by trial division.
bool unit_is_repetition_of_shorter_unit(const char* unit, unsigned k);

#endif
