// Browser manifests under a temporary home: where they go, what they say,
// and that removing them leaves nothing of ours behind.
#include "app/BrowserRegistration.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "tests/desktop/DesktopTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

class BrowserRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folders = {home.path(), home / ".config"};
    host = home / "bin/velmora-native-host";
    std::filesystem::create_directories(home / "bin");
    WriteFileBytes(host, "#!/bin/sh\n");
    chmod(host.c_str(), 0755);
  }
  TempDir home;
  UserFolders folders;
  std::string host;
};

const char* const kManifests[] = {
    ".config/chromium/NativeMessagingHosts/app.velmora.native_host.json",
    ".config/google-chrome/NativeMessagingHosts/app.velmora.native_host.json",
    ".config/BraveSoftware/Brave-Browser/NativeMessagingHosts/app.velmora.native_host.json",
    ".config/vivaldi/NativeMessagingHosts/app.velmora.native_host.json",
    ".mozilla/native-messaging-hosts/app.velmora.native_host.json",
};

TEST_F(BrowserRegistrationTest, WritesEveryBrowsersManifestAndRemovesThemAgain) {
  const RegistrationResult written = RegisterBrowsers(host, folders);
  ASSERT_TRUE(written.ok()) << written.failures[0];
  ASSERT_EQ(written.changed.size(), 5u);
  for (const char* relative : kManifests) {
    SCOPED_TRACE(relative);
    const auto manifest = nlohmann::json::parse(ReadFileBytes(home / relative));
    EXPECT_EQ(manifest["name"], "app.velmora.native_host");
    EXPECT_EQ(manifest["path"], host);
    EXPECT_EQ(manifest["type"], "stdio");
    if (std::string(relative).find(".mozilla") == 0) {
      EXPECT_EQ(manifest["allowed_extensions"], nlohmann::json::array({"velmora@velmora.app"}));
      EXPECT_FALSE(manifest.contains("allowed_origins"));
    } else {
      EXPECT_EQ(manifest["allowed_origins"],
                nlohmann::json::array({"chrome-extension://kbicegbbaofnjbadgcmdjlammhojppil/"}));
    }
  }
  // Registering again replaces, and leaves no temporary files.
  EXPECT_TRUE(RegisterBrowsers(host, folders).ok());
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home.path()))
    files += entry.is_regular_file();
  EXPECT_EQ(files, 6u);  // five manifests and the host

  const RegistrationResult removed = UnregisterBrowsers(folders);
  EXPECT_TRUE(removed.ok());
  EXPECT_EQ(removed.changed.size(), 5u);
  for (const char* relative : kManifests) EXPECT_FALSE(std::filesystem::exists(home / relative));
  EXPECT_TRUE(UnregisterBrowsers(folders).changed.empty());  // nothing left to remove
}

TEST_F(BrowserRegistrationTest, TheExtensionIdMatchesTheKeyTheExtensionCarries) {
  // A Chromium id is the first 128 bits of the key's SHA-256, as letters a-p.
  const std::string id = kChromiumExtensionId;
  ASSERT_EQ(id.size(), 32u);
  for (char c : id) EXPECT_TRUE(c >= 'a' && c <= 'p');
  const auto manifest = nlohmann::json::parse(ReadFileBytes(SourceDir() + "/browser/manifest.json"));
  EXPECT_EQ(manifest["browser_specific_settings"]["gecko"]["id"], kFirefoxExtensionId);
  if (!HaveProgram("openssl")) GTEST_SKIP() << "openssl is missing";
  const RunResult digest = RunProgram(
      {"sh", "-c", "printf %s \"$KEY\" | base64 -d | openssl dgst -sha256 -r | cut -c1-32 | tr 0-9a-f a-p"},
      {"KEY=" + manifest["key"].get<std::string>()});
  EXPECT_EQ(digest.output, id + "\n");
}

TEST_F(BrowserRegistrationTest, RefusesAHostThatIsNotThereAndWritesNothing) {
  for (const std::string& bad : {home / "bin/missing", std::string("velmora-native-host"), std::string()}) {
    const RegistrationResult result = RegisterBrowsers(bad, folders);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.changed.empty());
  }
  EXPECT_FALSE(std::filesystem::exists(home / ".config"));
}

TEST_F(BrowserRegistrationTest, TheConfigurationHomeDecidesWhereChromiumBrowsersLook) {
  const UserFolders own{home.path(), home / "cfg"};
  std::vector<std::string> directories;
  for (const auto& place : BrowserManifestPlaces(own)) directories.push_back(place.directory);
  EXPECT_EQ(directories[0], home / "cfg/chromium/NativeMessagingHosts");
  EXPECT_EQ(directories[4], home / ".mozilla/native-messaging-hosts");
  EXPECT_TRUE(BrowserManifestPlaces(UserFolders{}).empty());
}

TEST_F(BrowserRegistrationTest, TheCommandLineRegistersTheHostBesideVelmora) {
  const std::string velmora = BinDir() + "/velmora";
  if (!std::filesystem::exists(velmora)) GTEST_SKIP() << "velmora is not built";
  // A relative configuration home is invalid and falls back to ~/.config.
  const RunResult registered =
      RunProgram({velmora, "--register-browsers"}, {"HOME=" + home.path(), "XDG_CONFIG_HOME=relative"});
  EXPECT_EQ(registered.status, 0) << registered.output;
  const auto manifest = nlohmann::json::parse(ReadFileBytes(home / kManifests[0]));
  EXPECT_EQ(manifest["path"], std::filesystem::canonical(BinDir()).string() + "/velmora-native-host");
  const RunResult removed = RunProgram({velmora, "--unregister-browsers"}, {"HOME=" + home.path(), "XDG_CONFIG_HOME=relative"});
  EXPECT_EQ(removed.status, 0);
  EXPECT_NE(removed.output.find("removed " + home / kManifests[4]), std::string::npos) << removed.output;
  EXPECT_FALSE(std::filesystem::exists(home / kManifests[0]));
}

}  // namespace
