// Names of the unit-length classes in the table formats, and the rule that
// decides which repeats the output shows.
#ifndef SARVIK_REPORT_SAT_H
#define SARVIK_REPORT_SAT_H

class CDnaString;
class Csat;

// Entry 0 is never printed: every unit has a character.
extern const char* const REPEAT_NAMES[7];

// Whether the output writes the record of perfection `perfection` (it leaves
// out those outside the perfection range and those whose unit repeats a
// shorter unit); if so, `unit` is the unit as --reportUnit prints it.
bool written_unit(const Csat& s, float perfection, CDnaString& unit);

#endif
