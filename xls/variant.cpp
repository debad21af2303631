#include "xls/variant.h"

namespace xls {

std::optional<int32_t> Variant::Number() const {
  if (const bool* b = std::get_if<bool>(&value_)) return *b ? -1 : 0;
  if (const int16_t* i = std::get_if<int16_t>(&value_)) return *i;
  if (const int32_t* i = std::get_if<int32_t>(&value_)) return *i;
  return std::nullopt;
}

Worksheet* Variant::Sheet() const {
  const auto* sheet = std::get_if<std::shared_ptr<Worksheet>>(&value_);
  return sheet ? sheet->get() : nullptr;
}

}  // namespace xls
