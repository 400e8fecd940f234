// Small helpers shared by the unit tests.
#ifndef SARVIK_TEST_SUPPORT_H
#define SARVIK_TEST_SUPPORT_H

#include <cstdio>
#include <functional>
#include <string>

// A file in a fresh temporary folder, removed with the folder at exit.
std::string write_temp_file(const std::string& content, const std::string& name = "in.fa");
std::string temp_path(const std::string& name);
std::string read_file(const std::string& path);

// Everything `body` writes to the stream it is given.
std::string capture_output(const std::function<void(FILE*)>& body);

// Everything written to stderr while `body` runs.
std::string capture_stderr(const std::function<void()>& body);

#endif
