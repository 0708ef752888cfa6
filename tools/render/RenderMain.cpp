// skyrelle-render: renders one section of a picture to a bitmap, exactly as the wallpaper is
// rendered, without touching the stored state or the desktop.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

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
  std::int32_t Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Error != std::errc() || End != Text.data() + Text.size() || Value < 1) {
    throw EUsageError("invalid " + What + " \"" + std::string(Text) + "\"");
  }
  return Value;
}

void ParseScreen(std::string_view Text, TArguments& Arguments) {
  const std::size_t Cross = Text.find('x');
  if (Cross == std::string_view::npos) {
    throw EUsageError("invalid screen size \"" + std::string(Text) + "\", expected WIDTHxHEIGHT");
  }
  Arguments.ScreenWidth = ParsePositive(Text.substr(0, Cross), "screen width");
  Arguments.ScreenHeight = ParsePositive(Text.substr(Cross + 1), "screen height");
}

void MeasurePrimaryScreen(TArguments& Arguments) {
  try {
    const skyrelle::platform::TScreenSize Screen =
        skyrelle::platform::CreateScreen()->PrimaryScreenSize();
    Arguments.ScreenWidth = Screen.Width;
    Arguments.ScreenHeight = Screen.Height;
  } catch (const std::runtime_error& Error) {
    throw EUsageError(std::string("no screen size given (--screen) and none to measure: ") +
                      Error.what());
  }
}

TArguments ParseArguments(int Count, char** Values) {
  TArguments Arguments;
  bool HasScreen = false;
  for (int I = 1; I < Count; ++I) {
    const std::string_view Argument = Values[I];
    if (Argument == "-h" || Argument == "--help") {
      Arguments.Help = true;
      return Arguments;
    }
    const bool IsOption = Argument.size() > 1 && Argument[0] == '-';
    if (!IsOption) {
      if (!Arguments.Picture.empty()) throw EUsageError("more than one picture given");
      Arguments.Picture = Argument;
      continue;
    }
    if (I + 1 >= Count) throw EUsageError("missing value after " + std::string(Argument));
    const std::string_view Value = Values[++I];
    if (Argument == "--screen") {
      ParseScreen(Value, Arguments);
      HasScreen = true;
    } else if (Argument == "--section") {
      Arguments.Section = ParsePositive(Value, "section");
    } else if (Argument == "--steps") {
      Arguments.Steps = ParsePositive(Value, "number of steps");
    } else if (Argument == "-o") {
      Arguments.Output = Value;
    } else {
      throw EUsageError("unknown option " + std::string(Argument));
    }
  }
  if (Arguments.Picture.empty()) throw EUsageError("no picture given");
  if (Arguments.Section == 0) throw EUsageError("no section given (--section)");
  if (Arguments.Output.empty()) throw EUsageError("no output file given (-o)");
  if (!HasScreen) MeasurePrimaryScreen(Arguments);
  if (Arguments.Section > Arguments.Steps) {
    throw EUsageError("section " + std::to_string(Arguments.Section) + " is beyond the last (" +
                      std::to_string(Arguments.Steps) + ")");
  }
  return Arguments;
}

}  // namespace

int main(int Count, char** Values) {
  try {
    const TArguments Arguments = ParseArguments(Count, Values);
    if (Arguments.Help) {
      std::fputs(Usage, stdout);
      return 0;
    }
    skyrelle::imaging::CheckBitmapTarget(Arguments.Output);
    skyrelle::engine::RenderSection(Arguments.Picture, Arguments.ScreenWidth,
                                    Arguments.ScreenHeight, Arguments.Section - 1, Arguments.Steps,
                                    Arguments.Output);
    return 0;
  } catch (const EUsageError& Error) {
    std::fprintf(stderr, "skyrelle-render: %s\n%s", Error.what(), Usage);
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "skyrelle-render: %s\n", Error.what());
  }
  return 1;
}
