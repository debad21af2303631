#include "tests/support/property_blob.h"

#include <algorithm>
#include <map>
#include <string>

#include "tests/support/page_file.h"

namespace testdb {
namespace {

constexpr uint8_t kBooleanType = 1, kByteType = 2, kLongType = 4, kTextType = 10, kMemoType = 12;

struct Entry {
  std::string name;
  uint8_t type;
  std::vector<uint8_t> value;
};

Entry FromValue(const Property& p) {
  if (auto* b = std::get_if<bool>(&p.value.kind())) return {p.name, kBooleanType, {static_cast<uint8_t>(*b ? 0xFF : 0)}};
  if (auto* i = std::get_if<int64_t>(&p.value.kind())) {
    std::vector<uint8_t> bytes;
    AppendU32(bytes, static_cast<uint32_t>(*i));
    return {p.name, kLongType, bytes};
  }
  if (auto* t = std::get_if<Text>(&p.value.kind())) return {p.name, kTextType, Ucs2(t->utf8)};
  throw BuildError("property " + p.name + ": only booleans, integers and texts");
}

void AppendBlock(std::vector<uint8_t>& out, uint16_t type, const std::vector<uint8_t>& payload) {
  AppendU32(out, static_cast<uint32_t>(payload.size() + 6));
  AppendU16(out, type);
  out.insert(out.end(), payload.begin(), payload.end());
}

}  // namespace

std::vector<uint8_t> TablePropertyBlob(const Table& table) {
  // By column name, the table's own under "".
  std::map<std::string, std::vector<Entry>> entries;
  for (const Property& p : table.properties) entries[p.column].push_back(FromValue(p));
  for (const Column& c : table.columns) {
    if (!c.calculated) continue;
    entries[c.name].push_back({"ResultType", kByteType, {static_cast<uint8_t>(c.type)}});
    if (!c.expression.empty()) entries[c.name].push_back({"Expression", kMemoType, Ucs2(c.expression)});
  }
  if (entries.empty()) return {};

  std::vector<std::string> names;
  for (const auto& [column, list] : entries)
    for (const Entry& e : list)
      if (std::find(names.begin(), names.end(), e.name) == names.end()) names.push_back(e.name);

  std::vector<uint8_t> blob = {'M', 'R', '2', 0};
  std::vector<uint8_t> payload;
  for (const std::string& name : names) {
    std::vector<uint8_t> stored = Ucs2(name);
    AppendU16(payload, static_cast<uint32_t>(stored.size()));
    payload.insert(payload.end(), stored.begin(), stored.end());
  }
  AppendBlock(blob, 0x80, payload);
  // The table's block, then its columns' in the table's order, as Access writes them.
  std::vector<std::string> order = {""};
  for (const Column& c : table.columns) order.push_back(c.name);
  for (const auto& [column, list] : entries)
    if (std::find(order.begin(), order.end(), column) == order.end()) order.push_back(column);
  for (const std::string& column : order) {
    if (!entries.count(column)) continue;
    const std::vector<Entry>& list = entries[column];
    std::vector<uint8_t> stored = Ucs2(column);
    payload.clear();
    AppendU32(payload, static_cast<uint32_t>(6 + stored.size()));
    AppendU16(payload, static_cast<uint32_t>(stored.size()));
    payload.insert(payload.end(), stored.begin(), stored.end());
    for (const Entry& e : list) {
      AppendU16(payload, static_cast<uint32_t>(8 + e.value.size()));
      payload.push_back(1);  // a design property
      payload.push_back(e.type);
      AppendU16(payload, static_cast<uint32_t>(std::find(names.begin(), names.end(), e.name) - names.begin()));
      AppendU16(payload, static_cast<uint32_t>(e.value.size()));
      payload.insert(payload.end(), e.value.begin(), e.value.end());
    }
    AppendBlock(blob, column.empty() ? 0x00 : 0x01, payload);
  }
  return blob;
}

}  // namespace testdb
