#include "net/HeaderList.h"

#include <strings.h>

#include "base/AsciiText.h"
#include "net/HttpCharClass.h"

namespace {

bool HoldsControl(std::string_view text) {
  for (unsigned char c : text)
    if (http_char::Is(c, http_char::kControl | http_char::kCR | http_char::kLF)) return true;
  return false;
}

bool IsToken(std::string_view name) {
  for (unsigned char c : name)
    if (!http_char::Is(c, http_char::kToken)) return false;
  return !name.empty();
}

}  // namespace

bool SameHeaderName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string HeaderValue(const HeaderList& headers, std::string_view name) {
  for (const auto& [fieldName, value] : headers)
    if (SameHeaderName(fieldName, name)) return value;
  return {};
}

bool HasHeader(const HeaderList& headers, std::string_view name) {
  for (const auto& field : headers)
    if (SameHeaderName(field.first, name)) return true;
  return false;
}

bool SplitHeaderLine(std::string_view line, std::pair<std::string, std::string>& header, std::string& error) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return error = "header line without a colon (want \"Name: value\")", false;
  header = {std::string(TrimSpaceTab(line.substr(0, colon))), std::string(TrimSpaceTab(line.substr(colon + 1)))};
  return true;
}

bool CheckHeaders(const HeaderList& headers, std::string& error) {
  for (const auto& [name, value] : headers) {
    if (HoldsControl(name) || HoldsControl(value))
      return error = "header \"" + std::string(TrimSpaceTab(name)) +
                     "\" holds a control character (CR, LF, NUL or the like), which a request cannot carry",
             false;
    if (name.empty()) return error = "a header has an empty name", false;
    if (!IsToken(name)) return error = "header name \"" + name + "\" holds a character a name cannot have", false;
  }
  return true;
}
