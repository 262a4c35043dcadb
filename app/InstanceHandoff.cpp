#include "app/InstanceHandoff.h"

#include <string_view>

#include "platform/ClientCommand.h"
#include "platform/Utf8Codec.h"
#include "ui/window/WindowApi.h"

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (Lower(text[i]) != prefix[i]) return false;
  return true;
}

bool IsWebLink(std::u16string_view argument) {
  return StartsWithNoCase(argument, u"http://") || StartsWithNoCase(argument, u"https://") ||
         StartsWithNoCase(argument, u"ftp://");
}

void SendCopyData(HWND running, const std::string& command) {
  COPYDATASTRUCT data;
  data.cbData = static_cast<DWORD>(command.size() + 1);  // with its zero, as senders give it
  data.lpData = command.c_str();
  SendMessageW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

}  // namespace

std::string ClientCommandText(const std::vector<std::u16string>& arguments) {
  if (arguments.size() < 2) return {};
  std::string first;
  platform::AppendUtf16AsUtf8(arguments[1], first);
  const std::string_view prefix = platform::CommandLinePrefix(first);
  if (prefix.empty()) return {};
  std::u16string joined;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (i > 1) joined += u' ';
    joined += arguments[i];
  }
  std::string utf8;
  platform::AppendUtf16AsUtf8(joined, utf8);
  // "#CLICENT#..." is a client command on the command line; the window
  // takes copy-data only in the exact spelling, so it travels in that one.
  return utf8.replace(0, prefix.size(), prefix);
}

void HandToRunningInstance(HWND running, const std::vector<std::u16string>& arguments) {
  PostMessageW(running, WM_SYSCOMMAND, SC_RESTORE, 0);
  if (const std::string command = ClientCommandText(arguments); !command.empty()) {
    SendCopyData(running, command);
    return;
  }
  for (const std::string& command : LinkCommands(arguments)) SendCopyData(running, command);
}

std::vector<std::string> LinkCommands(const std::vector<std::u16string>& arguments) {
  std::vector<std::string> commands;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (!IsWebLink(arguments[i])) continue;
    std::string command(platform::kClientCommandPrefix);
    platform::AppendUtf16AsUtf8(arguments[i], command);
    commands.push_back(std::move(command));
  }
  return commands;
}
