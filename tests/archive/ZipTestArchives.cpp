#include "tests/archive/ZipTestArchives.h"

#include <zip.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/TempDir.h"

bool WriteTestZip(const std::string& path, const std::vector<TestEntry>& entries) {
  int code = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!z) return false;
  bool ok = true;
  for (const TestEntry& e : entries) {
    const zip_flags_t encoding = e.utf8Flag ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_CP437;
    zip_int64_t index = -1;
    if (!e.name.empty() && e.name.back() == '/') {
      index = zip_dir_add(z, e.name.c_str(), encoding);
    } else {
      zip_source_t* src = zip_source_buffer(z, e.data.data(), e.data.size(), 0);
      index = src ? zip_file_add(z, e.name.c_str(), src, encoding | ZIP_FL_OVERWRITE) : -1;
      if (index < 0 && src) zip_source_free(src);
    }
    if (index < 0) {
      ok = false;
      continue;
    }
    if (e.symlink) zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                                    static_cast<zip_uint32_t>(0120777) << 16);
  }
  if (zip_close(z) != 0) {
    zip_discard(z);
    return false;
  }
  return ok;
}

std::vector<std::string> ListTree(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> lines;
  std::error_code ec;
  if (!fs::exists(folder, ec)) return lines;
  for (const auto& item : fs::recursive_directory_iterator(folder, ec)) {
    const std::string relative = fs::relative(item.path(), folder).string();
    if (item.is_symlink())
      lines.push_back(relative + "@");
    else if (item.is_directory())
      lines.push_back(relative + "/");
    else
      lines.push_back(relative + "=" + ReadFileBytes(item.path().string()));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}
