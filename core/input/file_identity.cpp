#include "file_identity.h"

#include <sys/stat.h>

bool same_file(const char* a, const char* b)
{
  struct stat sa, sb;
  return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
