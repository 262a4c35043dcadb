#include "base/CodePageText.h"

#include <algorithm>
#include <cstring>

#include "platform/CodePage.h"

namespace {

size_t WideLength(const char16_t* wide) {
  size_t n = 0;
  while (wide[n]) ++n;
  return n;
}

template <typename Char, typename String>
std::unique_ptr<Char[]> ToBuffer(const String& text) {
  auto buffer = std::make_unique_for_overwrite<Char[]>(text.size() + 1);
  std::memcpy(buffer.get(), text.data(), text.size() * sizeof(Char));
  buffer[text.size()] = 0;
  return buffer;
}

void DropByteOrderMark(std::u16string& text) {
  if (!text.empty() && text.front() == 0xFEFF) text.erase(0, 1);
}

std::string Utf8ToCodePage(const std::string& utf8, unsigned codePage) {
  if (utf8.empty()) return {};
  auto wide = platform::DecodeToUtf16(platform::kCpUtf8, utf8, /*strict=*/true);
  if (!wide) return {};
  return platform::EncodeFromUtf16(codePage, *wide).value_or(std::string());
}

}  // namespace

WideBuffer AnsiToUtf16Raw(const char* ansi) {
  if (!ansi || !*ansi) return nullptr;
  auto wide = platform::DecodeToUtf16(platform::kCpAcp, ansi);
  if (!wide) return nullptr;
  DropByteOrderMark(*wide);
  return ToBuffer<char16_t>(*wide);
}

NarrowBuffer Utf16ToAnsiRaw(const char16_t* wide) {
  if (!wide) return nullptr;
  auto narrow = platform::EncodeFromUtf16(platform::kCpAcp, {wide, WideLength(wide)});
  return narrow ? ToBuffer<char>(*narrow) : nullptr;
}

NarrowBuffer Utf16ToUtf8Raw(const char16_t* wide) {
  if (!wide) return nullptr;
  auto narrow = platform::EncodeFromUtf16(platform::kCpUtf8, {wide, WideLength(wide)});
  return narrow ? ToBuffer<char>(*narrow) : nullptr;
}

NarrowBuffer Utf8ToGbkRaw(const char* utf8) {
  if (!utf8 || !*utf8) return nullptr;
  auto wide = platform::DecodeToUtf16(platform::kCpUtf8, utf8, /*strict=*/true);
  if (!wide) return nullptr;
  auto gbk = platform::EncodeFromUtf16(platform::kCpGbk, *wide);
  return gbk ? ToBuffer<char>(*gbk) : nullptr;
}

std::u16string AnsiToUtf16(const std::string& ansi) {
  auto wide = platform::DecodeToUtf16(platform::kCpAcp, ansi);
  if (!wide) return {};
  DropByteOrderMark(*wide);
  return std::move(*wide);
}

std::string Utf16ToAnsi(const std::u16string& wide) {
  return platform::EncodeFromUtf16(platform::kCpAcp, wide).value_or(std::string());
}

std::string Utf16ToUtf8(const std::u16string& wide) {
  return platform::EncodeFromUtf16(platform::kCpUtf8, wide).value_or(std::string());
}

std::string Utf8ToGbk(const std::string& utf8) { return Utf8ToCodePage(utf8, platform::kCpGbk); }

std::string Utf8ToAnsi(const std::string& utf8) { return Utf8ToCodePage(utf8, platform::kCpAcp); }

size_t ToNarrowInto(const char16_t* wide, char* buffer, size_t capacity) {
  if (!wide || !buffer || capacity == 0) return 0;
  auto narrow = platform::EncodeFromUtf16(platform::kCpAcp, {wide, WideLength(wide)});
  if (!narrow) return 0;
  size_t n = std::min(narrow->size(), capacity);
  std::memcpy(buffer, narrow->data(), n);
  return n;
}

size_t ToWideInto(const char* ansi, char16_t* buffer, size_t capacity) {
  if (!ansi || !buffer || capacity == 0) return 0;
  auto wide = platform::DecodeToUtf16(platform::kCpAcp, ansi);
  size_t n = wide ? std::min(wide->size(), capacity - 1) : 0;
  if (n) std::memcpy(buffer, wide->data(), n * sizeof(char16_t));
  buffer[n] = 0;
  return n;
}
