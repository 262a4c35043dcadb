#include "bench/xml/AuctionDocument.h"

#include <random>

namespace {

const char* const kWords[] = {
    "duteous", "nine", "eighteen", "page", "rous", "lady", "officer", "thrust", "coast", "wretched",
    "gentleman", "sovereign", "honour", "fortune", "villain", "cousin", "sweet", "noble", "heaven",
    "earth", "spirit", "grace", "battle", "crown", "summer", "winter", "music", "sorrow", "tears",
    "caf\xc3\xa9", "na\xc3\xafve", "r\xc3\xa9sum\xc3\xa9", "\xe4\xb8\xad\xe6\x96\x87", "&amp;", "&lt;tag&gt;"};
const char* const kCities[] = {"Boston", "Lisbon", "Nagoya", "Durban", "Quito", "Tromso", "Perth"};
const char* const kRegions[] = {"africa", "asia", "australia", "europe", "namerica", "samerica"};

class Writer {
 public:
  explicit Writer(std::size_t reserve) { out_.reserve(reserve + 4096); }
  std::string& out() { return out_; }

  void Words(int n) {
    for (int i = 0; i < n; ++i) {
      if (i) out_ += ' ';
      out_ += kWords[Pick(std::size(kWords))];
    }
  }
  void Text(int n) {
    out_ += "<text>";
    for (int i = 0; i < n; i += 12) {
      Words(std::min(12, n - i));
      if (Pick(4) == 0) {
        out_ += " <bold>";
        Words(2);
        out_ += "</bold> ";
      } else if (Pick(6) == 0) {
        out_ += " <keyword>";
        Words(1);
        out_ += "</keyword> ";
      }
    }
    out_ += "</text>";
  }
  void Leaf(const char* tag, const std::string& value) {
    out_ += '<';
    out_ += tag;
    out_ += '>';
    out_ += value;
    out_ += "</";
    out_ += tag;
    out_ += '>';
  }
  std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }
  std::string Num(std::size_t n) { return std::to_string(Pick(n)); }

 private:
  std::string out_;
  std::mt19937 rng_{20261208};
};

void Item(Writer& w, std::size_t id) {
  std::string& o = w.out();
  o += "<item id=\"item" + std::to_string(id) + "\">";
  w.Leaf("location", kCities[w.Pick(std::size(kCities))]);
  w.Leaf("quantity", w.Num(5));
  o += "<name>";
  w.Words(3);
  o += "</name>";
  w.Leaf("payment", "Creditcard, Personal Check");
  o += "<description><parlist>";
  for (std::size_t i = 1 + w.Pick(3); i > 0; --i) {
    o += "<listitem>";
    w.Text(10 + int(w.Pick(40)));
    o += "</listitem>";
  }
  o += "</parlist></description>";
  w.Leaf("shipping", "Will ship internationally");
  o += "<incategory category=\"category" + w.Num(1000) + "\"/>";
  o += "<mailbox>";
  for (std::size_t i = w.Pick(3); i > 0; --i) {
    o += "<mail>";
    w.Leaf("from", "Dominic Takano mailto:Takano@yahoo.com");
    w.Leaf("date", "12/15/1999");
    w.Text(20);
    o += "</mail>";
  }
  o += "</mailbox></item>\n";
}

void Person(Writer& w, std::size_t id) {
  std::string& o = w.out();
  o += "<person id=\"person" + std::to_string(id) + "\">";
  w.Leaf("name", "Kaivalya Maroo");
  w.Leaf("emailaddress", "mailto:Maroo@ucla.edu");
  w.Leaf("phone", "+0 (645) " + w.Num(99999999));
  o += "<address>";
  w.Leaf("street", w.Num(99) + " Goodman St");
  w.Leaf("city", kCities[w.Pick(std::size(kCities))]);
  w.Leaf("country", "United States");
  w.Leaf("zipcode", w.Num(99999));
  o += "</address><profile income=\"" + w.Num(90000) + ".00\">";
  for (std::size_t i = w.Pick(4); i > 0; --i) o += "<interest category=\"category" + w.Num(1000) + "\"/>";
  w.Leaf("education", "Graduate School");
  w.Leaf("business", "Yes");
  w.Leaf("age", w.Num(80));
  o += "</profile><watches>";
  for (std::size_t i = w.Pick(4); i > 0; --i) o += "<watch open_auction=\"open_auction" + w.Num(10000) + "\"/>";
  o += "</watches></person>\n";
}

void Auction(Writer& w, std::size_t id, bool open) {
  std::string& o = w.out();
  o += open ? "<open_auction id=\"open_auction" + std::to_string(id) + "\">" : "<closed_auction>";
  w.Leaf(open ? "initial" : "price", w.Num(200) + ".33");
  if (open) {
    for (std::size_t i = w.Pick(5); i > 0; --i) {
      o += "<bidder>";
      w.Leaf("date", "07/29/2000");
      w.Leaf("time", "21:41:46");
      o += "<personref person=\"person" + w.Num(25000) + "\"/>";
      w.Leaf("increase", w.Num(30) + ".00");
      o += "</bidder>";
    }
  }
  o += "<itemref item=\"item" + w.Num(20000) + "\"/><seller person=\"person" + w.Num(25000) + "\"/>";
  o += "<annotation><author person=\"person" + w.Num(25000) + "\"/><description>";
  w.Text(15 + int(w.Pick(30)));
  o += "</description><happiness>" + w.Num(10) + "</happiness></annotation>";
  w.Leaf("quantity", "1");
  w.Leaf("type", "Regular");
  o += open ? "</open_auction>\n" : "</closed_auction>\n";
}

}  // namespace

std::string MakeAuctionDocument(std::size_t bytes) {
  Writer w(bytes);
  std::string& o = w.out();
  o += "<?xml version=\"1.0\" standalone=\"yes\"?>\n<!-- generated auction site -->\n<site>\n<regions>\n";
  // Rough shares of the whole: items 45%, people 20%, auctions 35%.
  std::size_t id = 0;
  for (std::size_t r = 0; r < std::size(kRegions); ++r) {
    o += std::string("<") + kRegions[r] + ">\n";
    while (o.size() < bytes * 45 / 100 * (r + 1) / std::size(kRegions)) Item(w, id++);
    o += std::string("</") + kRegions[r] + ">\n";
  }
  o += "</regions>\n<categories>\n";
  for (int i = 0; i < 1000; ++i) {
    o += "<category id=\"category" + std::to_string(i) + "\"><name>";
    w.Words(2);
    o += "</name></category>\n";
  }
  o += "</categories>\n<people>\n";
  for (id = 0; o.size() < bytes * 65 / 100; ++id) Person(w, id);
  o += "</people>\n<open_auctions>\n";
  for (id = 0; o.size() < bytes * 85 / 100; ++id) Auction(w, id, true);
  o += "</open_auctions>\n<closed_auctions>\n";
  for (id = 0; o.size() < bytes; ++id) Auction(w, id, false);
  o += "</closed_auctions>\n</site>\n";
  return o;
}
