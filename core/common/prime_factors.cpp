#include "prime_factors.h"

namespace {

struct PrimeFactorTable {
  int rows[10001][6];
};

// Sieve: every prime p appends itself to the rows of its proper multiples, so
// a row is still empty when the sieve reaches n exactly when n is prime.
constexpr PrimeFactorTable build_prime_factor_table()
{
  PrimeFactorTable t{};
  for (int p = 2; p <= 10000; ++p) {
    if (t.rows[p][0] != 0) continue;
    for (int m = 2 * p; m <= 10000; m += p) {
      int i = 0;
      while (t.rows[m][i] != 0) ++i;
      t.rows[m][i] = p;
    }
  }
  return t;
}

constexpr PrimeFactorTable table = build_prime_factor_table();

// Blocks of `block` characters are all equal exactly when the unit equals
// itself shifted by one block.
bool is_tandem_of_blocks(const char* unit, unsigned k, unsigned block)
{
  for (unsigned i = 0; i + block < k; ++i)
    if (unit[i] != unit[i + block]) return false;
  return true;
}

}  // namespace

const int (&primeFactors)[10001][6] = table.rows;

bool unit_is_repetition_of_shorter_unit(const char* unit, unsigned k)
{
  if (k <= 10000) {
    for (const int* p = primeFactors[k]; *p != 0; ++p)
      if (is_tandem_of_blocks(unit, k, k / static_cast<unsigned>(*p))) return true;
    return false;
  }
  unsigned n = k;
  for (unsigned p = 2; p <= n / p; ++p) {
    if (n % p != 0) continue;
    while (n % p == 0) n /= p;
    if (is_tandem_of_blocks(unit, k, k / p)) return true;
  }
  // What is left above 1 is the one prime factor larger than sqrt(k); it is a
  // proper factor unless k itself is prime.
  if (n > 1 && n < k && is_tandem_of_blocks(unit, k, k / n)) return true;
  return false;
}
