#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "crypto/keytool/key_set_writer.h"
#include "support/scoped_environment.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path)
{
    struct stat status { };
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 0777;
}

constexpr const char* kSecrets[]
    = { "control_private.pem", "host_private.pem", "store_constant.bin" };

// A fresh directory, removed with the test, written under a umask that would leave files readable.
class KeyToolDirectory : public ::testing::Test {
protected:
    void SetUp() override { previousUmask_ = ::umask(022); }
    void TearDown() override { ::umask(previousUmask_); }

    testing::TemporaryDirectory temporary_;
    const fs::path directory_ = temporary_.Path();
    mode_t previousUmask_ = 0;
};

TEST_F(KeyToolDirectory, SecretsAreOwnerOnlyAndAnExistingSetNeedsForce)
{
    std::string error;
    ASSERT_TRUE(keytool::GenerateKeySet(directory_, false, error)) << error;
    for (const char* secret : kSecrets) {
        EXPECT_EQ(ModeOf(directory_ / secret), 0600u) << secret;
    }
    EXPECT_EQ(ModeOf(directory_ / "control_public.pem"), 0644u);

    // A second run would replace the bank's private keys: only when asked to.
    const auto before = fs::file_size(directory_ / "host_private.pem");
    EXPECT_FALSE(keytool::GenerateKeySet(directory_, false, error));
    EXPECT_NE(error.find("--force"), std::string::npos) << error;
    EXPECT_EQ(fs::file_size(directory_ / "host_private.pem"), before);

    // Replacing files left readable by an older tool does not keep their mode.
    for (const char* secret : kSecrets) {
        fs::permissions(directory_ / secret, fs::perms(0644));
    }
    ASSERT_TRUE(keytool::GenerateKeySet(directory_, true, error)) << error;
    for (const char* secret : kSecrets) {
        EXPECT_EQ(ModeOf(directory_ / secret), 0600u) << secret;
    }

    // Sealing existing keys writes the constant owner-only as well.
    const fs::path sealed = directory_ / "sealed";
    ASSERT_TRUE(keytool::SealKeySet(
        directory_ / "control_private.pem", directory_ / "host_public.pem", {}, {}, sealed, error))
        << error;
    EXPECT_EQ(ModeOf(sealed / "store_constant.bin"), 0600u);
}

} // namespace
} // namespace velkor
