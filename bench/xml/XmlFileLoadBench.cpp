// velmora-bench-xml-file [MEGABYTES]: Load of a large UTF-8 file, end to end,
// against pugixml's load_file of the same file in the same run. Also splits
// our time into reading + converting to UTF-16 and parsing. Prints ratios.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "platform/Path.h"
#include "xml/CXmlDocument.h"
#include "xml/XmlFileIo.h"

namespace {

constexpr int kRuns = 5;

// A catalogue of records: attributes, text with entities, some CJK and a
// few comments, the mix of the download lists the scripts keep.
std::string MakeDocument(size_t targetBytes) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<catalog>\r\n";
  for (size_t i = 0; text.size() < targetBytes; ++i) {
    std::string n = std::to_string(i);
    text += "  <item id=\"" + n + "\" size=\"" + std::to_string(i * 7919 % 100000) +
            "\" state=\"done\">\r\n"
            "    <name>Book " + n + " \xE4\xB8\xAD\xE6\x96\x87\xE4\xB9\xA6\xE5\x90\x8D &amp; more</name>\r\n"
            "    <url>http://files.example.com/books/" + n + ".zip?a=1&amp;b=2</url>\r\n"
            "    <cover path=\"covers/" + n + ".jpg\"/>\r\n";
    if (i % 16 == 0) text += "    <!-- checked " + n + " -->\r\n";
    text += "  </item>\r\n";
  }
  return text + "</catalog>\r\n";
}

double Seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-xml-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::fprintf(stderr, "velmora-bench-xml-file: cannot make a scratch directory\n");
    return 1;
  }
  std::string path = pattern + "/catalog.xml";
  {
    std::string text = MakeDocument(megabytes << 20);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size()) return 1;
    std::fclose(file);
  }
  std::u16string widePath = platform::WidePathFromNative(path);

  std::vector<double> peer, ours, convert, parse;
  bool ok = true;
  for (int run = 0; run < kRuns; ++run) {
    peer.push_back(Seconds([&] {
      pugi::xml_document doc;
      ok &= static_cast<bool>(doc.load_file(path.c_str()));
    }));
    ours.push_back(Seconds([&] {
      CXmlDocument doc;
      ok &= doc.Load(widePath);
    }));
    CXmlDocument doc;
    xmlenc::XmlFileReadResult file;
    convert.push_back(Seconds([&] { file = xmlenc::ReadXmlTextFile(widePath, 0); }));
    parse.push_back(Seconds([&] { ok &= doc.SetDoc(std::move(file.text)); }));
  }
  std::filesystem::remove_all(pattern);

  double peerTime = Median(peer), ourTime = Median(ours);
  double convertTime = Median(convert), parseTime = Median(parse);
  std::printf("file: %zu MB UTF-8, median of %d runs\n", megabytes, kRuns);
  std::printf("pugixml load_file:  %.1f ms\n", peerTime * 1e3);
  std::printf("CXmlDocument::Load: %.1f ms  (%.2fx pugixml; target <= 1.30x)\n", ourTime * 1e3,
              ourTime / peerTime);
  std::printf("  read + convert to UTF-16: %.0f%%, parse: %.0f%%\n",
              100 * convertTime / (convertTime + parseTime), 100 * parseTime / (convertTime + parseTime));
  if (!ok) std::printf("warning: a load failed\n");
  return ok ? 0 : 1;
}
