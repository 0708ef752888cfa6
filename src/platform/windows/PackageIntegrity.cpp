#include "update/PackageIntegrity.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

namespace skyrelle::update {
namespace {

constexpr std::size_t Sha256Size = 32;

struct TAlgorithmClose {
  void operator()(BCRYPT_ALG_HANDLE AHandle) const { BCryptCloseAlgorithmProvider(AHandle, 0); }
};
struct THashDestroy {
  void operator()(BCRYPT_HASH_HANDLE AHandle) const { BCryptDestroyHash(AHandle); }
};

void Require(NTSTATUS AStatus) {
  if (!BCRYPT_SUCCESS(AStatus))
    throw std::runtime_error("SHA-256 is not available: NTSTATUS " + std::to_string(AStatus));
}

}  // namespace

std::string Sha256Hex(std::string_view ABytes) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  Require(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
  const std::unique_ptr<void, TAlgorithmClose> ownedAlgorithm(algorithm);
  BCRYPT_HASH_HANDLE hash = nullptr;
  Require(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  const std::unique_ptr<void, THashDestroy> ownedHash(hash);
  // The call takes at most 4 GiB at once.
  while (!ABytes.empty()) {
    const auto chunk =
        static_cast<ULONG>(std::min<std::size_t>(ABytes.size(), std::numeric_limits<ULONG>::max()));
    Require(
        BCryptHashData(hash, reinterpret_cast<UCHAR*>(const_cast<char*>(ABytes.data())), chunk, 0));
    ABytes.remove_prefix(chunk);
  }
  std::array<UCHAR, Sha256Size> digest{};
  Require(BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
  constexpr char digits[] = "0123456789abcdef";
  std::string hex;
  for (const UCHAR byte : digest) {
    hex += digits[byte >> 4];
    hex += digits[byte & 0xF];
  }
  return hex;
}

// Windows offers no Ed25519, and a package must not pass a check that was never made.
bool VerifySignature(std::string_view, std::string_view, std::string_view) { return false; }

}  // namespace skyrelle::update
