#include "files/FileByteSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <vector>

namespace {
FileByteSink::Faults pendingFaults;

// Follows `dir`'s last component while it is a symbolic link, so that saving over a link
// replaces the file it points at. True with `dir` open on the final target's directory.
bool ResolveTarget(ParentDirectory& dir, std::string path) {
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

std::string RandomTempName() {
  static std::mt19937_64 generator{std::random_device{}()};
  char name[40];
  std::snprintf(name, sizeof name, ".kelvor-%016llx.tmp",
                static_cast<unsigned long long>(generator()));
  return name;
}
}  // namespace

void FileByteSink::InjectFaults(const Faults& faults) { pendingFaults = faults; }

std::unique_ptr<FileByteSink> FileByteSink::Create(const std::string& targetPath) {
  const Faults faults = pendingFaults;
  pendingFaults = Faults{};
  std::unique_ptr<FileByteSink> sink(new FileByteSink);
  sink->faults_ = faults;
  if (!ResolveTarget(sink->dir_, targetPath)) return nullptr;

  struct stat target {};
  const bool exists = fstatat(sink->dir_.Fd(), sink->dir_.Name().c_str(), &target, 0) == 0;
  if (exists && !S_ISREG(target.st_mode)) {
    errno = S_ISDIR(target.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  if (faults.failCreate) {
    errno = EACCES;
    return nullptr;
  }
  for (int attempt = 0; attempt < 100 && sink->fd_ < 0; ++attempt) {
    sink->tempName_ = RandomTempName();
    sink->fd_ = openat(sink->dir_.Fd(), sink->tempName_.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (sink->fd_ < 0 && errno != EEXIST) return nullptr;
  }
  if (sink->fd_ < 0) return nullptr;
  // A replaced file keeps its permissions; a new one gets 0666 less the umask.
  if (exists) (void)fchmod(sink->fd_, target.st_mode & 07777);
  return sink;
}

FileByteSink::~FileByteSink() {
  if (fd_ >= 0) close(fd_);
  if (!committed_ && !tempName_.empty()) unlinkat(dir_.Fd(), tempName_.c_str(), 0);
}

bool FileByteSink::Seek(std::int64_t position) {
  if (position < 0) return false;
  position_ = position;
  return true;
}

std::size_t FileByteSink::Write(const std::uint8_t* data, std::size_t count) {
  if (fd_ < 0 || committed_) return 0;
  std::size_t done = 0;
  while (done < count) {
    std::size_t want = count - done;
    if (faults_.writeLimit >= 0) {
      const std::int64_t room = faults_.writeLimit - written_;
      if (room <= 0) {
        errno = ENOSPC;
        break;
      }
      if (static_cast<std::uint64_t>(room) < want) want = static_cast<std::size_t>(room);
    }
    constexpr std::size_t kMaxCall = std::size_t{1} << 30;
    if (want > kMaxCall) want = kMaxCall;
    const ssize_t n = pwrite(fd_, data + done, want, static_cast<off_t>(position_));
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
    position_ += n;
    written_ += n;
  }
  WriteBehind();
  return done;
}

void FileByteSink::WriteBehind() {
  // Every 8 MiB, the write-out of the new bytes starts at once and runs while the next
  // ones are copied. Nothing waits for it here (waiting measured slower); the kernel's
  // own limits on dirty pages still apply, and fsync in Commit() waits for the rest.
  constexpr std::int64_t kStep = std::int64_t{8} << 20;
  if (position_ - flushStarted_ < kStep) return;  // also after a seek back to patch a size
  const std::int64_t count = position_ - flushStarted_;
  // An I/O error already fails the save; a file system that cannot do this is left to fsync.
  if (sync_file_range(fd_, flushStarted_, count, SYNC_FILE_RANGE_WRITE) != 0 &&
      errno != EINVAL && errno != ENOSYS && errno != ESPIPE)
    flushFailed_ = true;
  flushStarted_ = position_;
}

FileByteSink::CommitResult FileByteSink::Commit() {
  if (fd_ < 0 || committed_) return CommitResult::SyncFailed;
  const bool synced = !faults_.failSync && !flushFailed_ && fsync(fd_) == 0;
  const bool closed = close(fd_) == 0;
  fd_ = -1;
  if (!synced || !closed) return CommitResult::SyncFailed;
  if (faults_.failRename ||
      renameat(dir_.Fd(), tempName_.c_str(), dir_.Fd(), dir_.Name().c_str()) != 0)
    return CommitResult::RenameFailed;
  committed_ = true;
  // Makes the rename itself durable. Some file systems cannot flush a directory; the new
  // file is in place by now, so a failure here is not reported.
  (void)fsync(dir_.Fd());
  return CommitResult::Done;
}
