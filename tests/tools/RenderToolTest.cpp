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
    const TPngOptions Options{.ColourType = 2, .BitDepth = 8};
    std::vector<std::uint16_t> Values;
    for (int I = 0; I < 30 * 8 * 3; ++I) Values.push_back(static_cast<std::uint16_t>(I * 7 % 256));
    FPicture = FFolder.Write("wide.png", EncodePng(30, 8, Options, Values));
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
  const TProgramRun Run =
      Render({FPicture, "--screen", "12x5", "--section", "3", "--steps", "5", "-o", FOutput});
  ASSERT_EQ(Run.ExitCode, 0) << Run.ErrorOutput;
  EXPECT_EQ(Run.ErrorOutput, "");
  const std::string Reference = FFolder / "reference.bmp";
  engine::RenderSection(FPicture, 12, 5, 2, 5, Reference);
  EXPECT_EQ(ReadFile(FOutput), ReadFile(Reference));
}

TEST_F(RenderToolTest, StepsDefaultToEight) {
  ASSERT_EQ(Render({"--section", "8", "-o", FOutput, "--screen", "12x5", FPicture}).ExitCode, 0);
  const std::string Reference = FFolder / "reference.bmp";
  engine::RenderSection(FPicture, 12, 5, 7, 8, Reference);
  EXPECT_EQ(ReadFile(FOutput), ReadFile(Reference));
}

TEST_F(RenderToolTest, HelpPrintsTheUsage) {
  const TProgramRun Run = Render({"--help"});
  EXPECT_EQ(Run.ExitCode, 0);
  EXPECT_NE(Run.Output.find("Usage: skyrelle-render PICTURE [--screen WIDTHxHEIGHT]"),
            std::string::npos);
}

TEST_F(RenderToolTest, WithoutAScreenSizeItRendersForThePrimaryScreen) {
  const TXvfb Server("24x10x24");
  if (!Server.Started()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_EQ(Render({FPicture, "--section", "2", "-o", FOutput}).ExitCode, 0);
  const std::string Reference = FFolder / "reference.bmp";
  engine::RenderSection(FPicture, 24, 10, 1, 8, Reference);
  EXPECT_EQ(ReadFile(FOutput), ReadFile(Reference));
}

TEST_F(RenderToolTest, BadArgumentsOrPicturesFailWithAMessage) {
  const test_support::TScopedVariable NoDisplay("DISPLAY", std::nullopt);
  const std::string Broken = FFolder.Write("broken.jpg", {1, 2, 3});
  const std::string Out = "-o";
  struct TCase {
    std::vector<std::string> Arguments;
    std::string Message;
  };
  const TCase Cases[] = {
      {{}, "no picture given"},
      {{FPicture, "--section", "1", Out, FOutput},
       "no screen size given (--screen) and none to measure"},
      {{FPicture, "--screen", "12x5", Out, FOutput}, "no section given"},
      {{FPicture, "--screen", "12x5", "--section", "1"}, "no output file given"},
      {{FPicture, "--screen", "1920", "--section", "1", Out, FOutput}, "invalid screen size"},
      {{FPicture, "--screen", "0x5", "--section", "1", Out, FOutput}, "invalid screen width"},
      {{FPicture, "--screen", "12x", "--section", "1", Out, FOutput}, "invalid screen height"},
      {{FPicture, "--screen", "65535x65535", "--section", "1", Out, FOutput},
       "too large for a bitmap file"},
      {{FPicture, "--screen", "12x5", "--section", "0", Out, FOutput}, "invalid section"},
      {{FPicture, "--screen", "12x5", "--section", "2x", Out, FOutput}, "invalid section"},
      {{FPicture, "--screen", "12x5", "--section", "9", Out, FOutput}, "beyond the last (8)"},
      {{FPicture, "--screen", "12x5", "--section", "1", "--steps", "-1", Out, FOutput},
       "invalid number of steps"},
      {{FPicture, "--screen", "12x5", "--section", "1", "--zoom", "2", Out, FOutput},
       "unknown option --zoom"},
      {{FPicture, FPicture, "--screen", "12x5", "--section", "1", Out, FOutput},
       "more than one picture"},
      {{FPicture, "--screen", "12x5", "--section"}, "missing value after --section"},
      {{Broken, "--screen", "12x5", "--section", "1", Out, FOutput},
       "Cannot read the picture \"" + Broken + "\": not a JPEG picture"},
      {{FPicture, "--screen", "12x5", "--section", "1", Out, FFolder / "no/x.bmp"},
       "Cannot write the bitmap"},
  };
  for (const TCase& Case : Cases) {
    const TProgramRun Run = Render(Case.Arguments);
    EXPECT_EQ(Run.ExitCode, 1) << Case.Message;
    EXPECT_EQ(Run.ErrorOutput.rfind("skyrelle-render: ", 0), 0u) << Run.ErrorOutput;
    EXPECT_NE(Run.ErrorOutput.find(Case.Message), std::string::npos) << Run.ErrorOutput;
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
