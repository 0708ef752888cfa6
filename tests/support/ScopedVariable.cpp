#include "support/ScopedVariable.h"

#include <stdlib.h>

namespace skyrelle::test_support {

TScopedVariable::TScopedVariable(const char* Name, const std::optional<std::string>& Value)
    : FName(Name) {
  if (const char* old = ::getenv(Name)) FOld = old;
  Set(Value);
}

TScopedVariable::~TScopedVariable() { Set(FOld); }

// The C runtime of Windows has no setenv; an empty value there removes the variable.
void TScopedVariable::Set(const std::optional<std::string>& Value) const {
#ifdef _WIN32
  ::_putenv_s(FName.c_str(), Value ? Value->c_str() : "");
#else
  if (Value)
    ::setenv(FName.c_str(), Value->c_str(), 1);
  else
    ::unsetenv(FName.c_str());
#endif
}

}  // namespace skyrelle::test_support
