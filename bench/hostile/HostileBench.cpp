// Hostile picture benchmark: files made to claim far more work or memory than they hold, each
// rendered by skyrelle-render for a 1920 x 1080 screen in a child process, with its wall and
// CPU time, its peak resident memory and what it said.
//
//   skyrelle-hostile-bench [FOLDER]   full set; the files are made once into FOLDER
//   skyrelle-hostile-bench --smoke    small versions, no goals checked

#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "HostilePictures.h"
#include "support/Process.h"
#include "support/TempFolder.h"

namespace {

using namespace skyrelle;
namespace hostile = skyrelle::test_support;

// Whatever a file holds, one render stays within these.
constexpr double MaximumSeconds = 3.0;
constexpr long MaximumPeakKb = 256L * 1024;

struct THostileFile {
  const char* Label;
  std::string Name;
  std::function<void(const std::string&)> Make;
};

std::vector<THostileFile> HostileSet(bool Smoke) {
  const std::uint32_t wideWidth = Smoke ? 20000 : 1000000;
  const std::uint16_t bombSide = Smoke ? 2000 : 23000;
  const std::uint16_t smallBombSide = Smoke ? 1000 : 8000;
  std::vector<THostileFile> set;
  for (const char* chunk : {"tEXt", "zTXt", "iTXt", "sPLT"}) {
    set.push_back({chunk, std::string(chunk) + ".png", [chunk](const std::string& File) {
                     hostile::WriteOversizedChunkPng(File, chunk);
                   }});
  }
  set.push_back({"PNG 1e6 wide 16-bit RGBA", "wide-rgba16.png", [=](const std::string& File) {
                   hostile::WriteZeroPng(File, wideWidth, 1080, 16, 6, false);
                 }});
  set.push_back({"PNG 1e6 x 4000 interlaced", "wide-interlaced.png", [=](const std::string& File) {
                   hostile::WriteZeroPng(File, wideWidth, 4000, 8, 0, true);
                 }});
  set.push_back({"PNG 2e6 empty data chunks", "empty-chunks.png", [=](const std::string& File) {
                   hostile::WriteEmptyChunkPng(File, Smoke ? 20000 : 2000000);
                 }});
  set.push_back({"JPEG 23000^2 499 AC scans", "scan-bomb.jpg", [=](const std::string& File) {
                   hostile::WriteScanBombJpeg(File, bombSide, bombSide, 499);
                 }});
  set.push_back({"JPEG 8000^2 499 AC scans", "small-scan-bomb.jpg", [=](const std::string& File) {
                   hostile::WriteScanBombJpeg(File, smallBombSide, smallBombSide, 499);
                 }});
  return set;
}

// The first line of what the program said, or "rendered".
std::string Outcome(const test_support::TProgramRun& Run) {
  if (Run.ExitCode == 0) return "rendered";
  if (Run.ExitCode > 128) return "ended by signal " + std::to_string(Run.ExitCode - 128);
  std::string line = Run.ErrorOutput.substr(0, Run.ErrorOutput.find('\n'));
  const std::size_t reason = line.find("\": ");
  return reason == std::string::npos ? line : line.substr(reason + 3);
}

int Run(const std::filesystem::path& Folder, bool Smoke) {
  std::filesystem::create_directories(Folder);
  const std::string output = (Folder / "section.bmp").string();
  bool goalsMet = true;
  std::printf("%-28s %9s %8s %8s %9s  %s\n", "file", "size KB", "wall s", "CPU s", "peak MB",
              "outcome");
  for (const THostileFile& file : HostileSet(Smoke)) {
    const std::string path = (Folder / file.Name).string();
    if (!std::filesystem::exists(path)) file.Make(path);
    const test_support::TProgramRun run = test_support::RunProgram(
        {SKYRELLE_RENDER, path, "--screen", "1920x1080", "--section", "1", "-o", output});
    std::printf("%-28s %9.1f %8.2f %8.2f %9.1f  %s\n", file.Label,
                double(std::filesystem::file_size(path)) / 1024.0, run.WallSeconds, run.CpuSeconds,
                double(run.PeakKilobytes) / 1024.0, Outcome(run).c_str());
    if (Smoke) continue;
    if (run.ExitCode > 128 || run.CpuSeconds > MaximumSeconds ||
        run.PeakKilobytes > MaximumPeakKb) {
      std::printf("  goal: under %.0f s of CPU and %ld MB, ended by the program: MISSED\n",
                  MaximumSeconds, MaximumPeakKb / 1024);
      goalsMet = false;
    }
  }
  if (!Smoke)
    std::printf("goal: every file under %.0f s of CPU and %ld MB: %s\n", MaximumSeconds,
                MaximumPeakKb / 1024, goalsMet ? "met" : "MISSED");
  return goalsMet ? 0 : 1;
}

}  // namespace

int main(int Count, char** Values) {
  try {
    const std::vector<std::string> arguments(Values + 1, Values + Count);
    if (arguments.size() == 1 && arguments[0] == "--smoke") {
      const test_support::TTempFolder folder;
      return Run(folder.Path(), true);
    }
    if (arguments.size() > 1 || (!arguments.empty() && arguments[0].starts_with('-'))) {
      std::fputs("Usage: skyrelle-hostile-bench [FOLDER] | --smoke\n", stderr);
      return 2;
    }
    const std::filesystem::path folder =
        arguments.empty() ? std::filesystem::temp_directory_path() / "skyrelle-hostile-bench"
                          : std::filesystem::path(arguments[0]);
    return Run(folder, false);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "skyrelle-hostile-bench: %s\n", error.what());
    return 2;
  }
}
