#include "update/PackageIntegrity.h"

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "update/Trim.h"

namespace skyrelle::update {
namespace {

constexpr std::size_t Ed25519KeySize = 32;
constexpr std::size_t Ed25519SignatureSize = 64;
// DER of a SubjectPublicKeyInfo for Ed25519, up to the 32 key bytes.
constexpr std::array<unsigned char, 12> Ed25519InfoPrefix = {0x30, 0x2a, 0x30, 0x05, 0x06, 0x03,
                                                             0x2b, 0x65, 0x70, 0x03, 0x21, 0x00};

struct TKeyFree {
  void operator()(EVP_PKEY* AKey) const { EVP_PKEY_free(AKey); }
};
using TKey = std::unique_ptr<EVP_PKEY, TKeyFree>;
struct TContextFree {
  void operator()(EVP_MD_CTX* AContext) const { EVP_MD_CTX_free(AContext); }
};
using TDigestContext = std::unique_ptr<EVP_MD_CTX, TContextFree>;

// Strict base64: whole groups of four, "=" only as padding at the end.
std::optional<std::string> DecodeBase64(std::string_view AText) {
  AText = Trim(AText);
  if (AText.empty() || AText.size() % 4 != 0) return std::nullopt;
  std::string bytes(AText.size() / 4 * 3, '\0');
  const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                     reinterpret_cast<const unsigned char*>(AText.data()),
                                     static_cast<int>(AText.size()));
  if (length < 0) return std::nullopt;
  const std::size_t padding = AText.ends_with("==") ? 2 : AText.ends_with('=') ? 1 : 0;
  bytes.resize(static_cast<std::size_t>(length) - padding);
  return bytes;
}

std::string EncodeBase64(std::string_view ABytes) {
  std::string text((ABytes.size() + 2) / 3 * 4 + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                     reinterpret_cast<const unsigned char*>(ABytes.data()),
                                     static_cast<int>(ABytes.size()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

TKey PublicKeyFrom(std::string_view ABase64) {
  std::optional<std::string> key = DecodeBase64(ABase64);
  if (!key) return nullptr;
  const std::string_view prefix(reinterpret_cast<const char*>(Ed25519InfoPrefix.data()),
                                Ed25519InfoPrefix.size());
  if (key->size() == prefix.size() + Ed25519KeySize && key->starts_with(prefix))
    key->erase(0, prefix.size());
  if (key->size() != Ed25519KeySize) return nullptr;
  return TKey(EVP_PKEY_new_raw_public_key(
      EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(key->data()), key->size()));
}

}  // namespace

std::string Sha256Hex(std::string_view ABytes) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int size = 0;
  EVP_Digest(ABytes.data(), ABytes.size(), digest.data(), &size, EVP_sha256(), nullptr);
  constexpr char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < size; ++i) {
    hex += digits[digest[i] >> 4];
    hex += digits[digest[i] & 0xF];
  }
  return hex;
}

bool VerifySignature(std::string_view ABytes, std::string_view ASignature,
                     std::string_view APublicKey) {
  const TKey key = PublicKeyFrom(APublicKey);
  const std::optional<std::string> signature = DecodeBase64(ASignature);
  if (!key || !signature || signature->size() != Ed25519SignatureSize) return false;
  const TDigestContext context(EVP_MD_CTX_new());
  return context &&
         EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
         EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature->data()),
                          signature->size(), reinterpret_cast<const unsigned char*>(ABytes.data()),
                          ABytes.size()) == 1;
}

std::string SignBytes(std::string_view ABytes, const std::string& APrivateKeyFile) {
  const std::optional<std::string> pem = ReadWholeFile(APrivateKeyFile);
  if (!pem) throw std::runtime_error("Cannot read the key " + APrivateKeyFile);
  BIO* source = BIO_new_mem_buf(pem->data(), static_cast<int>(pem->size()));
  const TKey key(PEM_read_bio_PrivateKey(source, nullptr, nullptr, nullptr));
  BIO_free(source);
  if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519)
    throw std::runtime_error(APrivateKeyFile + " holds no Ed25519 private key");
  std::string signature(Ed25519SignatureSize, '\0');
  std::size_t size = signature.size();
  const TDigestContext context(EVP_MD_CTX_new());
  if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
      EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                     reinterpret_cast<const unsigned char*>(ABytes.data()), ABytes.size()) != 1)
    throw std::runtime_error("Cannot sign with " + APrivateKeyFile);
  signature.resize(size);
  return EncodeBase64(signature);
}

}  // namespace skyrelle::update
