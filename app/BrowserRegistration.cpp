#include "app/BrowserRegistration.h"

#include <unistd.h>

#include <cerrno>

#include <nlohmann/json.hpp>

#include "platform/ErrorText.h"
#include "platform/Files.h"

namespace {

std::string ManifestPath(const BrowserManifestPlace& place) {
  return place.directory + "/" + kNativeHostName + ".json";
}

}  // namespace

std::vector<BrowserManifestPlace> BrowserManifestPlaces(const UserFolders& folders) {
  std::vector<BrowserManifestPlace> places;
  if (!folders.configHome.empty()) {
    const std::string& config = folders.configHome;
    places.push_back({"Chromium", BrowserFamily::Chromium, config + "/chromium/NativeMessagingHosts"});
    places.push_back({"Google Chrome", BrowserFamily::Chromium, config + "/google-chrome/NativeMessagingHosts"});
    places.push_back(
        {"Brave", BrowserFamily::Chromium, config + "/BraveSoftware/Brave-Browser/NativeMessagingHosts"});
    places.push_back({"Vivaldi", BrowserFamily::Chromium, config + "/vivaldi/NativeMessagingHosts"});
  }
  if (!folders.home.empty()) {
    places.push_back({"Firefox", BrowserFamily::Firefox, folders.home + "/.mozilla/native-messaging-hosts"});
  }
  return places;
}

std::string NativeHostManifest(BrowserFamily family, const std::string& hostPath) {
  nlohmann::ordered_json manifest;
  manifest["name"] = kNativeHostName;
  manifest["description"] = "Velmora download center: takes links from the browser";
  manifest["path"] = hostPath;
  manifest["type"] = "stdio";
  if (family == BrowserFamily::Chromium) {
    manifest["allowed_origins"] = {std::string("chrome-extension://") + kChromiumExtensionId + "/"};
  } else {
    manifest["allowed_extensions"] = {kFirefoxExtensionId};
  }
  return manifest.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

RegistrationResult RegisterBrowsers(const std::string& hostPath, const UserFolders& folders) {
  RegistrationResult result;
  // Browsers start the host by this path; a wrong one fails only later,
  // silently, in the browser.
  if (hostPath.empty() || hostPath.front() != '/' || ::access(hostPath.c_str(), X_OK) != 0) {
    result.failures.push_back("the native host is not an executable at " + hostPath);
    return result;
  }
  const std::vector<BrowserManifestPlace> places = BrowserManifestPlaces(folders);
  if (places.empty()) result.failures.push_back("the home folder is unknown");
  for (const BrowserManifestPlace& place : places) {
    std::string error;
    if (ReplaceFileText(ManifestPath(place), NativeHostManifest(place.family, hostPath), error)) {
      result.changed.push_back(ManifestPath(place));
    } else {
      result.failures.push_back(place.browser + ": " + error);
    }
  }
  return result;
}

RegistrationResult UnregisterBrowsers(const UserFolders& folders) {
  RegistrationResult result;
  for (const BrowserManifestPlace& place : BrowserManifestPlaces(folders)) {
    const std::string path = ManifestPath(place);
    const int failure = platform::RemoveFile(path);
    if (!failure) {
      result.changed.push_back(path);
    } else if (failure != ENOENT) {
      result.failures.push_back(place.browser + ": cannot remove " + path + ": " + platform::ErrorText(failure));
    }
  }
  return result;
}
