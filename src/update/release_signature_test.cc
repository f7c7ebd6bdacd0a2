#include "update/release_signature.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "text/script.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using namespace testing_util;

TEST(ReleaseSignatureTest, PublicKeyIsExactlySixtyFourHexDigits) {
  const KeyPair pair = GenerateKeyPair();
  const std::string hex = ToHex(pair.public_key);
  ASSERT_EQ(hex.size(), 64u);
  EXPECT_EQ(ParsePublicKey(hex), pair.public_key);
  std::string upper = hex;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(ParsePublicKey(upper), pair.public_key);
  EXPECT_EQ(PublicKeyOf(pair.secret_key), pair.public_key);
  for (const std::string& bad : {std::string(), hex.substr(2), hex + "00", hex.substr(1) + "x",
                                 " " + hex.substr(1), hex.substr(0, 30) + ":" + hex.substr(31)})
    EXPECT_FALSE(ParsePublicKey(bad)) << bad;
}

TEST(ReleaseSignatureTest, FilesOverTheCapAreNeitherReadNorSigned) {
  TempDir dir;
  const KeyPair pair = GenerateKeyPair();
  WriteFileBytes(dir / "big", "");
  fs::resize_file(dir / "big", kMaxSignedFileSize);
  std::optional<std::string> whole = ReadSignedFile(dir / "big");
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->size(), kMaxSignedFileSize);
  const std::string signature = Sign(*whole, pair.secret_key);
  whole.reset();
  EXPECT_TRUE(IsSignedBy(dir / "big", signature, pair.public_key));

  fs::resize_file(dir / "big", kMaxSignedFileSize + 1);
  EXPECT_FALSE(ReadSignedFile(dir / "big"));
  EXPECT_FALSE(IsSignedBy(dir / "big", signature, pair.public_key));
  EXPECT_FALSE(ReadSignedFile(dir / "missing"));
}

const std::string kSign = Quote(std::string(ZARN_BINARY_DIR) + "/zarn-sign");

TEST(SignToolTest, KeygenThenSignGivesAVerifyingSignature) {
  TempDir dir;
  auto r = RunCommand(kSign + " keygen " + Quote(dir / "secret"), dir.path());
  ASSERT_EQ(r.exit_code, 0) << r.err;
  ASSERT_EQ(r.out.size(), 65u);  // 64 hex digits and a line break
  const std::optional<PublicKey> key = ParsePublicKey(r.out.substr(0, 64));
  ASSERT_TRUE(key);
  struct stat info {};
  ASSERT_EQ(stat((dir / "secret").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // A second keygen never replaces the secret key.
  const std::string secret = ReadFileBytes(dir / "secret");
  EXPECT_EQ(RunCommand(kSign + " keygen " + Quote(dir / "secret"), dir.path()).exit_code, 1);
  EXPECT_EQ(ReadFileBytes(dir / "secret"), secret);

  WriteFileBytes(dir / "program", "\x7f" "ELF release");
  r = RunCommand(kSign + " sign " + Quote(dir / "secret") + " " + Quote(dir / "program"), dir.path());
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find(ToHex(*key)), std::string::npos);
  EXPECT_TRUE(IsSignedBy(dir / "program", ReadFileBytes(dir / "program.sig"), *key));
}

TEST(SignToolTest, BadUsageAndBadKeysAreRefused) {
  TempDir dir;
  for (const char* args : {"", "keygen", "sign a", "keygen a b", "verify a b", "sign a b c"}) {
    auto r = RunCommand(kSign + " " + args, dir.path());
    EXPECT_EQ(r.exit_code, 2) << args;
    EXPECT_NE(r.err.find("Usage: zarn-sign"), std::string::npos) << args;
  }
  WriteFileBytes(dir / "not-a-key", "secret");
  WriteFileBytes(dir / "program", "program");
  auto r = RunCommand(kSign + " sign " + Quote(dir / "not-a-key") + " " + Quote(dir / "program"),
                      dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("not a secret key"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "program.sig"));
}

}  // namespace
}  // namespace zarn
