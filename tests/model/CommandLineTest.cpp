// The program's arguments: what each form asks for, and the one-line refusals.

#include "model/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {
using Mode = CommandLine::Mode;

TEST(CommandLine, WindowWithOrWithoutFileAndScreenshot) {
  EXPECT_EQ(CommandLine::Parse({}).mode, Mode::Window);
  EXPECT_TRUE(CommandLine::Parse({}).file.empty());
  CommandLine c = CommandLine::Parse({"a b.wav"});
  EXPECT_EQ(c.mode, Mode::Window);
  EXPECT_EQ(c.file, "a b.wav");
  c = CommandLine::Parse({"--screenshot", "out.png", "x.wav"});
  EXPECT_EQ(c.mode, Mode::Window);
  EXPECT_EQ(c.screenshot, "out.png");
  EXPECT_EQ(c.file, "x.wav");
  c = CommandLine::Parse({"--screenshot=o.png", "--mixer"});
  EXPECT_EQ(c.screenshot, "o.png");
  EXPECT_TRUE(c.mixer && c.file.empty());
  // After "--" a name that looks like an option is a file.
  c = CommandLine::Parse({"--", "--help"});
  EXPECT_EQ(c.mode, Mode::Window);
  EXPECT_EQ(c.file, "--help");
}

TEST(CommandLine, VersionAndHelpWinOverWhatFollows) {
  EXPECT_EQ(CommandLine::Parse({"--version"}).mode, Mode::Version);
  EXPECT_EQ(CommandLine::Parse({"--help"}).mode, Mode::Help);
  EXPECT_EQ(CommandLine::Parse({"x.wav", "--help", "--bogus"}).mode, Mode::Help);
  EXPECT_EQ(CommandLine::VersionLine("0.1"), "kelvor 0.1");
}

TEST(CommandLine, HelpIsSeveralLinesThatFitATerminal) {
  std::istringstream usage(CommandLine::Usage());
  int lines = 0;
  for (std::string line; std::getline(usage, line); ++lines) EXPECT_LT(line.size(), 80u) << line;
  EXPECT_GT(lines, 3);
}

TEST(CommandLine, AnalyseTakesSizesTheViewOffers) {
  CommandLine c = CommandLine::Parse({"--analyse", "x.wav"});
  EXPECT_EQ(c.mode, Mode::Analyse);
  EXPECT_EQ(c.file, "x.wav");
  EXPECT_EQ(c.fftSize, 512u);
  for (const char* n : {"256", "512", "1024", "2048", "4096"}) {
    c = CommandLine::Parse({"--size", n, "--analyse", "x.wav"});
    ASSERT_EQ(c.mode, Mode::Analyse) << n;
    EXPECT_EQ(c.fftSize, std::uint32_t(std::stoul(n)));
  }
  EXPECT_EQ(CommandLine::Parse({"--analyse=x.wav", "--size=2048"}).fftSize, 2048u);
  for (const char* n :
       {"128", "8192", "300", "0", "-512", "+512", "512x", "0x200", "99999999999999999999"}) {
    c = CommandLine::Parse({"--analyse", "x.wav", std::string("--size=") + n});
    EXPECT_EQ(c.mode, Mode::Error) << n;
    EXPECT_NE(c.error.find("power of two from 256 to 4096"), std::string::npos) << n << c.error;
  }
}

TEST(CommandLine, RefusalsSayWhatIsWrongOnOneLine) {
  const std::vector<std::vector<std::string>> bad{{"--bogus"},
                                                  {"--screenshot"},
                                                  {"--analyse"},
                                                  {"--size", "512"},
                                                  {"a.wav", "b.wav"},
                                                  {"--analyse", "a.wav", "b.wav"},
                                                  {"--version=2"},
                                                  {"--analyse", "a", "--screenshot", "p.png"},
                                                  {"--analyse", "a", "--analyse", "b"},
                                                  {"--screenshot="},
                                                  {"--mixer=yes"},
                                                  {"--analyse", "a", "--mixer"}};
  for (const auto& args : bad) {
    const CommandLine c = CommandLine::Parse(args);
    EXPECT_EQ(c.mode, Mode::Error) << args.front();
    EXPECT_FALSE(c.error.empty());
    EXPECT_EQ(c.error.find('\n'), std::string::npos);
    EXPECT_FALSE(c.toolkitOption);
  }
  // A single dash may be the toolkit's (-platform offscreen); the caller decides.
  const CommandLine c = CommandLine::Parse({"-platform", "offscreen"});
  EXPECT_EQ(c.mode, Mode::Error);
  EXPECT_TRUE(c.toolkitOption);
}

}  // namespace
