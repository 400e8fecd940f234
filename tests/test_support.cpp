#include "test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

const std::string& temp_dir()
{
  // Never destroyed: the atexit handler below still needs it after the
  // static destructors have run.
  static const std::string& dir = *new std::string([] {
    char tmpl[] = "/tmp/sarvik-test-XXXXXX";
    std::string d = mkdtemp(tmpl);
    std::atexit([] { std::system(("rm -rf '" + temp_dir() + "'").c_str()); });
    return d;
  }());
  return dir;
}

std::string read_and_close(FILE* f)
{
  std::rewind(f);
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

}  // namespace

std::string temp_path(const std::string& name) { return temp_dir() + "/" + name; }

std::string write_temp_file(const std::string& content, const std::string& name)
{
  std::string path = temp_path(name);
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::string read_file(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string capture_output(const std::function<void(FILE*)>& body)
{
  FILE* f = std::tmpfile();
  body(f);
  std::fflush(f);
  return read_and_close(f);
}

std::string capture_stderr(const std::function<void()>& body)
{
  std::fflush(stderr);
  int saved = dup(2);
  FILE* f = std::tmpfile();
  dup2(fileno(f), 2);
  body();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  return read_and_close(f);
}
