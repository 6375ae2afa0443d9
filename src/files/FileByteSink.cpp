#include "files/FileByteSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>

#include "files/FileIdentity.h"

namespace {
FileByteSink::Faults pendingFaults;

std::string RandomTempName() {
  static std::mt19937_64 generator{std::random_device{}()};
  char name[40];
  std::snprintf(name, sizeof name, ".kelvor-%016llx.tmp",
                static_cast<unsigned long long>(generator()));
  return name;
}

constexpr std::size_t kMaxCall = std::size_t{1} << 30;  // keeps each call far below SSIZE_MAX

// Writes all of `count` bytes at `offset`; false on the first error.
bool WriteAllAt(int fd, const std::uint8_t* data, std::int64_t count, std::int64_t offset) {
  while (count > 0) {
    const ssize_t n = pwrite(fd, data, std::min<std::size_t>(count, kMaxCall), offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n, count -= n, offset += n;
  }
  return true;
}
}  // namespace

void FileByteSink::InjectFaults(const Faults& faults) { pendingFaults = faults; }

std::unique_ptr<FileByteSink> FileByteSink::Create(const std::string& targetPath,
                                                   std::int64_t finalBytes) {
  const Faults faults = pendingFaults;
  pendingFaults = Faults{};
  std::unique_ptr<FileByteSink> sink(new FileByteSink);
  sink->faults_ = faults;
  ParentDirectory& dir = sink->dir_;
  if (!FileIdentity::Resolve(dir, targetPath)) return nullptr;
  const auto inPlace = [&sink, finalBytes] {
    return sink->OpenInPlace(finalBytes) ? std::move(sink) : nullptr;
  };

  struct stat target {};
  const bool exists = fstatat(dir.Fd(), dir.Name().c_str(), &target, 0) == 0;
  if (!exists && errno != ENOENT) return nullptr;
  if (exists && !S_ISREG(target.st_mode)) {
    errno = S_ISDIR(target.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  if (faults.failCreate) {
    errno = EACCES;
    return nullptr;
  }
  if (exists) {
    if (FileIdentity::WriteProtected(dir, target)) return nullptr;
    if (target.st_nlink > 1 || target.st_uid != geteuid() || FileIdentity::HasOwnAttributes(dir))
      return inPlace();
  }
  int fd = -1;
  std::string temp;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = RandomTempName();
    fd = openat(dir.Fd(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) break;
  }
  if (fd < 0) {
    // A directory that takes no new file may still hold a file the saver can write.
    if (exists && (errno == EACCES || errno == EPERM)) return inPlace();
    return nullptr;
  }
  sink->fd_ = fd;
  sink->tempName_ = temp;
  if (exists) {
    // The new file's group is the saver's (or the directory's): when it is not the old
    // file's, a rename would change the file's group.
    struct stat made {};
    if (fstat(fd, &made) == 0 && made.st_gid != target.st_gid) {
      close(fd);
      unlinkat(dir.Fd(), temp.c_str(), 0);
      sink->fd_ = -1;
      sink->tempName_.clear();
      return inPlace();
    }
    // Owner and group are the old file's here, so its set-ID bits go to the same owner.
    (void)fchmod(fd, target.st_mode & 07777);
  }
  return sink;
}

bool FileByteSink::OpenInPlace(std::int64_t finalBytes) {
  inPlace_ = true;
  fd_ = openat(dir_.Fd(), dir_.Name().c_str(),
               O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
  if (fd_ < 0) return false;
  struct stat st {};
  if (fstat(fd_, &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return false;
  }
  // The old contents, kept until the new ones are on disk.
  if (st.st_size > 0) {
    kept_.reset(static_cast<std::uint8_t*>(Heap::Alloc(static_cast<std::size_t>(st.st_size))));
    if (!kept_) {
      errno = ENOMEM;
      return false;
    }
    while (keptBytes_ < st.st_size) {
      const ssize_t n = pread(fd_, kept_.get() + keptBytes_,
                              std::min<std::size_t>(st.st_size - keptBytes_, kMaxCall), keptBytes_);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) break;  // the file shrank meanwhile: what is there is what is kept
      keptBytes_ += n;
    }
  }
  // Room for the new length before anything is overwritten: a full disk fails here.
  if (finalBytes > keptBytes_ && fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, finalBytes) != 0 &&
      errno != EOPNOTSUPP && errno != ENOSYS)
    return false;
  return true;
}

FileByteSink::~FileByteSink() {
  const int saved = errno;  // the caller's reason for giving up stays what it was
  if (inPlace_ && !committed_) Restore();
  if (fd_ >= 0) close(fd_);
  if (!committed_ && !tempName_.empty()) unlinkat(dir_.Fd(), tempName_.c_str(), 0);
  errno = saved;
}

void FileByteSink::Restore() {
  if (fd_ < 0 || written_ == 0) return;
  const int saved = errno;
  (void)WriteAllAt(fd_, kept_.get(), std::min(end_, keptBytes_), 0);
  (void)ftruncate(fd_, keptBytes_);
  (void)fsync(fd_);
  written_ = end_ = 0;
  errno = saved;
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
    std::size_t want = std::min(count - done, kMaxCall);
    if (faults_.writeLimit >= 0) {
      const std::int64_t room = faults_.writeLimit - written_;
      if (room <= 0) {
        errno = ENOSPC;
        break;
      }
      if (static_cast<std::uint64_t>(room) < want) want = static_cast<std::size_t>(room);
    }
    const ssize_t n = pwrite(fd_, data + done, want, static_cast<off_t>(position_));
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
    position_ += n;
    written_ += n;
    end_ = std::max(end_, position_);
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
  if (sync_file_range(fd_, flushStarted_, count, SYNC_FILE_RANGE_WRITE) != 0 && errno != EINVAL &&
      errno != ENOSYS && errno != ESPIPE)
    flushFailed_ = true;
  flushStarted_ = position_;
}

FileByteSink::CommitResult FileByteSink::Commit() {
  if (fd_ < 0 || committed_) return CommitResult::SyncFailed;
  if (inPlace_) {
    if (faults_.failSync || flushFailed_ || ftruncate(fd_, end_) != 0 || fsync(fd_) != 0) {
      Restore();
      return CommitResult::SyncFailed;
    }
    committed_ = true;
    close(fd_);
    fd_ = -1;
    kept_.reset();
    return CommitResult::Done;
  }
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
