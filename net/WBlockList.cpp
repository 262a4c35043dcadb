#include "net/WBlockList.h"

#include <new>

char* WBlockList::Allocate(size_t size) {
  // calloc takes fresh zero pages from the OS for big sizes, so a block sized
  // from a declared length is not touched (or paid for) until data arrives.
  char* block = static_cast<char*>(std::calloc(size == 0 ? 1 : size, 1));
  if (!block) return nullptr;
  try {
    blocks_.emplace_back(block);
  } catch (const std::bad_alloc&) {
    std::free(block);
    return nullptr;
  }
  return block;
}

void WBlockList::ReleaseAll() { blocks_.clear(); }
