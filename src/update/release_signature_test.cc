#include "update/release_signature.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/scratch_folder.h"
#include "text/script.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using testing_util::ScratchFolder;

TEST(ReleaseSignatureTest, PublicKeyIsExactlySixtyFourHexDigits) {
  const KeyPair pair = GenerateKeyPair();
  const std::string hex = ToHex(pair.public_key);
  ASSERT_EQ(hex.size(), 64u);
  EXPECT_EQ(ParsePublicKey(hex), pair.public_key);
  std::string upper = hex;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(ParsePublicKey(upper), pair.public_key);
  EXPECT_EQ(PublicKeyOf(pair.secret_key), pair.public_key);
  for (const std::string& bad : {std::string(), hex.substr(2), hex + "00", hex.substr(1) + "x", " " + hex.substr(1),
                                 hex.substr(0, 30) + ":" + hex.substr(31)})
    EXPECT_FALSE(ParsePublicKey(bad)) << bad;
}

TEST(ReleaseSignatureTest, FilesOverTheCapAreNeitherReadNorSigned) {
  ScratchFolder dir;
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

}  // namespace
}  // namespace zarn
