#include "platform/linux/FreshName.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "core/Paths.h"
#include "platform/FileSystem.h"

namespace skyrelle::platform {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t UniqueDigits = 16;

std::string UniquePart() {
  static std::atomic<std::uint64_t> counter{0};
  const auto now = std::chrono::system_clock::now().time_since_epoch().count();
  const std::uint64_t value = static_cast<std::uint64_t>(now) * 0x9E3779B97F4A7C15ull ^
                              (static_cast<std::uint64_t>(::getpid()) << 40) ^ ++counter;
  char buffer[UniqueDigits + 1];
  std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(value));
  return buffer;
}

// True for Prefix + 16 lower-case hex digits + Suffix.
bool IsFreshName(const std::string& Name, const std::string& Prefix, const std::string& Suffix) {
  if (Name.size() != Prefix.size() + UniqueDigits + Suffix.size()) return false;
  if (Name.compare(0, Prefix.size(), Prefix) != 0) return false;
  if (Name.compare(Name.size() - Suffix.size(), Suffix.size(), Suffix) != 0) return false;
  return Name.find_first_not_of("0123456789abcdef", Prefix.size()) == Name.size() - Suffix.size();
}

void RemoveOthers(const std::string& Folder, const std::string& Prefix, const std::string& Suffix,
                  const std::string& Keep) {
  std::error_code error;
  for (fs::directory_iterator it(Folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name != Keep && IsFreshName(name, Prefix, Suffix)) fs::remove(it->path(), error);
  }
}

[[noreturn]] void RaiseErrno(const std::string& What, const std::string& Path, int Error) {
  throw std::runtime_error(What + " \"" + Path + "\": " + std::strerror(Error));
}

void CopyFile(const std::string& From, const std::string& To) {
  const int in = ::open(From.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) RaiseErrno("Cannot read", From, errno);
  const int out = ::open(To.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) {
    const int error = errno;
    ::close(in);
    RaiseErrno("Cannot create", To, error);
  }
  char buffer[65536];
  ssize_t count = 0;
  int error = 0;
  while ((count = ::read(in, buffer, sizeof buffer)) > 0)
    if (::write(out, buffer, static_cast<size_t>(count)) != count) {
      error = errno ? errno : EIO;
      break;
    }
  if (count < 0) error = errno;
  ::close(in);
  if (::close(out) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(To.c_str());
    RaiseErrno("Cannot write", To, error);
  }
}

class TSameName final : public IFreshName {
 public:
  std::string Make(const std::string& FileName) override { return FileName; }
  void Keep(const std::string&, const std::string&) override {}
  void Drop(const std::string&) override {}
};

class TAliasBeside final : public IFreshName {
 public:
  std::string Make(const std::string& FileName) override {
    const std::string folder = core::ExtractFileDir(FileName);
    const auto [prefix, suffix] = Affixes(FileName);
    for (;;) {
      const std::string alias = core::JoinPath(folder, prefix + UniquePart() + suffix);
      if (::link(FileName.c_str(), alias.c_str()) == 0) return alias;
      if (errno == EEXIST) continue;
      if (errno == ENOENT) RaiseErrno("Cannot read", FileName, errno);
      CopyFile(FileName, alias);
      return alias;
    }
  }

  void Keep(const std::string& FileName, const std::string& Fresh) override {
    const auto [prefix, suffix] = Affixes(FileName);
    RemoveOthers(core::ExtractFileDir(FileName), prefix, suffix, core::ExtractFileName(Fresh));
  }

  void Drop(const std::string& Fresh) override { ::unlink(Fresh.c_str()); }

 private:
  static std::pair<std::string, std::string> Affixes(const std::string& FileName) {
    const std::string name = core::ExtractFileName(FileName);
    const std::string extension = core::ExtractFileExt(name);
    return {name.substr(0, name.size() - extension.size()) + "-", extension};
  }
};

class TRuntimeLink final : public IFreshName {
 public:
  std::string Make(const std::string& FileName) override {
    const std::string folder = Folder();
    for (;;) {
      const std::string link = core::JoinPath(folder, Prefix + UniquePart() + Suffix);
      if (::symlink(FileName.c_str(), link.c_str()) == 0) return link;
      if (errno != EEXIST) RaiseErrno("Cannot create", link, errno);
    }
  }

  void Keep(const std::string&, const std::string& Fresh) override {
    RemoveOthers(Folder(), Prefix, Suffix, core::ExtractFileName(Fresh));
  }

  void Drop(const std::string& Fresh) override { ::unlink(Fresh.c_str()); }

 private:
  static constexpr const char* Prefix = "wallpaper-";
  static constexpr const char* Suffix = ".bmp";

  static std::string Folder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string base = runtime != nullptr ? runtime : "";
    if (base.empty() || base[0] != '/' ||
        base.find_first_not_of(
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-") !=
            std::string::npos)
      throw std::runtime_error(
          "XDG_RUNTIME_DIR is not set to a plain absolute folder, so no safe file name can be "
          "given to the compositor");
    const std::string folder = core::JoinPath(base, "skyrelle");
    CreatePrivateFolder(folder);
    return folder;
  }
};

}  // namespace

std::unique_ptr<IFreshName> SameName() { return std::make_unique<TSameName>(); }
std::unique_ptr<IFreshName> AliasBeside() { return std::make_unique<TAliasBeside>(); }
std::unique_ptr<IFreshName> RuntimeLink() { return std::make_unique<TRuntimeLink>(); }

}  // namespace skyrelle::platform
