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

  // The name that BED and catalog lines give the record (see derive_tool_name).
  faststring tool_name;
  bool tool_name_made_up = false;

  // Set when the last record was refused because its sequence would not fit
  // the 32-bit length of seq_text (the file state is then exactly error).
  bool too_long = false;

  CSequence_Mol(int type, char ambiguity_char, unsigned reserve_length);

  void readFastaSequence(CFile& file);
  // The sequence text from `text` as a record's lines would give it; the
  // offset of the first character a record may not hold, or -1 when none.
  long long set_sequence_text(const char* text, std::size_t size);
  void find_fastaname_and_description();
  // Takes over what a record whose header ends the input keeps of the record
  // read before it (its name and description), for a reader that does not
  // reuse one object for every record.
  void carry_names_from(const CSequence_Mol& previous);
  // tool_name := the header up to its first white space, after any leading
  // white space, as samtools faidx and genome browsers name a record; where
  // the header holds no such word, "unnamed_" and the record's number, since
  // BED readers refuse an empty chrom.
  void derive_tool_name(unsigned record_number);
  void getLineOfDNA_toupper_ambig2N_removegaps(CFile& file);
};

#endif
