#include "dl/TaskHeaders.h"

#include <strings.h>

namespace {

bool IsTokenChar(unsigned char c) {
  return c > 0x20 && c < 0x7f && std::string_view("()<>@,;:\\\"/[]?={}").find(static_cast<char>(c)) == std::string_view::npos;
}

// A tab may sit inside a value; every other control byte is refused.
bool IsControl(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7f; }

bool IsEngineOwned(const std::string& name) {
  for (const char* owned : {"Host", "Range", "If-Range", "Connection", "Accept-Encoding", "Proxy-Authorization",
                            "Content-Length", "Transfer-Encoding"})
    if (strcasecmp(name.c_str(), owned) == 0) return true;
  return false;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

bool SplitHeaderLine(std::string_view line, std::pair<std::string, std::string>& header, std::string& error) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return error = "header line without a colon (want \"Name: value\")", false;
  header = {std::string(Trim(line.substr(0, colon))), std::string(Trim(line.substr(colon + 1)))};
  return true;
}

bool CheckTaskHeaders(const HeaderList& headers, std::string& error) {
  int agents = 0;
  for (const auto& [name, value] : headers) {
    for (unsigned char c : name + value)
      if (IsControl(c))
        return error = "header \"" + std::string(Trim(name)) +
                       "\" holds a control character (CR, LF, NUL or the like), which a request cannot carry",
               false;
    if (name.empty()) return error = "a header has an empty name", false;
    for (unsigned char c : name)
      if (!IsTokenChar(c)) return error = "header name \"" + name + "\" holds a character a name cannot have", false;
    if (IsEngineOwned(name)) return error = "header \"" + name + "\" is set by the download engine itself", false;
    if (strcasecmp(name.c_str(), "User-Agent") == 0 && ++agents > 1)
      return error = "header \"User-Agent\" is given more than once", false;
  }
  return true;
}

const std::string* FindTaskHeader(const HeaderList& headers, std::string_view name) {
  for (const auto& header : headers)
    if (header.first.size() == name.size() && strncasecmp(header.first.c_str(), name.data(), name.size()) == 0)
      return &header.second;
  return nullptr;
}
