// sarvik_gui_screenshot [--run-window] FILE.png: starts the graphical
// program as a user would see it, renders the main window (or a run window
// in the middle of a run) once and saves it as a PNG. Used by
// scripts/screenshot.sh under a virtual X server; not installed.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "gui_frontend.h"
#include "sarvik_gui.h"
#include "startup.h"

namespace {

void put_u32(std::string& s, unsigned long v)
{
  for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((v >> shift) & 0xff));
}

void put_chunk(std::string& png, const char* type, const std::string& data)
{
  put_u32(png, data.size());
  std::string body = std::string(type, 4) + data;
  png += body;
  put_u32(png, crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
}

// 8-bit RGB, no filtering: small enough for a window of flat colours.
bool write_png(const char* path, const unsigned char* rgb, int w, int h)
{
  std::string raw;
  raw.reserve(static_cast<size_t>(h) * (3 * w + 1));
  for (int y = 0; y < h; ++y) {
    raw.push_back('\0');
    raw.append(reinterpret_cast<const char*>(rgb + static_cast<size_t>(y) * 3 * w), 3 * static_cast<size_t>(w));
  }
  uLongf packed_len = compressBound(raw.size());
  std::vector<Bytef> packed(packed_len);
  if (compress2(packed.data(), &packed_len, reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 9) != Z_OK)
    return false;

  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  put_u32(header, w);
  put_u32(header, h);
  header += std::string("\x08\x02\x00\x00\x00", 5);  // depth 8, RGB, deflate, no filter, no interlace
  put_chunk(png, "IHDR", header);
  put_chunk(png, "IDAT", std::string(reinterpret_cast<const char*>(packed.data()), packed_len));
  put_chunk(png, "IEND", std::string());

  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && ok;
}

// Lets the server map and expose a window, then draws it completely.
void render(Fl_Window* window)
{
  for (int i = 0; i < 50; ++i) Fl::wait(0.02);
  window->redraw();
  Fl::flush();
  for (int i = 0; i < 10; ++i) Fl::wait(0.02);
}

}  // namespace

int main(int argc, char** argv)
{
  bool run_window = argc == 3 && std::strcmp(argv[1], "--run-window") == 0;
  if (argc != 2 && !run_window) {
    std::fprintf(stderr, "usage: %s [--run-window] FILE.png\n", argv[0]);
    return 2;
  }
  const char* out = argv[argc - 1];
  Fl_Window* window = start_sarvik_gui(argv[0]);
  render(window);

  static char program_name[] = "Sarvik";
  static char* run_argv[] = {program_name, nullptr};
  CRunAnalysis run(1, run_argv);
  if (run_window) {
    run.create_window();
    run.progress_window->show();
    runA = &run;
    window_observer().started -= 3725;
    window_observer().status(12, "chr2L upstream region of a gene", 4, 'r');
    window = run.progress_window;
    render(window);
  }

  window->make_current();
  std::vector<unsigned char> rgb(static_cast<size_t>(window->w()) * window->h() * 3);
  fl_read_image(rgb.data(), 0, 0, window->w(), window->h());
  if (!write_png(out, rgb.data(), window->w(), window->h())) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], out);
    return 1;
  }
  return 0;
}
