#include "UpdateTestSupport.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sys/stat.h>

#include <stdexcept>

#include "support/VersionRecord.h"

namespace skyrelle::test_support {

std::string ProgramBytes(const update::TFileVersion& AVersion, const std::string& AFiller) {
  return "#!" + AFiller + "\n" +
         VersionRecordFor(AVersion.Major, AVersion.Minor, AVersion.Release, AVersion.Build) + "\n" +
         AFiller + "\n";
}

int ModeOf(const std::string& AFileName) {
  struct stat info {};
  if (::lstat(AFileName.c_str(), &info) != 0) return -1;
  return static_cast<int>(info.st_mode & 07777);
}

std::string CabinetBytes(const std::vector<update::TCabinetFile>& AFiles) {
  return update::MakeCabinet(AFiles);
}

TSigningKey MakeSigningKey() {
  EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
  if (key == nullptr) throw std::runtime_error("no Ed25519 key");
  TSigningKey made;
  BIO* pem = BIO_new(BIO_s_mem());
  PEM_write_bio_PrivateKey(pem, key, nullptr, nullptr, 0, nullptr, nullptr);
  char* data = nullptr;
  const long size = BIO_get_mem_data(pem, &data);
  made.PrivatePem.assign(data, static_cast<std::size_t>(size));
  BIO_free(pem);

  const auto base64 = [](const unsigned char* ABytes, std::size_t ASize) {
    std::string text((ASize + 2) / 3 * 4 + 1, '\0');
    text.resize(static_cast<std::size_t>(EVP_EncodeBlock(
        reinterpret_cast<unsigned char*>(text.data()), ABytes, static_cast<int>(ASize))));
    return text;
  };
  unsigned char raw[32];
  std::size_t rawSize = sizeof raw;
  EVP_PKEY_get_raw_public_key(key, raw, &rawSize);
  made.PublicKey = base64(raw, rawSize);
  unsigned char* info = nullptr;
  const int infoSize = i2d_PUBKEY(key, &info);
  made.PublicKeyInfo = base64(info, static_cast<std::size_t>(infoSize));
  OPENSSL_free(info);
  EVP_PKEY_free(key);
  return made;
}

}  // namespace skyrelle::test_support
