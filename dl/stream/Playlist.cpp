#include "dl/stream/Playlist.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <map>

#include "base/AsciiText.h"
#include "net/UrlResolve.h"

namespace {

using Attributes = std::map<std::string, std::string>;

bool Fail(Failure& failure, FailureCause cause, std::string message) {
  failure = Failure{cause, std::move(message)};
  return false;
}

std::string_view WithoutBom(std::string_view text) {
  return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
}

// NAME=VALUE,NAME="quoted, value",...; quotes are removed.
Attributes ParseAttributes(std::string_view text) {
  Attributes out;
  size_t i = 0;
  while (i < text.size()) {
    size_t eq = text.find('=', i);
    if (eq == std::string_view::npos) break;
    std::string name(text.substr(i, eq - i));
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    std::string value;
    size_t j = eq + 1;
    if (j < text.size() && text[j] == '"') {
      size_t close = text.find('"', j + 1);
      if (close == std::string_view::npos) close = text.size();
      value = std::string(text.substr(j + 1, close - j - 1));
      j = close == text.size() ? close : close + 1;
      size_t comma = text.find(',', j);
      j = comma == std::string_view::npos ? text.size() : comma;
    } else {
      size_t comma = text.find(',', j);
      if (comma == std::string_view::npos) comma = text.size();
      value = std::string(text.substr(j, comma - j));
      j = comma;
    }
    out[name] = value;
    i = j + 1;
  }
  return out;
}

// Seconds as the playlist writes them, whatever the process's locale says
// about decimal commas; 0 for anything negative, huge or unreadable.
double ParseSeconds(std::string_view text, double limit) {
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)end;
  return error == std::errc() && value >= 0 && value <= limit ? value : 0;
}

// "length[@offset]".
bool ParseByteRange(std::string_view text, int64_t& length, std::optional<int64_t>& offset) {
  size_t at = text.find('@');
  if (!ParseDecimal(text.substr(0, at), length)) return false;
  offset.reset();
  if (at == std::string_view::npos) return true;
  int64_t value = 0;
  if (!ParseDecimal(text.substr(at + 1), value)) return false;
  offset = value;
  return true;
}

bool ParseIv(std::string_view text, std::array<uint8_t, 16>& iv) {
  if (text.size() != 34 || (text.substr(0, 2) != "0x" && text.substr(0, 2) != "0X")) return false;
  for (size_t i = 0; i < 16; ++i) {
    char pair[3] = {text[2 + 2 * i], text[3 + 2 * i], 0};
    if (!std::isxdigit(static_cast<unsigned char>(pair[0])) || !std::isxdigit(static_cast<unsigned char>(pair[1])))
      return false;
    iv[i] = static_cast<uint8_t>(std::strtoul(pair, nullptr, 16));
  }
  return true;
}

class Parser {
 public:
  Parser(const std::string& url, ParsedPlaylist& out, Failure& failure, const PlaylistLimits& limits)
      : url_(url), out_(out), failure_(failure), limits_(limits) {}

  bool Line(std::string_view line) {
    if (line.empty()) return true;
    if (line.front() != '#') return Uri(line);
    if (!line.starts_with("#EXT")) return true;  // a comment
    size_t colon = line.find(':');
    std::string_view tag = line.substr(0, colon);
    std::string_view value = colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
    return Tag(tag, value);
  }

  bool Finish() {
    if (sawStreamInf_ && !out_.media.segments.empty())
      return Fail(failure_, FailureCause::BadAnswer, "the playlist mixes variants and segments");
    out_.master = sawStreamInf_;
    if (pendingVariant_)
      return Fail(failure_, FailureCause::BadAnswer, "the playlist ends with a variant that has no URI");
    return true;
  }

 private:
  bool Resolve(std::string_view reference, std::string& resolved, const char* what) {
    resolved = ResolveUrl(url_, reference);
    if (StartsWithNoCase(resolved, "http://") || StartsWithNoCase(resolved, "https://")) return true;
    return Fail(failure_, FailureCause::Unsupported,
                std::string("only http and https URIs are allowed for a ") + what + ", not " +
                    std::string(reference.substr(0, 200)));
  }

  bool Uri(std::string_view line) {
    if (pendingVariant_) {
      pendingVariant_ = false;
      if (!Resolve(line, variant_.uri, "variant")) return false;
      out_.masterList.variants.push_back(variant_);
      if (out_.masterList.variants.size() > limits_.maxSegments)
        return Fail(failure_, FailureCause::BadAnswer, "the playlist has more variants than the segment count limit");
      return true;
    }
    if (out_.media.segments.size() >= limits_.maxSegments)
      return Fail(failure_, FailureCause::BadAnswer,
                  "the playlist breaks the segment count limit of " + std::to_string(limits_.maxSegments) +
                      " segments");
    MediaSegment segment;
    if (!Resolve(line, segment.uri, "segment")) return false;
    segment.duration = nextDuration_;
    segment.key = key_;
    segment.map = map_;
    segment.discontinuity = discontinuity_;
    segment.sequence = out_.media.mediaSequence + static_cast<int64_t>(out_.media.segments.size());
    if (pendingRange_) {
      int64_t offset = 0;
      if (rangeOffset_) offset = *rangeOffset_;
      else if (segment.uri == lastRangeUri_) offset = lastRangeEnd_;
      else return Fail(failure_, FailureCause::BadAnswer, "a byte range without an offset follows no range of " + segment.uri);
      segment.span = ByteSpan{offset, rangeLength_};
      lastRangeUri_ = segment.uri;
      lastRangeEnd_ = offset + rangeLength_;
    }
    out_.media.segments.push_back(std::move(segment));
    nextDuration_ = 0;
    discontinuity_ = false;
    pendingRange_ = false;
    return true;
  }

  bool Key(std::string_view value, SegmentKey& key) {
    Attributes attributes = ParseAttributes(value);
    const std::string& method = attributes["METHOD"];
    const std::string& format = attributes["KEYFORMAT"];
    if (method == "NONE") {
      key = SegmentKey{};
      return true;
    }
    if (method != "AES-128")
      return Fail(failure_, FailureCause::Unsupported,
                  "the encryption method " + (method.empty() ? std::string("(none named)") : method) +
                      " is not supported");
    if (!format.empty() && format != "identity")
      return Fail(failure_, FailureCause::Unsupported, "the key format " + format + " is not supported");
    if (attributes["URI"].empty()) return Fail(failure_, FailureCause::BadAnswer, "an AES-128 key without a URI");
    SegmentKey next;
    next.method = SegmentKey::Method::Aes128;
    if (!Resolve(attributes["URI"], next.uri, "key")) return false;
    if (attributes.count("IV")) {
      std::array<uint8_t, 16> iv{};
      if (!ParseIv(attributes["IV"], iv))
        return Fail(failure_, FailureCause::BadAnswer, "the key's IV is not 32 hexadecimal digits: " + attributes["IV"]);
      next.iv = iv;
    }
    key = std::move(next);
    return true;
  }

  bool Map(std::string_view value) {
    Attributes attributes = ParseAttributes(value);
    InitSection section;
    if (attributes["URI"].empty()) return Fail(failure_, FailureCause::BadAnswer, "an initialisation section without a URI");
    if (!Resolve(attributes["URI"], section.uri, "initialisation section")) return false;
    if (attributes.count("BYTERANGE")) {
      int64_t length = 0;
      std::optional<int64_t> offset;
      if (!ParseByteRange(attributes["BYTERANGE"], length, offset))
        return Fail(failure_, FailureCause::BadAnswer, "a bad byte range: " + attributes["BYTERANGE"]);
      section.span = ByteSpan{offset.value_or(0), length};
    }
    section.key = key_;
    out_.media.maps.push_back(std::move(section));
    map_ = static_cast<int>(out_.media.maps.size()) - 1;
    return true;
  }

  bool StreamInf(std::string_view value) {
    Attributes attributes = ParseAttributes(value);
    variant_ = Variant{};
    ParseDecimal(attributes["BANDWIDTH"], variant_.bandwidth);
    const std::string& resolution = attributes["RESOLUTION"];
    size_t x = resolution.find_first_of("xX");
    int64_t width = 0, height = 0;
    if (x != std::string::npos && ParseDecimal(std::string_view(resolution).substr(0, x), width) &&
        ParseDecimal(std::string_view(resolution).substr(x + 1), height) && width < 1000000 && height < 1000000)
      variant_.width = static_cast<int>(width), variant_.height = static_cast<int>(height);
    variant_.audioGroup = attributes["AUDIO"];
    pendingVariant_ = sawStreamInf_ = true;
    return true;
  }

  bool Media(std::string_view value) {
    Attributes attributes = ParseAttributes(value);
    Rendition rendition;
    rendition.type = attributes["TYPE"];
    rendition.groupId = attributes["GROUP-ID"];
    rendition.name = attributes["NAME"];
    rendition.isDefault = attributes["DEFAULT"] == "YES";
    if (!attributes["URI"].empty() && !Resolve(attributes["URI"], rendition.uri, "rendition")) return false;
    out_.masterList.renditions.push_back(std::move(rendition));
    return true;
  }

  bool Tag(std::string_view tag, std::string_view value) {
    if (tag == "#EXTINF") {
      nextDuration_ = ParseSeconds(value.substr(0, value.find(',')), 1e6);
    } else if (tag == "#EXT-X-BYTERANGE") {
      if (!ParseByteRange(value, rangeLength_, rangeOffset_))
        return Fail(failure_, FailureCause::BadAnswer, "a bad byte range: " + std::string(value.substr(0, 100)));
      pendingRange_ = true;
    } else if (tag == "#EXT-X-KEY") {
      return Key(value, key_);
    } else if (tag == "#EXT-X-MAP") {
      return Map(value);
    } else if (tag == "#EXT-X-DISCONTINUITY") {
      discontinuity_ = true;
    } else if (tag == "#EXT-X-MEDIA-SEQUENCE") {
      ParseDecimal(value, out_.media.mediaSequence);
    } else if (tag == "#EXT-X-TARGETDURATION") {
      out_.media.targetDuration = ParseSeconds(value, 86400);
    } else if (tag == "#EXT-X-ENDLIST") {
      out_.media.endList = true;
    } else if (tag == "#EXT-X-STREAM-INF") {
      return StreamInf(value);
    } else if (tag == "#EXT-X-MEDIA") {
      return Media(value);
    }
    return true;
  }

  const std::string& url_;
  ParsedPlaylist& out_;
  Failure& failure_;
  const PlaylistLimits& limits_;
  double nextDuration_ = 0;
  SegmentKey key_;
  int map_ = -1;
  bool discontinuity_ = false;
  bool pendingRange_ = false;
  int64_t rangeLength_ = 0;
  std::optional<int64_t> rangeOffset_;
  std::string lastRangeUri_;
  int64_t lastRangeEnd_ = 0;
  bool pendingVariant_ = false;
  bool sawStreamInf_ = false;
  Variant variant_;
};

}  // namespace

bool StartsLikePlaylist(std::string_view text) { return WithoutBom(text).starts_with("#EXTM3U"); }

bool ParsePlaylist(std::string_view text, const std::string& playlistUrl, ParsedPlaylist& out, Failure& failure,
                   const PlaylistLimits& limits) {
  out = ParsedPlaylist{};
  if (text.size() > limits.maxBytes)
    return Fail(failure, FailureCause::BadAnswer,
                "the playlist breaks the size limit of " + std::to_string(limits.maxBytes >> 20) + " MiB");
  text = WithoutBom(text);
  if (!StartsLikePlaylist(text)) return Fail(failure, FailureCause::BadAnswer, "not a playlist: it does not start with #EXTM3U");
  Parser parser(playlistUrl, out, failure, limits);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (!parser.Line(line)) return false;
    start = end + 1;
  }
  return parser.Finish();
}
