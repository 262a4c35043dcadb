#include "nativehost/HostRequest.h"

#include <cmath>
#include <map>

#include <nlohmann/json.hpp>

#include "base/AsciiText.h"

namespace nativehost {

namespace {

// A top-level member as read; nested values are only counted, never kept.
struct Member {
  enum class Kind { Null, Bool, Integer, Float, String, Nested } kind = Kind::Null;
  bool negative = false;
  std::uint64_t magnitude = 0;
  double real = 0;
  std::string text;
};

Member Of(Member::Kind kind) {
  Member m;
  m.kind = kind;
  return m;
}

// Reads one JSON object into its top-level members without building a tree,
// so neither deep nesting nor a huge array costs more than a counter.
class MemberCollector {
 public:
  using json = nlohmann::json;

  bool null() { return Put(Member{}); }
  bool boolean(bool) { return Put(Of(Member::Kind::Bool)); }
  bool number_integer(json::number_integer_t v) {
    Member m = Of(Member::Kind::Integer);
    m.negative = v < 0;
    m.magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    return Put(std::move(m));
  }
  bool number_unsigned(json::number_unsigned_t v) {
    Member m = Of(Member::Kind::Integer);
    m.magnitude = v;
    return Put(std::move(m));
  }
  bool number_float(json::number_float_t v, const json::string_t&) {
    Member m = Of(Member::Kind::Float);
    m.real = v;
    return Put(std::move(m));
  }
  bool string(json::string_t& v) {
    Member m = Of(Member::Kind::String);
    m.text = std::move(v);
    return Put(std::move(m));
  }
  bool binary(json::binary_t&) { return Fail("binary values are not JSON"); }
  bool start_object(std::size_t) {
    if (depth_ == 0) {
      depth_ = 1;
      return true;
    }
    return Open();
  }
  bool key(json::string_t& k) {
    if (depth_ == 1) key_ = std::move(k);
    return true;
  }
  bool end_object() { return Close(); }
  bool start_array(std::size_t) { return depth_ == 0 ? Fail("the message is not a JSON object") : Open(); }
  bool end_array() { return Close(); }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception&) {
    if (error_.empty()) error_ = "bad JSON near byte " + std::to_string(position);
    return false;
  }

  const std::map<std::string, Member>& members() const { return members_; }
  const std::string& error() const { return error_; }

 private:
  bool Put(Member m) {
    if (depth_ == 0) return Fail("the message is not a JSON object");
    if (depth_ == 1) members_[key_] = std::move(m);
    return true;
  }
  bool Open() {
    if (depth_ == 1) members_[key_] = Of(Member::Kind::Nested);
    if (++depth_ > kMaxJsonDepth) return Fail("the message is nested too deeply");
    return true;
  }
  bool Close() {
    --depth_;
    return true;
  }
  bool Fail(const char* why) {
    if (error_.empty()) error_ = why;
    return false;
  }

  int depth_ = 0;
  std::string key_;
  std::map<std::string, Member> members_;
  std::string error_;
};

using Members = std::map<std::string, Member>;

const Member* Find(const Members& members, const char* name) {
  const auto it = members.find(name);
  return it == members.end() || it->second.kind == Member::Kind::Null ? nullptr : &it->second;
}

// An absent or null member gives an empty text.
bool ReadText(const Members& members, const char* name, std::string& out, std::string& error) {
  const Member* m = Find(members, name);
  if (!m) return true;
  if (m->kind != Member::Kind::String) {
    error = std::string(name) + " must be a string";
    return false;
  }
  out = m->text;
  return true;
}

bool HasControlCharacters(std::string_view text, bool allowTab) {
  for (unsigned char c : text) {
    if (c == 0x7F || (c < 0x20 && !(allowTab && c == '\t'))) return true;
  }
  return false;
}

bool IsWebUrl(std::string_view url) {
  for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")}) {
    if (StartsWithNoCase(url, scheme) && url.size() > scheme.size()) return true;
  }
  return false;
}

bool ReadUrl(const Members& members, LinkRequest& link, std::string& error) {
  const Member* m = Find(members, "url");
  if (!m) {
    error = "url is missing";
    return false;
  }
  if (m->kind != Member::Kind::String) {
    error = "url must be a string";
    return false;
  }
  // Blanks and control characters never appear in a URL a browser hands
  // out; letting them through would let a page forge request headers.
  for (unsigned char c : m->text) {
    if (c <= 0x20 || c == 0x7F) {
      error = "url holds blanks or control characters";
      return false;
    }
  }
  if (!IsWebUrl(m->text)) {
    error = "url must be an http or https address";
    return false;
  }
  link.url = m->text;
  return true;
}

bool ReadHeaderText(const Members& members, const char* name, std::string& out, std::string& error) {
  if (!ReadText(members, name, out, error)) return false;
  if (HasControlCharacters(out, true)) {
    error = std::string(name) + " holds control characters";
    return false;
  }
  return true;
}

bool ReadFileSize(const Members& members, LinkRequest& link, std::string& error) {
  const Member* m = Find(members, "fileSize");
  if (!m) return true;
  if (m->kind == Member::Kind::Integer) {
    // Browsers say -1 for an unknown size.
    if (!m->negative) link.fileSize = m->magnitude;
    return true;
  }
  if (m->kind == Member::Kind::Float && std::isfinite(m->real) && m->real == std::floor(m->real)) {
    if (m->real >= 0 && m->real < 1.8e19) link.fileSize = static_cast<std::uint64_t>(m->real);
    return true;
  }
  error = "fileSize must be a whole number";
  return false;
}

ParsedRequest Failure(std::string why) { return ParsedRequest{std::nullopt, std::move(why)}; }

ParsedRequest ReadAdd(const Members& members) {
  HostRequest request{RequestKind::Add, {}};
  LinkRequest& link = request.link;
  std::string error;
  std::string filename;
  if (!ReadUrl(members, link, error) || !ReadText(members, "filename", filename, error) ||
      !ReadHeaderText(members, "referrer", link.referrer, error) ||
      !ReadHeaderText(members, "cookies", link.cookies, error) ||
      !ReadHeaderText(members, "userAgent", link.userAgent, error) || !ReadFileSize(members, link, error)) {
    return Failure(std::move(error));
  }
  link.name = SafeFileName(filename);
  // A referrer the engine could not send (about:, file:, empty) is dropped.
  if (!IsWebUrl(link.referrer) || link.referrer.find(' ') != std::string::npos) link.referrer.clear();
  return ParsedRequest{std::move(request), {}};
}

}  // namespace

std::string SafeFileName(std::string_view suggested) {
  const std::size_t slash = suggested.find_last_of("/\\");
  if (slash != std::string_view::npos) suggested.remove_prefix(slash + 1);
  std::string name;
  for (unsigned char c : suggested) {
    if (c >= 0x20 && c != 0x7F) name.push_back(static_cast<char>(c));
  }
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  name = name.substr(first, name.find_last_not_of(' ') - first + 1);
  if (name == "." || name == "..") return {};
  return name;
}

ParsedRequest ParseHostRequest(std::string_view json) {
  MemberCollector collector;
  bool parsed = false;
  try {
    parsed = nlohmann::json::sax_parse(json.begin(), json.end(), &collector);
  } catch (const std::exception&) {
    parsed = false;
  }
  if (!parsed) return Failure(collector.error().empty() ? "bad JSON" : collector.error());
  const Members& members = collector.members();
  std::string type;
  std::string error;
  if (!ReadText(members, "type", type, error)) return Failure(std::move(error));
  if (type == "ping") return ParsedRequest{HostRequest{RequestKind::Ping, {}}, {}};
  if (type == "add") return ReadAdd(members);
  if (type.empty()) return Failure("type is missing");
  return Failure("unknown message type");
}

}  // namespace nativehost
