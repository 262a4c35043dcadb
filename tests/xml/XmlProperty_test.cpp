// Properties over random documents and random edit sequences: every start
// tag gets an entry; after every edit the index equals a fresh parse of the
// text; removing what was added restores the text.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/xml/XmlTestSupport.h"
#include "xml/CXmlDocument.h"
#include "xml/XmlElementIndex.h"
#include "xml/XmlNodeScanner.h"

namespace {

class RandomXml {
 public:
  explicit RandomXml(unsigned seed) : rng_(seed) {}

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Chance(int percent) { return Pick(100) < percent; }

  std::u16string Name() {
    static const char16_t* names[] = {u"a", u"b", u"item", u"x:y", u"_n", u"\u00e9t\u00e9", u"a1"};
    return names[Pick(7)];
  }

  std::u16string Value() {
    static const char16_t* values[] = {u"", u"v", u"a&amp;b", u"<>", u"q\"'", u"&#x1F600;", u" sp ", u"/"};
    return values[Pick(8)];
  }

  std::u16string Blank() {
    static const char16_t* blanks[] = {u"", u" ", u"\r\n", u"\n\t"};
    return blanks[Pick(4)];
  }

  // A document; with `defects`, also unended tags, lone end tags and
  // erroneous nodes.
  std::u16string Document(bool defects, bool mixed) {
    std::u16string out = Chance(30) ? u"<?xml version=\"1.0\"?>\r\n" : u"";
    Element(out, 0, defects, mixed);
    if (defects && Chance(20)) Element(out, 0, defects, mixed);
    out += Blank();
    if (defects && Chance(15)) {  // the text ends inside a node
      static const char16_t* tails[] = {u"<!-- open", u"<a x='", u"<![CDATA[", u"<?pi", u"</r", u"<"};
      out += tails[Pick(6)];
    }
    return out;
  }

 private:
  void Element(std::u16string& out, int depth, bool defects, bool mixed) {
    std::u16string name = Name();
    out += u"<" + name;
    for (int i = Pick(3); i > 0; --i) {
      out += u" k" + std::u16string(1, char16_t(u'0' + i));
      if (Chance(80)) out += Chance(50) ? u"=\"" + Attr() + u"\"" : u"='" + Attr() + u"'";
    }
    if (Chance(25)) {
      out += Chance(50) ? u"/>" : u" />";
      return;
    }
    out += u">";
    int children = depth > 4 ? 0 : Pick(4);
    for (int i = 0; i < children; ++i) {
      out += Blank();
      Content(out, mixed, defects);
      Element(out, depth + 1, defects, mixed);
    }
    out += Blank();
    Content(out, mixed || children == 0, defects);
    if (defects && Chance(15)) return;  // left unended
    out += u"</" + name + u">";
  }

  std::u16string Attr() {
    std::u16string v = Value();
    for (char16_t& c : v)
      if (c == u'"' || c == u'\'' || c == u'<') c = u'.';
    return v;
  }

  void Content(std::u16string& out, bool text, bool defects) {
    if (text && Chance(40)) out += Chance(50) ? u"t &lt; u" : u"&eacute;&nosuch; & x";
    if (Chance(10)) out += u"<!-- c <a> -->";
    if (Chance(10)) out += u"<![CDATA[ <b/> ]]>";
    if (Chance(5)) out += u"<?pi x?>";
    if (defects && Chance(5)) out += u"</zz>";
    if (defects && Chance(5)) out += Chance(50) ? u"<1>" : u"<!x>";
  }

  std::mt19937 rng_;
};

std::size_t CountStartTags(std::u16string_view text) {
  std::size_t n = 0;
  XmlNodeScanner scanner(text);
  for (XmlNode node = scanner.Next(); node.kind != kNodeEndOfDocument; node = scanner.Next())
    n += node.kind == kNodeStartTag;
  return n;
}

TEST(XmlProperty, EveryStartTagGetsAnEntry) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    RandomXml gen(seed);
    std::u16string text = gen.Document(seed % 2 == 0, true);
    CXmlDocument doc(text);
    ASSERT_EQ(std::size_t(doc.Index().nextFree() - 1), CountStartTags(text)) << N(text);
    ASSERT_EQ(CheckIndex(doc), "") << N(text);
    if (seed % 2 == 1) {
      ASSERT_TRUE(doc.IsWellFormed()) << N(doc.GetResult()) << "\n" << N(text);
    }
  }
}

TEST(XmlProperty, EveryPrefixOfADocumentParsesSoundly) {
  RandomXml gen(77);
  std::u16string text = gen.Document(true, true);
  for (std::size_t n = 0; n <= text.size(); ++n) {
    CXmlDocument doc(std::u16string_view(text).substr(0, n));
    ASSERT_EQ(CheckIndex(doc), "") << n;
    ASSERT_EQ(std::size_t(doc.Index().nextFree() - 1), CountStartTags(doc.GetDoc())) << n;
  }
}

// One random cursor move or edit.
void RandomStep(RandomXml& gen, CXmlDocument& doc) {
  switch (gen.Pick(18)) {
    case 0: doc.FindElem(gen.Chance(50) ? std::u16string() : gen.Name()); break;
    case 1: doc.FindChildElem(gen.Chance(50) ? std::u16string() : gen.Name()); break;
    case 2: doc.IntoElem(); break;
    case 3: doc.OutElem(); break;
    case 4: doc.ResetMainPos(); break;
    case 5: doc.ResetChildPos(); break;
    case 6: doc.AddElem(gen.Name()); break;
    case 7: doc.InsertElem(gen.Name()); break;
    case 8: doc.AddChildElem(gen.Name()); break;
    case 9: doc.InsertChildElem(gen.Name()); break;
    case 10: doc.RemoveElem(); break;
    case 11: doc.RemoveChildElem(); break;
    case 12: doc.SetAttrib(u"k" + std::u16string(1, char16_t(u'0' + gen.Pick(4))), gen.Value()); break;
    case 13: doc.SetChildAttrib(gen.Chance(50) ? u"k1" : u"z", gen.Value()); break;
    case 14: doc.SetData(gen.Value()); break;
    case 15: doc.SetChildData(gen.Pick(1000)); break;
    case 16: doc.ResetPos(); break;
    default: doc.FindElem(); break;
  }
}

TEST(XmlProperty, RandomEditsKeepTheIndexEqualToAFreshParse) {
  for (unsigned seed = 1; seed <= 150; ++seed) {
    RandomXml gen(seed * 7919);
    CXmlDocument doc(gen.Document(seed % 3 == 0, true));
    for (int step = 0; step < 60; ++step) {
      RandomStep(gen, doc);
      CXmlDocument fresh(doc.GetDoc());
      ASSERT_EQ(CheckIndex(doc), "") << "seed " << seed << " step " << step << "\n" << N(doc.GetDoc());
      ASSERT_EQ(DumpTree(doc), DumpTree(fresh)) << "seed " << seed << " step " << step << "\n" << N(doc.GetDoc());
      if (doc.MainPos() != 0) {
        ASSERT_FALSE(XmlElementIndex::Has(doc.Index()[doc.MainPos()], kEntryDeleted));
      }
    }
  }
}

// Elements added next to existing siblings, in element-only content, go away
// again without a trace.
TEST(XmlProperty, RemovingWhatWasAddedRestoresTheText) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    RandomXml gen(seed * 104729);
    std::u16string original = gen.Document(false, false);
    CXmlDocument doc(original);
    std::vector<std::pair<int32_t, bool>> added;  // element, added as a child
    for (int k = 0; k < 12; ++k) {
      doc.ResetPos();
      doc.FindElem();
      for (int hops = gen.Pick(4); hops > 0 && doc.FindChildElem(); --hops) {
        if (gen.Chance(50)) doc.IntoElem();
      }
      if (doc.MainPos() == 0 || doc.Index()[doc.MainPos()].parent == 0) continue;
      bool ok = gen.Chance(50) ? doc.AddElem(gen.Name()) : doc.InsertElem(gen.Name());
      ASSERT_TRUE(ok);
      added.emplace_back(doc.MainPos(), false);
    }
    for (auto it = added.rbegin(); it != added.rend(); ++it) {
      doc.ResetPos();
      // Re-find the element by walking to it from its parent.
      int32_t target = it->first;
      int32_t parent = doc.Index()[target].parent;
      std::vector<int32_t> chain;
      for (int32_t a = parent; a != 0; a = doc.Index()[a].parent) chain.push_back(a);
      for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
        while (doc.FindElem() && doc.MainPos() != *c) {
        }
        ASSERT_EQ(doc.MainPos(), *c);
        doc.IntoElem();
      }
      while (doc.FindElem() && doc.MainPos() != target) {
      }
      ASSERT_EQ(doc.MainPos(), target);
      ASSERT_TRUE(doc.RemoveElem());
    }
    ASSERT_EQ(N(doc.GetDoc()), N(original)) << "seed " << seed;
  }
}

}  // namespace
