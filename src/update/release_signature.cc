#include "update/release_signature.h"

#include <sodium.h>

#include <cstdio>
#include <memory>

#include "platform/errors.h"
#include "platform/files.h"

namespace zarn {

static_assert(kPublicKeyBytes == crypto_sign_PUBLICKEYBYTES);
static_assert(kSecretKeyBytes == crypto_sign_SECRETKEYBYTES);
static_assert(kSignatureBytes == crypto_sign_BYTES);

namespace {

void StartSodium() {
  // Safe to call any number of times, from any thread.
  if (sodium_init() < 0) throw Error("The crypto library cannot start");
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

KeyPair GenerateKeyPair() {
  StartSodium();
  KeyPair pair;
  crypto_sign_keypair(pair.public_key.data(), pair.secret_key.data());
  return pair;
}

std::optional<PublicKey> ParsePublicKey(std::string_view hex) {
  if (hex.size() != 2 * kPublicKeyBytes) return std::nullopt;
  PublicKey key;
  std::size_t length = 0;
  const char* end = nullptr;
  if (sodium_hex2bin(key.data(), key.size(), hex.data(), hex.size(), nullptr, &length, &end) != 0 ||
      length != key.size() || end != hex.data() + hex.size())
    return std::nullopt;
  return key;
}

std::string ToHex(const PublicKey& key) {
  char hex[2 * kPublicKeyBytes + 1];
  sodium_bin2hex(hex, sizeof hex, key.data(), key.size());
  return hex;
}

PublicKey PublicKeyOf(const SecretKey& secret) {
  StartSodium();
  PublicKey key;
  crypto_sign_ed25519_sk_to_pk(key.data(), secret.data());
  return key;
}

std::string Sign(std::string_view message, const SecretKey& secret) {
  StartSodium();
  std::string signature(kSignatureBytes, '\0');
  crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size(), secret.data());
  return signature;
}

std::optional<std::string> ReadSignedFile(const std::string& path) {
  std::unique_ptr<FILE, FileCloser> file(OpenStdioFile(path, "rb"));
  if (!file) return std::nullopt;
  // Reads at most one byte past the cap rather than trusting the size on disk.
  std::string bytes;
  char buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    bytes.append(buffer, got);
    if (bytes.size() > kMaxSignedFileSize) return std::nullopt;
  }
  if (std::ferror(file.get())) return std::nullopt;
  return bytes;
}

bool IsSignedBy(const std::string& path, std::string_view signature, const PublicKey& key) {
  if (signature.size() != kSignatureBytes) return false;
  StartSodium();
  std::optional<std::string> message = ReadSignedFile(path);
  if (!message) return false;
  return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                     reinterpret_cast<const unsigned char*>(message->data()), message->size(),
                                     key.data()) == 0;
}

}  // namespace zarn
