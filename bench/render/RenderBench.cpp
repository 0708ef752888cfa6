// Section render benchmark: one 1920 x 1080 section of generated wide pictures, rendered with
// windowed decoding (as the engine does) and with a whole-picture decode followed by a crop,
// timed in the same run; plus the peak resident memory of skyrelle-render and of a whole
// decode, each measured in a child process.
//
//   skyrelle-render-bench [FOLDER]   full run; pictures are generated once into FOLDER
//   skyrelle-render-bench --smoke    small pictures, no goals checked

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "PictureGenerator.h"
#include "engine/SectionRenderer.h"
#include "imaging/BitmapWriter.h"
#include "imaging/Picture.h"
#include "imaging/RgbImage.h"
#include "support/Process.h"
#include "support/TempFolder.h"

namespace {

using namespace skyrelle;

constexpr std::int32_t Steps = 8;
constexpr std::int32_t SectionIndex = 3;

struct TScreen {
  std::int32_t Width;
  std::int32_t Height;
};

struct TCase {
  const char* Label;
  std::string FileName;
  std::int32_t Width;
  std::int32_t Height;
  int Repeats;
  double MinimumRatio;   // 0: no speed goal
  long MaximumRenderKb;  // 0: no memory goal
};

// What the engine does not do: decode the whole picture, then copy the section out of it.
void RenderWholeThenCrop(const std::string& Picture, TScreen Screen, const std::string& Output) {
  imaging::TPicture Source(Picture);
  const imaging::TPictureSize Size = Source.Size();
  imaging::TRgbImage Whole(Size.Width, Size.Height);
  Source.DrawWindow(0, Whole);
  const std::int32_t Range = std::max(Size.Width - Screen.Width, 0);
  const std::int32_t Left = engine::SectionOffset(SectionIndex, Range, Steps);
  imaging::TRgbImage Section(Screen.Width, Screen.Height);
  const std::int32_t Columns = std::min(Screen.Width, Size.Width - Left);
  for (std::int32_t Y = 0; Y < std::min(Screen.Height, Size.Height); ++Y) {
    std::memcpy(Section.Row(Y), Whole.Row(Y) + std::size_t(Left) * 3, std::size_t(Columns) * 3);
  }
  imaging::WriteBitmap(Section, Output);
}

double MedianMilliseconds(int Repeats, const std::function<void()>& Work) {
  Work();  // warms the page cache
  std::vector<double> Times;
  for (int I = 0; I < Repeats; ++I) {
    const auto Start = std::chrono::steady_clock::now();
    Work();
    Times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start)
            .count());
  }
  std::sort(Times.begin(), Times.end());
  return Times[Times.size() / 2];
}

// Runs a program and returns its peak resident memory in kilobytes, or -1 when it failed.
long PeakKilobytes(const std::vector<std::string>& Command) {
  const test_support::TProgramRun Run = test_support::RunProgram(Command);
  return Run.ExitCode == 0 ? Run.PeakKilobytes : -1;
}

std::string SelfPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

int Run(const std::filesystem::path& Folder, bool Smoke) {
  std::filesystem::create_directories(Folder);
  const TScreen Screen = Smoke ? TScreen{320, 200} : TScreen{1920, 1080};
  const auto Path = [&](const char* Name) { return (Folder / Name).string(); };
  std::vector<TCase> Cases;
  if (Smoke) {
    Cases = {{"JPEG", Path("smoke.jpg"), 2048, 256, 1, 0, 0},
             {"PNG", Path("smoke.png"), 2048, 256, 1, 0, 0}};
  } else {
    Cases = {{"16384x2048 baseline JPEG", Path("wide-16384x2048.jpg"), 16384, 2048, 9, 3.0, 0},
             {"60000x4000 baseline JPEG", Path("wide-60000x4000.jpg"), 60000, 4000, 3, 0, 65536},
             {"60000x4000 PNG", Path("wide-60000x4000.png"), 60000, 4000, 3, 0, 65536}};
  }
  const std::string Output = Path("section.bmp");
  const std::string ScreenText = std::to_string(Screen.Width) + "x" + std::to_string(Screen.Height);
  bool GoalsMet = true;
  std::printf("One %s section (index %d of %d)\n", ScreenText.c_str(), SectionIndex, Steps);
  std::printf("%-26s %10s %12s %10s %8s %15s %15s\n", "picture", "file MB", "windowed ms",
              "whole ms", "ratio", "render peak MB", "whole peak MB");
  for (const TCase& Case : Cases) {
    if (!std::filesystem::exists(Case.FileName)) {
      std::fprintf(stderr, "generating %s ...\n", Case.FileName.c_str());
      const bool Jpeg = Case.FileName.ends_with(".jpg");
      (Jpeg ? bench::WriteLandscapeJpeg : bench::WriteLandscapePng)(Case.FileName, Case.Width,
                                                                    Case.Height);
    }
    const double Windowed = MedianMilliseconds(Case.Repeats, [&] {
      engine::RenderSection(Case.FileName, Screen.Width, Screen.Height, SectionIndex, Steps,
                            Output);
    });
    const double Whole = MedianMilliseconds(
        Case.Repeats, [&] { RenderWholeThenCrop(Case.FileName, Screen, Output); });
    const long RenderKb =
        PeakKilobytes({SKYRELLE_RENDER, Case.FileName, "--screen", ScreenText, "--section",
                       std::to_string(SectionIndex + 1), "-o", Output});
    const long WholeKb =
        PeakKilobytes({SelfPath(), "--decode-whole", Case.FileName, ScreenText, Output});
    const double Ratio = Whole / Windowed;
    std::printf("%-26s %10.1f %12.1f %10.1f %7.1fx %15.1f %15.1f\n", Case.Label,
                std::filesystem::file_size(Case.FileName) / 1048576.0, Windowed, Whole, Ratio,
                RenderKb / 1024.0, WholeKb / 1024.0);
    if (RenderKb < 0 || WholeKb < 0) {
      std::printf("  FAILED: a child process did not complete\n");
      GoalsMet = false;
    }
    if (Case.MinimumRatio > 0) {
      const bool Met = Ratio >= Case.MinimumRatio;
      std::printf("  goal: windowed at least %.0fx faster than whole decode: %s\n",
                  Case.MinimumRatio, Met ? "met" : "MISSED");
      GoalsMet = GoalsMet && Met;
    }
    if (Case.MaximumRenderKb > 0) {
      const bool Met = RenderKb >= 0 && RenderKb < Case.MaximumRenderKb;
      std::printf("  goal: skyrelle-render peak resident memory under %ld MB: %s\n",
                  Case.MaximumRenderKb / 1024, Met ? "met" : "MISSED");
      GoalsMet = GoalsMet && Met;
    }
  }
  return GoalsMet ? 0 : 1;
}

}  // namespace

int main(int Count, char** Values) {
  try {
    const std::vector<std::string> Arguments(Values + 1, Values + Count);
    if (Arguments.size() == 4 && Arguments[0] == "--decode-whole") {
      const std::size_t Cross = Arguments[2].find('x');
      const TScreen Screen{std::stoi(Arguments[2].substr(0, Cross)),
                           std::stoi(Arguments[2].substr(Cross + 1))};
      RenderWholeThenCrop(Arguments[1], Screen, Arguments[3]);
      return 0;
    }
    if (Arguments.size() == 1 && Arguments[0] == "--smoke") {
      const test_support::TTempFolder Folder;
      return Run(Folder.Path(), true);
    }
    if (Arguments.size() > 1 || (!Arguments.empty() && Arguments[0].starts_with('-'))) {
      std::fputs("Usage: skyrelle-render-bench [FOLDER] | --smoke\n", stderr);
      return 2;
    }
    const std::filesystem::path Folder =
        Arguments.empty() ? std::filesystem::temp_directory_path() / "skyrelle-bench"
                          : std::filesystem::path(Arguments[0]);
    return Run(Folder, false);
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "skyrelle-render-bench: %s\n", Error.what());
    return 2;
  }
}
