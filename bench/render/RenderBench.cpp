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
  imaging::TPicture source(Picture);
  const imaging::TPictureSize size = source.Size();
  imaging::TRgbImage whole(size.Width, size.Height);
  source.DrawWindow(0, whole);
  const std::int32_t range = std::max(size.Width - Screen.Width, 0);
  const std::int32_t left = engine::SectionOffset(SectionIndex, range, Steps);
  imaging::TRgbImage section(Screen.Width, Screen.Height);
  const std::int32_t columns = std::min(Screen.Width, size.Width - left);
  for (std::int32_t y = 0; y < std::min(Screen.Height, size.Height); ++y) {
    std::memcpy(section.Row(y), whole.Row(y) + std::size_t(left) * 3, std::size_t(columns) * 3);
  }
  imaging::WriteBitmap(section, Output);
}

double MedianMilliseconds(int Repeats, const std::function<void()>& Work) {
  Work();  // warms the page cache
  std::vector<double> times;
  for (int i = 0; i < Repeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    Work();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
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
  const test_support::TProgramRun run = test_support::RunProgram(Command);
  return run.ExitCode == 0 ? run.PeakKilobytes : -1;
}

// The median CPU seconds of Repeats runs, after one that warms the page cache; -1 when a run
// failed.
double MedianCpuSeconds(int Repeats, const std::vector<std::string>& Command) {
  std::vector<double> times;
  for (int i = 0; i <= Repeats; ++i) {
    const test_support::TProgramRun run = test_support::RunProgram(Command);
    if (run.ExitCode != 0) return -1;
    if (i > 0) times.push_back(run.CpuSeconds);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

bool Goal(bool Met, const std::string& Text) {
  std::printf("  goal: %s: %s\n", Text.c_str(), Met ? "met" : "MISSED");
  return Met;
}

// The same window cut by djpeg, which decodes only the rows it needs and streams them to a
// PPM file (it cannot crop to a bitmap): the yardstick for the whole render process.
bool CompareWithDjpeg(const TCase& Case, TScreen Screen, const std::string& Output) {
  const imaging::TPictureSize size = imaging::TPicture(Case.FileName).Size();
  const std::int32_t left =
      engine::SectionOffset(SectionIndex, std::max(size.Width - Screen.Width, 0), Steps);
  const double render =
      MedianCpuSeconds(Case.Repeats, RenderCommand(Case.FileName, Screen, Output));
  const double djpeg =
      MedianCpuSeconds(Case.Repeats, {"/usr/bin/djpeg", "-crop",
                                      SizeText(Screen) + "+" + std::to_string(left) + "+0",
                                      "-outfile", Output + ".ppm", Case.FileName});
  if (render < 0 || djpeg < 0) {
    std::printf("  FAILED: skyrelle-render or djpeg did not complete\n");
    return false;
  }
  std::printf("  CPU: skyrelle-render %.1f ms, djpeg -crop %.1f ms: %.2fx\n", render * 1000,
              djpeg * 1000, render / djpeg);
  return Goal(render <= MaximumDjpegRatio * djpeg,
              "skyrelle-render within " + std::to_string(MaximumDjpegRatio).substr(0, 3) +
                  "x the CPU time of djpeg -crop");
}

// A screen far larger than the picture's height: the render holds the window once.
double Megabytes(long AKilobytes) { return static_cast<double>(AKilobytes) / 1024.0; }

bool LargeScreenPeak(const TCase& Case, TScreen Screen, const std::string& Output) {
  const long kb = PeakKilobytes(RenderCommand(Case.FileName, Screen, Output));
  const double windowMb = double(Screen.Width) * Screen.Height * 3 / 1048576.0;
  std::printf("  %s screen: skyrelle-render peak %.1f MB, the window itself %.1f MB\n",
              SizeText(Screen).c_str(), Megabytes(kb), windowMb);
  return Goal(kb >= 0 && Megabytes(kb) < windowMb * LargeScreenPeakRatio,
              "peak under " + std::to_string(LargeScreenPeakRatio).substr(0, 4) + "x the window");
}

int Run(const std::filesystem::path& Folder, bool Smoke) {
  std::filesystem::create_directories(Folder);
  const TScreen screen = Smoke ? TScreen{320, 200} : TScreen{1920, 1080};
  const TScreen largeScreen = Smoke ? TScreen{1280, 720} : TScreen{7680, 4320};
  const auto path = [&](const char* Name) { return (Folder / Name).string(); };
  std::vector<TCase> cases;
  if (Smoke) {
    cases = {{"JPEG", path("smoke.jpg"), 2048, 256, 1, 0, 0},
             {"PNG", path("smoke.png"), 2048, 256, 1, 0, 0}};
  } else {
    cases = {{"16384x2048 baseline JPEG", path("wide-16384x2048.jpg"), 16384, 2048, 9, 3.0, 0},
             {"60000x4000 baseline JPEG", path("wide-60000x4000.jpg"), 60000, 4000, 3, 0, 65536},
             {"60000x4000 PNG", path("wide-60000x4000.png"), 60000, 4000, 3, 0, 65536}};
  }
  const std::string output = path("section.bmp");
  const std::string screenText = SizeText(screen);
  bool goalsMet = true;
  std::printf("One %s section (index %d of %d)\n", screenText.c_str(), SectionIndex, Steps);
  std::printf("%-26s %10s %12s %10s %8s %15s %15s\n", "picture", "file MB", "windowed ms",
              "whole ms", "ratio", "render peak MB", "whole peak MB");
  for (const TCase& picture : cases) {
    if (!std::filesystem::exists(picture.FileName)) {
      std::fprintf(stderr, "generating %s ...\n", picture.FileName.c_str());
      const bool jpeg = picture.FileName.ends_with(".jpg");
      (jpeg ? bench::WriteLandscapeJpeg : bench::WriteLandscapePng)(picture.FileName, picture.Width,
                                                                    picture.Height);
    }
    const double windowed = MedianMilliseconds(picture.Repeats, [&] {
      engine::RenderSection(picture.FileName, screen.Width, screen.Height, SectionIndex, Steps,
                            output);
    });
    const double whole = MedianMilliseconds(
        picture.Repeats, [&] { RenderWholeThenCrop(picture.FileName, screen, output); });
    const long renderKb = PeakKilobytes(RenderCommand(picture.FileName, screen, output));
    const long wholeKb =
        PeakKilobytes({SelfPath(), "--decode-whole", picture.FileName, screenText, output});
    const double ratio = whole / windowed;
    std::printf("%-26s %10.1f %12.1f %10.1f %7.1fx %15.1f %15.1f\n", picture.Label,
                static_cast<double>(std::filesystem::file_size(picture.FileName)) / 1048576.0,
                windowed, whole, ratio, Megabytes(renderKb), Megabytes(wholeKb));
    if (renderKb < 0 || wholeKb < 0) {
      std::printf("  FAILED: a child process did not complete\n");
      goalsMet = false;
    }
    if (picture.MinimumRatio > 0) {
      goalsMet = Goal(ratio >= picture.MinimumRatio, "windowed at least " +
                                                         std::to_string(int(picture.MinimumRatio)) +
                                                         "x faster than whole decode") &&
                 goalsMet;
    }
    if (picture.MaximumRenderKb > 0) {
      goalsMet = Goal(renderKb >= 0 && renderKb < picture.MaximumRenderKb,
                      "skyrelle-render peak resident memory under " +
                          std::to_string(picture.MaximumRenderKb / 1024) + " MB") &&
                 goalsMet;
    }
  }
  const TCase& first = cases.front();
  std::printf("%s, against djpeg and on a %s screen\n", first.Label, SizeText(largeScreen).c_str());
  const bool djpegMet = CompareWithDjpeg(first, screen, output);
  const bool peakMet = LargeScreenPeak(first, largeScreen, output);
  if (!Smoke) goalsMet = goalsMet && djpegMet && peakMet;
  return goalsMet ? 0 : 1;
}

}  // namespace

int main(int Count, char** Values) {
  try {
    const std::vector<std::string> arguments(Values + 1, Values + Count);
    if (arguments.size() == 4 && arguments[0] == "--decode-whole") {
      const std::size_t cross = arguments[2].find('x');
      const TScreen screen{std::stoi(arguments[2].substr(0, cross)),
                           std::stoi(arguments[2].substr(cross + 1))};
      RenderWholeThenCrop(arguments[1], screen, arguments[3]);
      return 0;
    }
    if (arguments.size() == 1 && arguments[0] == "--smoke") {
      const test_support::TTempFolder folder;
      return Run(folder.Path(), true);
    }
    if (arguments.size() > 1 || (!arguments.empty() && arguments[0].starts_with('-'))) {
      std::fputs("Usage: skyrelle-render-bench [FOLDER] | --smoke\n", stderr);
      return 2;
    }
    const std::filesystem::path folder =
        arguments.empty() ? std::filesystem::temp_directory_path() / "skyrelle-bench"
                          : std::filesystem::path(arguments[0]);
    return Run(folder, false);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "skyrelle-render-bench: %s\n", error.what());
    return 2;
  }
}
