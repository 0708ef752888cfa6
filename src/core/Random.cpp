#include "core/Random.h"

#include <chrono>

namespace skyrelle::core {

TRandom::TRandom()
    : FGenerator(static_cast<std::mt19937::result_type>(
          std::chrono::high_resolution_clock::now().time_since_epoch().count())) {}

std::size_t TRandom::Below(std::size_t Count) {
  return std::uniform_int_distribution<std::size_t>(0, Count - 1)(FGenerator);
}

}  // namespace skyrelle::core
