#include "platform/CommandLine.h"

#include <iconv.h>
#include <langinfo.h>

#include <clocale>

#include <mutex>

#include "platform/Utf8Codec.h"

namespace platform {
namespace {

std::u16string DecodeLocaleText(const char* text) {
  std::string_view bytes(text);
  std::u16string out;
  const char* codeset = nl_langinfo(CODESET);
  std::string_view name = codeset ? codeset : "";
  if (name == "UTF-8" || name == "utf8" || name == "ANSI_X3.4-1968") {
    // The C locale's ASCII is a subset; treat its bytes as UTF-8 so that file
    // names from a misconfigured shell still arrive whole.
    AppendUtf8AsUtf16(bytes, out);
    return out;
  }
  iconv_t cd = iconv_open("UTF-16LE", codeset);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    AppendUtf8AsUtf16(bytes, out);
    return out;
  }
  out.resize(bytes.size() + 1);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* o = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size() * 2;
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<size_t>(-1)) break;
    if (outLeft < 2) break;
    *reinterpret_cast<char16_t*>(o) = 0xFFFD;
    o += 2;
    outLeft -= 2;
    ++in;
    --inLeft;
  }
  iconv_close(cd);
  out.resize(out.size() - outLeft / 2);
  return out;
}

}  // namespace

namespace {
std::mutex gCommandLineMutex;
std::vector<std::u16string> gCommandLine;
}  // namespace

void RecordProcessCommandLine(std::vector<std::u16string> arguments) {
  std::lock_guard lock(gCommandLineMutex);
  gCommandLine = std::move(arguments);
}

std::vector<std::u16string> ProcessCommandLine() {
  std::lock_guard lock(gCommandLineMutex);
  return gCommandLine;
}

std::vector<std::u16string> CommandLineArguments(int argc, char** argv) {
  // The user's locale tells how argv is encoded; the rest of the program keeps
  // the "C" locale so that number formatting and ctype stay predictable.
  const char* previous = setlocale(LC_CTYPE, nullptr);
  std::string restore = previous ? previous : "C";
  setlocale(LC_CTYPE, "");
  std::vector<std::u16string> args;
  args.reserve(static_cast<size_t>(argc));
  for (int i = 0; i < argc; ++i) args.push_back(DecodeLocaleText(argv[i] ? argv[i] : ""));
  setlocale(LC_CTYPE, restore.c_str());
  return args;
}

}  // namespace platform
