#include "xls/variant.h"

namespace xls {

Worksheet* Variant::Sheet() const {
  const auto* sheet = std::get_if<std::shared_ptr<Worksheet>>(&value_);
  return sheet ? sheet->get() : nullptr;
}

}  // namespace xls
