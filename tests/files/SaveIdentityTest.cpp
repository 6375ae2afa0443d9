// Saving over a file keeps what makes it that file: its other names, owner, group,
// permission bits, extended attributes and ACLs, its symbolic link; a file the saver may
// not write is refused. Both saves, WAVE and the mixer's settings file, share the way.
// The cases that need two users run as root, the second user in a forked child.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <sys/xattr.h>

#include <functional>

#include "WaveBytes.h"
#include "files/WaveWriter.h"
#include "mixer/MixerSettingsFile.h"

using namespace wavebytes;

namespace {
constexpr uid_t kSaver = 65534;  // the user a child saves as
constexpr uid_t kThird = 65533;  // a user who saves nothing

struct stat Stat(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st;
}

// Runs `act` as kSaver (uid and gid) in a child; returns what it returned.
std::string AsSaver(const std::function<std::string()>& act) {
  int fds[2];
  if (pipe(fds) != 0) return "no pipe";
  if (fork() == 0) {
    const bool became = setgroups(0, nullptr) == 0 && setresgid(kSaver, kSaver, kSaver) == 0 &&
                        setresuid(kSaver, kSaver, kSaver) == 0;
    const std::string out = became ? act() : "cannot become the saver";
    (void)!write(fds[1], out.data(), out.size());
    _exit(0);
  }
  close(fds[1]);
  std::string out;
  char buffer[512];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
    out.append(buffer, std::size_t(n));
  close(fds[0]);
  wait(nullptr);
  return out;
}

// The two saves: each gives "" or the window's text for its failure.
std::string SaveWave(const std::string& path) {
  static const Bytes sound = Pcm(1601, 4);
  return WaveSaveStatusText(
      WaveWriter::SaveFile(path, {1, 1, 8000, 8000, 1, 8, 0}, sound.data(), 1601));
}

std::string SaveSettings(const std::string& path) {
  SpectrumMemory memory;
  MemorySlot slot;
  slot.Freq = 440, slot.Harmonics.HarmCount = 1, slot.Harmonics.Amplitude[1] = 100;
  memory.Store(3, slot);
  return MixerSettingsFile::Save(path, memory).text;
}

// "d/take" with old contents in a scratch directory that everyone may enter.
struct Scene {
  Scene() {
    chmod(scratch.Path().c_str(), 0755);
    mkdir(dir.c_str(), 0755);
    WriteAll(file, old);
  }
  ScratchDir scratch;
  std::string dir = scratch / "d", file = dir + "/take";
  Bytes old = Pcm(300, 9);
};
}  // namespace

TEST(SaveIdentity, EachWayOfHoldingAFileIsKept) {
  for (const auto save : {SaveWave, SaveSettings}) {
    ScratchDir fresh;
    ASSERT_EQ(save(fresh / "new"), "");
    const Bytes saved = ReadAll(fresh / "new");
    const auto refusal = [save](const std::string& path) {
      return save == SaveWave ? "No File"
                              : "Cannot create file \"" + path + "\": Permission denied";
    };
    {  // a plain file, 0600: replaced by a rename, its mode kept, nothing else left
      Scene sc;
      chmod(sc.file.c_str(), 0600);
      const ino_t before = Stat(sc.file).st_ino;
      ASSERT_EQ(save(sc.file), "");
      EXPECT_EQ(ReadAll(sc.file), saved);
      EXPECT_NE(Stat(sc.file).st_ino, before);
      EXPECT_EQ(Stat(sc.file).st_mode & 07777, 0600u);
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sc.dir), {}), 1);
    }
    {  // a second hard link sees the new contents
      Scene sc;
      ASSERT_EQ(link(sc.file.c_str(), (sc.dir + "/other").c_str()), 0);
      ASSERT_EQ(save(sc.file), "");
      EXPECT_EQ(ReadAll(sc.dir + "/other"), saved);
    }
    {  // a user attribute and an ACL granting a named user read and write
      Scene sc;
      Bytes acl = U32(2);
      for (const auto& [tag, perm, id] :
           {std::tuple{1, 6, ~0u}, {2, 6, kThird}, {4, 4, ~0u}, {0x10, 6, ~0u}, {0x20, 4, ~0u}})
        acl = acl + U16(std::uint16_t(tag)) + U16(std::uint16_t(perm)) + U32(id);
      if (setxattr(sc.file.c_str(), "user.kelvor", "take 3", 6, 0) != 0 ||
          setxattr(sc.file.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
        std::printf("skipped: this file system keeps no user attributes or ACLs\n");
      } else {
        ASSERT_EQ(save(sc.file), "");
        EXPECT_EQ(ReadAll(sc.file), saved);
        Bytes back(64);
        back.resize(std::size_t(std::max<ssize_t>(
            0, getxattr(sc.file.c_str(), "system.posix_acl_access", back.data(), back.size()))));
        EXPECT_EQ(back, acl);
        EXPECT_EQ(getxattr(sc.file.c_str(), "user.kelvor", back.data(), back.size()), 6);
      }
    }
    {  // write-protected: refused, the file as it was
      Scene sc;
      chmod(sc.file.c_str(), 0444);
      EXPECT_EQ(save(sc.file), refusal(sc.file));
      EXPECT_EQ(ReadAll(sc.file), sc.old);
    }
    {  // through a symbolic link: the link stays, the file it names gets the sound
      Scene sc;
      ASSERT_EQ(symlink("d/take", (sc.scratch / "link").c_str()), 0);
      ASSERT_EQ(save(sc.scratch / "link"), "");
      struct stat st {};
      EXPECT_TRUE(lstat((sc.scratch / "link").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
      EXPECT_EQ(ReadAll(sc.file), saved);
    }
    if (geteuid() != 0) {
      std::printf("skipped the cases of other owners: they need root to act as two users\n");
      continue;
    }
    {  // another owner and group, set-user-ID: written by root in place, all of it stays
      Scene sc;
      ASSERT_EQ(chown(sc.file.c_str(), kSaver, kSaver), 0);
      chmod(sc.file.c_str(), 04750);
      const ino_t before = Stat(sc.file).st_ino;
      ASSERT_EQ(save(sc.file), "");
      EXPECT_EQ(ReadAll(sc.file), saved);
      const struct stat st = Stat(sc.file);
      EXPECT_EQ(st.st_ino, before);
      EXPECT_TRUE(st.st_uid == kSaver && st.st_gid == kSaver && (st.st_mode & 07777) == 04750);
    }
    {  // the saver's file in a directory that takes no new file; a new file there is
       // refused with the real reason
      Scene sc;
      ASSERT_EQ(chown(sc.file.c_str(), kSaver, kSaver), 0);
      const std::string added = sc.dir + "/new";
      EXPECT_EQ(AsSaver([&] { return save(sc.file) + "|" + save(added); }), "|" + refusal(added));
      EXPECT_EQ(ReadAll(sc.file), saved);
    }
    {  // another user's 0666 file in a sticky directory everyone may write
      Scene sc;
      chmod(sc.dir.c_str(), 01777);
      ASSERT_EQ(chown(sc.file.c_str(), kThird, kThird), 0);
      chmod(sc.file.c_str(), 0666);
      EXPECT_EQ(AsSaver([&] { return save(sc.file); }), "");
      EXPECT_EQ(ReadAll(sc.file), saved);
      EXPECT_EQ(Stat(sc.file).st_uid, kThird);
    }
  }
}
