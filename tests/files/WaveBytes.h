#pragma once
// Builders of RIFF WAVE files as byte vectors, for the file tests, and a scratch directory.

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace wavebytes {
using Bytes = std::vector<std::uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline Bytes U16(std::uint16_t v) { return {std::uint8_t(v), std::uint8_t(v >> 8)}; }
inline Bytes U32(std::uint32_t v) {
  return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}
inline Bytes Id(const char* id) { return Bytes(id, id + 4); }

// A chunk with its pad byte; `size` overrides the size field.
inline Bytes Chunk(const char* id, const Bytes& body, std::optional<std::uint32_t> size = {}) {
  Bytes c = Id(id) + U32(size.value_or(std::uint32_t(body.size()))) + body;
  if (body.size() % 2) c.push_back(0);
  return c;
}

inline Bytes Riff(const Bytes& children, std::optional<std::uint32_t> size = {},
                  const char* form = "WAVE") {
  return Id("RIFF") + U32(size.value_or(std::uint32_t(children.size() + 4))) + Id(form) + children;
}

inline Bytes FmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                     std::uint16_t bits, std::uint16_t block, std::size_t extra = 0) {
  Bytes b = U16(tag) + U16(channels) + U32(rate) + U32(rate * block) + U16(block) + U16(bits);
  for (std::size_t i = 0; i < extra; ++i) b.push_back(std::uint8_t(0xE0 + i));
  return b;
}

inline Bytes Pcm(std::size_t n, unsigned seed = 1) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = std::uint8_t((i * 37 + seed * 11) ^ (i >> 8));
  return b;
}

inline Bytes ListChunk() {
  return Chunk("LIST", Id("INFO") + Chunk("INAM", {'t', 'a', 'k', 'e', 0}));
}

// RIFF, 16-byte fmt, data: the common 44-byte header.
inline Bytes Standard(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                      const Bytes& data) {
  return Riff(Chunk("fmt ", FmtBody(1, channels, rate, bits, channels * bits / 8)) +
              Chunk("data", data));
}

inline Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Removes a tree through descriptors, so that paths beyond PATH_MAX go too.
inline void RemoveTreeAt(int parent, const std::string& name) {
  const int fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    unlinkat(parent, name.c_str(), 0);
    return;
  }
  DIR* dir = fdopendir(fd);
  std::vector<std::string> names;
  while (const dirent* e = readdir(dir))
    if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
  for (const auto& n : names)
    if (unlinkat(dirfd(dir), n.c_str(), 0) != 0) RemoveTreeAt(dirfd(dir), n);
  closedir(dir);
  unlinkat(parent, name.c_str(), AT_REMOVEDIR);
}

// Makes `depth` nested directories of 200-byte names below `base`; returns the full path,
// which is longer than PATH_MAX for depth 21 or more.
inline std::string MakeDeepDir(const std::string& base, int depth) {
  std::string path = base;
  int fd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int i = 0; i < depth && fd >= 0; ++i) {
    const std::string name = std::to_string(i) + std::string(200, 'd');
    mkdirat(fd, name.c_str(), 0755);
    const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(fd);
    fd = next;
    path += "/" + name;
  }
  if (fd >= 0) close(fd);
  return path;
}

// A fresh directory under the system's temporary directory, removed with its contents.
class ScratchDir {
public:
  ScratchDir() {
    std::string pattern = std::filesystem::temp_directory_path() / "kelvor-files-XXXXXX";
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchDir() { RemoveTreeAt(AT_FDCWD, path_); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_))
      names.push_back(e.path().filename());
    return names;
  }

private:
  std::string path_;
};
}  // namespace wavebytes
