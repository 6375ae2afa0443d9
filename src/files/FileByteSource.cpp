#include "files/FileByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "files/ParentDirectory.h"

std::unique_ptr<FileByteSource> FileByteSource::Open(const std::string& path) {
  ParentDirectory dir;
  if (!dir.Open(path)) return nullptr;
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused just below.
  const int fd = openat(dir.Fd(), dir.Name().c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    const int saved = errno;
    close(fd);
    errno = saved;
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  return std::unique_ptr<FileByteSource>(new FileByteSource(fd, st.st_size));
}

FileByteSource::~FileByteSource() { close(fd_); }

std::int64_t FileByteSource::Size() const { return size_; }

std::int64_t FileByteSource::Tell() const { return position_; }

bool FileByteSource::Seek(std::int64_t position) {
  if (position < 0) return false;
  position_ = position;
  return true;
}

std::int64_t FileByteSource::Read(std::uint8_t* buffer, std::size_t count) {
  constexpr std::size_t kMaxCall = std::size_t{1} << 30;  // keeps each pread far below SSIZE_MAX
  std::int64_t total = 0;
  while (count > 0) {
    const std::size_t want = count < kMaxCall ? count : kMaxCall;
    const ssize_t got = pread(fd_, buffer + total, want, static_cast<off_t>(position_));
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;  // end of file
    total += got;
    position_ += got;
    count -= static_cast<std::size_t>(got);
  }
  return total;
}

std::int64_t FileByteSource::ReadOverZeros(std::uint8_t* buffer, std::size_t count) {
  // The bytes that exist now: a hole running to the end of the file has no data after it
  // and is told apart from the end only by the file's current size.
  struct stat st {};
  if (fstat(fd_, &st) != 0) return -1;
  const std::int64_t end =
      std::min<std::int64_t>(position_ + static_cast<std::int64_t>(count), st.st_size);
  std::int64_t total = 0;
  while (position_ < end) {
    off_t data = lseek(fd_, static_cast<off_t>(position_), SEEK_DATA);
    if (data < 0) {
      if (errno != ENXIO) break;       // no hole support here: read the rest as it is
      data = static_cast<off_t>(end);  // only a hole up to the end
    }
    if (data > position_) {
      const std::int64_t skip = std::min<std::int64_t>(data, end) - position_;
      position_ += skip;
      total += skip;
      continue;
    }
    off_t hole = lseek(fd_, static_cast<off_t>(position_), SEEK_HOLE);
    if (hole < 0) hole = static_cast<off_t>(end);
    const std::int64_t want = std::min<std::int64_t>(hole, end) - position_;
    const std::int64_t got = Read(buffer + total, static_cast<std::size_t>(want));
    if (got < 0) return -1;
    total += got;
    if (got < want) return total;  // the file shrank meanwhile
  }
  if (total < static_cast<std::int64_t>(count) && position_ < end) {
    const std::int64_t got = Read(buffer + total, static_cast<std::size_t>(end - position_));
    if (got < 0) return -1;
    total += got;
  }
  return total;
}
