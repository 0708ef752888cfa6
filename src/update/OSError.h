#pragma once

#include <stdexcept>

namespace skyrelle::update {

// An operating-system error with the runtime's text: "Erreur système.  Code : " and the code,
// a line break and the system's description of the code.
class EOSError : public std::runtime_error {
 public:
  explicit EOSError(int ErrorCode);
  int ErrorCode() const { return FErrorCode; }

 private:
  int FErrorCode;
};

}  // namespace skyrelle::update
