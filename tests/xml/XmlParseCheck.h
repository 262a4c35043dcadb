// The corpus check shared by the repository corpus and the machine sweep.
#ifndef VELMORA_TESTS_XML_XMLPARSECHECK_H
#define VELMORA_TESTS_XML_XMLPARSECHECK_H

#include <string>

// Parses the UTF-8 `bytes`, then its own text again: the verdict and tree
// must agree, the text must be kept as given and the index must frame it.
// Returns the verdict; `name` labels failures.
bool ParseTwiceAndCheck(const std::string& bytes, const std::string& name);

#endif
