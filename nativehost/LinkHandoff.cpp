#include "nativehost/LinkHandoff.h"

#include <nlohmann/json.hpp>

namespace nativehost {

std::string ClientCommandForLink(const LinkRequest& link, const std::string& id) {
  nlohmann::ordered_json object;
  object["url"] = link.url;
  if (!link.name.empty()) object["name"] = link.name;
  if (!link.referrer.empty()) object["referrer"] = link.referrer;
  if (!link.cookies.empty()) object["cookies"] = link.cookies;
  if (!link.userAgent.empty()) object["userAgent"] = link.userAgent;
  if (link.fileSize) object["fileSize"] = *link.fileSize;
  object["id"] = id;
  // The texts came through the JSON reader, so they are valid UTF-8; the
  // replacing handler only guards against a change of that.
  return std::string(platform::kClientCommandPrefix) + object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace nativehost
