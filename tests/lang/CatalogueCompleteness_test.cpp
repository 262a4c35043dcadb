// The catalogues of this tree against each other and against the skin: a
// new text without a translation, a translation of a text that is gone, or
// a translation that loses a placeholder fails here, named by its key.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "lang/Catalogue.h"
#include "lang/LanguageChoice.h"
#include "lang/TextFormat.h"
#include "lang/Texts.h"
#include "platform/Files.h"
#include "platform/Utf8Codec.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kSourceDir = VELMORA_LANG_SOURCE_DIR;

std::string CatalogueFolder() { return kSourceDir + "/ext/lang"; }

std::map<std::string, lang::Catalogue> ReadAllCatalogues() {
  std::map<std::string, lang::Catalogue> catalogues;
  for (const std::string& code : lang::AvailableLanguages(CatalogueFolder())) {
    Failure failure = lang::ReadCatalogueFile(lang::CatalogueFilePath(CatalogueFolder(), code), catalogues[code]);
    EXPECT_FALSE(failure) << failure.message;
  }
  return catalogues;
}

// The five entities XML predefines and character references, as the layout
// reader resolves them before a control sees the value.
std::string DecodeXmlEntities(const std::string& raw) {
  static const std::regex kEntity("&(amp|lt|gt|quot|apos|#[0-9]+|#x[0-9a-fA-F]+);");
  std::string out;
  auto last = raw.cbegin();
  for (std::sregex_iterator it(raw.begin(), raw.end(), kEntity), end; it != end; ++it) {
    out.append(last, (*it)[0].first);
    const std::string name = (*it)[1];
    if (name == "amp") out += '&';
    else if (name == "lt") out += '<';
    else if (name == "gt") out += '>';
    else if (name == "quot") out += '"';
    else if (name == "apos") out += '\'';
    else {
      const char32_t code = static_cast<char32_t>(
          name[1] == 'x' ? std::stoul(name.substr(2), nullptr, 16) : std::stoul(name.substr(1)));
      std::u16string wide;
      if (code > 0xFFFF) {
        wide += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
        wide += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
      } else {
        wide += static_cast<char16_t>(code);
      }
      platform::AppendUtf16AsUtf8(wide, out);
    }
    last = (*it)[0].second;
  }
  out.append(last, raw.cend());
  return out;
}

// Every text, tooltip and prompttext value of skin/*.xml that a reader
// of another language could not read: those with a non-ASCII character.
std::set<std::string> SkinTextsToTranslate() {
  static const std::regex kAttribute(R"re(\s(?:text|tooltip|prompttext)\s*=\s*(?:"([^"]*)"|'([^']*)'))re");
  std::vector<std::string> names;
  EXPECT_EQ(platform::FolderEntryNames(kSourceDir + "/skin", names), 0);
  std::set<std::string> texts;
  for (const std::string& name : names) {
    if (!name.ends_with(".xml")) continue;
    const std::string xml = ReadFileBytes(kSourceDir + "/skin/" + name);
    for (std::sregex_iterator it(xml.begin(), xml.end(), kAttribute), end; it != end; ++it) {
      const std::string value = DecodeXmlEntities((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
      if (std::any_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        texts.insert(value);
    }
  }
  return texts;
}

std::string Listed(const std::vector<std::string>& keys) {
  std::string list;
  for (const std::string& key : keys) list += "\n  " + key;
  return list;
}

TEST(CatalogueCompleteness, EveryCatalogueParsesAndTheDefaultIsThere) {
  const auto catalogues = ReadAllCatalogues();
  ASSERT_TRUE(catalogues.count("zh_CN"));
  EXPECT_TRUE(platform::PathExists(lang::CatalogueFilePath(CatalogueFolder(), "zh_CN")));
  for (const auto& [code, catalogue] : catalogues)
    EXPECT_TRUE(catalogue.texts.count("meta.name")) << code << " has no meta.name";
}

TEST(CatalogueCompleteness, EveryCatalogueHasExactlyTheDefaultsTextKeys) {
  const auto catalogues = ReadAllCatalogues();
  const lang::TextMap& defaults = catalogues.at("zh_CN").texts;
  for (const auto& [code, catalogue] : catalogues) {
    std::vector<std::string> missing, stale;
    for (const auto& [key, text] : defaults)
      if (!catalogue.texts.count(key)) missing.push_back(key);
    for (const auto& [key, text] : catalogue.texts)
      if (!defaults.count(std::string(lang::CountedKey(key)))) stale.push_back(key);
    EXPECT_TRUE(missing.empty()) << code << ".txt lacks [texts] keys:" << Listed(missing);
    EXPECT_TRUE(stale.empty()) << code << ".txt has [texts] keys the default does not:" << Listed(stale);
  }
}

TEST(CatalogueCompleteness, TranslationsKeepTheDefaultsPlaceholders) {
  const auto catalogues = ReadAllCatalogues();
  const lang::TextMap& defaults = catalogues.at("zh_CN").texts;
  for (const auto& [code, catalogue] : catalogues) {
    std::vector<std::string> wrong;
    for (const auto& [key, text] : catalogue.texts) {
      auto it = defaults.find(lang::CountedKey(key));
      if (it == defaults.end()) continue;  // named by the key test
      const std::string want = lang::PlaceholderSequence(it->second), got = lang::PlaceholderSequence(text);
      if (want != got) wrong.push_back(key + " (\"" + got + "\" where the default has \"" + want + "\")");
    }
    EXPECT_TRUE(wrong.empty()) << code << ".txt changes the placeholders of:" << Listed(wrong);
  }
}

TEST(CatalogueCompleteness, EverySkinTextHasATranslationAndNoneIsStale) {
  const std::set<std::string> skinTexts = SkinTextsToTranslate();
  ASSERT_FALSE(skinTexts.empty()) << "the layouts were not found";
  for (const auto& [code, catalogue] : ReadAllCatalogues()) {
    std::vector<std::string> missing, stale;
    for (const auto& [key, text] : catalogue.skin)
      if (!skinTexts.count(key)) stale.push_back(key);
    if (code != lang::kDefaultLanguage)
      for (const std::string& text : skinTexts)
        if (!catalogue.skin.count(text)) missing.push_back(text);
    EXPECT_TRUE(missing.empty()) << code << ".txt lacks [skin] entries for:" << Listed(missing);
    EXPECT_TRUE(stale.empty()) << code << ".txt has [skin] entries no layout shows:" << Listed(stale);
  }
}

// The layout scan itself, so that a skin text it missed cannot pass unseen.
TEST(CatalogueCompleteness, TheSkinScanFindsQuotedAndEscapedValues) {
  const std::set<std::string> texts = SkinTextsToTranslate();
  EXPECT_EQ(DecodeXmlEntities("a &amp; b &#20320;&#x597D; &lt;"), "a & b 你好 <");
  EXPECT_TRUE(std::none_of(texts.begin(), texts.end(),
                           [](const std::string& t) { return t.find("&amp;") != std::string::npos; }));
}

}  // namespace
