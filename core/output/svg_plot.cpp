#include "svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const char* const axis_colour = "#888";
const char* const grid_colour = "#e4e4e4";

// The plotting area inside a canvas: room for the title, the tick labels
// on the left and the category labels below.
struct Frame {
  double left, top, right, bottom;
  double width() const { return right - left; }
  double height() const { return bottom - top; }
};

Frame frame_of(const SvgCanvas& c, double left_margin)
{
  return {left_margin, 34.0, c.width() - 14.0, c.height() - 40.0};
}

std::string fmt(const char* format, double v)
{
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// A round step that splits [0, top] into about `parts` intervals.
double nice_step(double top, int parts)
{
  if (top <= 0) return 1;
  double raw = top / parts;
  double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (raw <= m * magnitude) return m * magnitude;
  return 10 * magnitude;
}

// Linear value axis from 0 to a round top at or above `max`; returns the top.
double linear_axis(SvgCanvas& c, const Frame& f, double max)
{
  double step = nice_step(max, 5);
  double top = std::max(step, std::ceil(max / step) * step);
  for (double v = 0; v <= top * 1.0001; v += step) {
    double y = f.bottom - f.height() * v / top;
    c.line(f.left, y, f.right, y, grid_colour);
    c.text(f.left - 5, y + 4, short_number(v), "end");
  }
  c.line(f.left, f.top, f.left, f.bottom, axis_colour);
  c.line(f.left, f.bottom, f.right, f.bottom, axis_colour);
  return top;
}

void no_data(SvgCanvas& c, const Frame& f)
{
  c.text((f.left + f.right) / 2, (f.top + f.bottom) / 2, "no repeats", "middle", 13, "#999");
}

}  // namespace

std::string html_escape(const std::string& text)
{
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += ch;
    }
  }
  return out;
}

std::string short_number(double value)
{
  const char* suffix[] = {"", "k", "M", "G", "T"};
  int i = 0;
  while (std::fabs(value) >= 1000 && i < 4) {
    value /= 1000;
    ++i;
  }
  std::string s = fmt(value == std::floor(value) ? "%.0f" : std::fabs(value) < 10 ? "%.2f" : "%.1f", value);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s + suffix[i];
}

SvgCanvas::SvgCanvas(int width, int height) : width_(width), height_(height) {}

void SvgCanvas::rect(double x, double y, double w, double h, const char* fill)
{
  body_ += "<rect x=\"" + fmt("%.1f", x) + "\" y=\"" + fmt("%.1f", y) + "\" width=\"" + fmt("%.1f", w) +
           "\" height=\"" + fmt("%.1f", h) + "\" fill=\"" + fill + "\"/>\n";
}

void SvgCanvas::line(double x1, double y1, double x2, double y2, const char* stroke)
{
  body_ += "<line x1=\"" + fmt("%.1f", x1) + "\" y1=\"" + fmt("%.1f", y1) + "\" x2=\"" + fmt("%.1f", x2) +
           "\" y2=\"" + fmt("%.1f", y2) + "\" stroke=\"" + stroke + "\"/>\n";
}

void SvgCanvas::path(const std::string& d, const char* fill, const char* stroke)
{
  body_ += "<path d=\"" + d + "\" fill=\"" + fill + "\" stroke=\"" + stroke + "\" stroke-width=\"1.5\"/>\n";
}

void SvgCanvas::circle(double x, double y, double r, const char* fill)
{
  body_ += "<circle cx=\"" + fmt("%.1f", x) + "\" cy=\"" + fmt("%.1f", y) + "\" r=\"" + fmt("%.1f", r) +
           "\" fill=\"" + fill + "\"/>\n";
}

void SvgCanvas::text(double x, double y, const std::string& s, const char* anchor, int size, const char* fill)
{
  body_ += "<text x=\"" + fmt("%.1f", x) + "\" y=\"" + fmt("%.1f", y) + "\" text-anchor=\"" + anchor +
           "\" font-size=\"" + std::to_string(size) + "\" fill=\"" + fill + "\">" + html_escape(s) + "</text>\n";
}

void SvgCanvas::title(const std::string& s) { text(10, 20, s, "start", 14, "#222"); }

std::string SvgCanvas::svg() const
{
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width_) + "\" height=\"" +
         std::to_string(height_) + "\" viewBox=\"0 0 " + std::to_string(width_) + " " + std::to_string(height_) +
         "\" font-family=\"sans-serif\">\n" + body_ + "</svg>\n";
}

void bar_chart(SvgCanvas& c, const std::string& title, const std::vector<std::string>& categories,
               const std::vector<double>& values, const char* colour, const std::string& x_label)
{
  c.title(title);
  Frame f = frame_of(c, 54);
  double max = values.empty() ? 0 : *std::max_element(values.begin(), values.end());
  double top = linear_axis(c, f, max);
  c.text((f.left + f.right) / 2, c.height() - 6.0, x_label, "middle");
  if (max <= 0) return no_data(c, f);

  const double slot = f.width() / static_cast<double>(values.size());
  // Label every n-th category (n = 1, 2, 5, 10, 20, ...) so the labels do not run into each other.
  std::size_t every = 1;
  for (std::size_t m = 1; static_cast<double>(every) * slot < 26.0; m *= 10)
    for (std::size_t step : {m, 2 * m, 5 * m, 10 * m})
      if (static_cast<double>(every) * slot < 26.0) every = step;
  for (std::size_t i = 0; i < values.size(); ++i) {
    double h = f.height() * values[i] / top;
    double x = f.left + slot * static_cast<double>(i);
    double gap = slot > 4 ? slot * 0.15 : 0;
    if (values[i] > 0) c.rect(x + gap, f.bottom - h, std::max(slot - 2 * gap, 1.0), h, colour);
    if (i % every == 0) c.text(x + slot / 2, f.bottom + 14, categories[i], "middle");
  }
}

void row_chart(SvgCanvas& c, const std::string& title, const std::vector<std::string>& labels,
               const std::vector<double>& values, const char* colour)
{
  c.title(title);
  Frame f = frame_of(c, 110);
  f.bottom = c.height() - 10.0;
  if (values.empty()) return no_data(c, f);
  double max = *std::max_element(values.begin(), values.end());
  const double row = f.height() / static_cast<double>(std::max<std::size_t>(labels.size(), 20));
  c.line(f.left, f.top, f.left, f.top + row * static_cast<double>(labels.size()), axis_colour);
  for (std::size_t i = 0; i < labels.size(); ++i) {
    double y = f.top + row * static_cast<double>(i);
    double w = (f.width() - 50) * values[i] / max;
    std::string label = labels[i].size() > 14 ? labels[i].substr(0, 13) + "\xE2\x80\xA6" : labels[i];
    c.text(f.left - 6, y + row * 0.5 + 4, label, "end", 11, "#333");
    c.rect(f.left, y + row * 0.15, std::max(w, 1.0), row * 0.7, colour);
    c.text(f.left + w + 4, y + row * 0.5 + 4, short_number(values[i]), "start", 10, "#555");
  }
}

void log_line_chart(SvgCanvas& c, const std::string& title, const std::vector<Series>& series, int first_bin,
                    int bins_per_octave, const std::string& x_label)
{
  c.title(title);
  Frame f = frame_of(c, 54);
  f.top = 52;
  std::size_t bins = 0;
  double max = 0;
  for (const Series& s : series) {
    bins = std::max(bins, s.values.size());
    for (double v : s.values) max = std::max(max, v);
  }
  c.line(f.left, f.top, f.left, f.bottom, axis_colour);
  c.line(f.left, f.bottom, f.right, f.bottom, axis_colour);
  c.text((f.left + f.right) / 2, c.height() - 6.0, x_label, "middle");
  if (max < 1) return no_data(c, f);

  // Counts: 1 on the axis, one decade per grid line.
  const double decades = std::max(1.0, std::ceil(std::log10(max)));
  auto y_of = [&](double count) { return f.bottom - f.height() * std::log10(count) / decades; };
  for (int d = 0; d <= decades; ++d) {
    double y = y_of(std::pow(10.0, d));
    if (d > 0) c.line(f.left, y, f.right, y, grid_colour);
    c.text(f.left - 5, y + 4, short_number(std::pow(10.0, d)), "end");
  }
  // Lengths: bin b is drawn at its lower edge; ticks at powers of two.
  const double span = static_cast<double>(std::max<std::size_t>(bins, 2) - 1);
  auto x_of = [&](double bin) { return f.left + 6 + (f.width() - 12) * (bin - first_bin) / span; };
  const int first_octave = (first_bin + bins_per_octave - 1) / bins_per_octave;
  const int last_octave = (first_bin + static_cast<int>(bins) - 1) / bins_per_octave;
  const int octave_step = std::max(1, (last_octave - first_octave + 7) / 8);
  for (int o = first_octave; o <= last_octave; o += octave_step) {
    double x = x_of(static_cast<double>(o) * bins_per_octave);
    c.line(x, f.bottom, x, f.bottom + 4, axis_colour);
    c.text(x, f.bottom + 16, short_number(std::pow(2.0, o)), "middle");
  }

  double legend_x = 10;
  for (const Series& s : series) {
    bool any = false;
    std::string d;
    bool pen_down = false;
    for (std::size_t i = 0; i < s.values.size(); ++i) {
      if (s.values[i] < 1) {
        pen_down = false;
        continue;
      }
      double x = x_of(static_cast<double>(first_bin) + static_cast<double>(i)), y = y_of(s.values[i]);
      d += (pen_down ? " L" : " M") + fmt("%.1f", x) + "," + fmt("%.1f", y);
      pen_down = any = true;
      c.circle(x, y, 1.8, s.colour);
    }
    if (!any) continue;
    c.path(d, "none", s.colour);
    c.rect(legend_x, 34, 10, 10, s.colour);
    c.text(legend_x + 13, 43, s.label, "start", 10);
    legend_x += 22 + 6 * static_cast<double>(s.label.size());
  }
}

void strip_chart(SvgCanvas& c, const std::string& title, const std::vector<std::string>& labels,
                 const std::vector<double>& lengths, const std::vector<std::vector<float>>& shares,
                 const char* colour)
{
  c.title(title);
  c.text(c.width() - 10.0, 20, "height: share covered", "end", 10, "#777");
  Frame f = frame_of(c, 120);
  f.bottom = c.height() - 10.0;
  if (labels.empty()) return no_data(c, f);
  const double longest = *std::max_element(lengths.begin(), lengths.end());
  const double row = f.height() / 24.0;
  for (std::size_t r = 0; r < labels.size(); ++r) {
    const double top = f.top + row * static_cast<double>(r) + 1, base = top + row - 3;
    const double w = f.width() * lengths[r] / longest;
    std::string label = labels[r].size() > 16 ? labels[r].substr(0, 15) + "\xE2\x80\xA6" : labels[r];
    c.text(f.left - 6, base - 2, label, "end", 10);
    c.rect(f.left, top, w, base - top, "#eef1f4");
    const std::vector<float>& s = shares[r];
    if (s.empty()) continue;
    const double bin_w = w / static_cast<double>(s.size());
    std::string d = "M" + fmt("%.1f", f.left) + "," + fmt("%.1f", base);
    for (std::size_t i = 0; i < s.size(); ++i) {
      double y = base - (base - top) * static_cast<double>(s[i]);
      d += " L" + fmt("%.1f", f.left + bin_w * static_cast<double>(i)) + "," + fmt("%.1f", y) + " L" +
           fmt("%.1f", f.left + bin_w * static_cast<double>(i + 1)) + "," + fmt("%.1f", y);
    }
    d += " L" + fmt("%.1f", f.left + w) + "," + fmt("%.1f", base) + " Z";
    c.path(d, colour, "none");
  }
}
