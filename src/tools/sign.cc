// zarn-sign: makes the release key and signs release programs.
//   zarn-sign keygen SECRET_FILE      writes a new secret key, prints the public key
//   zarn-sign sign SECRET_FILE PROGRAM  writes PROGRAM.sig
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "platform/errors.h"
#include "text/script.h"
#include "update/release_signature.h"

namespace {

constexpr char kUsage[] =
    "Usage: zarn-sign keygen SECRET_FILE\n"
    "       zarn-sign sign SECRET_FILE PROGRAM\n"
    "keygen writes a new secret key to SECRET_FILE (mode 0600, never over an\n"
    "existing file) and prints the public key for -DZARN_UPDATE_PUBLIC_KEY.\n"
    "sign writes the signature of PROGRAM to PROGRAM.sig.\n";

[[noreturn]] void Fail(const std::string& message) { throw zarn::Error(message); }

// Creates `path` readable by its owner only; an existing file is never replaced.
void WriteSecretFile(const std::string& path, const zarn::SecretKey& secret) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) Fail("Cannot create " + path + ": " + std::strerror(errno));
  bool ok = fchmod(fd, 0600) == 0 && write(fd, secret.data(), secret.size()) == static_cast<ssize_t>(secret.size());
  const int saved = errno;
  ok = close(fd) == 0 && ok;
  if (!ok) {
    unlink(path.c_str());
    Fail("Cannot write " + path + ": " + std::strerror(saved));
  }
}

zarn::SecretKey ReadSecretFile(const std::string& path) {
  const std::string bytes = zarn::ReadFileBytes(path);
  zarn::SecretKey secret;
  if (bytes.size() != secret.size())
    Fail(path + " is not a secret key from zarn-sign keygen (" + std::to_string(secret.size()) + " bytes expected)");
  std::memcpy(secret.data(), bytes.data(), secret.size());
  return secret;
}

void KeyGen(const std::string& secret_path) {
  const zarn::KeyPair pair = zarn::GenerateKeyPair();
  WriteSecretFile(secret_path, pair.secret_key);
  std::cout << zarn::ToHex(pair.public_key) << "\n";
}

void SignProgram(const std::string& secret_path, const std::string& program_path) {
  const zarn::SecretKey secret = ReadSecretFile(secret_path);
  const std::optional<std::string> program = zarn::ReadSignedFile(program_path);
  if (!program)
    Fail("Cannot read " + program_path + ", or it is larger than " + std::to_string(zarn::kMaxSignedFileSize >> 20) +
         " MiB");
  const std::string signature_path = program_path + ".sig";
  zarn::WriteFileBytes(signature_path, zarn::Sign(*program, secret));
  // The key to compare with the build's ZARN_UPDATE_PUBLIC_KEY.
  std::cout << signature_path << " written for public key " << zarn::ToHex(zarn::PublicKeyOf(secret)) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const bool keygen = mode == "keygen" && argc == 3;
  const bool sign = mode == "sign" && argc == 4;
  if (!keygen && !sign) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    if (keygen) KeyGen(argv[2]);
    if (sign) SignProgram(argv[2], argv[3]);
  } catch (const std::exception& e) {
    std::cerr << "zarn-sign: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
