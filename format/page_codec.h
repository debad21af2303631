// How the pages after the header are hidden, undone page by page. The
// session's page read hands every page but the header to the file's codec,
// so that nothing above it ever sees an encoded or encrypted page. Each page
// has a key of its own, derived from the stored database key XOR the page
// number (its "block key"), so pages decode independently and damage stays
// inside the page it hits.
#pragma once

#include <cstdint>
#include <span>

class PageCodec {
 public:
  virtual ~PageCodec() = default;
  // Decodes page `page`'s stored bytes in place; a short last page is
  // decoded as far as it goes.
  virtual void DecodePage(uint32_t page, std::span<uint8_t> bytes) const = 0;
};

// Jet 3 and Jet 4 encoding: RC4 keyed with the block key. It takes no
// password: anyone holding the file holds the key.
class JetPageKeyCodec : public PageCodec {
 public:
  explicit JetPageKeyCodec(uint32_t databaseKey) : databaseKey_(databaseKey) {}
  void DecodePage(uint32_t page, std::span<uint8_t> bytes) const override;

 private:
  uint32_t databaseKey_;
};
