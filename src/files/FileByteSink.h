#pragma once
// A ByteSink that writes a new version of a file without losing the old one, and keeps
// the identity of the file it replaces. Paths are UTF-8 byte strings of any length; a
// target that is a symbolic link is followed, so the link stays a link.
//
// Two ways, chosen by Create from what is there:
// - Replace, for a new file or a plain one (one link, owned by the saver with the group a
//   new file gets, no extended attributes, in a directory that takes a new file): the
//   bytes go to a temporary file beside the target, and only Commit() flushes it to disk
//   and renames it over the target, with the target's permission bits. Until then the
//   target is untouched; a sink destroyed without a successful Commit() removes the
//   temporary file.
// - In place, for a file whose identity a rename would lose (other hard links, another
//   owner or group, extended attributes or ACLs) or whose directory refuses a new file:
//   the file's old contents are read into memory first and room for the new length is
//   reserved on disk; the writes then go into the file itself, and Commit() cuts it to
//   the new length and flushes it. A failed or abandoned save writes the old contents
//   back, so the file ends as it was. (A crash in the middle leaves it half written: only
//   the rename is atomic.)
// A target that the saver may not write (e.g. mode 0444) is refused at Create, both ways.
// A file whose owner or group is not the saver's never reaches the rename, so set-user-ID
// and set-group-ID bits are never carried to a file of another owner.
//
// Long writes start going to disk as they are made (write-behind), so that the disk works
// while later bytes are still being copied and Commit() has less left to flush.
// GUI thread only (the test hook is not synchronised).

#include <memory>
#include <string>

#include "base/HeapPtr.h"
#include "files/ByteSink.h"
#include "files/ParentDirectory.h"

class FileByteSink : public ByteSink {
public:
  // Test hook: failures that the next Create() and the sink it makes will meet, as a full
  // disk or a failing file system would cause them. InjectFaults arms the next Create()
  // only; that call disarms the hook.
  struct Faults {
    bool failCreate = false;       // the temporary file cannot be created
    std::int64_t writeLimit = -1;  // bytes accepted over all writes before the disk is full
    bool failSync = false;         // flushing to disk fails in Commit()
    bool failRename = false;       // the rename over the target fails in Commit()
  };
  static void InjectFaults(const Faults& faults);

  enum class CommitResult {
    Done,
    SyncFailed,    // the bytes may not be on disk; the target is as it was
    RenameFailed,  // the target could not be replaced; it is untouched
  };

  // Starts a new version of `targetPath`, whose final length will be `finalBytes` when
  // known (-1 if not): an in-place save reserves that much before it changes anything.
  // nullptr, with errno set to the system's reason, when the target exists but is not a
  // regular file or may not be written, its directory cannot be opened, the new file
  // cannot be created there, or (in place) the old contents cannot be kept or the room
  // reserved.
  static std::unique_ptr<FileByteSink> Create(const std::string& targetPath,
                                              std::int64_t finalBytes = -1);
  ~FileByteSink() override;
  FileByteSink(const FileByteSink&) = delete;
  FileByteSink& operator=(const FileByteSink&) = delete;

  std::int64_t Tell() const override { return position_; }
  bool Seek(std::int64_t position) override;
  std::size_t Write(const std::uint8_t* data, std::size_t count) override;

  // Replace: flushes the temporary file, renames it over the target and flushes the
  // directory. In place: cuts the file to the bytes written and flushes it; on failure
  // the old contents go back. Call once, after the last write.
  CommitResult Commit();

  // True when the writes go into the target itself (for tests and the report).
  bool InPlace() const { return inPlace_; }

private:
  FileByteSink() = default;
  bool OpenInPlace(std::int64_t finalBytes);
  void WriteBehind();
  // In place: the old contents back, at their old length, flushed.
  void Restore();

  ParentDirectory dir_;   // the target's directory; the temp file and the target live here
  std::string tempName_;  // Replace: set once the temporary file exists
  int fd_ = -1;
  bool committed_ = false;
  bool inPlace_ = false;
  HeapBytes kept_;              // in place: the old contents
  std::int64_t keptBytes_ = 0;  // in place: their length
  std::int64_t position_ = 0;
  std::int64_t written_ = 0;
  std::int64_t end_ = 0;           // the furthest byte written, +1
  std::int64_t flushStarted_ = 0;  // write-out requested for the bytes below this offset
  bool flushFailed_ = false;       // starting a write-out failed; Commit() must fail too
  Faults faults_;
};
