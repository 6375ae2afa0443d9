#pragma once
// A ByteSource over a regular file, read with POSIX calls. The path is a UTF-8 byte
// string of any length. Anything but a regular file (a directory, a FIFO, a device) is
// refused at Open, so that reading can neither block nor run forever. One thread at a
// time.

#include <memory>
#include <string>

#include "files/ByteSource.h"

class FileByteSource : public ByteSource {
public:
  // Opens `path` for reading; nullptr (errno set) when it cannot be opened or is not a
  // regular file.
  static std::unique_ptr<FileByteSource> Open(const std::string& path);
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  std::int64_t Size() const override;
  std::int64_t Tell() const override;
  bool Seek(std::int64_t position) override;
  std::int64_t Read(std::uint8_t* buffer, std::size_t count) override;
  // Skips the file's holes (SEEK_DATA/SEEK_HOLE); reads everything where the file
  // system cannot tell them.
  std::int64_t ReadOverZeros(std::uint8_t* buffer, std::size_t count) override;

private:
  FileByteSource(int fd, std::int64_t size) : fd_(fd), size_(size) {}

  int fd_;
  std::int64_t size_;  // taken when the file was opened
  std::int64_t position_ = 0;
};
