// The value handed to a member that takes a variant, as Excel's members do:
// missing (an optional argument left out), a boolean, a 16- or 32-bit
// integer, a text, or a worksheet. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace xls {

class Worksheet;

class Variant {
 public:
  Variant() = default;  // missing
  Variant(bool value) : value_(value) {}
  Variant(int16_t value) : value_(value) {}
  Variant(int32_t value) : value_(value) {}
  Variant(std::string text) : value_(std::move(text)) {}
  Variant(const char* text) : value_(std::string(text)) {}
  Variant(std::shared_ptr<Worksheet> sheet) : value_(std::move(sheet)) {}

  bool IsMissing() const { return std::holds_alternative<Missing>(value_); }
  // Booleans and integers as a number; true is -1, as in an automation boolean.
  std::optional<int32_t> Number() const {
    if (const int16_t* i = std::get_if<int16_t>(&value_)) return *i;
    if (const int32_t* i = std::get_if<int32_t>(&value_)) return *i;
    if (const bool* b = std::get_if<bool>(&value_)) return *b ? -1 : 0;
    return std::nullopt;
  }
  // The text, or null when the value is not a text.
  const std::string* Text() const { return std::get_if<std::string>(&value_); }
  // Makes the value a text and gives it to be filled in place: a value used
  // for one cell after another keeps its buffer.
  std::string& TextToFill() {
    if (!std::holds_alternative<std::string>(value_)) value_ = std::string();
    return std::get<std::string>(value_);
  }
  // The worksheet, or null when the value is not one.
  Worksheet* Sheet() const;

 private:
  struct Missing {};
  std::variant<Missing, bool, int16_t, int32_t, std::string, std::shared_ptr<Worksheet>> value_;
};

// The argument constants of the automation layer; read-only.
inline const Variant OptionalArg{};
inline const Variant ArgTrue{int16_t{1}};
inline const Variant ArgFalse{int16_t{0}};

}  // namespace xls
