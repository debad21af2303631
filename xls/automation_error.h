// The error a refused call raises, where Excel would raise an automation
// error: an address outside the sheet, a sheet name Excel does not allow, a
// file that cannot be written or read. The message says what was refused;
// the caller decides what it means.
#pragma once

#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace xls {

class AutomationError : public std::runtime_error {
 public:
  explicit AutomationError(const std::string& what) : std::runtime_error(what) {}
};

// Runs f, reporting exhausted memory as Excel does, as a refused call, so
// that a caller handling refusals need not know about allocation.
template <class F>
decltype(auto) GuardMemory(F&& f) {
  try {
    return std::forward<F>(f)();
  } catch (const std::bad_alloc&) {
    throw AutomationError("Not enough memory.");
  }
}

}  // namespace xls
