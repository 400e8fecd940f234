// Whether two paths name one file (same device and inode), whatever their
// spelling: "./in.fa" and "in.fa", a hard or a symbolic link. False when
// either does not exist.
#ifndef SARVIK_FILE_IDENTITY_H
#define SARVIK_FILE_IDENTITY_H

bool same_file(const char* a, const char* b);

#endif
