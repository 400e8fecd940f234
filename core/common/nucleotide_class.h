// Two-bit codes of the nucleotides: A 0, C 1, G 2, T 3, anything else 4.
#ifndef SARVIK_NUCLEOTIDE_CLASS_H
#define SARVIK_NUCLEOTIDE_CLASS_H

struct NucleotideClass {
  unsigned char of[256];
  constexpr NucleotideClass() : of()
  {
    for (int c = 0; c < 256; ++c) of[c] = 4;
    of[static_cast<unsigned char>('A')] = 0;
    of[static_cast<unsigned char>('C')] = 1;
    of[static_cast<unsigned char>('G')] = 2;
    of[static_cast<unsigned char>('T')] = 3;
  }
};

inline constexpr NucleotideClass nucleotide_class;

#endif
