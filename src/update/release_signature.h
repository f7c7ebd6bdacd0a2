// Ed25519 signatures of release executables. The update installs a program
// only when its detached signature verifies under the release public key
// compiled into the running build.
//
// The signature is plain Ed25519 (libsodium's crypto_sign_detached) over the
// whole program file, not a signature of a hash: any Ed25519 tool can check a
// release. Pure Ed25519 needs the whole message in memory, so signing and
// checking read the file once, whole, and refuse files above
// kMaxSignedFileSize; the download stops at the same size.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

constexpr std::size_t kPublicKeyBytes = 32;
constexpr std::size_t kSecretKeyBytes = 64;
constexpr std::size_t kSignatureBytes = 64;
// Present executables are a few MB; the cap leaves ample room and bounds the
// memory the check takes.
constexpr std::size_t kMaxSignedFileSize = std::size_t{64} << 20;

using PublicKey = std::array<unsigned char, kPublicKeyBytes>;
using SecretKey = std::array<unsigned char, kSecretKeyBytes>;

struct KeyPair {
  PublicKey public_key;
  SecretKey secret_key;
};

// A fresh random key pair. Throws Error when the crypto library cannot start.
KeyPair GenerateKeyPair();

// The key from exactly 64 hex digits (either case); nothing for anything else,
// including the empty text of a build without a key.
std::optional<PublicKey> ParsePublicKey(std::string_view hex);
std::string ToHex(const PublicKey& key);

// The public half kept inside a secret key.
PublicKey PublicKeyOf(const SecretKey& secret);

// The 64-byte detached signature of `message`.
std::string Sign(std::string_view message, const SecretKey& secret);

// The whole file, or nothing when it cannot be read or is larger than
// kMaxSignedFileSize.
std::optional<std::string> ReadSignedFile(const std::string& path);

// True only when `signature` is a valid signature of the file at `path`
// under `key`. A file that cannot be read or is too large is not signed.
bool IsSignedBy(const std::string& path, std::string_view signature, const PublicKey& key);

}  // namespace zarn
