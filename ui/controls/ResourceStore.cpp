#include "ui/controls/ResourceStore.h"

#include <zip.h>

#include <fstream>
#include <sstream>

#include "platform/Path.h"

namespace ui::detail {

namespace {

// Archive members are at most this large; a bigger one is refused rather
// than allocated.
constexpr zip_uint64_t kMaxMember = 256u << 20;

std::string NormalisedName(std::u16string_view name) {
  std::string utf8 = platform::NativePathFromWide(name);
  while (!utf8.empty() && utf8.front() == '/') utf8.erase(0, 1);
  return utf8;
}

}  // namespace

struct ResourceStore::Archive {
  zip_t* zip = nullptr;
  ~Archive() {
    if (zip) zip_discard(zip);
  }
};

ResourceStore& ResourceStore::Instance() {
  static ResourceStore store;
  return store;
}

ResourceStore::~ResourceStore() = default;

bool ResourceStore::SetZip(const void* data, std::size_t size) {
  archive_.reset();
  if (!data || size == 0) return false;
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
  if (!source) {
    zip_error_fini(&error);
    return false;
  }
  zip_t* zip = zip_open_from_source(source, ZIP_RDONLY, &error);
  zip_error_fini(&error);
  if (!zip) {
    zip_source_free(source);
    return false;
  }
  archive_ = std::make_unique<Archive>();
  archive_->zip = zip;
  return true;
}

void ResourceStore::SetFolder(std::string folder) { folder_ = std::move(folder); }

std::optional<std::string> ResourceStore::Read(std::u16string_view name) const {
  const std::string member = NormalisedName(name);
  if (member.empty()) return std::nullopt;
  if (archive_) {
    const zip_int64_t index = zip_name_locate(archive_->zip, member.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
    if (index < 0) return std::nullopt;
    zip_stat_t st;
    if (zip_stat_index(archive_->zip, static_cast<zip_uint64_t>(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
        st.size > kMaxMember) {
      return std::nullopt;
    }
    zip_file_t* file = zip_fopen_index(archive_->zip, static_cast<zip_uint64_t>(index), 0);
    if (!file) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(st.size), '\0');
    const zip_int64_t got = zip_fread(file, bytes.data(), st.size);
    zip_fclose(file);
    if (got < 0 || static_cast<zip_uint64_t>(got) != st.size) return std::nullopt;
    return bytes;
  }
  if (folder_.empty() || member.find("..") != std::string::npos) return std::nullopt;
  std::ifstream in(folder_ + "/" + member, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace ui::detail
