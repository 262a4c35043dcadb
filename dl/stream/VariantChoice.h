// Which variant of a master playlist a task fetches: "best" (the default:
// the highest bandwidth, ties broken by the larger picture), "smallest",
// a picture height such as "720", or an index into the playlist's list.
#ifndef VELMORA_DL_STREAM_VARIANTCHOICE_H
#define VELMORA_DL_STREAM_VARIANTCHOICE_H

#include <string>
#include <vector>

#include "dl/stream/Playlist.h"

// Whether `option` is a choice this program understands (empty is "best").
bool IsVariantOption(const std::string& option);

// The index of the chosen variant, or -1 with `error` when none fits.
int ChooseVariant(const std::vector<Variant>& variants, const std::string& option, std::string& error);

// "1280x720 2.5 Mbit/s" for people.
std::string DescribeVariant(const Variant& variant);

#endif
