// Starts as Skyrelle does, up to the update check, without a window: exit code 0 for a normal
// start, 3 when the mark of a start made by the replacement script is still in the environment.
#include <cstdlib>

#include "update/UpdateCheck.h"

int main() {
  skyrelle::update::CheckForUpdateAtStart();
  return std::getenv("SKYRELLE_UPDATED") != nullptr ? 3 : 0;
}
