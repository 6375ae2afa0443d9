#include "files/FileByteSink.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "WaveBytes.h"

using namespace wavebytes;

namespace {
// Writes `bytes` through a new sink for `path` and commits.
FileByteSink::CommitResult Store(const std::string& path, const Bytes& bytes) {
  auto sink = FileByteSink::Create(path);
  EXPECT_NE(sink, nullptr);
  if (!sink) return FileByteSink::CommitResult::RenameFailed;
  EXPECT_EQ(sink->Write(bytes.data(), bytes.size()), bytes.size());
  return sink->Commit();
}
}  // namespace

TEST(FileByteSink, Commit_ReplacesTargetKeepingItsModeAndLeavesNoTemp) {
  ScratchDir dir;
  const std::string target = dir / "take.wav";
  WriteAll(target, Pcm(100, 1));
  chmod(target.c_str(), 0640);
  ASSERT_EQ(Store(target, Pcm(50, 2)), FileByteSink::CommitResult::Done);
  EXPECT_EQ(ReadAll(target), Pcm(50, 2));
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"take.wav"});
}

TEST(FileByteSink, Destroy_WithoutCommitLeavesTargetUntouched) {
  ScratchDir dir;
  const std::string target = dir / "take.wav";
  WriteAll(target, Pcm(100, 1));
  {
    auto sink = FileByteSink::Create(target);
    ASSERT_NE(sink, nullptr);
    sink->Write(Pcm(10).data(), 10);
    EXPECT_EQ(dir.Names().size(), 2u);  // the temporary file lies beside the target
  }
  EXPECT_EQ(ReadAll(target), Pcm(100, 1));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"take.wav"});
}

TEST(FileByteSink, Create_FollowsSymlinkAndRefusesNonFiles) {
  ScratchDir dir;
  mkdir((dir / "real").c_str(), 0755);
  WriteAll(dir / "real/take.wav", Pcm(4));
  ASSERT_EQ(symlink("real/take.wav", (dir / "link.wav").c_str()), 0);
  ASSERT_EQ(Store(dir / "link.wav", Pcm(8, 3)), FileByteSink::CommitResult::Done);
  struct stat st {};
  ASSERT_EQ(lstat((dir / "link.wav").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadAll(dir / "real/take.wav"), Pcm(8, 3));

  EXPECT_EQ(FileByteSink::Create(dir / "real"), nullptr);
  EXPECT_EQ(FileByteSink::Create(dir / "missing/take.wav"), nullptr);
  ASSERT_EQ(symlink("loop.wav", (dir / "loop.wav").c_str()), 0);
  EXPECT_EQ(FileByteSink::Create(dir / "loop.wav"), nullptr);
}

TEST(FileByteSink, InjectFaults_FailOnceAtTheChosenStep) {
  ScratchDir dir;
  const std::string target = dir / "take.wav";
  WriteAll(target, Pcm(100, 1));

  FileByteSink::InjectFaults({.failCreate = true});
  EXPECT_EQ(FileByteSink::Create(target), nullptr);

  FileByteSink::InjectFaults({.writeLimit = 7});
  {
    auto sink = FileByteSink::Create(target);
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(sink->Write(Pcm(5).data(), 5), 5u);
    EXPECT_EQ(sink->Write(Pcm(5).data(), 5), 2u);  // disk full after 7 bytes
    EXPECT_EQ(sink->Write(Pcm(5).data(), 5), 0u);
  }
  FileByteSink::InjectFaults({.failSync = true});
  EXPECT_EQ(Store(target, Pcm(9)), FileByteSink::CommitResult::SyncFailed);
  FileByteSink::InjectFaults({.failRename = true});
  EXPECT_EQ(Store(target, Pcm(9)), FileByteSink::CommitResult::RenameFailed);

  EXPECT_EQ(ReadAll(target), Pcm(100, 1));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"take.wav"});
  // The hook disarmed itself.
  EXPECT_EQ(Store(target, Pcm(9)), FileByteSink::CommitResult::Done);
}

// In place (a file with a second link): whatever stops the save after the first write (a
// full disk, a failed flush, a sink given up) puts the old contents back, at the old
// length, into the same file; a commit cuts a longer old file to the new length.
TEST(FileByteSink, InPlace_FailureRestoresTheOldContents) {
  ScratchDir dir;
  const std::string target = dir / "take.wav", other = dir / "other.wav";
  const Bytes old = Pcm(5000, 1);
  WriteAll(target, old);
  ASSERT_EQ(link(target.c_str(), other.c_str()), 0);
  const auto ino = [](const std::string& p) {
    struct stat st {};
    stat(p.c_str(), &st);
    return st.st_ino;
  };
  const ino_t before = ino(target);
  for (int variant = 0; variant < 3; ++variant) {
    FileByteSink::InjectFaults({.writeLimit = variant == 0 ? 7000 : -1, .failSync = variant == 1});
    auto sink = FileByteSink::Create(target, 8000);
    ASSERT_NE(sink, nullptr);
    EXPECT_TRUE(sink->InPlace());
    EXPECT_EQ(sink->Write(Pcm(8000, 2).data(), 8000), variant == 0 ? 7000u : 8000u);
    if (variant == 1) {
      EXPECT_EQ(sink->Commit(), FileByteSink::CommitResult::SyncFailed);
    }
    sink.reset();
    EXPECT_EQ(ReadAll(other), old) << variant;
    EXPECT_EQ(ino(target), before);
  }
  ASSERT_EQ(Store(target, Pcm(100, 3)), FileByteSink::CommitResult::Done);
  EXPECT_EQ(ReadAll(other), Pcm(100, 3));
  EXPECT_EQ(dir.Names().size(), 2u);
}
