#include "lang/Catalogue.h"

#include <cerrno>
#include <optional>

#include "base/AsciiText.h"
#include "platform/ErrorText.h"
#include "platform/Files.h"
#include "platform/Utf8Codec.h"

namespace lang {
namespace {

enum class Section { None, Texts, Skin };

// Where a parse stands: the file's name and the line being read, so every
// refusal can say where it happened.
struct LineSite {
  std::string_view fileName;
  std::size_t line = 0;

  Failure Refuse(const std::string& what) const {
    return {FailureCause::BadInput, std::string(fileName) + ":" + std::to_string(line) + ": " + what};
  }
};

Failure TooLarge(std::string_view fileName) {
  return {FailureCause::BadInput,
          std::string(fileName) + ": larger than " + std::to_string(kMaxCatalogueBytes) + " bytes, not a catalogue"};
}

// Resolves the escapes of one trimmed key or text; nullopt names the bad
// sequence in `bad`.
std::optional<std::string> Unescape(std::string_view raw, std::string& bad) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\\') {
      out += raw[i];
      continue;
    }
    if (++i == raw.size()) {
      bad = "a lone backslash at the end";
      return std::nullopt;
    }
    switch (raw[i]) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      case '=': out += '='; break;
      case 's': out += ' '; break;
      default:
        bad = std::string("the unknown escape \\") + raw[i];
        return std::nullopt;
    }
  }
  return out;
}

// The first `=` not taken by an escape; npos when there is none.
std::size_t FindSplit(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '=') {
      return i;
    }
  }
  return std::string_view::npos;
}

// The line's number (1-based) for a byte offset into the file.
std::size_t LineOfOffset(std::string_view bytes, std::size_t offset) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < offset && i < bytes.size(); ++i)
    if (bytes[i] == '\n') ++line;
  return line;
}

// Offset of the first byte that breaks UTF-8; npos when all is well formed.
std::size_t FirstBadUtf8(std::string_view bytes) {
  if (platform::IsWellFormedUtf8(bytes)) return std::string_view::npos;
  // Line by line finds the first line that fails; the file is capped, so
  // the second pass costs little and only runs on a broken file.
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    if (!platform::IsWellFormedUtf8(bytes.substr(start, end - start))) return start;
    start = end + 1;
  }
  return 0;
}

class Parser {
 public:
  Parser(std::string_view fileName, Catalogue& out) : site_{fileName}, out_(out) {}

  Failure Line(std::string_view line) {
    ++site_.line;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = TrimSpaceTab(line);
    if (line.empty() || line.front() == '#') return {};
    // "[更多] = More" is a skin entry whose key happens to start with '[';
    // only a line without '=' can be a section header.
    if (line.front() == '[' && FindSplit(line) == std::string_view::npos) return Header(line);
    return Entry(line);
  }

 private:
  Failure Header(std::string_view line) {
    if (line == "[texts]") {
      section_ = Section::Texts;
    } else if (line == "[skin]") {
      section_ = Section::Skin;
    } else {
      return site_.Refuse("unknown section " + std::string(line) + " (only [texts] and [skin])");
    }
    return {};
  }

  Failure Entry(std::string_view line) {
    const std::size_t split = FindSplit(line);
    if (split == std::string_view::npos) return site_.Refuse("not a comment, a section or key = text");
    if (section_ == Section::None) return site_.Refuse("a key before any [texts] or [skin] section");
    std::string bad;
    std::optional<std::string> key = Unescape(TrimSpaceTab(line.substr(0, split)), bad);
    if (!key) return site_.Refuse("in the key, " + bad);
    if (key->empty()) return site_.Refuse("an empty key");
    std::optional<std::string> text = Unescape(TrimSpaceTab(line.substr(split + 1)), bad);
    if (!text) return site_.Refuse("in the text of " + *key + ", " + bad);
    TextMap& map = section_ == Section::Texts ? out_.texts : out_.skin;
    if (!map.emplace(*key, std::move(*text)).second) return site_.Refuse("the key " + *key + " is given twice");
    return {};
  }

  LineSite site_;
  Catalogue& out_;
  Section section_ = Section::None;
};

}  // namespace

Failure ParseCatalogue(std::string_view bytes, std::string_view fileName, Catalogue& out) {
  out = {};
  if (bytes.size() > kMaxCatalogueBytes) return TooLarge(fileName);
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (const std::size_t bad = FirstBadUtf8(bytes); bad != std::string_view::npos)
    return LineSite{fileName, LineOfOffset(bytes, bad)}.Refuse("not UTF-8");
  Parser parser(fileName, out);
  std::size_t start = 0;
  while (start <= bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    if (Failure failure = parser.Line(bytes.substr(start, end - start))) {
      out = {};
      return failure;
    }
    start = end + 1;
  }
  return {};
}

Failure ReadCatalogueFile(const std::string& nativePath, Catalogue& out) {
  out = {};
  std::string bytes;
  const int error = platform::ReadSmallFile(nativePath, kMaxCatalogueBytes, bytes);
  if (error == EFBIG) return TooLarge(nativePath);
  if (error) return {FailureCause::Disk, nativePath + ": " + platform::ErrorText(error)};
  return ParseCatalogue(bytes, nativePath, out);
}

}  // namespace lang
