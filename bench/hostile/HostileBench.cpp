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
constexpr long MaximumPeakKb = 256 * 1024;

struct THostileFile {
  const char* Label;
  std::string Name;
  std::function<void(const std::string&)> Make;
};

std::vector<THostileFile> HostileSet(bool Smoke) {
  const std::uint32_t WideWidth = Smoke ? 20000 : 1000000;
  const std::uint16_t BombSide = Smoke ? 2000 : 23000;
  const std::uint16_t SmallBombSide = Smoke ? 1000 : 8000;
  std::vector<THostileFile> Set;
  for (const char* Chunk : {"tEXt", "zTXt", "iTXt", "sPLT"}) {
    Set.push_back({Chunk, std::string(Chunk) + ".png", [Chunk](const std::string& File) {
                     hostile::WriteOversizedChunkPng(File, Chunk);
                   }});
  }
  Set.push_back({"PNG 1e6 wide 16-bit RGBA", "wide-rgba16.png", [=](const std::string& File) {
                   hostile::WriteZeroPng(File, WideWidth, 1080, 16, 6, false);
                 }});
  Set.push_back({"PNG 1e6 x 4000 interlaced", "wide-interlaced.png", [=](const std::string& File) {
                   hostile::WriteZeroPng(File, WideWidth, 4000, 8, 0, true);
                 }});
  Set.push_back({"PNG 2e6 empty data chunks", "empty-chunks.png", [=](const std::string& File) {
                   hostile::WriteEmptyChunkPng(File, Smoke ? 20000 : 2000000);
                 }});
  Set.push_back({"JPEG 23000^2 499 AC scans", "scan-bomb.jpg", [=](const std::string& File) {
                   hostile::WriteScanBombJpeg(File, BombSide, BombSide, 499);
                 }});
  Set.push_back({"JPEG 8000^2 499 AC scans", "small-scan-bomb.jpg", [=](const std::string& File) {
                   hostile::WriteScanBombJpeg(File, SmallBombSide, SmallBombSide, 499);
                 }});
  return Set;
}

// The first line of what the program said, or "rendered".
std::string Outcome(const test_support::TProgramRun& Run) {
  if (Run.ExitCode == 0) return "rendered";
  if (Run.ExitCode > 128) return "ended by signal " + std::to_string(Run.ExitCode - 128);
  std::string Line = Run.ErrorOutput.substr(0, Run.ErrorOutput.find('\n'));
  const std::size_t Reason = Line.find("\": ");
  return Reason == std::string::npos ? Line : Line.substr(Reason + 3);
}

int Run(const std::filesystem::path& Folder, bool Smoke) {
  std::filesystem::create_directories(Folder);
  const std::string Output = (Folder / "section.bmp").string();
  bool GoalsMet = true;
  std::printf("%-28s %9s %8s %8s %9s  %s\n", "file", "size KB", "wall s", "CPU s", "peak MB",
              "outcome");
  for (const THostileFile& File : HostileSet(Smoke)) {
    const std::string Path = (Folder / File.Name).string();
    if (!std::filesystem::exists(Path)) File.Make(Path);
    const test_support::TProgramRun Run = test_support::RunProgram(
        {SKYRELLE_RENDER, Path, "--screen", "1920x1080", "--section", "1", "-o", Output});
    std::printf("%-28s %9.1f %8.2f %8.2f %9.1f  %s\n", File.Label,
                double(std::filesystem::file_size(Path)) / 1024.0, Run.WallSeconds, Run.CpuSeconds,
                double(Run.PeakKilobytes) / 1024.0, Outcome(Run).c_str());
    if (Smoke) continue;
    if (Run.ExitCode > 128 || Run.CpuSeconds > MaximumSeconds ||
        Run.PeakKilobytes > MaximumPeakKb) {
      std::printf("  goal: under %.0f s of CPU and %ld MB, ended by the program: MISSED\n",
                  MaximumSeconds, MaximumPeakKb / 1024);
      GoalsMet = false;
    }
  }
  if (!Smoke)
    std::printf("goal: every file under %.0f s of CPU and %ld MB: %s\n", MaximumSeconds,
                MaximumPeakKb / 1024, GoalsMet ? "met" : "MISSED");
  return GoalsMet ? 0 : 1;
}

}  // namespace

int main(int Count, char** Values) {
  try {
    const std::vector<std::string> Arguments(Values + 1, Values + Count);
    if (Arguments.size() == 1 && Arguments[0] == "--smoke") {
      const test_support::TTempFolder Folder;
      return Run(Folder.Path(), true);
    }
    if (Arguments.size() > 1 || (!Arguments.empty() && Arguments[0].starts_with('-'))) {
      std::fputs("Usage: skyrelle-hostile-bench [FOLDER] | --smoke\n", stderr);
      return 2;
    }
    const std::filesystem::path Folder =
        Arguments.empty() ? std::filesystem::temp_directory_path() / "skyrelle-hostile-bench"
                          : std::filesystem::path(Arguments[0]);
    return Run(Folder, false);
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "skyrelle-hostile-bench: %s\n", Error.what());
    return 2;
  }
}
