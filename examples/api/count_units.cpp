// Counts the repeats of a FASTA file per reported unit: the public API in
// a few lines. Usage: count_units FILE [THREADS]
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>

#include <sarvik/sarvik.hpp>

int main(int argc, char** argv)
{
  if (argc < 2) {
    std::fprintf(stderr, "usage: count_units FILE [THREADS]\n");
    return 2;
  }
  sarvik::Parameters p;
  p.minScore = 12;
  if (argc > 2) p.threads = std::atoi(argv[2]);
  try {
    sarvik::check(p);
    std::map<std::string, unsigned> per_unit;
    sarvik::Scanner scan(argv[1], p);
    unsigned records = 0;
    while (const sarvik::Record* rec = scan.next()) {
      ++records;
      for (const sarvik::Repeat& r : rec->repeats) ++per_unit[r.unit];
    }
    std::printf("%u records\n", records);
    for (const auto& u : per_unit) std::printf("%s\t%u\n", u.first.c_str(), u.second);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s", e.what());
    return 1;
  }
  // The same first record searched directly.
  std::printf("%zu repeats in ACACACACACACACGG\n", sarvik::find("ACACACACACACACGG", p).size());
  return 0;
}
