// sarvik_gui_screenshot FILE.png: starts the graphical program as a user
// would see it, renders the main window once and saves it as a PNG. Used by
// scripts/screenshot.sh under a virtual X server; not installed.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include <FL/Fl.H>
#include <FL/fl_draw.H>

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

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE.png\n", argv[0]);
    return 2;
  }
  Fl_Double_Window* window = start_sarvik_gui(argv[0]);
  // Let the server map and expose the window, then draw everything.
  for (int i = 0; i < 50; ++i) Fl::wait(0.02);
  window->redraw();
  Fl::flush();
  for (int i = 0; i < 10; ++i) Fl::wait(0.02);

  window->make_current();
  std::vector<unsigned char> rgb(static_cast<size_t>(window->w()) * window->h() * 3);
  fl_read_image(rgb.data(), 0, 0, window->w(), window->h());
  if (!write_png(argv[1], rgb.data(), window->w(), window->h())) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
