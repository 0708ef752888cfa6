#include "platform/Collation.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stringpiece.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <cstdlib>
#include <memory>

namespace skyrelle::platform {
namespace {

// "de_DE.UTF-8@euro" -> "de_DE", taken from LC_ALL, the category's variable or LANG as the C
// library does; empty for the C locale or when none is set, which use the root locale's rules.
std::string UserLocale(const char* Category) {
  for (const char* name : {"LC_ALL", Category, "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    std::string locale(value);
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale == "C" || locale == "POSIX") return "";
    return locale;
  }
  return "";
}

std::unique_ptr<icu::Collator> MakeCollator() {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(
      icu::Collator::createInstance(icu::Locale(UserLocale("LC_COLLATE").c_str()), status));
  if (U_FAILURE(status) || !collator) {
    status = U_ZERO_ERROR;
    collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
  }
  if (collator) collator->setStrength(icu::Collator::SECONDARY);
  return collator;
}

}  // namespace

int CompareTextByLocale(std::string_view Left, std::string_view Right) {
  static const std::unique_ptr<icu::Collator> UserCollator = MakeCollator();
  if (!UserCollator) return Left.compare(Right);
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult result = UserCollator->compareUTF8(
      icu::StringPiece(Left.data(), static_cast<int32_t>(Left.size())),
      icu::StringPiece(Right.data(), static_cast<int32_t>(Right.size())), status);
  return U_FAILURE(status) ? Left.compare(Right) : static_cast<int>(result);
}

std::string FoldTextCase(std::string_view Text) {
  std::string out;
  out.reserve(Text.size());
  const auto length = static_cast<int32_t>(Text.size());
  for (int32_t pos = 0; pos < length;) {
    UChar32 code = 0;
    U8_NEXT(Text.data(), pos, length, code);
    if (code < 0) code = 0xFFFD;
    code = u_foldCase(code, U_FOLD_CASE_DEFAULT);
    char bytes[U8_MAX_LENGTH];
    int32_t size = 0;
    U8_APPEND_UNSAFE(bytes, size, code);
    out.append(bytes, static_cast<std::size_t>(size));
  }
  return out;
}

std::string LowerCaseByLocale(std::string_view Text) {
  static const icu::Locale UserCaseLocale(UserLocale("LC_CTYPE").c_str());
  std::string lower;
  icu::UnicodeString::fromUTF8(icu::StringPiece(Text.data(), static_cast<int32_t>(Text.size())))
      .toLower(UserCaseLocale)
      .toUTF8String(lower);
  return lower;
}

}  // namespace skyrelle::platform
