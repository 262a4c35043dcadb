// Fuzz entry for the catalogue parser: the input is a catalogue file.
// Whatever it holds, the parser accepts it with no empty key or refuses it
// with a message that names the file and a line; it never crashes or reads
// past the input. Built as a libFuzzer target with clang (VELMORA_FUZZ).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "lang/Catalogue.h"

namespace {

void Check(bool condition, const char* why) {
  if (condition) return;
  std::fprintf(stderr, "%s\n", why);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lang::Catalogue catalogue;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (Failure failure = lang::ParseCatalogue(bytes, "f.txt", catalogue)) {
    Check(failure.message.starts_with("f.txt:"), "a refusal that does not name the file");
    Check(catalogue.texts.empty() && catalogue.skin.empty(), "a refusal that keeps half a catalogue");
    return 0;
  }
  for (const auto* section : {&catalogue.texts, &catalogue.skin})
    for (const auto& [key, text] : *section) Check(!key.empty(), "an empty key accepted");
  return 0;
}
