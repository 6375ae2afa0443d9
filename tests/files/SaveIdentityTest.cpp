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
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const bool became = setgroups(0, nullptr) == 0 && setresgid(kSaver, kSaver, kSaver) == 0 &&
                        setresuid(kSaver, kSaver, kSaver) == 0;
    const std::string out = became ? act() : "cannot become the saver";
    (void)!write(fds[1], out.data(), out.size());
    _exit(0);
  }
  close(fds[1]);
  std::string out;
  char buffer[512];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, std::size_t(n));
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  return out;
}

// One of the two saves: "" on success, else the text the window would show.
struct Saver {
  std::function<std::string(const std::string&)> save;
  Bytes bytes;  // what a successful save leaves in the file
  std::string refusal;  // the text for a file that cannot be created, with {} for the path
};

std::vector<Saver> Savers(const ScratchDir& scratch) {
  static const Bytes sound = Pcm(1601, 4);
  const auto wave = [](const std::string& path) -> std::string {
    const WAVEFORMATEX mono8{1, 1, 8000, 8000, 1, 8, 0};
    return WaveSaveStatusText(WaveWriter::SaveFile(path, mono8, sound.data(), 1601));
  };
  const auto f2t = [](const std::string& path) {
    SpectrumMemory memory;
    MemorySlot slot;
    slot.Freq = 440, slot.Volume = 10, slot.Harmonics.HarmCount = 1;
    slot.Harmonics.Amplitude[1] = 100;
    memory.Store(3, slot);
    return MixerSettingsFile::Save(path, memory).text;
  };
  std::vector<Saver> savers = {{wave, {}, "No File"},
                               {f2t, {}, "Cannot create file \"{}\": Permission denied"}};
  for (Saver& s : savers) {
    EXPECT_EQ(s.save(scratch / "fresh"), "");
    s.bytes = ReadAll(scratch / "fresh");
  }
  return savers;
}

std::string Refusal(const Saver& s, const std::string& path) {
  std::string text = s.refusal;
  if (const auto at = text.find("{}"); at != std::string::npos) text.replace(at, 2, path);
  return text;
}

// A directory "d" of mode 0755 in a scratch directory that everyone may enter, holding
// "take" with old contents.
struct Scene {
  Scene() {
    chmod(scratch.Path().c_str(), 0755);
    mkdir(dir.c_str(), 0755);
    WriteAll(file, old);
  }
  ScratchDir scratch;
  std::string dir = scratch / "d";
  std::string file = dir + "/take";
  Bytes old = Pcm(300, 9);
};
}  // namespace

TEST(SaveIdentity, EachWayOfHoldingAFileIsKept) {
  const bool root = geteuid() == 0;
  ScratchDir fresh;
  for (const Saver& s : Savers(fresh)) {
    {  // a plain file, 0600: replaced by a rename, its mode kept
      Scene sc;
      chmod(sc.file.c_str(), 0600);
      const ino_t before = Stat(sc.file).st_ino;
      ASSERT_EQ(s.save(sc.file), "");
      EXPECT_EQ(ReadAll(sc.file), s.bytes);
      EXPECT_NE(Stat(sc.file).st_ino, before);
      EXPECT_EQ(Stat(sc.file).st_mode & 07777, 0600u);
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sc.dir), {}), 1);
    }
    {  // a second hard link sees the new contents
      Scene sc;
      ASSERT_EQ(link(sc.file.c_str(), (sc.dir + "/other").c_str()), 0);
      ASSERT_EQ(s.save(sc.file), "");
      EXPECT_EQ(ReadAll(sc.dir + "/other"), s.bytes);
      EXPECT_EQ(Stat(sc.file).st_nlink, 2u);
    }
    {  // a user attribute and an ACL granting a named user read and write
      Scene sc;
      const Bytes acl = U32(2) + U16(0x01) + U16(6) + U32(~0u) + U16(0x02) + U16(6) + U32(kThird) +
                        U16(0x04) + U16(4) + U32(~0u) + U16(0x10) + U16(6) + U32(~0u) +
                        U16(0x20) + U16(4) + U32(~0u);
      if (setxattr(sc.file.c_str(), "user.kelvor", "take 3", 6, 0) != 0 ||
          setxattr(sc.file.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
        std::printf("skipped the attribute case: this file system keeps no user attributes "
                    "or ACLs\n");
      } else {
        ASSERT_EQ(s.save(sc.file), "");
        EXPECT_EQ(ReadAll(sc.file), s.bytes);
        char value[16] = {};
        EXPECT_EQ(getxattr(sc.file.c_str(), "user.kelvor", value, sizeof value), 6);
        EXPECT_STREQ(value, "take 3");
        Bytes back(acl.size() + 8);
        back.resize(std::size_t(std::max<ssize_t>(
            0, getxattr(sc.file.c_str(), "system.posix_acl_access", back.data(), back.size()))));
        EXPECT_EQ(back, acl);
      }
    }
    {  // write-protected: refused, the file as it was
      Scene sc;
      chmod(sc.file.c_str(), 0444);
      EXPECT_EQ(s.save(sc.file), Refusal(s, sc.file));
      EXPECT_EQ(ReadAll(sc.file), sc.old);
      EXPECT_EQ(Stat(sc.file).st_mode & 07777, 0444u);
    }
    {  // through a symbolic link: the link stays, the file it names gets the sound
      Scene sc;
      ASSERT_EQ(symlink("d/take", (sc.scratch / "link").c_str()), 0);
      ASSERT_EQ(s.save(sc.scratch / "link"), "");
      struct stat st {};
      ASSERT_EQ(lstat((sc.scratch / "link").c_str(), &st), 0);
      EXPECT_TRUE(S_ISLNK(st.st_mode));
      EXPECT_EQ(ReadAll(sc.file), s.bytes);
    }
    if (!root) {
      std::printf("skipped the cases of other owners: they need root to act as two users\n");
      continue;
    }
    {  // another owner and group, 0640, set-user-ID too: both stay, written by root
      Scene sc;
      ASSERT_EQ(chown(sc.file.c_str(), kSaver, kSaver), 0);
      chmod(sc.file.c_str(), 04750);
      const ino_t before = Stat(sc.file).st_ino;
      ASSERT_EQ(s.save(sc.file), "");
      EXPECT_EQ(Stat(sc.file).st_ino, before);
      EXPECT_EQ(ReadAll(sc.file), s.bytes);
      const struct stat st = Stat(sc.file);
      EXPECT_EQ(st.st_uid, kSaver);
      EXPECT_EQ(st.st_gid, kSaver);
      EXPECT_EQ(st.st_mode & 0777, 0750u);
      EXPECT_FALSE((st.st_mode & (S_ISUID | S_ISGID)) && st.st_uid == 0) << "set-ID moved to root";
    }
    {  // the saver's own file in a directory that takes no new file; a new file there is
       // refused with the real reason
      Scene sc;
      ASSERT_EQ(chown(sc.file.c_str(), kSaver, kSaver), 0);
      const std::string added = sc.dir + "/new";
      EXPECT_EQ(AsSaver([&] { return s.save(sc.file) + "|" + s.save(added); }),
                "|" + Refusal(s, added));
      EXPECT_EQ(ReadAll(sc.file), s.bytes);
      EXPECT_EQ(Stat(sc.file).st_uid, kSaver);
    }
    {  // another user's 0666 file in a sticky directory everyone may write
      Scene sc;
      chmod(sc.dir.c_str(), 01777);
      ASSERT_EQ(chown(sc.file.c_str(), kThird, kThird), 0);
      chmod(sc.file.c_str(), 0666);
      EXPECT_EQ(AsSaver([&] { return s.save(sc.file); }), "");
      EXPECT_EQ(ReadAll(sc.file), s.bytes);
      EXPECT_EQ(Stat(sc.file).st_uid, kThird);
    }
  }
}
