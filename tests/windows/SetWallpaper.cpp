// set-wallpaper FILE: hands FILE to the desktop through the program's own wallpaper setter.
#include <cstdio>

#include "platform/IWallpaperSetter.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: set-wallpaper FILE\n", stderr);
    return 2;
  }
  const skyrelle::platform::TWallpaperResult result =
      skyrelle::platform::CreateWallpaperSetter()->SetWallpaper(argv[1]);
  if (!result.Applied) std::fprintf(stderr, "set-wallpaper: %s\n", result.Error.c_str());
  return result.Applied ? 0 : 1;
}
