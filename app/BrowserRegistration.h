// Tells the user's browsers where the native-messaging host lives: one
// manifest per browser in the user's own folders, so no root is needed.
// Only the Velmora extension may start the host; its ids are fixed here.
#ifndef VELMORA_APP_BROWSERREGISTRATION_H
#define VELMORA_APP_BROWSERREGISTRATION_H

#include <string>
#include <vector>

#include "app/UserFolders.h"

inline constexpr char kNativeHostName[] = "app.velmora.native_host";
inline constexpr char kNativeHostProgram[] = "velmora-native-host";
// Derived from the public key in browser/manifest.json, so an unpacked or
// policy-installed copy of the extension gets exactly this id.
inline constexpr char kChromiumExtensionId[] = "kbicegbbaofnjbadgcmdjlammhojppil";
inline constexpr char kFirefoxExtensionId[] = "velmora@velmora.app";

enum class BrowserFamily { Chromium, Firefox };

struct BrowserManifestPlace {
  std::string browser;  // for messages: "Chromium", "Google Chrome", ...
  BrowserFamily family;
  std::string directory;
};

// Chromium, Google Chrome, Brave and Vivaldi under the configuration home,
// Firefox under ~/.mozilla.
std::vector<BrowserManifestPlace> BrowserManifestPlaces(const UserFolders& folders);

// The manifest's text for a host at `hostPath` (absolute).
std::string NativeHostManifest(BrowserFamily family, const std::string& hostPath);

struct RegistrationResult {
  std::vector<std::string> changed;   // manifests written or removed
  std::vector<std::string> failures;  // one readable line each
  bool ok() const { return failures.empty(); }
};

// Writes every browser's manifest, replacing older ones.
RegistrationResult RegisterBrowsers(const std::string& hostPath, const UserFolders& folders);
// Removes the manifests; folders are left as they are.
RegistrationResult UnregisterBrowsers(const UserFolders& folders);

#endif
