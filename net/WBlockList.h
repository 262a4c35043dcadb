// WBlockList: owner of the working buffers of one HTTP transfer. Every buffer
// a transfer allocates is registered in a list and all are released together
// when the transfer ends, whichever way it ends.
#ifndef VELMORA_NET_WBLOCKLIST_H
#define VELMORA_NET_WBLOCKLIST_H

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <vector>

class WBlockList {
 public:
  // `size` zero-filled bytes owned by the list; nullptr when memory is short
  // (nothing throws). Large blocks cost nothing until they are written.
  char* Allocate(size_t size);
  void ReleaseAll();
  size_t count() const { return blocks_.size(); }

 private:
  struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
  };
  std::vector<std::unique_ptr<char, FreeDeleter>> blocks_;
};

#endif
