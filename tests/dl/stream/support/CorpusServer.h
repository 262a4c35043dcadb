// The stream corpus made once per test program and served by a private
// nginx for all its tests; the reason to skip when either is missing.
#ifndef VELMORA_TESTS_DL_STREAM_SUPPORT_CORPUSSERVER_H
#define VELMORA_TESTS_DL_STREAM_SUPPORT_CORPUSSERVER_H

#include <string>
#include <vector>

#include "tests/dl/stream/support/StreamCorpus.h"
#include "tests/net/support/NginxServer.h"

struct CorpusServer {
  StreamCorpus corpus;
  NginxServer* nginx = nullptr;

  std::string Url(const std::string& path) const { return nginx->Url(path); }
  // The corpus folder's media files joined as its playlist lists them.
  std::string Expected(const std::string& folder) const;
};

// Null with `skip` saying why when nginx or ffmpeg is missing.
const CorpusServer* SharedCorpus(std::string& skip);

// Names in a folder, dot files left out.
std::vector<std::string> FolderNames(const std::string& folder);

// ffprobe's value of one entry ("format=duration") or its streams' codec
// types joined by spaces ("stream=codec_type").
std::string Probe(const std::string& file, const std::string& entry);

#endif
