// Choosing the file name of a download: from the server's
// Content-Disposition (filename* before filename), else from the last URL
// path segment; then made safe for the folder (base name only, no separator,
// control or refused character, never "." or ".."), and made unique there.
// All names are UTF-8.
#ifndef VELMORA_DL_FILENAMING_H
#define VELMORA_DL_FILENAMING_H

#include <functional>
#include <string>
#include <string_view>

// The name a Content-Disposition value proposes, raw (not yet made safe);
// empty when it names none. filename* (RFC 5987: UTF-8 or ISO-8859-1) wins
// over filename; a plain filename that is not UTF-8 is read in the ANSI
// code page, as servers for that audience send it.
std::string FileNameFromContentDisposition(std::string_view value);

// The last path segment of an http URL, percent-decoded; empty when none.
std::string FileNameFromUrl(std::string_view url);

// A name that stays inside the folder and that file systems accept; never
// empty ("download" when nothing usable is left).
std::string SafeFileName(std::string_view name);

// The name an answer gives the file, made safe: its Content-Disposition's,
// else the last path segment of the URL that answered, else of the URL the
// task was added with.
std::string AnswerFileName(std::string_view contentDisposition, std::string_view answeredUrl,
                           std::string_view addedUrl);

// `name`, or "stem (1).ext", "stem (2).ext", ... : the first for which
// `taken` answers false.
std::string UniqueFileName(const std::string& name, const std::function<bool(const std::string&)>& taken);

#endif
