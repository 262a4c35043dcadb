// The alias table is a fixed hash: bucket = (sum of the name's UTF-16 units,
// ASCII letters folded to lower case) mod 155. Each bucket is one text of
// consecutive entries, each entry two digits of name length, five digits of
// code page, then the lower-case name, so a lookup touches one short string
// and allocates nothing.
#include "xml/XmlEncodingTable.h"

#include <cstddef>
#include <cstring>

namespace xmlenc {
namespace {

constexpr size_t kBucketCount = 155;
// Names this long or longer are never looked up; the longest alias has 45.
constexpr size_t kMaxLookupLength = 100;
constexpr std::u16string_view kUtf32Prefix = u"UTF-32";

constexpr const char* kBuckets[kBucketCount] = {
    /*   0 */ "0800949ksc_56010620423ibm423",
    /*   1 */ "1920932cseucpkdfmtjapanese1350221iso-2022-jp-10620280ibm2800620424ibm424",
    /*   2 */ "1250221_iso-2022-jp0228591l103008508501801145ebcdic-es-284+euro",
    /*   3 */ "0228592l2030043743703008608601801144ebcdic-it-280+euro0620273ibm273",
    /*   4 */ "0228593l30600850ibm85003008528520300861861",
    /*   5 */ "0228594l40600437ibm4370600860ibm86003008628621801143ebcdic-se-278+euro"
              "0620284ibm2840620905ibm905",
    /*   6 */ "0228599l50600852ibm8520600861ibm86103008638630600870ibm870"
              "1801147ebcdic-fr-297+euro0620285ibm285",
    /*   7 */ "0620127ibm36703008558550600862ibm8621010021x-mac-thai0620277ibm277"
              "0620871ibm8710620880ibm880",
    /*   8 */ "0600737ibm7370600863ibm86303008658651801149ebcdic-is-871+euro"
              "0620278ibm2781057003x-iscii-be",
    /*   9 */ "0628591ibm8190600855ibm85503008578570600864ibm8640300866866"
              "1801142ebcdic-no-277+euro0620297ibm297",
    /*  10 */ "0300949uhc1028591iso-ir-1000228605l90600775ibm7750600865ibm865"
              "1057002x-iscii-de",
    /*  11 */ "1351949iso-2022-kr-81028592iso-ir-1011028594iso-ir-1100600857ibm857"
              "0600866ibm866",
    /*  12 */ "0950227x-cp502270300869869",
    /*  13 */ "1628598csisolatinhebrew0320866koi1057008x-iscii-ka",
    /*  14 */ "1000950big5-hkscs0600869ibm869",
    /*  15 */ "1057009x-iscii-ma",
    /*  16 */ "1765000unicode-1-1-utf-71765000unicode-2-0-utf-70612000utf-320350220jis"
              "0828596asmo-708",
    /*  17 */ "1765001unicode-1-1-utf-81765001unicode-2-0-utf-80628598hebrew"
              "1200500ebcdic-cp-be",
    /*  18 */ "0601200utf-161028595iso-ir-1441028597iso-ir-1261128603iso_8859-13"
              "1057011x-iscii-pa",
    /*  19 */ "1501200iso-10646-ucs-21650225iso-2022-kr-7bit1028593iso-ir-109"
              "1028596iso-ir-1271220285ebcdic-cp-gb",
    /*  20 */ "0600949korean1651949iso-2022-kr-8bit1128605iso_8859-15",
    /*  21 */ "1512000iso-10646-ucs-41028598iso-ir-1381200500ebcdic-cp-ch"
              "1057006x-iscii-as",
    /*  22 */ "1028599iso-ir-1481057004x-iscii-ta",
    /*  23 */ "1000949iso-ir-1490820127us-ascii1220424ebcdic-cp-he",
    /*  24 */ "",
    /*  25 */ "1000936gb_2312-801900850cspc850multilingual1220277ebcdic-cp-dk"
              "1220278ebcdic-cp-fi",
    /*  26 */ "1965000x-unicode-1-1-utf-71300949csksc560119871057005x-iscii-te",
    /*  27 */ "1965001x-unicode-1-1-utf-80901200csunicode0928591iso8859-1",
    /*  28 */ "1000932x-ms-cp9320928592iso8859-20520866koi8r",
    /*  29 */ "1057010x-iscii-gu",
    /*  30 */ "0928594iso8859-4",
    /*  31 */ "1150220csiso2022jp",
    /*  32 */ "0900154csptcp154",
    /*  33 */ "0900932shift_jis1400154cyrillic-asian",
    /*  34 */ "1150225csiso2022kr1500870ebcdic-cp-roece1220278ebcdic-cp-se"
              "1220284ebcdic-cp-es1220297ebcdic-cp-fr1057007x-iscii-or",
    /*  35 */ "0721866koi8-ru1220423ebcdic-cp-gr",
    /*  36 */ "0910000macintosh",
    /*  37 */ "",
    /*  38 */ "1220871ebcdic-cp-is",
    /*  39 */ "1220277ebcdic-cp-no1220280ebcdic-cp-it",
    /*  40 */ "0800936gb2312800628598visual",
    /*  41 */ "",
    /*  42 */ "",
    /*  43 */ "",
    /*  44 */ "1510079x-mac-icelandic",
    /*  45 */ "1128591csisolatin1",
    /*  46 */ "1128592csisolatin2",
    /*  47 */ "1400949ks_c_5601-19871128593csisolatin3",
    /*  48 */ "1128594csisolatin40701026ibm10261220905ebcdic-cp-tr",
    /*  49 */ "0400950big51400949ks_c_5601-19891128599csisolatin5",
    /*  50 */ "1565000csunicode11utf70500500cp500",
    /*  51 */ "0501361johab0520420cp420",
    /*  52 */ "1100950windows-950",
    /*  53 */ "1150227iso-2022-cn1800862cspc862latinhebrew1310081x-mac-turkish",
    /*  54 */ "0520423cp423",
    /*  55 */ "0500154cp1540520280cp2800520424cp424",
    /*  56 */ "0520127ascii1200870ebcdic-cp-yu",
    /*  57 */ "1528597csisolatingreek1100874windows-8740520273cp273",
    /*  58 */ "0500850cp850",
    /*  59 */ "0500950cp9500500932cp9321650222_iso-2022-jp$sio0500437cp4370500860cp860"
              "0520284cp2840520905cp905",
    /*  60 */ "0812001utf-32be0700949ksc56010500852cp8520500861cp8610500870cp870"
              "0520285cp285",
    /*  61 */ "0528597greek0520127cp3670500862cp8620520871cp8710520880cp880",
    /*  62 */ "0801201utf-16be1150220iso-2022-jp0500737cp7370500863cp8630520278cp278",
    /*  63 */ "0500936cp9364520932extended_unix_code_packed_format_for_japanese"
              "0528591cp8190500855cp8550500864cp8640520297cp297",
    /*  64 */ "0500874cp8740500775cp7750500865cp865",
    /*  65 */ "1101201unicodefffe1150225iso-2022-kr0700708dos-7080500857cp857"
              "0500866cp8660500875cp875",
    /*  66 */ "0500858cp8580700862dos-862",
    /*  67 */ "0500949cp949",
    /*  68 */ "0700874tis-6201600437cspc8codepage4370500869cp869"
              "1920924ebcdic-latin9--euro",
    /*  69 */ "0800950x-x-big50800932ms_kanji0420866koi8",
    /*  70 */ "0812000utf-32le",
    /*  71 */ "0252936hz",
    /*  72 */ "0801200utf-16le1028591iso-8859-10500154pt154",
    /*  73 */ "1028592iso-8859-20620866koi8-r",
    /*  74 */ "1500936csiso58gb2312801028593iso-8859-30828597elot_928"
              "1238598iso-8859-8-i0820127iso-ir-6",
    /*  75 */ "1028594iso-8859-4",
    /*  76 */ "1028595iso-8859-50621866koi8-u",
    /*  77 */ "1028596iso-8859-60220127us2400858pc-multilingual-850+euro",
    /*  78 */ "1028597iso-8859-71320420ebcdic-cp-ar1",
    /*  79 */ "1028598iso-8859-8",
    /*  80 */ "1828595csisolatincyrillic1028599iso-8859-9",
    /*  81 */ "0465001utf8",
    /*  82 */ "1510017x-mac-ukrainian",
    /*  83 */ "",
    /*  84 */ "0828595cyrillic",
    /*  85 */ "0900936gb2312-80",
    /*  86 */ "",
    /*  87 */ "1528591iso_8859-1:19870720866cskoi8r",
    /*  88 */ "1528592iso_8859-2:1987",
    /*  89 */ "",
    /*  90 */ "1528593iso_8859-3:1988",
    /*  91 */ "0600936gb23121528594iso_8859-4:1988",
    /*  92 */ "1528595iso_8859-5:19881528596iso_8859-6:1987"
              "2901148ebcdic-international-500+euro",
    /*  93 */ "1528597iso_8859-7:19870801140ibm01140",
    /*  94 */ "1201250windows-12500801141ibm01141",
    /*  95 */ "0900949ks_c_56011528598iso_8859-8:19881201251windows-1251"
              "1110000csmacintosh0810029x-mac-ce0801142ibm01142",
    /*  96 */ "1201252windows-12520801143ibm01143",
    /*  97 */ "1052936hz-gb-23121400949ks_c_5601_19871528599iso_8859-9:1989"
              "1201253windows-12530801144ibm01144",
    /*  98 */ "1201254windows-12540801145ibm01145",
    /*  99 */ "1000936csgb2312801201255windows-12550801146ibm01146",
    /* 100 */ "1100932windows-31j1201256windows-12560801147ibm01147",
    /* 101 */ "0601250cp12501201257windows-12570801148ibm01148",
    /* 102 */ "0601251cp12511201258windows-12580601026cp10260801149ibm01149"
              "0820924ibm00924",
    /* 103 */ "0601252cp1252",
    /* 104 */ "0601361cp13610601253cp1253",
    /* 105 */ "0601254cp1254",
    /* 106 */ "0600936euc-cn0601255cp1255",
    /* 107 */ "0601256cp1256",
    /* 108 */ "0600950csbig50601257cp12570800858ibm00858",
    /* 109 */ "0601258cp1258",
    /* 110 */ "",
    /* 111 */ "0738598logical0801250x-cp12501110006x-mac-greek1520880ebcdic-cyrillic",
    /* 112 */ "0801251x-cp1251",
    /* 113 */ "",
    /* 114 */ "1200932cswindows31j",
    /* 115 */ "0700936chinese0620932euc-jp0720127csascii",
    /* 116 */ "0501200ucs-20800936x-euc-cn",
    /* 117 */ "0628597greek8",
    /* 118 */ "0512000ucs-40651949euc-kr",
    /* 119 */ "",
    /* 120 */ "0628591latin1",
    /* 121 */ "0628592latin21100874iso-8859-111701140ebcdic-us-37+euro",
    /* 122 */ "1028591iso_8859-10628593latin31420127ansi_x3.4-19681420127ansi_x3.4-1986",
    /* 123 */ "0701200unicode1028592iso_8859-20628594latin41128603iso-8859-13"
              "2000875x-ebcdic-greekmodern",
    /* 124 */ "1028593iso_8859-30628599latin5",
    /* 125 */ "0565000utf-70820932x-euc-jp1028594iso_8859-41128605iso-8859-15",
    /* 126 */ "0565001utf-81028595iso_8859-50628603latin7",
    /* 127 */ "1028596iso_8859-60601252x-ansi",
    /* 128 */ "1028597iso_8859-70628605latin90700154ptcp154",
    /* 129 */ "0900936iso-ir-581028598iso_8859-8",
    /* 130 */ "1028599iso_8859-9",
    /* 131 */ "0400932sjis",
    /* 132 */ "0751949cseuckr",
    /* 133 */ "0420932ujis",
    /* 134 */ "1410007x-mac-cyrillic",
    /* 135 */ "",
    /* 136 */ "0828596ecma-114",
    /* 137 */ "",
    /* 138 */ "0900932shift-jis",
    /* 139 */ "",
    /* 140 */ "0828597ecma-1181801141ebcdic-de-273+euro",
    /* 141 */ "0600932x-sjis1628596csisolatinarabic",
    /* 142 */ "",
    /* 143 */ "0754936gb180301801146ebcdic-gb-285+euro",
    /* 144 */ "1001140ccsid01140",
    /* 145 */ "0500936cn-gb0628596arabic",
    /* 146 */ "",
    /* 147 */ "0701140cp01140",
    /* 148 */ "0700950cn-big50920127iso646-us",
    /* 149 */ "",
    /* 150 */ "0800936csgb23120900949ks-c-56010310000mac1801142ebcdic-dk-277+euro",
    /* 151 */ "0600500ibm5001801143ebcdic-fi-278+euro",
    /* 152 */ "1000932csshiftjis0620420ibm420",
    /* 153 */ "0300936gbk",
    /* 154 */ "1620127iso_646.irv:1991",
};

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

// The engine's own UTF-32 is little-endian; a big-endian name goes to the
// table's converter instead of being written the wrong way round.
bool NamesBigEndian(std::u16string_view name) {
  std::u16string_view rest = name.substr(kUtf32Prefix.size());
  return rest.size() == 2 && FoldAscii(rest[0]) == u'b' && FoldAscii(rest[1]) == u'e';
}

int Digits(const char* p, int count) {
  int value = 0;
  for (int i = 0; i < count; ++i) value = value * 10 + (p[i] - '0');
  return value;
}

// `folded` is already lower case; entries store lower case.
bool SameName(const char* entryName, std::u16string_view folded) {
  for (size_t i = 0; i < folded.size(); ++i)
    if (static_cast<unsigned char>(entryName[i]) != folded[i]) return false;
  return true;
}

int LookUpFolded(std::u16string_view folded) {
  unsigned sum = 0;
  for (char16_t c : folded) sum += c;
  for (const char* p = kBuckets[sum % kBucketCount]; *p;) {
    size_t length = static_cast<size_t>(Digits(p, 2));
    int codePage = Digits(p + 2, 5);
    const char* name = p + 7;
    if (length == folded.size() && SameName(name, folded)) return codePage;
    p = name + length;
  }
  return kCpUnknown;
}

}  // namespace

int CodePageFromEncodingName(std::u16string_view name) {
  if (name.empty()) return 0;
  if (name.substr(0, kUtf32Prefix.size()) == kUtf32Prefix && !NamesBigEndian(name)) return kCpUtf32Own;
  if (name.size() >= kMaxLookupLength) return kCpUnknown;
  char16_t folded[kMaxLookupLength];
  for (size_t i = 0; i < name.size(); ++i) folded[i] = FoldAscii(name[i]);
  return LookUpFolded(std::u16string_view(folded, name.size()));
}

std::vector<EncodingAlias> EncodingAliases() {
  std::vector<EncodingAlias> aliases;
  for (const char* bucket : kBuckets) {
    for (const char* p = bucket; *p;) {
      size_t length = static_cast<size_t>(Digits(p, 2));
      aliases.push_back({std::string_view(p + 7, length), Digits(p + 2, 5)});
      p += 7 + length;
    }
  }
  return aliases;
}

}  // namespace xmlenc
