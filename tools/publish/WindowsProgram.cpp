#include "tools/publish/WindowsProgram.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace skyrelle::publish {
namespace {

constexpr std::uint16_t DosSignature = 0x5A4D;     // "MZ"
constexpr std::uint32_t PeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t ResourceTypeVersion = 16;  // RT_VERSION
constexpr std::uint16_t VersionResourceId = 1;     // VS_VERSION_INFO
constexpr std::uint64_t DirectorySize = 8;         // a data directory's address and size
constexpr std::uint32_t SubdirectoryFlag = 0x80000000;
constexpr std::uint32_t FixedInfoSignature = 0xFEEF04BD;
constexpr std::uint64_t FixedInfoSize = 52;  // VS_FIXEDFILEINFO

[[noreturn]] void Damaged(const std::string& AWhat) {
  throw std::runtime_error("damaged Windows program: " + AWhat);
}

[[noreturn]] void NoVersionResource() {
  throw std::runtime_error("a Windows program without version resource (VERSIONINFO)");
}

// A part of the file, read little-endian; nothing is read beyond its end.
class TBytes {
 public:
  TBytes(std::string_view ABytes, const char* AName) : FBytes(ABytes), FName(AName) {}

  TBytes Slice(std::uint64_t AOffset, std::uint64_t ASize, const char* AName) const {
    Require(AOffset, ASize);
    return {FBytes.substr(AOffset, ASize), AName};
  }
  std::uint16_t U16(std::uint64_t AOffset) const {
    return static_cast<std::uint16_t>(Number(AOffset, 2));
  }
  std::uint32_t U32(std::uint64_t AOffset) const {
    return static_cast<std::uint32_t>(Number(AOffset, 4));
  }

 private:
  void Require(std::uint64_t AOffset, std::uint64_t ASize) const {
    if (AOffset > FBytes.size() || ASize > FBytes.size() - AOffset)
      Damaged(std::string("an offset points beyond the end of ") + FName);
  }
  std::uint64_t Number(std::uint64_t AOffset, std::size_t ASize) const {
    Require(AOffset, ASize);
    std::uint64_t value = 0;
    for (std::size_t i = ASize; i-- > 0;)
      value = value << 8 | static_cast<unsigned char>(FBytes[AOffset + i]);
    return value;
  }

  std::string_view FBytes;
  const char* FName;
};

struct TSection {
  std::uint32_t Address = 0;  // relative virtual address
  std::uint32_t Size = 0;     // of its bytes in the file
  std::uint32_t Offset = 0;   // of its bytes in the file
};

struct THeaders {
  std::vector<TSection> Sections;
  std::uint32_t ResourceAddress = 0;
  std::uint32_t ResourceSize = 0;
};

THeaders ReadHeaders(const TBytes& AFile) {
  if (AFile.U16(0) != DosSignature) throw std::runtime_error("not a Windows program");
  const std::uint64_t peHeader = AFile.U32(0x3C);
  if (AFile.U32(peHeader) != PeSignature) Damaged("no PE header where its DOS header points");
  const std::uint64_t fileHeader = peHeader + 4;
  const std::uint16_t sectionCount = AFile.U16(fileHeader + 2);
  const std::uint16_t optionalSize = AFile.U16(fileHeader + 16);
  const std::uint64_t optional = fileHeader + 20;
  // The data directories begin after the optional header's fields of a 32-bit or 64-bit program.
  const std::uint16_t kind = AFile.U16(optional);
  if (kind != 0x10B && kind != 0x20B) Damaged("an optional header of unknown kind");
  const std::uint64_t directories = kind == 0x10B ? 96 : 112;
  THeaders headers;
  // The resource table is the third data directory; a header too short for it has none.
  if (directories + 3 * DirectorySize <= optionalSize &&
      AFile.U32(optional + directories - 4) > 2) {
    headers.ResourceAddress = AFile.U32(optional + directories + 2 * DirectorySize);
    headers.ResourceSize = AFile.U32(optional + directories + 2 * DirectorySize + 4);
  }
  const std::uint64_t table = optional + optionalSize;
  for (std::uint64_t i = 0; i < sectionCount; ++i) {
    const std::uint64_t entry = table + 40 * i;
    headers.Sections.push_back({.Address = AFile.U32(entry + 12),
                                .Size = AFile.U32(entry + 16),
                                .Offset = AFile.U32(entry + 20)});
  }
  return headers;
}

// The file's bytes that a loaded program would find at the relative virtual address.
TBytes At(const TBytes& AFile, const THeaders& AHeaders, std::uint32_t AAddress,
          std::uint32_t ASize, const char* AName) {
  for (const TSection& section : AHeaders.Sections) {
    if (AAddress >= section.Address &&
        std::uint64_t{AAddress} + ASize <= std::uint64_t{section.Address} + section.Size)
      return AFile.Slice(std::uint64_t{section.Offset} + (AAddress - section.Address), ASize,
                         AName);
  }
  Damaged(std::string(AName) + " lies outside the program's sections");
}

// The OffsetToData of the entry with the id in the resource directory at ADirectory, or of its
// first entry, whatever its name, without an id.
std::uint32_t FindEntry(const TBytes& AResources, std::uint64_t ADirectory,
                        std::optional<std::uint16_t> AId) {
  const std::uint64_t named = AResources.U16(ADirectory + 12);
  const std::uint64_t count = named + AResources.U16(ADirectory + 14);
  // Entries named by a text come before those with an id.
  for (std::uint64_t i = AId ? named : 0; i < count; ++i) {
    const std::uint64_t entry = ADirectory + 16 + 8 * i;
    if (!AId || AResources.U32(entry) == *AId) return AResources.U32(entry + 4);
  }
  NoVersionResource();
}

std::uint32_t Subdirectory(std::uint32_t AOffsetToData) {
  if ((AOffsetToData & SubdirectoryFlag) == 0) Damaged("a resource where a folder belongs");
  return AOffsetToData & ~SubdirectoryFlag;
}

// The version resource, in the first language the program holds it in (the build writes one).
TBytes VersionResource(const TBytes& AFile) {
  const THeaders headers = ReadHeaders(AFile);
  if (headers.ResourceAddress == 0 || headers.ResourceSize == 0) NoVersionResource();
  const TBytes resources =
      At(AFile, headers, headers.ResourceAddress, headers.ResourceSize, "the resource directory");
  const std::uint32_t names = Subdirectory(FindEntry(resources, 0, ResourceTypeVersion));
  const std::uint32_t languages = Subdirectory(FindEntry(resources, names, VersionResourceId));
  const std::uint32_t data = FindEntry(resources, languages, std::nullopt);
  if ((data & SubdirectoryFlag) != 0) Damaged("a folder where the version resource belongs");
  return At(AFile, headers, resources.U32(data), resources.U32(data + 4), "the version resource");
}

}  // namespace

bool IsWindowsProgram(std::string_view AFileBytes) { return AFileBytes.starts_with("MZ"); }

update::TFileVersion ReadWindowsFileVersion(std::string_view AFileBytes) {
  const TBytes version = VersionResource(TBytes(AFileBytes, "the file"));
  // VS_VERSIONINFO: its length, its value's length and type, the key in UTF-16 with its
  // terminator, then the value, VS_FIXEDFILEINFO, on a 32-bit boundary.
  constexpr std::u16string_view key = u"VS_VERSION_INFO";
  for (std::uint64_t i = 0; i <= key.size(); ++i) {
    if (version.U16(6 + 2 * i) != (i < key.size() ? key[i] : 0))
      Damaged("a version resource without its VS_VERSION_INFO key");
  }
  constexpr std::uint64_t value = (6 + 2 * (key.size() + 1) + 3) / 4 * 4;
  if (version.U16(2) < FixedInfoSize) Damaged("a version resource without fixed file information");
  const TBytes fixed = version.Slice(value, FixedInfoSize, "the fixed file information");
  if (fixed.U32(0) != FixedInfoSignature)
    Damaged("a version resource without fixed file information");
  const std::uint32_t high = fixed.U32(8);
  const std::uint32_t low = fixed.U32(12);
  return {static_cast<std::uint16_t>(high >> 16), static_cast<std::uint16_t>(high & 0xFFFF),
          static_cast<std::uint16_t>(low >> 16), static_cast<std::uint16_t>(low & 0xFFFF)};
}

}  // namespace skyrelle::publish
