#include "support/ScopedVariable.h"

#include <stdlib.h>

namespace skyrelle::test_support {

TScopedVariable::TScopedVariable(const char* Name, const std::optional<std::string>& Value)
    : FName(Name) {
  if (const char* old = ::getenv(Name)) FOld = old;
  Set(Value);
}

TScopedVariable::~TScopedVariable() { Set(FOld); }

void TScopedVariable::Set(const std::optional<std::string>& Value) const {
  if (Value)
    ::setenv(FName.c_str(), Value->c_str(), 1);
  else
    ::unsetenv(FName.c_str());
}

}  // namespace skyrelle::test_support
