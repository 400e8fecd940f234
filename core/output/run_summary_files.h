// The two optional files about a whole run: the summary table (--summary)
// and the report page (--report). Both are written once the run is complete.
#ifndef SARVIK_RUN_SUMMARY_FILES_H
#define SARVIK_RUN_SUMMARY_FILES_H

#include <cstdio>

#include "run_statistics.h"

// Tab-separated: a few "# key<TAB>value" lines (input, records, nucleotides),
// a header line, one row per unit length with repeats and a "total" row.
void write_summary_tsv(FILE* f, const RunStatistics& stats);

// One self-contained HTML page: the summary table and plots as inline SVG,
// no scripts, nothing loaded from elsewhere.
void write_report_html(FILE* f, const RunStatistics& stats);

#endif
