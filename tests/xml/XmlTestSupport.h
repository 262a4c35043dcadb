// Helpers for the XML engine tests: UTF-8 literals to UTF-16 and back, and a
// dump of the element index that two parses can be compared by.
#ifndef VELMORA_TESTS_XML_XMLTESTSUPPORT_H
#define VELMORA_TESTS_XML_XMLTESTSUPPORT_H

#include <string>
#include <string_view>

#include "xml/CXmlDocument.h"

std::u16string U(std::string_view utf8);
std::string N(std::u16string_view text);

// One line per reachable element, in document order: depth in the tree,
// offsets, tag lengths and the flags that parsing decides.
std::string DumpTree(const CXmlDocument& doc);

// Checks the link invariants of the index (parent links, first-child flags,
// back links, offsets inside the parent, document order). Empty when sound.
std::string CheckIndex(const CXmlDocument& doc);

#endif
