// Names of the unit-length classes in the table formats, indexed by unit
// length (entry 0 is never printed: every unit has a character).
#ifndef SARVIK_REPORT_SAT_H
#define SARVIK_REPORT_SAT_H

extern const char* const REPEAT_NAMES[7];

#endif
