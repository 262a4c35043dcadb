// The default catalogue as built into the program, the last fallback: the
// host still speaks when its ext/ folder is missing or broken.
#ifndef VELMORA_LANG_EMBEDDEDCATALOGUE_H
#define VELMORA_LANG_EMBEDDEDCATALOGUE_H

#include <string_view>

namespace lang {

// The bytes of the default catalogue file as the build found it.
std::string_view EmbeddedDefaultCatalogue();

}  // namespace lang

#endif
