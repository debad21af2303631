#include "format/page_codec.h"

#include "format/rc4.h"

void JetPageKeyCodec::DecodePage(uint32_t page, std::span<uint8_t> bytes) const {
  Rc4Apply(databaseKey_ ^ page, bytes);
}
