// CDnaString: a nucleotide string with its reverse complement and the two
// alphabetical normal forms used to report comparable repeat units.
//
// Each operation overwrites the target and leaves the source unchanged (the
// source may be the target itself). Comparisons are by unsigned byte value.
// The normal forms return true when the source is two or more copies of a
// shorter string; an empty source gives an empty target and false.
#ifndef SARVIK_CDNASTRING_H
#define SARVIK_CDNASTRING_H

#include "faststring.h"

class CDnaString : public faststring {
 public:
  // Read backwards, each character complemented; anything outside the IUPAC
  // table (lower case, S, W, U, ...) becomes '?'.
  void setToReverseComplementOf(const CDnaString& src);

  // The smallest cyclic rotation of src.
  bool setToMinAlphaRepModCyclicPermOf(const CDnaString& src);

  // The smaller of the smallest rotations of src and of its reverse
  // complement; the flag is the reverse complement's.
  bool setToMinAlphaRepModRevCompAndCyclicPermOf(const CDnaString& src);
};

// The complement of one nucleotide code, '?' for anything else.
char dna_complement(char c);

#endif
