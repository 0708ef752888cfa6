#include "UpdateTestSupport.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "update/FileVersion.h"

extern "C" const unsigned char skyrelle_version_record[32];
extern char** environ;

namespace skyrelle::update::testing {
namespace fs = std::filesystem;

std::string ProgramBytes(const TFileVersion& AVersion, const std::string& AFiller) {
  std::string bytes = "#!" + AFiller + "\n" +
                      std::string(reinterpret_cast<const char*>(skyrelle_version_record), 32) +
                      "\n" + AFiller + "\n";
  if (!StampVersionRecord(bytes, AVersion)) throw std::logic_error("no version record");
  return bytes;
}

pid_t Start(const std::vector<std::string>& AArguments) {
  std::vector<char*> argv;
  argv.reserve(AArguments.size() + 1);
  for (const std::string& argument : AArguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

int RunAndWait(const std::vector<std::string>& AArguments, const std::string& AWorkingFolder) {
  std::vector<std::string> arguments = AArguments;
  if (!AWorkingFolder.empty())
    arguments.insert(arguments.begin(), {"/usr/bin/env", "-C", AWorkingFolder});
  const pid_t pid = Start(arguments);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string ReadFile(const std::string& AFileName) {
  std::ifstream file(AFileName, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

int ModeOf(const std::string& AFileName) {
  struct stat info {};
  if (::lstat(AFileName.c_str(), &info) != 0) return -1;
  return static_cast<int>(info.st_mode & 07777);
}

std::vector<std::string> TreeOf(const std::string& AFolder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::recursive_directory_iterator it(AFolder, error), end; !error && it != end;
       it.increment(error))
    names.push_back(fs::relative(it->path(), AFolder).string());
  std::sort(names.begin(), names.end());
  return names;
}

bool WaitFor(double ASeconds, const std::function<bool()>& ACondition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(ASeconds);
  while (!ACondition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
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

}  // namespace skyrelle::update::testing
