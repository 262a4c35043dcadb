#include "platform/ClientCommand.h"

namespace platform {

namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithAnyCase(std::string_view text, std::string_view lowerPrefix) {
  if (text.size() < lowerPrefix.size()) return false;
  for (std::size_t i = 0; i < lowerPrefix.size(); ++i)
    if (AsciiLower(text[i]) != lowerPrefix[i]) return false;
  return true;
}

}  // namespace

bool IsClientCommand(std::string_view data) { return data.substr(0, kClientCommandPrefix.size()) == kClientCommandPrefix; }

std::string_view CommandLinePrefix(std::string_view argument) {
  if (StartsWithAnyCase(argument, kClientCommandPrefix)) return kClientCommandPrefix;
  if (StartsWithAnyCase(argument, kBrowserCommandPrefix)) return kBrowserCommandPrefix;
  return {};
}

}  // namespace platform
