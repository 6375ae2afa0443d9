#include "files/ParentDirectory.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>

namespace {
constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Opens a directory path of any length: directly when the system accepts its length,
// else component by component from the root or the working directory.
int OpenDirectory(const std::string& dir) {
  if (dir.size() < PATH_MAX) return open(dir.c_str(), kDirFlags);
  int fd = open(dir[0] == '/' ? "/" : ".", kDirFlags);
  std::size_t start = 0;
  while (fd >= 0 && start < dir.size()) {
    std::size_t end = dir.find('/', start);
    if (end == std::string::npos) end = dir.size();
    if (end > start) {
      const std::string part = dir.substr(start, end - start);
      const int next = openat(fd, part.c_str(), kDirFlags);
      const int saved = errno;
      close(fd);
      errno = saved;
      fd = next;
    }
    start = end + 1;
  }
  return fd;
}
}  // namespace

ParentDirectory::~ParentDirectory() { Close(); }

void ParentDirectory::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool ParentDirectory::Open(const std::string& path) {
  Close();
  name_.clear();
  dirPath_.clear();
  if (path.empty() || path.back() == '/') {
    errno = path.empty() ? ENOENT : EISDIR;
    return false;
  }
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    dirPath_.assign(1, '.');
    name_ = path;
  } else {
    dirPath_ = path.substr(0, slash == 0 ? 1 : slash);  // "/x" lives in "/"
    name_ = path.substr(slash + 1);
  }
  fd_ = OpenDirectory(dirPath_);
  return fd_ >= 0;
}
