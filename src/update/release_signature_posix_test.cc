// The signing tool zarn-sign, run through the shell as a release maker would.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/test_util.h"
#include "text/script.h"
#include "update/release_signature.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;
using namespace testing_util;

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

  WriteFileBytes(dir / "program",
                 "\x7f"
                 "ELF release");
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
  auto r = RunCommand(kSign + " sign " + Quote(dir / "not-a-key") + " " + Quote(dir / "program"), dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("not a secret key"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "program.sig"));
}

}  // namespace
}  // namespace zarn
