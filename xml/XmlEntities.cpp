// Entity decoding and escaping.
//
// Named entities: the 252 character entities of HTML 4 plus "apos", in a hash
// table of 130 buckets keyed by the sum of the lower-case name's units. Each
// bucket is one text of entries "<name length><code point, 4 digits><name>",
// all lower case; of two names that differ only in case (64 such twins) the
// capitalised one is stored first. A reference with any upper-case letter
// takes the capitalised twin, an all-lower-case one the other; names without
// a twin match in any case.
#include "xml/XmlEntities.h"

#include <array>
#include <string>

namespace {

struct NamedEntity {
  const char* name;
  unsigned code;
};

// Capitalised twins come before their lower-case partners.
constexpr NamedEntity kEntities[] = {
    {"quot", 34}, {"amp", 38}, {"apos", 39}, {"lt", 60}, {"gt", 62},
    {"nbsp", 160}, {"iexcl", 161}, {"cent", 162}, {"pound", 163}, {"curren", 164}, {"yen", 165},
    {"brvbar", 166}, {"sect", 167}, {"uml", 168}, {"copy", 169}, {"ordf", 170}, {"laquo", 171},
    {"not", 172}, {"shy", 173}, {"reg", 174}, {"macr", 175}, {"deg", 176}, {"plusmn", 177},
    {"sup2", 178}, {"sup3", 179}, {"acute", 180}, {"micro", 181}, {"para", 182}, {"middot", 183},
    {"cedil", 184}, {"sup1", 185}, {"ordm", 186}, {"raquo", 187}, {"frac14", 188}, {"frac12", 189},
    {"frac34", 190}, {"iquest", 191},
    {"Agrave", 192}, {"agrave", 224}, {"Aacute", 193}, {"aacute", 225}, {"Acirc", 194}, {"acirc", 226},
    {"Atilde", 195}, {"atilde", 227}, {"Auml", 196}, {"auml", 228}, {"Aring", 197}, {"aring", 229},
    {"AElig", 198}, {"aelig", 230}, {"Ccedil", 199}, {"ccedil", 231}, {"Egrave", 200}, {"egrave", 232},
    {"Eacute", 201}, {"eacute", 233}, {"Ecirc", 202}, {"ecirc", 234}, {"Euml", 203}, {"euml", 235},
    {"Igrave", 204}, {"igrave", 236}, {"Iacute", 205}, {"iacute", 237}, {"Icirc", 206}, {"icirc", 238},
    {"Iuml", 207}, {"iuml", 239}, {"ETH", 208}, {"eth", 240}, {"Ntilde", 209}, {"ntilde", 241},
    {"Ograve", 210}, {"ograve", 242}, {"Oacute", 211}, {"oacute", 243}, {"Ocirc", 212}, {"ocirc", 244},
    {"Otilde", 213}, {"otilde", 245}, {"Ouml", 214}, {"ouml", 246}, {"times", 215}, {"divide", 247},
    {"Oslash", 216}, {"oslash", 248}, {"Ugrave", 217}, {"ugrave", 249}, {"Uacute", 218}, {"uacute", 250},
    {"Ucirc", 219}, {"ucirc", 251}, {"Uuml", 220}, {"uuml", 252}, {"Yacute", 221}, {"yacute", 253},
    {"THORN", 222}, {"thorn", 254}, {"szlig", 223}, {"Yuml", 376}, {"yuml", 255},
    {"OElig", 338}, {"oelig", 339}, {"Scaron", 352}, {"scaron", 353}, {"fnof", 402}, {"circ", 710},
    {"tilde", 732},
    {"Alpha", 913}, {"alpha", 945}, {"Beta", 914}, {"beta", 946}, {"Gamma", 915}, {"gamma", 947},
    {"Delta", 916}, {"delta", 948}, {"Epsilon", 917}, {"epsilon", 949}, {"Zeta", 918}, {"zeta", 950},
    {"Eta", 919}, {"eta", 951}, {"Theta", 920}, {"theta", 952}, {"Iota", 921}, {"iota", 953},
    {"Kappa", 922}, {"kappa", 954}, {"Lambda", 923}, {"lambda", 955}, {"Mu", 924}, {"mu", 956},
    {"Nu", 925}, {"nu", 957}, {"Xi", 926}, {"xi", 958}, {"Omicron", 927}, {"omicron", 959},
    {"Pi", 928}, {"pi", 960}, {"Rho", 929}, {"rho", 961}, {"Sigma", 931}, {"sigma", 963},
    {"sigmaf", 962}, {"Tau", 932}, {"tau", 964}, {"Upsilon", 933}, {"upsilon", 965}, {"Phi", 934},
    {"phi", 966}, {"Chi", 935}, {"chi", 967}, {"Psi", 936}, {"psi", 968}, {"Omega", 937},
    {"omega", 969}, {"thetasym", 977}, {"upsih", 978}, {"piv", 982},
    {"ensp", 8194}, {"emsp", 8195}, {"thinsp", 8201}, {"zwnj", 8204}, {"zwj", 8205}, {"lrm", 8206},
    {"rlm", 8207}, {"ndash", 8211}, {"mdash", 8212}, {"lsquo", 8216}, {"rsquo", 8217}, {"sbquo", 8218},
    {"ldquo", 8220}, {"rdquo", 8221}, {"bdquo", 8222}, {"Dagger", 8225}, {"dagger", 8224},
    {"bull", 8226}, {"hellip", 8230}, {"permil", 8240}, {"Prime", 8243}, {"prime", 8242},
    {"lsaquo", 8249}, {"rsaquo", 8250}, {"oline", 8254}, {"frasl", 8260}, {"euro", 8364},
    {"image", 8465}, {"weierp", 8472}, {"real", 8476}, {"trade", 8482}, {"alefsym", 8501},
    {"lArr", 8656}, {"larr", 8592}, {"uArr", 8657}, {"uarr", 8593}, {"rArr", 8658}, {"rarr", 8594},
    {"dArr", 8659}, {"darr", 8595}, {"hArr", 8660}, {"harr", 8596}, {"crarr", 8629},
    {"forall", 8704}, {"part", 8706}, {"exist", 8707}, {"empty", 8709}, {"nabla", 8711}, {"isin", 8712},
    {"notin", 8713}, {"ni", 8715}, {"prod", 8719}, {"sum", 8721}, {"minus", 8722}, {"lowast", 8727},
    {"radic", 8730}, {"prop", 8733}, {"infin", 8734}, {"ang", 8736}, {"and", 8743}, {"or", 8744},
    {"cap", 8745}, {"cup", 8746}, {"int", 8747}, {"there4", 8756}, {"sim", 8764}, {"cong", 8773},
    {"asymp", 8776}, {"ne", 8800}, {"equiv", 8801}, {"le", 8804}, {"ge", 8805}, {"sub", 8834},
    {"sup", 8835}, {"nsub", 8836}, {"sube", 8838}, {"supe", 8839}, {"oplus", 8853}, {"otimes", 8855},
    {"perp", 8869}, {"sdot", 8901}, {"lceil", 8968}, {"rceil", 8969}, {"lfloor", 8970},
    {"rfloor", 8971}, {"lang", 9001}, {"rang", 9002}, {"loz", 9674}, {"spades", 9824}, {"clubs", 9827},
    {"hearts", 9829}, {"diams", 9830},
};
static_assert(std::size(kEntities) == 253);

constexpr std::size_t kBuckets = 130;
constexpr std::size_t kMaxReference = 9;  // units between '&' and ';'

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

// Twins are inserted with the capitalised name first, so each bucket keeps
// that order.
std::array<std::string, kBuckets> BuildBuckets() {
  std::array<std::string, kBuckets> buckets;
  for (const NamedEntity& e : kEntities) {
    std::string name = e.name;
    unsigned sum = 0;
    for (char& c : name) {
      c = char(Lower(char16_t(c)));
      sum += unsigned(c);
    }
    std::string code = std::to_string(e.code);
    buckets[sum % kBuckets] += std::to_string(name.size()) + std::string(4 - code.size(), '0') + code + name;
  }
  return buckets;
}

const std::array<std::string, kBuckets>& Buckets() {
  static const std::array<std::string, kBuckets> buckets = BuildBuckets();
  return buckets;
}

unsigned FourDigits(std::string_view d) {
  return unsigned(d[0] - '0') * 1000 + unsigned(d[1] - '0') * 100 + unsigned(d[2] - '0') * 10 + unsigned(d[3] - '0');
}

bool SameLower(std::string_view stored, std::u16string_view name) {
  if (stored.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (char16_t(stored[i]) != Lower(name[i])) return false;
  return true;
}

// Numeric reference body after '#': decimal, or hex after 'x'/'X'. 0 when malformed.
char32_t NumericValue(std::u16string_view body) {
  unsigned base = 10;
  if (!body.empty() && (body[0] == u'x' || body[0] == u'X')) {
    base = 16;
    body.remove_prefix(1);
  }
  if (body.empty()) return 0;
  char32_t value = 0;
  for (char16_t c : body) {
    unsigned d;
    if (c >= u'0' && c <= u'9') d = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f') d = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F') d = c - u'A' + 10;
    else return 0;
    value = value * base + d;  // at most 8 digits: no overflow
  }
  return value > 0x10FFFF ? 0 : value;
}

void AppendCodePoint(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out += char16_t(cp);
    return;
  }
  cp -= 0x10000;
  out += char16_t(0xD800 + (cp >> 10));
  out += char16_t(0xDC00 + (cp & 0x3FF));
}

// Length of the reference body after '&' when a ';' closes it within reach
// and every unit is ASCII; npos otherwise.
std::size_t ReferenceLength(std::u16string_view raw, std::size_t amp) {
  for (std::size_t i = amp + 1; i < raw.size() && i <= amp + 1 + kMaxReference; ++i) {
    if (raw[i] == u';') return i - amp - 1;
    if (raw[i] >= 128) return std::u16string_view::npos;
  }
  return std::u16string_view::npos;
}

}  // namespace

char32_t XmlEntityCodePoint(std::u16string_view name) {
  unsigned sum = 0;
  bool upper = false;
  for (char16_t c : name) {
    sum += Lower(c);
    upper = upper || (c >= u'A' && c <= u'Z');
  }
  std::string_view bucket = Buckets()[sum % kBuckets];
  std::size_t i = 0;
  while (i < bucket.size()) {
    std::size_t len = std::size_t(bucket[i] - '0');
    std::string_view entry = bucket.substr(i + 5, len);
    unsigned code = FourDigits(bucket.substr(i + 1, 4));
    i += 5 + len;
    if (!SameLower(entry, name)) continue;
    bool twin = i < bucket.size() && std::size_t(bucket[i] - '0') == len &&
                bucket.substr(i + 5, len) == entry;
    if (twin && !upper) return FourDigits(bucket.substr(i + 1, 4));
    return code;
  }
  return 0;
}

void XmlAppendDecoded(std::u16string_view raw, std::u16string& out) {
  std::size_t i = 0;
  while (i < raw.size()) {
    std::size_t amp = raw.find(u'&', i);
    if (amp == std::u16string_view::npos) amp = raw.size();
    out.append(raw.substr(i, amp - i));
    if (amp == raw.size()) break;
    std::size_t len = ReferenceLength(raw, amp);
    char32_t cp = 0;
    if (len != std::u16string_view::npos) {
      std::u16string_view body = raw.substr(amp + 1, len);
      cp = !body.empty() && body[0] == u'#' ? NumericValue(body.substr(1)) : XmlEntityCodePoint(body);
    }
    if (cp == 0) {
      out += u'&';
      i = amp + 1;
    } else {
      AppendCodePoint(cp, out);
      i = amp + len + 2;
    }
  }
}

std::u16string XmlDecode(std::u16string_view raw) {
  std::u16string out;
  out.reserve(raw.size());
  XmlAppendDecoded(raw, out);
  return out;
}

namespace {

template <bool Attrib>
void AppendEscaped(std::u16string_view raw, std::u16string& out) {
  for (char16_t c : raw) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"': if (Attrib) out += u"&quot;"; else out += c; break;
      case u'\'': if (Attrib) out += u"&apos;"; else out += c; break;
      default: out += c;
    }
  }
}

}  // namespace

void XmlAppendEscapedText(std::u16string_view raw, std::u16string& out) { AppendEscaped<false>(raw, out); }
void XmlAppendEscapedAttrib(std::u16string_view raw, std::u16string& out) { AppendEscaped<true>(raw, out); }
