// Fuzz entry for the byte-level steps of reading and writing XML files. The
// first byte picks a piece size; the rest is file content. The run aborts
// when decoding in pieces differs from decoding the whole, when a declared
// encoding is not text of the input, or when UTF-32 does not round-trip.
// Built as a libFuzzer target with clang (VELMORA_FUZZ).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Utf8Codec.h"
#include "xml/XmlEncoding.h"
#include "xml/XmlEncodingDeclaration.h"
#include "xml/XmlEncodingTable.h"
#include "xml/XmlFileUtf8Stream.h"

namespace {

void Check(bool condition, const char* why) {
  if (condition) return;
  std::fprintf(stderr, "%s\n", why);
  std::abort();
}

std::u16string WithoutLoneSurrogates(const std::u16string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    bool high = unit >= 0xD800 && unit <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += unit;
      out += text[++i];
    } else {
      out += (unit >= 0xD800 && unit <= 0xDFFF) ? u'?' : unit;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t piece = 1 + data[0] % 16;
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  std::u16string whole;
  platform::AppendUtf8AsUtf16(bytes, whole);
  std::u16string pieces;
  xmlenc::Utf8Stream stream(pieces);
  for (size_t at = 0; at < bytes.size(); at += piece) stream.Feed(std::string_view(bytes).substr(at, piece));
  stream.Finish();
  Check(pieces == whole, "pieces decode differently from the whole");

  std::u16string declared = xmlenc::DeclaredEncoding(whole);
  Check(whole.find(declared) != std::u16string::npos, "declared encoding is not text of the input");
  (void)xmlenc::CodePageFromEncodingName(declared);
  (void)xmlenc::PassesUtf8Test(bytes);

  xmlenc::EncodedText utf32 = xmlenc::EncodeToCodePage(xmlenc::kCpUtf32Own, whole);
  Check(xmlenc::DecodeFromCodePage(xmlenc::kCpUtf32Own, utf32.bytes) == WithoutLoneSurrogates(whole),
        "UTF-32 does not round-trip");
  return 0;
}
