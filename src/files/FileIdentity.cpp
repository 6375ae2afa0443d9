#include "files/FileIdentity.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace FileIdentity {
bool Resolve(ParentDirectory& dir, std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    if (!dir.Open(path)) return false;
    struct stat st {};
    if (fstatat(dir.Fd(), dir.Name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISLNK(st.st_mode))
      return true;  // a missing target is created, anything else is judged by the caller
    std::vector<char> link(static_cast<std::size_t>(st.st_size) + 256);
    const ssize_t n = readlinkat(dir.Fd(), dir.Name().c_str(), link.data(), link.size());
    if (n < 0 || static_cast<std::size_t>(n) >= link.size()) return false;
    const std::string target(link.data(), static_cast<std::size_t>(n));
    path = target[0] == '/' ? target : dir.DirPath() + "/" + target;
  }
  errno = ELOOP;
  return false;
}

bool WriteProtected(const ParentDirectory& dir, const struct stat& st) {
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    errno = EACCES;
    return true;
  }
  return faccessat(dir.Fd(), dir.Name().c_str(), W_OK, AT_EACCESS) != 0;
}

bool HasOwnAttributes(const ParentDirectory& dir) {
  // The directory's descriptor reaches the file by a short path whatever the length of
  // its real one.
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d/", dir.Fd());
  const std::string file = path + dir.Name();
  std::vector<char> names(256);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t n = llistxattr(file.c_str(), names.data(), names.size());
    if (n >= 0) {
      for (ssize_t at = 0; at < n;) {
        const char* name = names.data() + at;
        if (std::strcmp(name, "security.selinux") != 0) return true;
        at += static_cast<ssize_t>(std::strlen(name)) + 1;
      }
      return false;
    }
    if (errno != ERANGE) return false;  // no attributes here, or no way to list them
    const ssize_t needed = llistxattr(file.c_str(), nullptr, 0);
    if (needed < 0) return false;
    names.resize(static_cast<std::size_t>(needed) + 256);
  }
  return true;  // the list keeps growing: someone is adding attributes right now
}
}  // namespace FileIdentity
