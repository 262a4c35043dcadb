// The files the desktop and the browsers read: the launcher entry, the
// metadata, the icons, the manifest templates and the extension, checked
// with the desktop's own tools where the machine has them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "app/BrowserRegistration.h"
#include "tests/desktop/DesktopTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

TEST(DesktopFiles, TheLauncherEntryIsValidAndStartsVelmoraWithUrls) {
  const std::string entry = SourceDir() + "/desktop/velmora.desktop";
  const std::string text = ReadFileBytes(entry);
  EXPECT_NE(text.find("\nExec=velmora %U\n"), std::string::npos);
  EXPECT_NE(text.find("\nIcon=velmora\n"), std::string::npos);
  if (!HaveProgram("desktop-file-validate")) GTEST_SKIP() << "desktop-file-validate is missing";
  const RunResult check = RunProgram({"desktop-file-validate", entry});
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_EQ(check.output, "");
}

TEST(DesktopFiles, TheMetadataIsValid) {
  if (!HaveProgram("appstreamcli")) GTEST_SKIP() << "appstreamcli is missing";
  const RunResult check = RunProgram({"appstreamcli", "validate", "--no-net", "--pedantic", "--strict",
                                      SourceDir() + "/desktop/app.velmora.velmora.metainfo.xml"});
  EXPECT_EQ(check.status, 0) << check.output;
}

// Width and height from a PNG's header.
std::pair<std::uint32_t, std::uint32_t> PngSize(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return {0, 0};
  auto be32 = [&](std::size_t at) {
    return std::uint32_t(std::uint8_t(bytes[at])) << 24 | std::uint32_t(std::uint8_t(bytes[at + 1])) << 16 |
           std::uint32_t(std::uint8_t(bytes[at + 2])) << 8 | std::uint32_t(std::uint8_t(bytes[at + 3]));
  };
  return {be32(16), be32(20)};
}

TEST(DesktopFiles, IconsComeInTheUsualSizesAndTheExtensionCarriesTheSame) {
  for (std::uint32_t size : {16u, 22u, 24u, 32u, 48u, 64u, 128u, 256u}) {
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    const std::string icon = ReadFileBytes(SourceDir() + "/desktop/icons/hicolor/" + name + "/apps/velmora.png");
    EXPECT_EQ(PngSize(icon), std::make_pair(size, size)) << name;
    if (size == 16 || size == 32 || size == 48 || size == 128) {
      EXPECT_EQ(ReadFileBytes(SourceDir() + "/browser/icons/velmora-" + std::to_string(size) + ".png"), icon);
    }
  }
}

TEST(DesktopFiles, ManifestTemplatesSayWhatRegistrationWrites) {
  const std::string host = "/usr/lib/velmora/velmora-native-host";
  for (const auto& [file, family] : {std::pair{"chromium", BrowserFamily::Chromium},
                                     std::pair{"firefox", BrowserFamily::Firefox}}) {
    std::string text = ReadFileBytes(SourceDir() + "/desktop/native-messaging/" + file + ".json.in");
    const std::string placeholder = "@VELMORA_NATIVE_HOST_PATH@";
    ASSERT_NE(text.find(placeholder), std::string::npos);
    text.replace(text.find(placeholder), placeholder.size(), host);
    EXPECT_EQ(nlohmann::json::parse(text), nlohmann::json::parse(NativeHostManifest(family, host))) << file;
  }
}

TEST(DesktopFiles, TheExtensionsVersionIsTheProgramsVersion) {
  const auto manifest = nlohmann::json::parse(ReadFileBytes(SourceDir() + "/browser/manifest.json"));
  EXPECT_EQ(manifest["version"], VELMORA_TEST_VERSION);
  EXPECT_EQ(manifest["manifest_version"], 3);
}

// Everything an install puts down, as the package must carry it.
TEST(DesktopFiles, AnInstallLaysDownExactlyThePackagesFiles) {
  const std::string build = std::filesystem::path(BinDir()).parent_path().string();
  if (!std::filesystem::exists(BinDir() + "/velmora")) GTEST_SKIP() << "velmora is not built";
  TempDir root;
  const RunResult install =
      RunProgram({"cmake", "--install", build, "--prefix", "/usr"}, {"DESTDIR=" + root.path()});
  ASSERT_EQ(install.status, 0) << install.output;
  std::set<std::string> installed;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root.path())) {
    if (entry.is_directory() && !entry.is_symlink()) continue;
    installed.insert("." + entry.path().string().substr(root.path().size()));
  }
  std::set<std::string> expected;
  std::istringstream list(ReadFileBytes(SourceDir() + "/desktop/package-files.txt"));
  for (std::string line; std::getline(list, line);) expected.insert(line);
  EXPECT_EQ(installed, expected);
  EXPECT_EQ(std::filesystem::read_symlink(root / "usr/bin/velmora"), "../lib/velmora/velmora");
  const auto manifest =
      nlohmann::json::parse(ReadFileBytes(root / "usr/lib/mozilla/native-messaging-hosts/app.velmora.native_host.json"));
  EXPECT_EQ(manifest["path"], "/usr/lib/velmora/velmora-native-host");
}

}  // namespace
