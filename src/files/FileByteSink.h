#pragma once
// A ByteSink that writes a new version of a file safely: the bytes go to a temporary file
// in the target's directory, and only Commit() flushes it to disk and renames it over the
// target. Until then the target (if any) is untouched; a sink destroyed without a
// successful Commit() removes its temporary file. Paths are UTF-8 byte strings of any
// length; a target that is a symbolic link is followed, so the link stays a link.
// Long writes start going to disk as they are made (write-behind), so that the disk works
// while later bytes are still being copied and Commit() has less left to flush.
// GUI thread only (the test hook is not synchronised).

#include <memory>
#include <string>

#include "files/ByteSink.h"
#include "files/ParentDirectory.h"

class FileByteSink : public ByteSink {
 public:
  // Test hook: failures that the next Create() and the sink it makes will meet, as a full
  // disk or a failing file system would cause them. InjectFaults arms the next Create()
  // only; that call disarms the hook.
  struct Faults {
    bool failCreate = false;      // the temporary file cannot be created
    std::int64_t writeLimit = -1;  // bytes accepted over all writes before the disk is full
    bool failSync = false;        // flushing to disk fails in Commit()
    bool failRename = false;      // the rename over the target fails in Commit()
  };
  static void InjectFaults(const Faults& faults);

  enum class CommitResult {
    Done,
    SyncFailed,    // the bytes may not be on disk; the target is untouched
    RenameFailed,  // the target could not be replaced; it is untouched
  };

  // Starts a new version of `targetPath`. nullptr (errno set) when the target exists but
  // is not a regular file, its directory cannot be opened, or the temporary file cannot be
  // created there.
  static std::unique_ptr<FileByteSink> Create(const std::string& targetPath);
  ~FileByteSink() override;
  FileByteSink(const FileByteSink&) = delete;
  FileByteSink& operator=(const FileByteSink&) = delete;

  std::int64_t Tell() const override { return position_; }
  bool Seek(std::int64_t position) override;
  std::size_t Write(const std::uint8_t* data, std::size_t count) override;

  // Flushes the temporary file to disk, renames it over the target and flushes the
  // directory. Call once, after the last write.
  CommitResult Commit();

 private:
  FileByteSink() = default;
  void WriteBehind();

  ParentDirectory dir_;  // the target's directory; the temp file and the target live here
  std::string tempName_;
  int fd_ = -1;
  bool committed_ = false;
  std::int64_t position_ = 0;
  std::int64_t written_ = 0;
  std::int64_t flushStarted_ = 0;  // write-out requested for the bytes below this offset
  bool flushFailed_ = false;       // starting a write-out failed; Commit() must fail too
  Faults faults_;
};
