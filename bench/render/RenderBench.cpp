// Section render benchmark: one 1920 x 1080 section of generated wide pictures, rendered with
// windowed decoding (as the engine does) and with a whole-picture decode followed by a crop,
// timed in the same run; plus the peak resident memory of skyrelle-render and of a whole
// decode, each measured in a child process; then skyrelle-render's CPU time against djpeg
// cutting the same window, and its peak on a 7680 x 4320 screen.
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
// The whole render process against djpeg cutting the same window, in CPU time.
constexpr double MaximumDjpegRatio = 1.2;
// Peak resident memory of a render on a large screen against the window's own size.
constexpr double LargeScreenPeakRatio = 1.25;

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

std::string SelfPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

std::string SizeText(TScreen Screen) {
  return std::to_string(Screen.Width) + "x" + std::to_string(Screen.Height);
}

std::vector<std::string> RenderCommand(const std::string& Picture, TScreen Screen,
                                       const std::string& Output) {
  return {SKYRELLE_RENDER,
          Picture,
          "--screen",
          SizeText(Screen),
          "--section",
          std::to_string(SectionIndex + 1),
          "-o",
          Output};
}

// Peak resident memory of a run in kilobytes, or -1 when it failed.
long PeakKilobytes(const std::vector<std::string>& Command) {
  const test_support::TProgramRun Run = test_support::RunProgram(Command);
  return Run.ExitCode == 0 ? Run.PeakKilobytes : -1;
}

// The median CPU seconds of Repeats runs, after one that warms the page cache; -1 when a run
// failed.
double MedianCpuSeconds(int Repeats, const std::vector<std::string>& Command) {
  std::vector<double> Times;
  for (int I = 0; I <= Repeats; ++I) {
    const test_support::TProgramRun Run = test_support::RunProgram(Command);
    if (Run.ExitCode != 0) return -1;
    if (I > 0) Times.push_back(Run.CpuSeconds);
  }
  std::sort(Times.begin(), Times.end());
  return Times[Times.size() / 2];
}

bool Goal(bool Met, const std::string& Text) {
  std::printf("  goal: %s: %s\n", Text.c_str(), Met ? "met" : "MISSED");
  return Met;
}

// The same window cut by djpeg, which decodes only the rows it needs and streams them to a
// PPM file (it cannot crop to a bitmap): the yardstick for the whole render process.
bool CompareWithDjpeg(const TCase& Case, TScreen Screen, const std::string& Output) {
  const imaging::TPictureSize Size = imaging::TPicture(Case.FileName).Size();
  const std::int32_t Left =
      engine::SectionOffset(SectionIndex, std::max(Size.Width - Screen.Width, 0), Steps);
  const double Render =
      MedianCpuSeconds(Case.Repeats, RenderCommand(Case.FileName, Screen, Output));
  const double Djpeg =
      MedianCpuSeconds(Case.Repeats, {"/usr/bin/djpeg", "-crop",
                                      SizeText(Screen) + "+" + std::to_string(Left) + "+0",
                                      "-outfile", Output + ".ppm", Case.FileName});
  if (Render < 0 || Djpeg < 0) {
    std::printf("  FAILED: skyrelle-render or djpeg did not complete\n");
    return false;
  }
  std::printf("  CPU: skyrelle-render %.1f ms, djpeg -crop %.1f ms: %.2fx\n", Render * 1000,
              Djpeg * 1000, Render / Djpeg);
  return Goal(Render <= MaximumDjpegRatio * Djpeg,
              "skyrelle-render within " + std::to_string(MaximumDjpegRatio).substr(0, 3) +
                  "x the CPU time of djpeg -crop");
}

// A screen far larger than the picture's height: the render holds the window once.
bool LargeScreenPeak(const TCase& Case, TScreen Screen, const std::string& Output) {
  const long Kb = PeakKilobytes(RenderCommand(Case.FileName, Screen, Output));
  const double WindowMb = double(Screen.Width) * Screen.Height * 3 / 1048576.0;
  std::printf("  %s screen: skyrelle-render peak %.1f MB, the window itself %.1f MB\n",
              SizeText(Screen).c_str(), Kb / 1024.0, WindowMb);
  return Goal(Kb >= 0 && Kb / 1024.0 < WindowMb * LargeScreenPeakRatio,
              "peak under " + std::to_string(LargeScreenPeakRatio).substr(0, 4) + "x the window");
}

int Run(const std::filesystem::path& Folder, bool Smoke) {
  std::filesystem::create_directories(Folder);
  const TScreen Screen = Smoke ? TScreen{320, 200} : TScreen{1920, 1080};
  const TScreen LargeScreen = Smoke ? TScreen{1280, 720} : TScreen{7680, 4320};
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
  const std::string ScreenText = SizeText(Screen);
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
    const long RenderKb = PeakKilobytes(RenderCommand(Case.FileName, Screen, Output));
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
      GoalsMet = Goal(Ratio >= Case.MinimumRatio, "windowed at least " +
                                                      std::to_string(int(Case.MinimumRatio)) +
                                                      "x faster than whole decode") &&
                 GoalsMet;
    }
    if (Case.MaximumRenderKb > 0) {
      GoalsMet = Goal(RenderKb >= 0 && RenderKb < Case.MaximumRenderKb,
                      "skyrelle-render peak resident memory under " +
                          std::to_string(Case.MaximumRenderKb / 1024) + " MB") &&
                 GoalsMet;
    }
  }
  const TCase& First = Cases.front();
  std::printf("%s, against djpeg and on a %s screen\n", First.Label, SizeText(LargeScreen).c_str());
  const bool DjpegMet = CompareWithDjpeg(First, Screen, Output);
  const bool PeakMet = LargeScreenPeak(First, LargeScreen, Output);
  if (!Smoke) GoalsMet = GoalsMet && DjpegMet && PeakMet;
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
