# The gather job of the workflow: the genomes' summaries in one table (a
# sample column in front, the input size beside every row) and one overview
# page comparing them, with an inline SVG chart and links to each report.
import html
import os

COLOURS = ["#3b75af", "#e1812c", "#3a923a", "#c03d3e", "#9372b2", "#845b53", "#d684bd", "#7f7f7f",
           "#bcbd22", "#17becf"]


def read_summary(path):
    meta, header, rows = {}, None, []
    with open(path) as f:
        for line in f:
            cols = line.rstrip("\n").split("\t")
            if line.startswith("# "):
                meta[cols[0][2:]] = cols[1]
            elif header is None:
                header = cols
            else:
                rows.append(dict(zip(header, cols)))
    if header is None or not rows or rows[-1]["unit_length"] != "total":
        raise ValueError(f"{path}: not a complete sarvik summary")
    return meta, header, rows


def write_table(path, samples, summaries):
    header = summaries[0][1]
    with open(path, "w") as out:
        out.write("\t".join(["sample", "records", "nucleotides"] + header) + "\n")
        for sample, (meta, _, rows) in zip(samples, summaries):
            for row in rows:
                out.write("\t".join([sample, meta["records"], meta["nucleotides"]] + [row[c] for c in header]) + "\n")


def covered_chart(samples, summaries):
    """Grouped bars: share of each genome covered, per unit length."""
    lengths = sorted({int(r["unit_length"]) for _, _, rows in summaries for r in rows if r["unit_length"] != "total"})
    values = [{int(r["unit_length"]): float(r["covered_percent"]) for r in rows if r["unit_length"] != "total"}
              for _, _, rows in summaries]
    width, height, left, top, bottom = 960, 320, 60, 40, 270
    top_value = max([v for per in values for v in per.values()] + [0.001])
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" font-family="sans-serif">',
             '<text x="10" y="20" font-size="14">Share of each genome covered per unit length (%)</text>']
    for i in range(5):
        v = top_value * i / 4
        y = bottom - (bottom - top) * i / 4
        parts.append(f'<line x1="{left}" y1="{y:.1f}" x2="{width - 10}" y2="{y:.1f}" stroke="#e4e4e4"/>')
        parts.append(f'<text x="{left - 5}" y="{y + 4:.1f}" font-size="11" text-anchor="end">{v:.2f}</text>')
    slot = (width - 10 - left) / max(len(lengths), 1)
    bar = slot * 0.8 / max(len(samples), 1)
    for j, k in enumerate(lengths):
        x0 = left + slot * j + slot * 0.1
        parts.append(f'<text x="{left + slot * (j + 0.5):.1f}" y="{bottom + 15}" font-size="11" '
                     f'text-anchor="middle">{k}</text>')
        for i, per in enumerate(values):
            h = (bottom - top) * per.get(k, 0.0) / top_value
            parts.append(f'<rect x="{x0 + bar * i:.1f}" y="{bottom - h:.1f}" width="{max(bar - 1, 1):.1f}" '
                         f'height="{h:.1f}" fill="{COLOURS[i % len(COLOURS)]}"/>')
    parts.append(f'<text x="{(left + width) / 2}" y="{bottom + 32}" font-size="11" text-anchor="middle">'
                 'unit length</text>')
    x = left
    for i, sample in enumerate(samples):
        parts.append(f'<rect x="{x}" y="{height - 14}" width="10" height="10" fill="{COLOURS[i % len(COLOURS)]}"/>')
        parts.append(f'<text x="{x + 13}" y="{height - 5}" font-size="11">{html.escape(sample)}</text>')
        x += 30 + 7 * len(sample)
    parts.append("</svg>")
    return "\n".join(parts)


def write_overview(path, samples, summaries, reports):
    cells = ["repeats", "covered_nt", "covered_percent", "median_length", "median_copies", "perfect_100",
             "perfection_95_100", "perfection_85_95", "perfection_below_85"]
    rows = []
    for sample, (meta, _, summary_rows), report in zip(samples, summaries, reports):
        total = summary_rows[-1]
        link = html.escape(os.path.relpath(report, os.path.dirname(path) or "."))
        rows.append(f'<tr><td><a href="{link}">{html.escape(sample)}</a></td><td>{meta["records"]}</td>'
                    f'<td>{meta["nucleotides"]}</td>' + "".join(f"<td>{total[c]}</td>" for c in cells) + "</tr>")
    page = f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Sarvik overview of {len(samples)} genomes</title>
<style>
body{{margin:20px;font-family:sans-serif;color:#222}}
table{{border-collapse:collapse;font-size:13px;margin:16px 0}}
td,th{{border:1px solid #ddd;padding:3px 8px;text-align:right}}
th{{background:#f3f3f3}} td:first-child{{text-align:left}}
</style>
</head>
<body>
<h1>Tandem repeats of {len(samples)} genomes</h1>
<p>All repeats of each genome (the total rows of their summaries); the sample names lead to each genome's report.</p>
<table>
<tr><th>sample</th><th>records</th><th>nucleotides</th><th>repeats</th><th>covered nt</th><th>covered %</th>
<th>median length</th><th>median copies</th><th>100 %</th><th>95&ndash;100 %</th><th>85&ndash;95 %</th><th>&lt; 85 %</th></tr>
{chr(10).join(rows)}
</table>
{covered_chart(samples, summaries)}
</body>
</html>
"""
    with open(path, "w") as out:
        out.write(page)


samples = list(snakemake.params.samples)
summaries = [read_summary(p) for p in snakemake.input.summaries]
write_table(snakemake.output.table, samples, summaries)
write_overview(snakemake.output.overview, samples, summaries, list(snakemake.input.reports))
