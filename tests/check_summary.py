#!/usr/bin/env python3
"""Recomputes a run summary from the one-per-line output (format 3) of the
same run and the input FASTA, and compares it with sarvik's summary file.

    check_summary.py SUMMARY.tsv OUTPUT.format3 INPUT.fa [FIRST LAST]

FIRST and LAST are the 1-based range of records analysed. Exit 0 when every
number agrees; otherwise each difference is printed and the exit status is 1.
"""
import collections
import sys


def input_size(path, first, last):
    records = nucleotides = 0
    number = 0
    with open(path) as f:
        for line in f:
            if line.startswith('>'):
                number += 1
                records += first <= number <= last
            elif first <= number <= last:
                nucleotides += len(line.strip())
    return records, nucleotides


def band(perfection):
    p = float(perfection)
    return 0 if p >= 100 else 1 if p >= 95 else 2 if p >= 85 else 3


def union_length(spans):
    covered, end = 0, -1
    for b, e in sorted(spans):
        if b > end:
            covered += e - b
        elif e > end:
            covered += e - end
        end = max(end, e)
    return covered


def lower_median(values):
    values = sorted(values)
    return values[(len(values) - 1) // 2]


def expected_rows(output, nucleotides):
    groups = collections.defaultdict(list)
    with open(output) as f:
        for line in f:
            if line.startswith('#') or line.startswith('seq-name\t') or not line.strip():
                continue
            col = line.rstrip('\n').split('\t')
            name, k, perfection, first, last, length, copies = col[:7]
            groups[int(k)].append((name, int(first) - 1, int(last), int(length), copies.strip(), perfection))
    order = sorted(groups)
    groups['total'] = [r for k in order for r in groups[k]]
    rows = {}
    for k in order + ['total']:
        reps = groups[k]
        if not reps:
            rows[k] = ['0', '0', '0.0000', '0', '0.000', '0', '0', '0', '0']
            continue
        by_record = collections.defaultdict(list)
        for r in reps:
            by_record[r[0]].append((r[1], r[2]))
        covered = sum(union_length(s) for s in by_record.values())
        bands = [0, 0, 0, 0]
        for r in reps:
            bands[band(r[5])] += 1
        copies = lower_median([float(r[4]) for r in reps])
        rows[str(k)] = [str(len(reps)), str(covered), '%.4f' % (100.0 * covered / nucleotides if nucleotides else 0),
                        str(lower_median([r[3] for r in reps])), '%.3f' % copies] + [str(n) for n in bands]
    return rows


def main():
    summary, output, fasta = sys.argv[1:4]
    first, last = (int(sys.argv[4]), int(sys.argv[5])) if len(sys.argv) > 5 else (1, 1 << 32)
    meta, rows = {}, {}
    with open(summary) as f:
        for line in f:
            col = line.rstrip('\n').split('\t')
            if line.startswith('# '):
                meta[col[0][2:]] = col[1]
            elif col[0] != 'unit_length':
                rows[col[0]] = col[1:]
    records, nucleotides = input_size(fasta, first, last)
    want = expected_rows(output, nucleotides)
    problems = []
    if meta.get('records') != str(records) or meta.get('nucleotides') != str(nucleotides):
        problems.append(f'input size {meta} != {records} records, {nucleotides} nucleotides')
    if list(rows) != list(want):
        problems.append(f'rows {list(rows)} != {list(want)}')
    for k, values in want.items():
        if rows.get(k) != values:
            problems.append(f'row {k}: summary {rows.get(k)} != from the output {values}')
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)


main()
