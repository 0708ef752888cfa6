#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skyrelle::update {

// A package's own checks beyond HTTPS: its SHA-256 digest, and an Ed25519 signature by the
// maker's key, so that a site that serves something else is caught.

// The SHA-256 digest of the bytes in lower-case hexadecimal.
std::string Sha256Hex(std::string_view ABytes);

// True when ASignature (base64) is a valid Ed25519 signature of ABytes by APublicKey (base64 of
// the 32-byte key, or of its SubjectPublicKeyInfo form as "openssl pkey -pubout" writes it).
// A key or signature that cannot be read makes it false. Windows has no Ed25519 of its own:
// there it is always false, so a build that requires a signature takes no package.
// Never raises.
bool VerifySignature(std::string_view ABytes, std::string_view ASignature,
                     std::string_view APublicKey);

// The base64 Ed25519 signature of ABytes by the private key in the PEM file (Linux, for the
// publishing tool). Raises std::runtime_error when the file holds no Ed25519 private key.
std::string SignBytes(std::string_view ABytes, const std::string& APrivateKeyFile);

// The whole file; nothing when it is not a regular file that can be read.
std::optional<std::string> ReadWholeFile(const std::string& AFileName);

}  // namespace skyrelle::update
