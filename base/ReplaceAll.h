// In-place replacement over wide text.
#ifndef VELMORA_BASE_REPLACEALL_H
#define VELMORA_BASE_REPLACEALL_H

#include <string>

// Replaces every occurrence of `find`, scanning on after each replacement.
// An empty `find` changes nothing.
std::u16string& ReplaceAll(std::u16string& text, const std::u16string& find,
                           const std::u16string& replacement);

#endif
