#include "ui/controls/EmbeddedSkin.h"

#include <cstdint>
#include <vector>

#include "ui/controls/CPaintManagerUI.h"
#include "platform/Resource.h"
#include "ui/UIDefs.h"

namespace {

// Copied out of the executable once; the library reads its layouts and
// images from this copy for the whole run. Empty when missing.
std::vector<unsigned char> CopySkinArchive() {
  HMODULE module = CPaintManagerUI::GetResourceDll();
  HRSRC resource = FindResourceW(module, kSkinResourceId, u"ZIPRES");
  if (!resource) return {};
  HGLOBAL loaded = LoadResource(module, resource);
  const std::uint32_t size = SizeofResource(module, resource);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  std::vector<unsigned char> archive;
  if (bytes && size > 0) {
    const auto* first = static_cast<const unsigned char*>(bytes);
    archive.assign(first, first + size);
  }
  if (loaded) FreeResource(loaded);
  return archive;
}

}  // namespace

bool UseEmbeddedSkin() {
  static const std::vector<unsigned char> archive = CopySkinArchive();
  return !archive.empty() && CPaintManagerUI::SetResourceZip(archive.data(), archive.size());
}
