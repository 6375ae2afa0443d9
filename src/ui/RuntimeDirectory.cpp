#include "ui/RuntimeDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

bool EnsureRuntimeDirectory() {
  if (const char* set = std::getenv("XDG_RUNTIME_DIR"); set && *set) return true;
  const char* tmp = std::getenv("TMPDIR");
  const std::string dir = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/kelvor-runtime-" +
                          std::to_string(getuid());
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  // Someone else's directory (or a link to one) in a shared /tmp must not be taken.
  struct stat st {};
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return false;
  if ((st.st_mode & 0777) != 0700 && chmod(dir.c_str(), 0700) != 0) return false;
  return setenv("XDG_RUNTIME_DIR", dir.c_str(), 1) == 0;
}
