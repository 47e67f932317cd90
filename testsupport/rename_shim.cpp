// A fault-injection library for the end-to-end tests, loaded into a program
// with LD_PRELOAD: putting a new file in the place of one named file meets a
// fault. Every other call goes to the C library as usual.
//
//   QV_RENAME_TARGET  the file's name (the last part of the path renamed to)
//   QV_RENAME_FAULT   "no-exchange": an exchange of two files fails with
//                     EINVAL, as on a file system that cannot exchange;
//                     "removed-first": the file is removed just before it
//                     is replaced, as if a user logged out at that moment
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

bool targets(const char* path) {
  const char* target = getenv("QV_RENAME_TARGET");
  if (target == nullptr || *target == '\0' || path == nullptr) return false;
  const char* slash = strrchr(path, '/');
  return strcmp(slash == nullptr ? path : slash + 1, target) == 0;
}

bool fault(const char* name) {
  const char* f = getenv("QV_RENAME_FAULT");
  return f != nullptr && strcmp(f, name) == 0;
}

template <typename F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int rename(const char* from, const char* to) {
  static auto real = next<int (*)(const char*, const char*)>("rename");
  if (targets(to) && fault("removed-first")) unlink(to);
  return real(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
  static auto real = next<int (*)(int, const char*, int, const char*)>("renameat");
  if (targets(to) && fault("removed-first")) unlinkat(toDir, to, 0);
  return real(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
  static auto real = next<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
  if (targets(to) && fault("removed-first")) unlinkat(toDir, to, 0);
  if (targets(to) && fault("no-exchange") && (flags & RENAME_EXCHANGE) != 0) {
    errno = EINVAL;
    return -1;
  }
  return real(fromDir, from, toDir, to, flags);
}

}  // extern "C"
