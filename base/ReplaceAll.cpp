#include "base/ReplaceAll.h"

std::u16string& ReplaceAll(std::u16string& text, const std::u16string& find,
                           const std::u16string& replacement) {
  if (find.empty()) return text;  // would match everywhere and never end
  size_t pos = 0;
  while ((pos = text.find(find, pos)) != std::u16string::npos) {
    text.replace(pos, find.size(), replacement);
    pos += replacement.size();
  }
  return text;
}
