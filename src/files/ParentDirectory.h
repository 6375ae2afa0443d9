#pragma once
// The directory that holds the last component of a path, open as a descriptor, so that
// the file layer can open, create and rename relative to it (openat, renameat) whatever
// the path's length: a directory path longer than PATH_MAX is opened one component at a
// time. Paths are UTF-8 byte strings; nothing is decoded. One thread at a time.

#include <string>

class ParentDirectory {
public:
  ParentDirectory() = default;
  ~ParentDirectory();
  ParentDirectory(const ParentDirectory&) = delete;
  ParentDirectory& operator=(const ParentDirectory&) = delete;

  // Opens the directory part of `path` ("." for a bare name). False, with errno set, when
  // the path is empty, ends in '/', or its directory cannot be opened. May be called again
  // to move on to another path.
  bool Open(const std::string& path);

  int Fd() const { return fd_; }
  // The last component, to be used with Fd() in the *at calls.
  const std::string& Name() const { return name_; }
  // The directory part as given ("." for a bare name, "/" for the root).
  const std::string& DirPath() const { return dirPath_; }

private:
  void Close();

  int fd_ = -1;
  std::string name_;
  std::string dirPath_;
};
