// The report page. Its layout is fixed (every chart has a set position and
// size), so a browser test knows where each chart must appear.
#include <cinttypes>
#include <cmath>
#include <string>

#include "global-types-and-parameters.h"
#include "run_summary_files.h"
#include "svg_plot.h"

namespace {

const char* const blue = "#3b75af";
const char* const orange = "#e1812c";
const char* const green = "#3a923a";
const char* const class_colours[7] = {"#3b75af", "#e1812c", "#3a923a", "#c03d3e", "#9372b2", "#845b53", "#d684bd"};
const int bins_per_octave = 2;
const char* const mode_words[3] = {"exact", "extendExact", "imperfect"};

// Where each chart stands on the page: left, top, width, height in pixels.
struct Place {
  int left, top, width, height;
};
const Place repeats_place = {20, 120, 470, 300};
const Place covered_place = {510, 120, 470, 300};
const Place lengths_place = {20, 440, 470, 300};
const Place perfection_place = {510, 440, 470, 300};
const Place units_place = {20, 760, 470, 460};
const Place density_place = {510, 760, 470, 460};
const int table_top = 1240;

std::string placed(const Place& p, const SvgCanvas& c)
{
  return "<div class=\"chart\" style=\"left:" + std::to_string(p.left) + "px;top:" + std::to_string(p.top) +
         "px;width:" + std::to_string(p.width) + "px;height:" + std::to_string(p.height) + "px\">\n" + c.svg() +
         "</div>\n";
}

const char* const class_names[7] = {"mono", "di", "tri", "tetra", "penta", "hexa", "7+"};

std::string per_unit_length_chart(const Place& p, const RunStatistics& stats, bool covered)
{
  SvgCanvas c(p.width, p.height);
  std::vector<std::string> categories;
  std::vector<double> values;
  for (const auto& [k, g] : stats.by_unit_length) {
    categories.push_back(std::to_string(k));
    values.push_back(static_cast<double>(covered ? g.covered : g.repeats));
  }
  bar_chart(c, covered ? "Covered nucleotides per unit length" : "Repeats per unit length", categories, values,
            covered ? orange : blue, "unit length");
  return placed(p, c);
}

std::string lengths_chart(const RunStatistics& stats)
{
  // Bin of a length: floor(2 * log2(length)); the small nudge keeps exact
  // powers of two in their own bin despite rounding.
  auto bin_of = [](uint32_t len) { return static_cast<int>(std::floor(bins_per_octave * std::log2(len) + 1e-9)); };
  int low = 1 << 30, high = 0;
  for (uint32_t len : stats.all.lengths) {
    low = std::min(low, bin_of(len));
    high = std::max(high, bin_of(len));
  }
  std::vector<Series> series;
  for (unsigned cls = 1; cls <= 7; ++cls) series.push_back({class_names[cls - 1], class_colours[cls - 1], {}});
  if (high >= low)
    for (Series& s : series) s.values.assign(static_cast<std::size_t>(high - low + 1), 0.0);
  for (const auto& [k, g] : stats.by_unit_length)
    for (uint32_t len : g.lengths) series[std::min(k, 7u) - 1].values[static_cast<std::size_t>(bin_of(len) - low)] += 1;
  SvgCanvas c(lengths_place.width, lengths_place.height);
  log_line_chart(c, "Repeat lengths per unit class (log scales)", series, high >= low ? low : 0, bins_per_octave,
                 "repeat length (nucleotides); repeats per half octave");
  return placed(lengths_place, c);
}

std::string perfection_chart(const RunStatistics& stats)
{
  std::vector<std::string> categories;
  std::vector<double> values;
  for (int i = 0; i <= 100; ++i) {
    categories.push_back(std::to_string(i));
    values.push_back(static_cast<double>(stats.perfection_histogram[i]));
  }
  SvgCanvas c(perfection_place.width, perfection_place.height);
  bar_chart(c, "Perfection", categories, values, green, "perfection (%, whole percent; 100 = perfect)");
  return placed(perfection_place, c);
}

std::string units_chart(const RunStatistics& stats)
{
  std::vector<std::string> labels;
  std::vector<double> values;
  for (const auto& [unit, n] : stats.top_units(20)) {
    labels.push_back(unit);
    values.push_back(static_cast<double>(n));
  }
  SvgCanvas c(units_place.width, units_place.height);
  row_chart(c, "The 20 most frequent units (normal form)", labels, values, blue);
  return placed(units_place, c);
}

std::string density_chart(const RunStatistics& stats)
{
  std::vector<std::string> labels;
  std::vector<double> lengths;
  std::vector<std::vector<float>> shares;
  for (const RecordDensity& r : stats.longest) {
    labels.push_back(r.name);
    lengths.push_back(static_cast<double>(r.length));
    shares.push_back(r.covered_share);
  }
  SvgCanvas c(density_place.width, density_place.height);
  strip_chart(c, "Repeat density along the longest records", labels, lengths, shares, orange);
  return placed(density_place, c);
}

std::string percent(uint64_t part, uint64_t whole)
{
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f %%", whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
  return buf;
}

std::string table_row(const std::string& label, const RepeatGroup& g, uint64_t input)
{
  char copies[32];
  std::snprintf(copies, sizeof copies, "%.3f", static_cast<double>(g.median_copies()));
  std::string row = "<tr><td>" + label + "</td><td>" + std::to_string(g.repeats) + "</td><td>" +
                    std::to_string(g.covered) + "</td><td>" + percent(g.covered, input) + "</td><td>" +
                    std::to_string(g.median_length()) + "</td><td>" + copies + "</td>";
  for (uint64_t n : g.bands) row += "<td>" + std::to_string(n) + "</td>";
  return row + "</tr>\n";
}

std::string summary_table(const RunStatistics& stats)
{
  std::string t = "<table style=\"top:" + std::to_string(table_top) +
                  "px\">\n<tr><th>unit length</th><th>repeats</th><th>covered nt</th><th>covered</th>"
                  "<th>median length</th><th>median copies</th><th>100 %</th><th>95&ndash;100 %</th>"
                  "<th>85&ndash;95 %</th><th>&lt; 85 %</th></tr>\n";
  for (const auto& [k, g] : stats.by_unit_length) t += table_row(std::to_string(k), g, stats.nucleotides);
  t += table_row("total", stats.all, stats.nucleotides);
  return t + "</table>\n";
}

}  // namespace

void write_report_html(FILE* f, const RunStatistics& stats)
{
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Sarvik report: " +
      html_escape(global_input_filename) +
      "</title>\n<style>\n"
      "body{margin:0;font-family:sans-serif;color:#222;background:#fff}\n"
      "header{position:absolute;left:20px;top:0;width:960px;height:110px;overflow:hidden}\n"
      "h1{font-size:22px;margin:18px 0 8px 0}\nheader p{margin:3px 0;font-size:13px}\n"
      ".chart{position:absolute;border:1px solid #ddd;box-sizing:border-box;overflow:hidden}\n"
      "table{position:absolute;left:20px;border-collapse:collapse;font-size:13px;margin-bottom:20px}\n"
      "td,th{border:1px solid #ddd;padding:3px 8px;text-align:right}\nth{background:#f3f3f3}\n"
      "</style>\n</head>\n<body>\n<header>\n<h1>Sarvik " SARVIK_VERSION " tandem repeat report</h1>\n<p>Input: " +
      html_escape(global_input_filename) + " &middot; " + std::to_string(stats.records) + " records, " +
      std::to_string(stats.nucleotides) + " nucleotides</p>\n<p>" + std::to_string(stats.all.repeats) +
      " repeats covering " + std::to_string(stats.all.covered) + " nucleotides (" +
      percent(stats.all.covered, stats.nucleotides) + " of the input) &middot; search mode " +
      mode_words[global_search_mode < 0 || global_search_mode > 2 ? 2 : global_search_mode] + ", unit lengths " + std::to_string(global_min_unit_length) + "&ndash;" +
      std::to_string(global_max_unit_length) + "</p>\n</header>\n";
  page += per_unit_length_chart(repeats_place, stats, false);
  page += per_unit_length_chart(covered_place, stats, true);
  page += lengths_chart(stats);
  page += perfection_chart(stats);
  page += units_chart(stats);
  page += density_chart(stats);
  page += summary_table(stats);
  page += "</body>\n</html>\n";
  std::fputs(page.c_str(), f);
}
