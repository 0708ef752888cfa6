#include "analytics/JsonWriter.h"

#include <cstdio>

#include "core/Text.h"

namespace skyrelle::analytics {
namespace {

void AppendEscaped(std::string& AOut, char16_t AUnit) {
  switch (AUnit) {
    case u'"':
      AOut += "\\\"";
      return;
    case u'\\':
      AOut += "\\\\";
      return;
    case u'\b':
      AOut += "\\b";
      return;
    case u'\t':
      AOut += "\\t";
      return;
    case u'\n':
      AOut += "\\n";
      return;
    case u'\f':
      AOut += "\\f";
      return;
    case u'\r':
      AOut += "\\r";
      return;
    default:
      break;
  }
  if (AUnit >= 0x20 && AUnit <= 0x7F) {
    AOut += static_cast<char>(AUnit);
    return;
  }
  char escape[7];
  std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(AUnit));
  AOut += escape;
}

}  // namespace

std::string JsonString(std::string_view AText) {
  std::string out = "\"";
  for (const char16_t unit : core::Utf8ToUtf16(AText)) AppendEscaped(out, unit);
  out += '"';
  return out;
}

std::string JsonObject(std::initializer_list<std::pair<std::string_view, std::string>> AMembers) {
  std::string out = "{";
  for (const auto& [name, value] : AMembers) {
    if (out.size() > 1) out += ',';
    out += JsonString(name) + ':' + value;
  }
  out += '}';
  return out;
}

std::string JsonArray(std::initializer_list<std::string> AElements) {
  std::string out = "[";
  for (const std::string& element : AElements) {
    if (out.size() > 1) out += ',';
    out += element;
  }
  out += ']';
  return out;
}

}  // namespace skyrelle::analytics
