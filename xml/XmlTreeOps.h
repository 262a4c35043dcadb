// Link surgery on the element index: linking and unlinking siblings, marking
// removed subtrees, and shifting offsets after the text changed.
//
// Sibling lists: the first child carries kEntryFirstChild and its prev names
// the last child; every other prev names the previous sibling.
#ifndef VELMORA_XML_XMLTREEOPS_H
#define VELMORA_XML_XMLTREEOPS_H

#include <cstddef>
#include <cstdint>

#include "xml/XmlElementIndex.h"

void XmlLinkLast(XmlElementIndex& index, int32_t parent, int32_t x);
void XmlLinkFirst(XmlElementIndex& index, int32_t parent, int32_t x);
void XmlLinkAfter(XmlElementIndex& index, int32_t ref, int32_t x);
void XmlLinkBefore(XmlElementIndex& index, int32_t ref, int32_t x);
void XmlUnlink(XmlElementIndex& index, int32_t x);
// Previous sibling, 0 for a first child.
int32_t XmlPrevSibling(const XmlElementIndex& index, int32_t x);
// Marks x and its subtree Deleted and chains them on the deleted list.
void XmlDeleteSubtree(XmlElementIndex& index, int32_t x);

// The text changed by `delta` units at offset `pos` inside `container` (0:
// the document). Every element starting at or after `pos` outside the
// container's ancestry moves; the container and its ancestors grow.
void XmlShiftIndex(XmlElementIndex& index, int32_t container, std::size_t pos, long long delta);

#endif
