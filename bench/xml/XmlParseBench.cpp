// Parse speed and index memory of CXmlDocument::SetDoc against pugixml,
// tinyxml2 and expat on the same documents, in one run; then the script-like
// build-and-walk workload at two sizes to show linear growth.
//
// Usage: velmora-bench-xml [megabytes=50] [real files...]
// Each peer parses UTF-8 from memory; SetDoc takes the UTF-16 text (its copy
// of the text is part of the time). The parsers take turns, round after
// round; every figure is the best of nine rounds.
#include <expat.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "bench/xml/AuctionDocument.h"
#include "platform/Utf8Codec.h"
#include "xml/CXmlDocument.h"
#include "xml/XmlElementIndex.h"

namespace {

constexpr int kRounds = 9;

// One contender: an optional untimed preparation, then the timed run.
struct Contender {
  std::function<void()> prepare;
  std::function<void()> run;
  double best = 1e30;
};

// Runs every contender once per round, round after round, so that a burst
// of load on the machine hits them all alike; keeps each one's best time.
void RunRounds(std::vector<Contender*> contenders) {
  for (int round = 0; round < kRounds; ++round) {
    for (Contender* c : contenders) {
      if (c->prepare) c->prepare();
      auto t0 = std::chrono::steady_clock::now();
      c->run();
      c->best = std::min(c->best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
  }
}

struct ExpatCount {
  std::size_t elements = 0;
};

void XMLCALL OnStart(void* data, const XML_Char*, const XML_Char**) { ++static_cast<ExpatCount*>(data)->elements; }
void XMLCALL OnEnd(void*, const XML_Char*) {}

std::size_t ExpatParse(const std::string& utf8) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  ExpatCount count;
  XML_SetUserData(parser, &count);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  XML_Parse(parser, utf8.data(), int(utf8.size()), 1);
  XML_ParserFree(parser);
  return count.elements;
}

struct Figures {
  double ours, moved, pugi, tiny, expat;
};

Figures CompareParsers(const std::string& label, const std::string& utf8) {
  std::u16string utf16;
  platform::AppendUtf8AsUtf16(utf8, utf16);
  Figures f{};
  std::size_t elements = 0;
  bool wellFormed = false;
  std::size_t indexBytes = 0;
  Contender ours{{}, [&] {
    CXmlDocument doc;
    wellFormed = doc.SetDoc(std::u16string_view(utf16));
    elements = std::size_t(doc.Index().nextFree() - 1);
    indexBytes = doc.Index().MemoryBytes();
  }};
  // The script library hands SetDoc a converted string it no longer needs,
  // which moves in without a copy.
  std::u16string spare;
  Contender moved{[&] { spare = utf16; }, [&] {
    CXmlDocument doc(u"");
    doc.SetDoc(std::move(spare));
  }};
  Contender pugi{{}, [&] {
    pugi::xml_document doc;
    doc.load_buffer(utf8.data(), utf8.size());
  }};
  Contender tiny{{}, [&] {
    tinyxml2::XMLDocument doc;
    doc.Parse(utf8.data(), utf8.size());
  }};
  std::size_t expatElements = 0;
  Contender expat{{}, [&] { expatElements = ExpatParse(utf8); }};
  RunRounds({&ours, &moved, &pugi, &tiny, &expat});
  f = {ours.best, moved.best, pugi.best, tiny.best, expat.best};
  std::printf("%-28s %8.2f MB  %8zu elements%s\n", label.c_str(), utf8.size() / 1e6, elements,
              wellFormed ? "" : "  (not well formed)");
  std::printf("  SetDoc   %8.1f ms   (copying the text; moved in: %.1f ms)\n", f.ours * 1e3, f.moved * 1e3);
  std::printf("  pugixml  %8.1f ms   SetDoc/pugixml  = %.2fx  (moved in: %.2fx)\n", f.pugi * 1e3, f.ours / f.pugi,
              f.moved / f.pugi);
  std::printf("  tinyxml2 %8.1f ms   SetDoc/tinyxml2 = %.2fx\n", f.tiny * 1e3, f.ours / f.tiny);
  std::printf("  expat    %8.1f ms   SetDoc/expat    = %.2fx  (expat counted %zu elements)\n", f.expat * 1e3,
              f.ours / f.expat, expatElements);
  if (elements)
    std::printf("  index    %.1f bytes per element (%zu bytes)\n", double(indexBytes) / double(elements), indexBytes);
  return f;
}

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Builds root + n elements the way the scripts do, then walks them back.
void ScriptWorkload(int n, double& buildSeconds, double& walkSeconds) {
  CXmlDocument doc;
  auto t0 = std::chrono::steady_clock::now();
  doc.AddElem(u"root");
  for (int i = 0; i < n / 2; ++i) {
    doc.AddChildElem(u"item");
    doc.IntoElem();
    doc.SetAttrib(u"id", i);
    doc.SetAttrib(u"name", u"entry");
    doc.AddChildElem(u"value");
    doc.SetChildAttrib(u"n", i * 3);
    doc.OutElem();
  }
  auto t1 = std::chrono::steady_clock::now();
  std::size_t found = 0, chars = 0;
  doc.ResetPos();
  doc.FindElem(u"root");
  while (doc.FindChildElem(u"item")) {
    ++found;
    chars += doc.GetChildAttrib(u"id").size();
    doc.IntoElem();
    if (doc.FindChildElem(u"value")) chars += doc.GetChildAttrib(u"n").size();
    doc.OutElem();
  }
  auto t2 = std::chrono::steady_clock::now();
  buildSeconds = std::chrono::duration<double>(t1 - t0).count();
  walkSeconds = std::chrono::duration<double>(t2 - t1).count();
  if (found != std::size_t(n / 2) || chars == 0) std::printf("  walk found %zu of %d items!\n", found, n / 2);
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t megabytes = argc > 1 ? std::size_t(std::atoi(argv[1])) : 50;
  std::string auction = MakeAuctionDocument(megabytes * 1000 * 1000);
  CompareParsers("generated auction document", auction);
  auction.clear();
  auction.shrink_to_fit();
  for (int i = 2; i < argc; ++i) CompareParsers(argv[i], ReadFile(argv[i]));

  std::printf("\nscript-like workload (AddElem/AddChildElem/SetAttrib, then FindElem/FindChildElem/GetAttrib)\n");
  double build10, walk10, build100, walk100;
  ScriptWorkload(10000, build10, walk10);
  ScriptWorkload(100000, build100, walk100);
  std::printf("  10k elements:  build %8.1f ms  walk %8.1f ms\n", build10 * 1e3, walk10 * 1e3);
  std::printf("  100k elements: build %8.1f ms  walk %8.1f ms\n", build100 * 1e3, walk100 * 1e3);
  std::printf("  growth 10k -> 100k: build %.1fx, walk %.1fx (linear = 10x)\n", build100 / build10, walk100 / walk10);
  return 0;
}
