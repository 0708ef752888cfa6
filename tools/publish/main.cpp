// skyrelle-publish: writes what the maker's web site serves so that the program can update
// itself: the descriptor, the package and the cabinet for manual downloads, for the Linux
// program it was built with or for the Windows program.

#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/publish/Publish.h"

namespace {

using namespace skyrelle;

constexpr const char* Usage =
    "Usage: skyrelle-publish PROGRAM SITE_FOLDER [--move] [--notes TEXT] [--installer FILE]\n"
    "                        [--set-version A.B.C.D] [--unconditional] [--key PRIVATE_KEY_FILE]\n"
    "Writes below SITE_FOLDER/files/ the update descriptor, the package and the cabinet that\n"
    "the program reads from its maker's web site: a Linux program's into its platform folder,\n"
    "a Windows program's (Skyrelle.exe, known by its content) into files/ itself.\n"
    "  --move           the package is the bare program instead of a cabinet holding it\n"
    "  --notes TEXT     release notes for the About window; line breaks are kept\n"
    "  --installer FILE an installation program, offered by the About window\n"
    "  --set-version V  publish the program under version V instead of its own (Linux only:\n"
    "                   a Windows program's version is its VERSIONINFO, set by its build)\n"
    "  --unconditional  every start installs the package, whatever the versions say\n"
    "  --key FILE       sign the package with this Ed25519 private key (PEM)\n";

class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

publish::TPublishOptions Parse(const std::vector<std::string>& AArgs) {
  publish::TPublishOptions options;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < AArgs.size(); ++i) {
    const std::string& argument = AArgs[i];
    const auto operand = [&]() -> const std::string& {
      if (i + 1 >= AArgs.size()) throw EUsage(argument + " needs a value");
      return AArgs[++i];
    };
    if (argument == "--move") {
      options.MoveMode = true;
    } else if (argument == "--unconditional") {
      options.Unconditional = true;
    } else if (argument == "--notes") {
      options.Notes = operand();
    } else if (argument == "--installer") {
      options.Installer = operand();
    } else if (argument == "--set-version") {
      options.Version = publish::ParseReleaseVersion(operand());
    } else if (argument == "--key") {
      options.PrivateKey = operand();
    } else if (argument.starts_with("--")) {
      throw EUsage("Unknown option " + argument);
    } else {
      positional.push_back(argument);
    }
  }
  if (positional.size() != 2) throw EUsage("PROGRAM and SITE_FOLDER are needed");
  options.Program = positional[0];
  options.SiteFolder = positional[1];
  return options;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << Usage;
    return 0;
  }
  try {
    const publish::TPublished published = publish::Publish(Parse(args));
    std::cout << "Published version " << published.Version << ":\n"
              << "  descriptor " << published.Descriptor << "\n"
              << "  package    " << published.Package << "\n"
              << "  cabinet    " << published.Cabinet << "\n";
    if (!published.Installer.empty()) std::cout << "  installer  " << published.Installer << "\n";
    return 0;
  } catch (const EUsage& error) {
    std::cerr << "skyrelle-publish: " << error.what() << "\n" << Usage;
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "skyrelle-publish: " << error.what() << "\n";
    return 1;
  }
}
