#include "platform/Resource.h"

#include <cstring>
#include <mutex>
#include <string>
#include <deque>

namespace {

struct Entry {
  std::u16string type;
  int id;
  const void* data;
  std::size_t size;
};

struct Table {
  std::mutex mutex;
  std::deque<Entry> entries;  // deque: handles are entry addresses and must stay put
};

Table& Resources() {
  static Table table;
  return table;
}

// Type names compare without regard to ASCII case, as the desktop's do.
bool SameType(const std::u16string& a, const char16_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return false;
  }
  return i == a.size() && b[i] == 0;
}

const Entry* AsEntry(const void* handle) {
  Table& table = Resources();
  std::lock_guard lock(table.mutex);
  for (const Entry& e : table.entries) {
    if (&e == handle) return &e;
  }
  return nullptr;
}

}  // namespace

HRSRC FindResource(HMODULE, int id, const char16_t* type) {
  if (!type) return nullptr;
  Table& table = Resources();
  std::lock_guard lock(table.mutex);
  for (const Entry& e : table.entries) {
    if (e.id == id && SameType(e.type, type)) return reinterpret_cast<HRSRC>(const_cast<Entry*>(&e));
  }
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  const Entry* e = AsEntry(resource);
  return e ? e->data : nullptr;
}

std::uint32_t SizeofResource(HMODULE, HRSRC resource) {
  const Entry* e = AsEntry(resource);
  return e && e->size <= UINT32_MAX ? static_cast<std::uint32_t>(e->size) : 0;
}

const void* LockResource(HGLOBAL loaded) { return loaded; }

int FreeResource(HGLOBAL) { return 0; }

namespace platform {

void RegisterResource(const char16_t* type, int id, const void* data, std::size_t size) {
  Table& table = Resources();
  std::lock_guard lock(table.mutex);
  for (Entry& e : table.entries) {
    if (e.id == id && SameType(e.type, type)) {
      e.data = data;
      e.size = size;
      return;
    }
  }
  table.entries.push_back(Entry{type, id, data, size});
}

}  // namespace platform
