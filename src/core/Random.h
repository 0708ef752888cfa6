#pragma once

#include <cstddef>
#include <cstdint>
#include <random>

namespace skyrelle::core {

// Chance for choices that should look random to the user; tests give a fixed seed.
class IRandom {
 public:
  virtual ~IRandom() = default;
  // A number from 0 to Count - 1, each equally likely; Count must be positive.
  virtual std::size_t Below(std::size_t Count) = 0;
};

class TRandom final : public IRandom {
 public:
  // Seeded from the clock, so every run of the program chooses differently.
  TRandom();
  explicit TRandom(std::uint32_t Seed) : FGenerator(Seed) {}

  std::size_t Below(std::size_t Count) override;

 private:
  std::mt19937 FGenerator;
};

}  // namespace skyrelle::core
