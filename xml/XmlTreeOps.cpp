// Link surgery and offset shifting. Walks are iterative so that any depth is
// safe; a shift visits only the elements that move plus the ancestry.
#include "xml/XmlTreeOps.h"

#include <vector>

namespace {

void ShiftSubtree(XmlElementIndex& index, int32_t root, uint32_t delta) {
  int32_t x = root;
  for (;;) {
    XmlElementEntry& e = index[x];
    e.start += delta;
    if (e.firstChild != 0) {
      x = e.firstChild;
      continue;
    }
    for (;;) {
      if (x == root) return;
      if (index[x].next != 0) {
        x = index[x].next;
        break;
      }
      x = index[x].parent;
    }
  }
}

}  // namespace

void XmlLinkLast(XmlElementIndex& index, int32_t parent, int32_t x) {
  XmlElementEntry& e = index[x];
  XmlElementEntry& p = index[parent];
  e.parent = parent;
  e.next = 0;
  if (p.firstChild == 0) {
    p.firstChild = x;
    e.prev = x;
    e.levelFlags |= kEntryFirstChild;
    return;
  }
  XmlElementEntry& first = index[p.firstChild];
  e.prev = first.prev;
  e.levelFlags &= ~uint32_t(kEntryFirstChild);
  index[first.prev].next = x;
  first.prev = x;
}

void XmlLinkFirst(XmlElementIndex& index, int32_t parent, int32_t x) {
  XmlElementEntry& p = index[parent];
  if (p.firstChild == 0) return XmlLinkLast(index, parent, x);
  XmlElementEntry& e = index[x];
  XmlElementEntry& first = index[p.firstChild];
  e.parent = parent;
  e.prev = first.prev;
  e.next = p.firstChild;
  e.levelFlags |= kEntryFirstChild;
  first.prev = x;
  first.levelFlags &= ~uint32_t(kEntryFirstChild);
  p.firstChild = x;
}

void XmlLinkAfter(XmlElementIndex& index, int32_t ref, int32_t x) {
  XmlElementEntry& r = index[ref];
  XmlElementEntry& e = index[x];
  e.parent = r.parent;
  e.prev = ref;
  e.next = r.next;
  e.levelFlags &= ~uint32_t(kEntryFirstChild);
  r.next = x;
  if (e.next != 0)
    index[e.next].prev = x;
  else
    index[index[e.parent].firstChild].prev = x;
}

void XmlLinkBefore(XmlElementIndex& index, int32_t ref, int32_t x) {
  XmlElementEntry& r = index[ref];
  if (r.levelFlags & kEntryFirstChild) return XmlLinkFirst(index, r.parent, x);
  XmlElementEntry& e = index[x];
  e.parent = r.parent;
  e.prev = r.prev;
  e.next = ref;
  e.levelFlags &= ~uint32_t(kEntryFirstChild);
  index[r.prev].next = x;
  r.prev = x;
}

void XmlUnlink(XmlElementIndex& index, int32_t x) {
  XmlElementEntry& e = index[x];
  XmlElementEntry& p = index[e.parent];
  if (e.levelFlags & kEntryFirstChild) {
    p.firstChild = e.next;
    if (e.next != 0) {
      XmlElementEntry& n = index[e.next];
      n.levelFlags |= kEntryFirstChild;
      n.prev = e.prev;  // the last child
    }
  } else {
    index[e.prev].next = e.next;
    if (e.next != 0)
      index[e.next].prev = e.prev;
    else
      index[p.firstChild].prev = e.prev;
  }
  e.levelFlags &= ~uint32_t(kEntryFirstChild);
  e.next = e.prev = 0;
}

int32_t XmlPrevSibling(const XmlElementIndex& index, int32_t x) {
  const XmlElementEntry& e = index[x];
  return (e.levelFlags & kEntryFirstChild) ? 0 : e.prev;
}

void XmlDeleteSubtree(XmlElementIndex& index, int32_t x) {
  std::vector<int32_t> doomed{x};
  for (std::size_t k = 0; k < doomed.size(); ++k)
    for (int32_t c = index[doomed[k]].firstChild; c != 0; c = index[c].next) doomed.push_back(c);
  for (int32_t d : doomed) {
    XmlElementEntry& e = index[d];
    e.levelFlags |= kEntryDeleted;
    e.next = index.deletedList();
    index.setDeletedList(d);
  }
}

void XmlShiftIndex(XmlElementIndex& index, int32_t container, std::size_t pos, long long delta) {
  const uint32_t d = uint32_t(delta);
  for (int32_t a = container;; a = index[a].parent) {
    index[a].length += d;
    if (a == 0) break;
  }
  if (int32_t first = index[container].firstChild; first != 0) {
    for (int32_t x = index[first].prev;; x = index[x].prev) {
      if (index[x].start < pos) break;
      ShiftSubtree(index, x, d);
      if (x == first) break;
    }
  }
  for (int32_t a = container; a != 0; a = index[a].parent)
    for (int32_t s = index[a].next; s != 0; s = index[s].next) ShiftSubtree(index, s, d);
}
