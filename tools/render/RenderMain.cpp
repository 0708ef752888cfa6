// skyrelle-render: renders one section of a picture to a bitmap, exactly as the wallpaper is
// rendered, without touching the stored state or the desktop.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/Text.h"
#include "engine/SectionRenderer.h"
#include "imaging/BitmapWriter.h"
#include "platform/IScreen.h"

namespace {

constexpr const char* Usage =
    "Usage: skyrelle-render PICTURE [--screen WIDTHxHEIGHT] --section N [--steps S] -o OUT.bmp\n"
    "Renders section N (1 to S, S being 8 unless given) of PICTURE (.bmp, .jpg, .jpeg or .png)\n"
    "as a WIDTH x HEIGHT 24-bit bitmap; without --screen, the primary screen's size.\n"
    "OUT.bmp must be a regular file or a new one.\n";

class EUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TArguments {
  std::string Picture;
  std::int32_t ScreenWidth = 0;
  std::int32_t ScreenHeight = 0;
  std::int32_t Section = 0;
  std::int32_t Steps = 8;
  std::string Output;
  bool Help = false;
};

std::int32_t ParsePositive(std::string_view Text, const std::string& What) {
  std::int32_t value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
  if (Error != std::errc() || End != Text.data() + Text.size() || value < 1) {
    throw EUsageError("invalid " + What + " \"" + std::string(Text) + "\"");
  }
  return value;
}

void ParseScreen(std::string_view Text, TArguments& Arguments) {
  const std::size_t cross = Text.find('x');
  if (cross == std::string_view::npos) {
    throw EUsageError("invalid screen size \"" + std::string(Text) + "\", expected WIDTHxHEIGHT");
  }
  Arguments.ScreenWidth = ParsePositive(Text.substr(0, cross), "screen width");
  Arguments.ScreenHeight = ParsePositive(Text.substr(cross + 1), "screen height");
}

void MeasurePrimaryScreen(TArguments& Arguments) {
  try {
    const skyrelle::platform::TScreenSize screen =
        skyrelle::platform::CreateScreen()->PrimaryScreenSize();
    Arguments.ScreenWidth = screen.Width;
    Arguments.ScreenHeight = screen.Height;
  } catch (const std::runtime_error& error) {
    throw EUsageError(std::string("no screen size given (--screen) and none to measure: ") +
                      error.what());
  }
}

bool IsKnownOption(std::string_view Argument) {
  return Argument == "--screen" || Argument == "--section" || Argument == "--steps" ||
         Argument == "-o";
}

TArguments ParseArguments(int Count, char** Values) {
  TArguments arguments;
  bool hasScreen = false;
  for (int i = 1; i < Count; ++i) {
    const std::string_view argument = Values[i];
    if (argument == "-h" || argument == "--help") {
      arguments.Help = true;
      return arguments;
    }
    const bool isOption = argument.size() > 1 && argument[0] == '-';
    if (!isOption) {
      if (!arguments.Picture.empty()) throw EUsageError("more than one picture given");
      arguments.Picture = argument;
      continue;
    }
    if (!IsKnownOption(argument)) throw EUsageError("unknown option " + std::string(argument));
    if (i + 1 >= Count) throw EUsageError("missing value after " + std::string(argument));
    const std::string_view value = Values[++i];
    if (argument == "--screen") {
      ParseScreen(value, arguments);
      hasScreen = true;
    } else if (argument == "--section") {
      arguments.Section = ParsePositive(value, "section");
    } else if (argument == "--steps") {
      arguments.Steps = ParsePositive(value, "number of steps");
    } else {
      arguments.Output = value;
    }
  }
  if (arguments.Picture.empty()) throw EUsageError("no picture given");
  if (arguments.Section == 0) throw EUsageError("no section given (--section)");
  if (arguments.Output.empty()) throw EUsageError("no output file given (-o)");
  if (!skyrelle::core::AsciiLowerCase(arguments.Output).ends_with(".bmp"))
    throw EUsageError("the output \"" + arguments.Output + "\" is not named .bmp");
  if (!hasScreen) MeasurePrimaryScreen(arguments);
  if (arguments.Section > arguments.Steps) {
    throw EUsageError("section " + std::to_string(arguments.Section) + " is beyond the last (" +
                      std::to_string(arguments.Steps) + ")");
  }
  return arguments;
}

// Every section of a picture narrower or shorter than the screen is the same, padded with
// white: worth saying, since the user may expect it scaled.
void ReportPadding(const skyrelle::imaging::TPictureSize& APicture, const TArguments& AArguments) {
  if (APicture.Width >= AArguments.ScreenWidth && APicture.Height >= AArguments.ScreenHeight)
    return;
  std::fprintf(stderr,
               "skyrelle-render: note: %s is %dx%d, smaller than the %dx%d screen; the section "
               "is padded with white\n",
               AArguments.Picture.c_str(), APicture.Width, APicture.Height, AArguments.ScreenWidth,
               AArguments.ScreenHeight);
}

}  // namespace

int main(int Count, char** Values) {
  try {
    const TArguments arguments = ParseArguments(Count, Values);
    if (arguments.Help) {
      std::fputs(Usage, stdout);
      return 0;
    }
    skyrelle::imaging::CheckBitmapTarget(arguments.Output);
    const skyrelle::imaging::TPictureSize picture = skyrelle::engine::RenderSection(
        arguments.Picture, arguments.ScreenWidth, arguments.ScreenHeight, arguments.Section - 1,
        arguments.Steps, arguments.Output);
    ReportPadding(picture, arguments);
    return 0;
  } catch (const EUsageError& error) {
    std::fprintf(stderr, "skyrelle-render: %s\n%s", error.what(), Usage);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "skyrelle-render: %s\n", error.what());
  }
  return 1;
}
