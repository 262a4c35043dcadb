// Kinds of file that are never a web page: when a link names one of these
// and the server answers with HTML, the answer is a login page, an expired
// link's notice or a captive portal, not the file.
#ifndef VELMORA_DL_NONWEBTYPES_H
#define VELMORA_DL_NONWEBTYPES_H

#include <string_view>

// Whether the file name (or the last segment of a URL) ends in the
// extension of an archive, disk image, media file, program or .bin.
bool NamesNonWebFile(std::string_view name);

// Whether a Content-Type value is HTML (text/html or application/xhtml+xml).
bool IsWebPageType(std::string_view contentType);

#endif
