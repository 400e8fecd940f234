// CSequence_Mol: one FASTA record, reused for every record of a run.
//
// readFastaSequence(file) reads the next record. Afterwards:
//   - file.fail() is clear, or set together with file.eof(): the record was
//     read (the second case when it ended at the end of the input);
//   - file.fail() without file.eof(): the input is not valid FASTA (or the
//     stream failed, see CFile::io_error()); file.line is the line at fault.
// seq_text holds only 'A', 'C', 'G', 'T' and ambig_char; none of the strings
// is zero-terminated (call c_str() before printing one).
#ifndef SARVIK_CSEQUENCE_MOL_H
#define SARVIK_CSEQUENCE_MOL_H

#include <cstddef>

#include "CFile.h"
#include "faststring.h"

class CSequence_Mol {
 public:
  enum { dna = 1 };

  faststring full_name;
  faststring name;
  faststring description;
  faststring seq_text;
  int seq_type;
  char ambig_char;

  // Set when the last record was refused because its sequence would not fit
  // the 32-bit length of seq_text (the file state is then exactly error).
  bool too_long = false;

  CSequence_Mol(int type, char ambiguity_char, unsigned reserve_length);

  void readFastaSequence(CFile& file);
  // The sequence text from `text` as a record's lines would give it; the
  // offset of the first character a record may not hold, or -1 when none.
  long long set_sequence_text(const char* text, std::size_t size);
  void find_fastaname_and_description();
  void getLineOfDNA_toupper_ambig2N_removegaps(CFile& file);
};

#endif
