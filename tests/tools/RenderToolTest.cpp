#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ImageFixtures.h"
#include "PlatformTestSupport.h"
#include "engine/SectionRenderer.h"
#include "imaging/BitmapWriter.h"

namespace skyrelle::tools {
namespace {

using namespace test_support;

class RenderToolTest : public ::testing::Test {
 protected:
  RenderToolTest() {
    const TPngOptions options{.ColourType = 2, .BitDepth = 8};
    std::vector<std::uint16_t> values;
    for (int i = 0; i < 30 * 8 * 3; ++i) values.push_back(static_cast<std::uint16_t>(i * 7 % 256));
    FPicture = FFolder.Write("wide.png", EncodePng(30, 8, options, values));
    FOutput = FFolder / "out.bmp";
  }

  // Runs skyrelle-render with Arguments, capturing both outputs.
  static TProgramRun Render(const std::vector<std::string>& Arguments) {
    std::vector<std::string> command{SKYRELLE_RENDER};
    command.insert(command.end(), Arguments.begin(), Arguments.end());
    return RunProgram(command);
  }

  TTempFolder FFolder;
  std::string FPicture;
  std::string FOutput;
};

TEST_F(RenderToolTest, RendersTheNumberedSectionLikeTheEngine) {
  // Section 3 of 5 is section index 2.
  const TProgramRun run =
      Render({FPicture, "--screen", "12x5", "--section", "3", "--steps", "5", "-o", FOutput});
  ASSERT_EQ(run.ExitCode, 0) << run.ErrorOutput;
  EXPECT_EQ(run.ErrorOutput, "");
  const std::string reference = FFolder / "reference.bmp";
  engine::RenderSection(FPicture, 12, 5, 2, 5, reference);
  EXPECT_EQ(ReadFile(FOutput), ReadFile(reference));
}

TEST_F(RenderToolTest, StepsDefaultToEight) {
  ASSERT_EQ(Render({"--section", "8", "-o", FOutput, "--screen", "12x5", FPicture}).ExitCode, 0);
  const std::string reference = FFolder / "reference.bmp";
  engine::RenderSection(FPicture, 12, 5, 7, 8, reference);
  EXPECT_EQ(ReadFile(FOutput), ReadFile(reference));
}

TEST_F(RenderToolTest, SaysWhenThePictureIsSmallerThanTheScreen) {
  const TProgramRun wider = Render({FPicture, "--screen", "40x5", "--section", "1", "-o", FOutput});
  ASSERT_EQ(wider.ExitCode, 0) << wider.ErrorOutput;
  EXPECT_EQ(wider.ErrorOutput, "skyrelle-render: note: " + FPicture +
                                   " is 30x8, smaller than the 40x5 screen; the section is "
                                   "padded with white\n");
}

TEST_F(RenderToolTest, HelpPrintsTheUsage) {
  const TProgramRun run = Render({"--help"});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_NE(run.Output.find("Usage: skyrelle-render PICTURE [--screen WIDTHxHEIGHT]"),
            std::string::npos);
}

TEST_F(RenderToolTest, WithoutAScreenSizeItRendersForThePrimaryScreen) {
  const TXvfb server("24x10x24");
  if (!server.Started()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_EQ(Render({FPicture, "--section", "2", "-o", FOutput}).ExitCode, 0);
  const std::string reference = FFolder / "reference.bmp";
  engine::RenderSection(FPicture, 24, 10, 1, 8, reference);
  EXPECT_EQ(ReadFile(FOutput), ReadFile(reference));
}

TEST_F(RenderToolTest, BadArgumentsOrPicturesFailWithAMessage) {
  const test_support::TScopedVariable noDisplay("DISPLAY", std::nullopt);
  const std::string broken = FFolder.Write("broken.jpg", {1, 2, 3});
  const std::string out = "-o";
  struct TCase {
    std::vector<std::string> Arguments;
    std::string Message;
  };
  const TCase cases[] = {
      {{}, "no picture given"},
      {{FPicture, "--section", "1", out, FOutput},
       "no screen size given (--screen) and none to measure"},
      {{FPicture, "--screen", "12x5", out, FOutput}, "no section given"},
      {{FPicture, "--screen", "12x5", "--section", "1"}, "no output file given"},
      {{FPicture, "--screen", "1920", "--section", "1", out, FOutput}, "invalid screen size"},
      {{FPicture, "--screen", "0x5", "--section", "1", out, FOutput}, "invalid screen width"},
      {{FPicture, "--screen", "12x", "--section", "1", out, FOutput}, "invalid screen height"},
      {{FPicture, "--screen", "65535x65535", "--section", "1", out, FOutput},
       "too large for a bitmap file"},
      {{FPicture, "--screen", "12x5", "--section", "0", out, FOutput}, "invalid section"},
      {{FPicture, "--screen", "12x5", "--section", "2x", out, FOutput}, "invalid section"},
      {{FPicture, "--screen", "12x5", "--section", "9", out, FOutput}, "beyond the last (8)"},
      {{FPicture, "--screen", "12x5", "--section", "1", "--steps", "-1", out, FOutput},
       "invalid number of steps"},
      {{FPicture, "--screen", "12x5", "--section", "1", "--zoom", "2", out, FOutput},
       "unknown option --zoom"},
      {{FPicture, "--screen", "12x5", "--section", "1", out, FOutput, "--zoom"},
       "unknown option --zoom"},
      {{FPicture, "--screen", "12x5", "--section", "1", out, FFolder / "out.png"},
       "is not named .bmp"},
      {{FPicture, FPicture, "--screen", "12x5", "--section", "1", out, FOutput},
       "more than one picture"},
      {{FPicture, "--screen", "12x5", "--section"}, "missing value after --section"},
      {{broken, "--screen", "12x5", "--section", "1", out, FOutput},
       "Cannot read the picture \"" + broken + "\": not a JPEG picture"},
      {{FPicture, "--screen", "12x5", "--section", "1", out, FFolder / "no/x.bmp"},
       "Cannot write the bitmap"},
  };
  for (const TCase& c : cases) {
    const TProgramRun run = Render(c.Arguments);
    EXPECT_EQ(run.ExitCode, 1) << c.Message;
    EXPECT_EQ(run.ErrorOutput.rfind("skyrelle-render: ", 0), 0u) << run.ErrorOutput;
    EXPECT_NE(run.ErrorOutput.find(c.Message), std::string::npos) << run.ErrorOutput;
  }
  EXPECT_FALSE(std::filesystem::exists(FOutput));
}

// Checked before the picture is read; the node in the way is left as it was.
TEST_F(RenderToolTest, OutputMustBeARegularFileOrANewOne) {
  const std::string Folder = FFolder / "folder.bmp";
  std::filesystem::create_directory(Folder);
  const std::string Pipe = FFolder / "pipe.bmp";
  ASSERT_EQ(::mkfifo(Pipe.c_str(), 0600), 0);
  std::vector<std::pair<std::string, std::string>> Cases = {{Folder, "Is a directory"},
                                                            {Pipe, "not a regular file"}};
  // A device of our own: a mistake must not cost the machine its /dev/null.
  const std::string Device = FFolder / "null.bmp";
  if (::mknod(Device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0)
    Cases.emplace_back(Device, "not a regular file");
  const std::string Missing = FFolder / "missing.png";
  for (const auto& [Output, Reason] : Cases) {
    const TProgramRun Run = Render({Missing, "--screen", "12x5", "--section", "1", "-o", Output});
    EXPECT_EQ(Run.ExitCode, 1);
    EXPECT_EQ(Run.ErrorOutput,
              "skyrelle-render: Cannot write the bitmap \"" + Output + "\": " + Reason + "\n");
  }
  EXPECT_TRUE(std::filesystem::is_directory(Folder));
  EXPECT_TRUE(std::filesystem::is_fifo(Pipe));
  if (std::filesystem::exists(Device)) {
    EXPECT_TRUE(std::filesystem::is_character_file(Device));
  }
}

}  // namespace
}  // namespace skyrelle::tools
