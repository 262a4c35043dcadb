// A generated auction-site document (regions with items, categories, people,
// open and closed auctions), deterministic for a given size.
#ifndef VELMORA_BENCH_XML_AUCTIONDOCUMENT_H
#define VELMORA_BENCH_XML_AUCTIONDOCUMENT_H

#include <cstddef>
#include <string>

// UTF-8 text of at least `bytes` bytes.
std::string MakeAuctionDocument(std::size_t bytes);

#endif
