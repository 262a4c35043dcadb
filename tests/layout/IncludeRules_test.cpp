// The one-way rule of docs/architecture.md, read from the includes of every
// source file: a folder includes only folders on lower floors (and itself),
// ui/'s layers include only the layers under them, and Qt appears only in
// ui/ and app/; and no two source files depend on each other in a loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/SourceFiles.h"

namespace {

namespace fs = std::filesystem;

// Floors, lowest first. Folders on the same floor do not include one
// another, except where kAllowedSideways says so.
const std::map<std::string, int> kFloors = {
    {"platform", 0},
    {"base", 1},
    {"xml", 2}, {"db", 2}, {"net", 2}, {"util", 2}, {"archive", 2}, {"lang", 2},
    {"dl", 3},  // the download engine, over the network client and the files
    {"rpc", 3},  // the remote-control server, beside the engine
    {"script", 4},
    {"ui", 5},
    {"app", 6},
    {"nativehost", 6},  // a program of its own beside the window
};

// The HTTP client writes downloads through the file helpers' writer.
const std::multimap<std::string, std::string> kAllowedSideways = {{"net", "util"}};

// ui/ inside: window system, then controls, then the script bindings. The
// shared window definitions sit at ui/'s root with the window system; the
// umbrella header ui/UIlib.h sits above all three.
int UiLayer(const std::string& pathInUi) {
  if (pathInUi == "UIlib.h") return 3;
  if (pathInUi.rfind("bindings/", 0) == 0) return 2;
  if (pathInUi.rfind("controls/", 0) == 0) return 1;
  return 0;
}

struct SourceFile {
  std::string path;  // relative to the source root
  std::vector<std::string> includes;  // quoted project includes
  bool usesQt = false;
};

std::vector<SourceFile> ReadSources() {
  std::vector<SourceFile> files;
  const fs::path root = SourceDir();
  static const std::regex kQuoted(R"re(^\s*#\s*include\s*"([^"]+)")re");
  static const std::regex kQt(R"(^\s*#\s*include\s*<Q[A-Za-z]*[/>])");
  for (const auto& [folder, floor] : kFloors) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(root / folder, error), end; !error && it != end; it.increment(error)) {
      const std::string ext = it->path().extension().string();
      if (ext != ".h" && ext != ".cpp" && ext != ".in") continue;
      SourceFile file{fs::relative(it->path(), root).generic_string(), {}, false};
      std::ifstream in(it->path());
      std::string line;
      std::smatch match;
      while (std::getline(in, line)) {
        if (std::regex_search(line, match, kQuoted)) file.includes.push_back(match[1]);
        if (std::regex_search(line, kQt)) file.usesQt = true;
      }
      files.push_back(std::move(file));
    }
  }
  return files;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find('/')); }

// Empty when `from` may include `target`, else why not.
std::string Violation(const std::string& from, const std::string& target) {
  const std::string fromFolder = FolderOf(from), toFolder = FolderOf(target);
  if (toFolder == target) return "";  // a header beside the file, not a project path
  auto to = kFloors.find(toFolder);
  if (to == kFloors.end()) {
    if (toFolder == "tests" || toFolder == "bench") return "the product includes test or benchmark code";
    return "unknown folder " + toFolder + "/: give it a floor here and in docs/architecture.md";
  }
  if (fromFolder == toFolder) {
    if (fromFolder != "ui") return "";
    const std::string a = from.substr(3), b = target.substr(3);
    if (UiLayer(b) <= UiLayer(a) || a == "UIlib.h") return "";
    return "a lower ui/ layer includes a higher one";
  }
  const int fromFloor = kFloors.at(fromFolder), toFloor = to->second;
  if (toFloor < fromFloor) return "";
  auto [first, last] = kAllowedSideways.equal_range(fromFolder);
  for (auto it = first; it != last; ++it)
    if (it->second == toFolder) return "";
  return toFloor == fromFloor ? "folders on one floor include each other" : "a lower floor includes a higher one";
}

// A header and the .cpp beside it are one unit: "dl/TaskRunner".
std::string UnitOf(const std::string& path) { return path.substr(0, path.rfind('.')); }

using UnitGraph = std::map<std::string, std::set<std::string>>;

// Which unit includes which, among the units that exist.
UnitGraph IncludeGraph(const std::vector<SourceFile>& files) {
  std::set<std::string> units;
  for (const SourceFile& file : files) units.insert(UnitOf(file.path));
  UnitGraph graph;
  for (const SourceFile& file : files) {
    const std::string from = UnitOf(file.path);
    const std::string folder = file.path.substr(0, file.path.rfind('/') + 1);
    for (const std::string& target : file.includes) {
      // A bare name is a header beside the file.
      std::string to = UnitOf(target.find('/') == std::string::npos ? folder + target : target);
      if (to != from && units.count(to)) graph[from].insert(to);
    }
  }
  return graph;
}

using Loop = std::set<std::string>;

// The units that reach each other through includes, loop by loop (strongly
// connected sets of two units or more).
std::set<Loop> IncludeLoops(const UnitGraph& graph) {
  std::map<std::string, int> order, low;
  std::vector<std::string> stack;
  std::set<std::string> onStack;
  std::set<Loop> loops;
  std::function<void(const std::string&)> visit = [&](const std::string& unit) {
    order[unit] = low[unit] = static_cast<int>(order.size());
    stack.push_back(unit);
    onStack.insert(unit);
    if (auto edges = graph.find(unit); edges != graph.end())
      for (const std::string& next : edges->second) {
        if (!order.count(next)) {
          visit(next);
          low[unit] = std::min(low[unit], low[next]);
        } else if (onStack.count(next)) {
          low[unit] = std::min(low[unit], order[next]);
        }
      }
    if (low[unit] != order[unit]) return;
    Loop loop;
    std::string member;
    do {
      member = stack.back();
      stack.pop_back();
      onStack.erase(member);
      loop.insert(member);
    } while (member != unit);
    if (loop.size() > 1) loops.insert(std::move(loop));
  };
  for (const auto& [unit, edges] : graph)
    if (!order.count(unit)) visit(unit);
  return loops;
}

std::string Described(const std::set<Loop>& loops) {
  std::string text;
  for (const Loop& loop : loops) {
    text += "\n  {";
    for (const std::string& unit : loop) text += " " + unit;
    text += " }";
  }
  return text;
}

TEST(IncludeRules, IncludesRunOneWayOnly) {
  const std::vector<SourceFile> files = ReadSources();
  ASSERT_GT(files.size(), 100u) << "no sources under " << SourceDir();
  for (const SourceFile& file : files)
    for (const std::string& target : file.includes) {
      const std::string why = Violation(file.path, target);
      EXPECT_EQ(why, "") << file.path << " includes " << target;
    }
}

TEST(IncludeRules, QtOnlyInUiAndApp) {
  for (const SourceFile& file : ReadSources()) {
    const std::string folder = FolderOf(file.path);
    EXPECT_TRUE(!file.usesQt || folder == "ui" || folder == "app") << file.path << " includes Qt";
  }
}

TEST(IncludeRules, NoSourceFilesIncludeEachOtherInALoop) {
  const std::vector<SourceFile> files = ReadSources();
  ASSERT_GT(files.size(), 100u) << "no sources under " << SourceDir();
  const std::set<Loop> loops = IncludeLoops(IncludeGraph(files));
  EXPECT_EQ(Described(loops), "")
      << "a header and its source are one unit; split the shared part into a header of its own";
}

TEST(IncludeRules, CatchesAnIncludeLoopThroughAHeaderAndItsSource) {
  // The runner's source includes the job's header, whose header includes
  // the runner's: a loop of two units though no file includes itself.
  const std::vector<SourceFile> looped = {
      {"dl/Runner.h", {"dl/Types.h"}, false},
      {"dl/Runner.cpp", {"dl/Runner.h", "dl/Job.h"}, false},
      {"dl/Job.h", {"dl/Runner.h"}, false},
      {"dl/Job.cpp", {"Job.h"}, false},
      {"dl/Types.h", {}, false},
  };
  EXPECT_EQ(IncludeLoops(IncludeGraph(looped)), std::set<Loop>({{"dl/Job", "dl/Runner"}}));
  std::vector<SourceFile> straight = looped;
  straight[2].includes = {"dl/Types.h"};
  EXPECT_TRUE(IncludeLoops(IncludeGraph(straight)).empty());
  const UnitGraph ring = {{"a/X", {"a/Y"}}, {"a/Y", {"a/Z"}}, {"a/Z", {"a/X"}}, {"a/W", {"a/X"}}};
  EXPECT_EQ(IncludeLoops(ring), std::set<Loop>({{"a/X", "a/Y", "a/Z"}}));
}

// The checker itself: the rule must catch what it is meant to catch.
TEST(IncludeRules, CatchesWrongWayIncludes) {
  EXPECT_NE(Violation("util/sysfile.cpp", "net/WHttp.h"), "");
  EXPECT_NE(Violation("xml/xmllua.cpp", "script/tessaryLuaCommon.h"), "");
  EXPECT_NE(Violation("base/Md5.cpp", "util/sysfile.h"), "");
  EXPECT_NE(Violation("db/SqliteDB.cpp", "xml/CXmlDocument.h"), "");
  EXPECT_NE(Violation("ui/window/WindowHost.cpp", "ui/controls/CPaintManagerUI.h"), "");
  EXPECT_NE(Violation("ui/controls/CControlUI.cpp", "ui/bindings/ScriptBindings.h"), "");
  EXPECT_NE(Violation("net/WHttp.cpp", "newfolder/Thing.h"), "");
  EXPECT_EQ(Violation("net/WHttpDownload.cpp", "util/sysfile.h"), "");
  EXPECT_EQ(Violation("app/CTessaryDL.cpp", "ui/UIlib.h"), "");
  EXPECT_EQ(Violation("ui/controls/CControlUI.cpp", "ui/UIDefs.h"), "");
}

}  // namespace
