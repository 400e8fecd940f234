// Small SVG charts for the report page, drawn as text: a canvas with the
// primitives and the few chart kinds the page shows. Every chart fills the
// canvas it is given; titles and axes are grey, data is drawn in colour.
#ifndef SARVIK_SVG_PLOT_H
#define SARVIK_SVG_PLOT_H

#include <string>
#include <utility>
#include <vector>

// Text with &, <, > and " escaped for HTML and SVG.
std::string html_escape(const std::string& text);
// 1234567 -> "1.23M": short axis and label numbers.
std::string short_number(double value);

class SvgCanvas {
 public:
  SvgCanvas(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }

  void rect(double x, double y, double w, double h, const char* fill);
  void line(double x1, double y1, double x2, double y2, const char* stroke);
  void path(const std::string& d, const char* fill, const char* stroke);
  void circle(double x, double y, double r, const char* fill);
  // anchor: "start", "middle" or "end".
  void text(double x, double y, const std::string& s, const char* anchor = "start", int size = 11,
            const char* fill = "#333");
  void title(const std::string& s);
  std::string svg() const;

 private:
  int width_, height_;
  std::string body_;
};

struct Series {
  std::string label;
  const char* colour;
  std::vector<double> values;  // one per x category or bin
};

// Vertical bars, one per category, on a linear axis from 0.
void bar_chart(SvgCanvas& c, const std::string& title, const std::vector<std::string>& categories,
               const std::vector<double>& values, const char* colour, const std::string& x_label);

// Horizontal bars, one row per label, longest value at full width.
void row_chart(SvgCanvas& c, const std::string& title, const std::vector<std::string>& labels,
               const std::vector<double>& values, const char* colour);

// Counts over logarithmic length bins (`bins_per_octave` per doubling,
// starting at bin `first_bin`, that is length 2^(first_bin / bins_per_octave)),
// one line per series, both axes logarithmic; zero counts leave gaps.
void log_line_chart(SvgCanvas& c, const std::string& title, const std::vector<Series>& series, int first_bin,
                    int bins_per_octave, const std::string& x_label);

// One strip per record: the share covered in each bin, as a filled profile;
// strip widths in proportion to the record lengths.
void strip_chart(SvgCanvas& c, const std::string& title, const std::vector<std::string>& labels,
                 const std::vector<double>& lengths, const std::vector<std::vector<float>>& shares,
                 const char* colour);

#endif
