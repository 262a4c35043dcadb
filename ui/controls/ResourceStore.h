// Where layouts and images come from: the skin archive in memory (read
// through libzip, never copied whole), or a folder during development.
// Names use `/` or `\` and are matched without regard to case, as the
// desktop's file names are.
#ifndef VELMORA_UI_CONTROLS_RESOURCESTORE_H
#define VELMORA_UI_CONTROLS_RESOURCESTORE_H

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ui::detail {

class ResourceStore {
 public:
  static ResourceStore& Instance();
  ~ResourceStore();

  // False (and no archive) when the bytes are not a readable zip.
  bool SetZip(const void* data, std::size_t size);
  void SetFolder(std::string folder);
  std::optional<std::string> Read(std::u16string_view name) const;

 private:
  ResourceStore() = default;
  struct Archive;
  std::unique_ptr<Archive> archive_;
  std::string folder_;
};

}  // namespace ui::detail

#endif
