// skyrelle-reg: reads and repairs the per-user settings store, after the manner of `reg`.

#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Text.h"
#include "settings/Registry.h"
#include "tools/reg/RegData.h"

namespace {

using namespace skyrelle;
using settings::TRegistry;

constexpr const char* Usage =
    "Usage: skyrelle-reg query KEY [/v NAME | /ve]\n"
    "       skyrelle-reg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
    "       skyrelle-reg delete KEY [/v NAME | /ve] [/f]\n"
    "KEY begins with HKCU\\ or HKEY_CURRENT_USER\\. TYPE is REG_SZ (the default), REG_EXPAND_SZ,\n"
    "REG_MULTI_SZ, REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_QWORD, REG_BINARY, REG_NONE or a type\n"
    "number. DATA is text (\\0 between REG_MULTI_SZ entries), a decimal or 0x number, or hex\n"
    "digits for the other types.\n";

constexpr const char* Hive = "HKEY_CURRENT_USER";
constexpr const char* NotFound =
    "The system was unable to find the specified registry key or value.";

// Bad arguments: reported with the usage text.
class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A request that could not be carried out.
class EFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TArguments {
  std::string Operation;
  std::string Key;                   // below the hive; empty for the hive's root
  std::optional<std::string> Value;  // "" for the default value (/ve)
  std::optional<std::string> Type;
  std::optional<std::string> Data;
  bool Force = false;
};

// "HKCU\Software\X" -> "Software\X"; the hive may be written in full and in any case.
std::string KeyBelowHive(const std::string& Key) {
  const std::size_t slash = Key.find('\\');
  const std::string hive = core::AsciiLowerCase(Key.substr(0, slash));
  if (hive != "hkcu" && hive != "hkey_current_user") throw EUsage("Invalid key name.");
  return slash == std::string::npos ? std::string() : Key.substr(slash + 1);
}

// "Invalid syntax." and what could not be used, so the user knows where to look.
EUsage InvalidSyntax(const std::string& Reason) {
  return EUsage("Invalid syntax: " + Reason + ".");
}

EUsage CannotUse(const std::string& Argument) {
  return InvalidSyntax("\"" + Argument + "\" cannot be used here");
}

void SetOnce(std::optional<std::string>& Option, const std::string& Argument, std::string Text) {
  if (Option) throw InvalidSyntax("\"" + Argument + "\" is given twice");
  Option = std::move(Text);
}

TArguments Parse(const std::vector<std::string>& Args) {
  if (Args.empty()) throw InvalidSyntax("no operation (query, add or delete) given");
  TArguments parsed;
  parsed.Operation = core::AsciiLowerCase(Args[0]);
  if (parsed.Operation != "query" && parsed.Operation != "add" && parsed.Operation != "delete")
    throw InvalidSyntax("\"" + Args[0] + "\" is no operation (query, add or delete)");
  if (Args.size() < 2) throw InvalidSyntax("no key given");
  parsed.Key = KeyBelowHive(Args[1]);
  const bool isAdd = parsed.Operation == "add";
  for (std::size_t i = 2; i < Args.size(); ++i) {
    std::string option = core::AsciiLowerCase(Args[i]);
    if (!option.empty() && option[0] == '-') option[0] = '/';
    const bool hasOperand = i + 1 < Args.size();
    const std::string& argument = Args[i];
    if (option == "/v" && hasOperand) {
      SetOnce(parsed.Value, argument, Args[++i]);
    } else if (option == "/ve") {
      SetOnce(parsed.Value, argument, "");
    } else if (option == "/t" && isAdd && hasOperand) {
      SetOnce(parsed.Type, argument, Args[++i]);
    } else if (option == "/d" && isAdd && hasOperand) {
      SetOnce(parsed.Data, argument, Args[++i]);
    } else if (option == "/f" && parsed.Operation != "query" && !parsed.Force) {
      parsed.Force = true;
    } else if ((option == "/v" || option == "/t" || option == "/d") && !hasOperand) {
      throw InvalidSyntax("\"" + argument + "\" needs a value after it");
    } else {
      throw CannotUse(argument);
    }
  }
  if (!parsed.Value && (parsed.Type || parsed.Data))
    throw InvalidSyntax("/t and /d need a value named with /v or /ve");
  return parsed;
}

std::string FullName(const std::string& Path) {
  return Path.empty() ? std::string(Hive) : std::string(Hive) + "\\" + Path;
}

std::string ValueLine(const std::string& Name, const settings::TRegValue& Value) {
  return "    " + (Name.empty() ? std::string("(Default)") : Name) + "    " +
         tools::TypeName(Value.Type) + "    " + tools::FormatData(Value) + "\n";
}

// Asks on the terminal; anything but a yes, or no answer at all, declines.
bool Confirm(const std::string& Question, bool Force) {
  if (Force) return true;
  std::cout << Question << " (Yes/No)? " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) std::cout << "\n";
  if (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y')) return true;
  throw EFailure("The operation was cancelled.");
}

// The tool's own text, then on a line of its own what the store knows of the failure.
EFailure OpenFailed(const TRegistry& Reg, const std::string& Text) {
  return EFailure(Reg.OpenFailure().empty() ? Text : Text + "\n" + Reg.OpenFailure());
}

void OpenExisting(TRegistry& Reg, const TArguments& Args) {
  if (!Reg.OpenKey(Args.Key, false)) throw OpenFailed(Reg, NotFound);
  if (Args.Value && !Reg.ValueExists(*Args.Value)) throw EFailure(NotFound);
}

// The names to show: all, or the one asked for with the case it was stored with.
std::vector<std::string> ShownValues(TRegistry& Reg, const TArguments& Args) {
  std::vector<std::string> names = Reg.GetValueNames();
  if (Args.Value) {
    std::erase_if(names, [&](const std::string& Name) {
      return core::FoldCase(Name) != core::FoldCase(*Args.Value);
    });
  }
  return names;
}

void Query(const TArguments& Args) {
  TRegistry reg(settings::KEY_READ);
  OpenExisting(reg, Args);
  const std::string name = FullName(reg.CurrentPath());
  std::cout << "\n" << name << "\n";
  for (const std::string& value : ShownValues(reg, Args)) {
    if (const auto data = reg.ReadValue(value)) std::cout << ValueLine(value, *data);
  }
  std::cout << "\n";
  if (!Args.Value) {
    for (const std::string& subkey : reg.GetKeyNames()) std::cout << name << "\\" << subkey << "\n";
  }
}

void Add(const TArguments& Args) {
  std::optional<std::uint32_t> type = settings::REG_SZ;
  if (Args.Type) type = tools::ParseType(*Args.Type);
  if (!type) throw EFailure("Invalid type '" + *Args.Type + "'.");
  const auto value = tools::ParseData(*type, Args.Data.value_or(""));
  if (!value)
    throw EFailure("Invalid data '" + Args.Data.value_or("") + "' for " + tools::TypeName(*type) +
                   ".");
  TRegistry reg(settings::KEY_ALL_ACCESS);
  if (!reg.OpenKey(Args.Key, true)) throw OpenFailed(reg, "Access is denied.");
  if (!Args.Value) return;
  if (reg.ValueExists(*Args.Value))
    Confirm("Value " + *Args.Value + " exists, overwrite", Args.Force);
  reg.WriteValue(*Args.Value, *value);
}

void Delete(const TArguments& Args) {
  TRegistry reg(settings::KEY_ALL_ACCESS);
  OpenExisting(reg, Args);
  if (Args.Value) {
    Confirm("Delete the registry value " + *Args.Value, Args.Force);
    if (!reg.DeleteValue(*Args.Value)) throw EFailure("Access is denied.");
    return;
  }
  if (Args.Key.empty()) throw EFailure("The root of the hive cannot be deleted.");
  Confirm("Permanently delete the registry key " + FullName(reg.CurrentPath()), Args.Force);
  reg.CloseKey();
  if (!reg.DeleteKey(Args.Key)) throw EFailure("Access is denied.");
}

int Run(const std::vector<std::string>& Args) {
  if (Args.size() == 1 && (Args[0] == "/?" || Args[0] == "-h" || Args[0] == "--help")) {
    std::cout << Usage;
    return 0;
  }
  try {
    const TArguments parsed = Parse(Args);
    if (parsed.Operation == "query") {
      Query(parsed);
      return 0;
    }
    parsed.Operation == "add" ? Add(parsed) : Delete(parsed);
    std::cout << "The operation completed successfully.\n";
    return 0;
  } catch (const EUsage& error) {
    std::cerr << "ERROR: " << error.what() << "\n" << Usage;
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << "\n";
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + 1, argv + argc)); }
