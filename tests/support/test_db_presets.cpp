#include "tests/support/test_db_presets.h"

#include <cstdio>
#include <cstdint>

#include "tests/support/test_db_damage.h"

namespace testdb {
namespace {

using T = ColumnType;

// A reproducible number for row `i` of a stream seeded with `seed`.
uint64_t Mix(uint64_t seed, uint64_t i) {
  uint64_t z = seed * 0x9E3779B97F4A7C15ull + i + 0x632BE59BD9B4E019ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::string Format(const char* format, uint64_t n) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, static_cast<unsigned long long>(n));
  return buf;
}

// `piece` repeated to `size` bytes, cut back to a whole UTF-8 character.
std::string Repeat(const std::string& piece, size_t size) {
  std::string s;
  while (s.size() < size) s += piece;
  while (size > 0 && size < s.size() && (static_cast<uint8_t>(s[size]) & 0xC0) == 0x80) --size;
  s.resize(size);
  return s;
}

void AddSampleTables(DatabaseBuilder& db, uint64_t seed) {
  Table& customers = db.AddTable("Customers", {{"CustomerID", T::Long},
                                               {"CompanyName", T::Text, 40},
                                               {"ContactName", T::Text, 30},
                                               {"City", T::Text, 15},
                                               {"Country", T::Text, 15},
                                               {"Phone", T::Text, 24},
                                               {"Active", T::Bit},
                                               {"CustomerSince", T::Date},
                                               {"CreditLimit", T::Currency},
                                               {"AccountKey", T::Guid},
                                               {"Notes", T::Memo}});
  const Null null;
  customers.rows = {
      {{1, "Alder & Finch Trading", "Maren Holt", "Bergen", "Norway", "+47 55 01 23 45", true, Date{36892.0},
        Currency{50000000}, Guid::FromText("{6F1C2A10-8B3E-4D5A-9C7B-0A1B2C3D4E5F}"), "Pays on time."}},
      {{2, "Bellweather Supplies", "Tobias Renn", "Leeds", "UK", "+44 113 496 0000", true, Date{37257.5},
        Currency{25000000}, Guid::FromText("{1A2B3C4D-5E6F-4789-8ABC-DEF012345678}"), null}},
      {{3, "Copperline Foods", "Ilse Marck", "Graz", "Austria", null, false, Date{38000.25}, Currency{0},
        Guid::FromText("{0F0E0D0C-0B0A-4908-8706-050403020100}"),
        "Asked for a new price list in spring.\r\nCall again in May."}},
      {{4, "Duneside Outfitters", "Paul Quist", "Esbjerg", "Denmark", "+45 75 12 34 56", true, Date{39448.0},
        Currency{12345678}, Guid::FromText("{A0B1C2D3-E4F5-4607-8899-AABBCCDDEEFF}"), null}},
      {{5, "Eastgate Provisions", "Nora Vell", "Lyon", "France", "+33 4 72 00 00 00", true, Date{40179.75},
        Currency{99990000}, null, Text{"Délai de paiement : 30 jours."}}},
      {{6, "Fennick Brothers", "Aldo Fennick", "Trieste", "Italy", "+39 040 000 000", false, null, null, null, null}},
      {{7, "Glenmoor Cheese Co.", "Iona Reid", "Perth", "UK", "+44 1738 000000", true, Date{41275.0},
        Currency{7500000}, Guid::FromText("{11111111-2222-4333-8444-555555555555}"),
        Repeat("Prefers deliveries before noon. ", 300)}},
      {{8, "Harrowfield Market", "Kai Brandt", "Kiel", "Germany", "+49 431 000000", true, Date{42005.5},
        Currency{30000000}, null, "Straße und Hausnummer geändert."}},
      {{9, "Isenbrook Imports", "Sanna Lind", "Umeå", "Sweden", null, true, Date{42370.0}, Currency{15000000},
        null, null}},
      {{10, "Juniper Hollow Farm", "Ben Okafor", "Cork", "Ireland", "+353 21 000 0000", false, Date{43101.0},
        Currency{-2500000}, null, "Account on hold: balance owed."}},
      {{11, "Kestrel Bay Traders", "Eleni Pappa", "Patras", "Greece", "+30 261 000 0000", true, Date{43466.0},
        Currency{40000000}, null, Text{"Σημείωση: προτιμά email."}}},
      {{12, "Lantern Street Café", "Jonas Weit", "Basel", "Switzerland", "+41 61 000 00 00", true,
        Date{44197.375}, Currency{5000000}, null, null}},
  };
  // An edited row that grew and moved to another page, as Access leaves it.
  customers.rows[5].state = RowState::Moved;

  Table& products = db.AddTable("Products", {{"ProductID", T::Long},
                                             {"ProductName", T::Text, 40},
                                             {"Category", T::Text, 20},
                                             {"UnitPrice", T::Currency},
                                             {"UnitsInStock", T::Int},
                                             {"ReorderLevel", T::Byte},
                                             {"Discontinued", T::Bit},
                                             {"WeightKg", T::Single},
                                             {"ListPrice", T::Numeric, 0, 18, 2},
                                             {"Sku", T::Guid}});
  const char* names[] = {"Rye Crispbread",   "Sea Salt Flakes", "Smoked Trout",   "Cloudberry Jam",
                         "Oat Biscuits",     "Juniper Syrup",   "Aged Gouda",     "Pickled Herring",
                         "Linden Honey",     "Barley Flour",    "Dried Apricots", "Chestnut Purée",
                         "Black Peppercorn", "Rapeseed Oil",    "Elderflower Cordial"};
  const char* categories[] = {"Bakery", "Pantry", "Seafood", "Preserves", "Dairy"};
  for (int i = 0; i < 15; ++i) {
    uint64_t r = Mix(seed, 1000 + i);
    int64_t cents = 150 + static_cast<int64_t>(r % 5000);
    products.rows.push_back({{i + 1, names[i], categories[i % 5], Currency{cents * 100},
                              static_cast<int>(r % 500), static_cast<int>(r >> 16) % 50, i % 7 == 6,
                              0.25 * static_cast<double>(1 + (r >> 24) % 16),
                              Numeric{false, static_cast<unsigned __int128>(cents) * 12 / 10},
                              i % 4 == 3 ? Value() : Value(Guid::FromText(Format("{%08llX-0000-4000-8000-000000000000}", 0xC0DE0000 + i)))}});
  }

  Table& employees = db.AddTable("Employees", {{"EmployeeID", T::Long},
                                               {"LastName", T::Text, 20},
                                               {"FirstName", T::Text, 10},
                                               {"Title", T::Text, 30},
                                               {"BirthDate", T::Date},
                                               {"HireDate", T::Date},
                                               {"Salary", T::Currency},
                                               {"Extension", T::Text, 4},
                                               {"Photo", T::Ole},
                                               {"Notes", T::Memo}});
  employees.rows = {
      {{1, "Varga", "Lena", "Sales Manager", Date{27030.0}, Date{38718.0}, Currency{720000000}, "4411",
        Bytes{OleBitmap(MakeBmp(96, 64))}, "Leads the northern sales team. Fluent in four languages."}},
      {{2, "Osei", "Kofi", "Sales Representative", Date{31412.0}, Date{40544.0}, Currency{480000000}, "4412",
        Bytes{OleBitmap(MakeBmp(16, 16))}, null}},
      {{3, "Lindqvist", "Ebba", "Buyer", Date{29221.0}, Date{39814.0}, Currency{510000000}, null, null,
        Repeat("Negotiates the yearly contracts with dairy and seafood suppliers. ", 6000)}},
      {{4, "Marchetti", "Dario", "Warehouse Lead", Date{33604.0}, Date{42736.0}, Currency{455000000}, "4420",
        Bytes{OlePackage("report.txt", std::vector<uint8_t>{'S', 't', 'o', 'c', 'k', ' ', 'c', 'o', 'u', 'n',
                                                             't', ' ', 'O', 'K', '\r', '\n'})},
        "Forklift licence renewed."}},
      {{5, "Novak", "Petra", "Accountant", Date{30682.0}, Date{41640.0}, Currency{530000000}, "4430",
        Bytes{OleAcrobat(MakePdf(2000))}, null}},
      {{6, "Abara", "Chidi", "Driver", null, Date{44562.0}, Currency{390000000}, null, null, null}},
  };

  Table& orders = db.AddTable("Orders", {{"OrderID", T::Long},
                                         {"CustomerID", T::Long},
                                         {"EmployeeID", T::Long},
                                         {"OrderDate", T::Date},
                                         {"ShippedDate", T::Date},
                                         {"Freight", T::Currency},
                                         {"ShipCity", T::Text, 15},
                                         {"Quantity", T::Int},
                                         {"Discount", T::Double},
                                         {"Rush", T::Bit}});
  const char* cities[] = {"Bergen", "Leeds", "Graz", "Esbjerg", "Lyon", "Trieste",
                          "Perth",  "Kiel",  "Umeå", "Cork",    "Patras", "Basel"};
  for (int i = 0; i < 300; ++i) {
    uint64_t r = Mix(seed, 5000 + i);
    int customer = static_cast<int>(r % 12);
    double ordered = 44000.0 + static_cast<double>(i) + static_cast<double>((r >> 8) % 96) / 96.0;
    bool shipped = (r >> 20) % 10 != 0;
    Row row{{10248 + i, customer + 1, static_cast<int>((r >> 12) % 6) + 1, Date{ordered},
             shipped ? Value(Date{ordered + static_cast<double>(1 + (r >> 24) % 14)}) : Value(),
             Currency{static_cast<int64_t>((r >> 28) % 2000000)}, cities[customer],
             static_cast<int>(1 + (r >> 40) % 120), static_cast<double>((r >> 48) % 5) * 0.05, (r >> 60) % 4 == 0}};
    // One order cancelled: deleted rows stay on the page.
    if (i == 17) row.state = RowState::Deleted;
    orders.rows.push_back(std::move(row));
  }

  db.AddQuery({"Active Customers", "Customers", "*", "Customers.Active = True"});
  db.AddQuery({"Big Orders", "Orders", "Orders.OrderID, Orders.Freight", "Orders.Freight > 100"});
}

// NULLs of every type, and one row of ordinary values.
// Every value type with its edge values; text beyond one code page and
// NUMERIC where the format has them.
void AddAllTypesTables(DatabaseBuilder& db, bool unicode) {
  Table& ints = db.AddTable("Integers", {{"ByteValue", T::Byte}, {"IntValue", T::Int}, {"LongValue", T::Long}});
  ints.rows = {{{0, -32768, INT32_MIN}}, {{255, 32767, INT32_MAX}}, {{1, 0, 0}}, {{Null{}, Null{}, Null{}}}};

  Table& money = db.AddTable("Money", {{"Amount", T::Currency}});
  money.rows = {{{Currency{-12345678}}}, {{Currency{INT64_MAX}}}, {{Currency{INT64_MIN + 1}}},
                {{Currency{0}}},         {{Currency{10000}}},     {{Null{}}}};

  Table& floats = db.AddTable("Floats", {{"SingleValue", T::Single}, {"DoubleValue", T::Double}});
  for (double d : {1.5, -1.5, 0.0, 0.001, 1e16}) floats.rows.push_back({{d, d}});
  floats.rows.push_back({{Null{}, Null{}}});

  Table& dates = db.AddTable("Dates", {{"When", T::Date}});
  for (double d : {0.0, 0.5, -1.25, 2.0, 36526.0, 39087.378507, 60.0, 61.0, 2958465.999999, -700.0})
    dates.rows.push_back({{Date{d}}});
  dates.rows.push_back({{Null{}}});

  Table& texts = db.AddTable("Texts", {{"Label", T::Text, 50}, {"Value", T::Text, 255}});
  texts.rows = {
      {{"compressed", Text{"Hello, world", TextEncoding::Compressed}}},
      {{"ucs2", Text{"Hello, world", TextEncoding::Ucs2}}},
      {{"empty", ""}},
      {{"marker", "#TEXT"}},
      {{"latin1", "Ærøskøbing, Zürich, Málaga"}},
      {{"null", Null{}}},
  };
  if (unicode) {
    texts.rows.insert(texts.rows.end() - 1, {{{"above ff", "Ελληνικά – Кириллица – 漢字"}},
                                             {{"low byte zero", "Āā Ĭ 〇"}},  // U+0100 and U+3007 cannot be compressed
                                             {{"switching", "abc Ωmega def Ψ ghi"}},
                                             {{"byte order mark", "\xEF\xBB\xBFstarts with U+FEFF"}}});
  }

  Table& guids = db.AddTable("Guids", {{"Id", T::Guid}});
  guids.rows = {{{Guid::FromText("{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}")}},
                {{Guid::FromText("{00000000-0000-0000-0000-000000000000}")}},
                {{Guid::FromText("{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}")}},
                {{Null{}}}};

  if (unicode) {
    Table& numerics = db.AddTable("Numerics", {{"P18S2", T::Numeric, 0, 18, 2}, {"P28S0", T::Numeric, 0, 28, 0}});
    numerics.rows = {{{Numeric::FromDecimal("12345", 2), Numeric::FromDecimal("12345", 0)}},
                   {{Numeric::FromDecimal("-12345.67", 2), Numeric::FromDecimal("-1", 0)}},
                   {{Numeric::FromDecimal("98765432109.87", 2), Numeric::FromDecimal("4294967296", 0)}},
                   {{Numeric::FromDecimal("0.01", 2), Numeric::FromDecimal("9999999999999999999999999999", 0)}},
                   {{Numeric::FromDecimal("0", 2), Numeric::FromDecimal("-9223372036854775808", 0)}},
                   {{Null{}, Null{}}}};
  }

  Table& binaries = db.AddTable("Binaries", {{"Data", T::Binary, 255}});
  std::vector<uint8_t> all;
  for (int i = 1; i < 256; ++i) all.push_back(static_cast<uint8_t>(i));
  binaries.rows = {{{Bytes{{0xDE, 0xAD, 0xBE, 0xEF}}}}, {{Bytes{all}}}, {{Bytes{{0x00, 0x01, 0x02}}}}, {{Null{}}}};

  Table& memos = db.AddTable("Memos", {{"Label", T::Text, 50}, {"Body", T::Memo}});
  auto memo = [](size_t size, TextEncoding encoding, LongStorage storage) {
    return Value(Text{Repeat("The quick brown fox jumps over the lazy dog. ", size), encoding, storage});
  };
  memos.rows = {
      {{"1 byte inline", memo(1, TextEncoding::Auto, LongStorage::Inline)}},
      {{"1 byte single", memo(1, TextEncoding::Auto, LongStorage::Single)}},
      {{"1 byte chain", memo(1, TextEncoding::Auto, LongStorage::Chain)}},
      // A long-value row fills at most a page.
      unicode ? Row{{"4 KiB single", memo(4000, TextEncoding::Compressed, LongStorage::Single)}}
              : Row{{"2 KiB single", memo(2000, TextEncoding::Compressed, LongStorage::Single)}},
      {{"4 KiB chain", memo(4096, TextEncoding::Auto, LongStorage::Chain)}},
      {{"64 KiB chain", memo(65536, TextEncoding::Auto, LongStorage::Auto)}},
      {{"64 KiB compressed chain", memo(65536, TextEncoding::Compressed, LongStorage::Chain)}},
      {{"1 MiB chain", memo(1 << 20, TextEncoding::Auto, LongStorage::Chain)}},
      {{"uncompressed inline", memo(20, TextEncoding::Ucs2, LongStorage::Inline)}},
      {{"empty", ""}},
      {{"null", Null{}}},
  };
  if (unicode)
    memos.rows.push_back({{"non-latin single", Text{Repeat("Ωμέγα 漢字 ", 300), TextEncoding::Auto, LongStorage::Single}}});

  Table& oles = db.AddTable("OleObjects", {{"Kind", T::Text, 20}, {"Object", T::Ole}});
  oles.rows = {
      {{"bitmap", Bytes{OleBitmap(MakeBmp(185, 185))}}},
      {{"pdf", Bytes{OleAcrobat(MakePdf(100 * 1024))}}},
      {{"package", Bytes{OlePackage("report.txt", std::vector<uint8_t>(100 * 1024, 'x'))}}},
      {{"small bitmap inline", Bytes{OleBitmap(MakeBmp(2, 2)), LongStorage::Inline}}},
      {{"small package single", Bytes{OlePackage("notes.txt", {'h', 'i'}), LongStorage::Single}}},
      {{"raw bytes", Bytes{{1, 2, 3, 4, 5}}}},
      {{"null", Null{}}},
  };

  Table& nulls = db.AddTable("AllTypes", {{"Id", T::Long},
                                          {"Flag", T::Bit},
                                          {"Small", T::Byte},
                                          {"Medium", T::Int},
                                          {"Money", T::Currency},
                                          {"Single", T::Single},
                                          {"Double", T::Double},
                                          {"When", T::Date},
                                          {"Raw", T::Binary, 16},
                                          {"Name", T::Text, 30},
                                          {"Picture", T::Ole},
                                          {"Body", T::Memo},
                                          {"Key", T::Guid}});
  nulls.rows = {
      {{1, true, 200, -2, Currency{15000}, 2.5, 3.25, Date{44927.5}, Bytes{{1, 2, 3}}, "row one",
        Bytes{{9, 8, 7}}, "memo one", Guid::FromText("{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}")}},
      {{2}},  // every other column NULL (a boolean reads as false)
  };
  if (unicode) {
    nulls.columns.push_back({"Amount", T::Numeric, 0, 18, 2});
    nulls.rows[0].values.push_back(Numeric::FromDecimal("-8540982423.45", 2));
  }
}

// Text beyond Latin-1 in values, table names and column names: Western
// punctuation, Greek, Cyrillic, CJK and emoji (surrogate pairs), in both
// stored forms, and memos whose pages cut through characters.
void AddUnicodeTables(DatabaseBuilder& db) {
  Table& prices = db.AddTable("Prices € “quoted”", {{"Item – name", T::Text, 100},
                                                    {"Price ™", T::Text, 50},
                                                    {"Note ‘memo’", T::Memo}});
  prices.rows = {
      {{"Œuvre ™", "Price 5 €", "Don’t “quote” me — ok…"}},
      {{Text{"‘single’ – dash", TextEncoding::Ucs2}, Text{"€ 1,00", TextEncoding::Ucs2}, Null{}}},
      {{"Latin-1 only: café", Text{"Zürich", TextEncoding::Compressed}, ""}},
  };

  Table& greek = db.AddTable("Ελληνικά", {{"Όνομα", T::Text, 50}, {"Πόλη", T::Text, 50}, {"Σημείωση", T::Memo}});
  greek.rows = {
      {{"Σωκράτης", "Αθήνα", Text{Repeat("Ο βίος βραχύς, ἡ δὲ τέχνη μακρή. ", 6000), TextEncoding::Auto,
                                     LongStorage::Chain}}},
      {{"Ωmega mixed with Latin", "Θεσσαλονίκη", "ΑΒΓΔ αβγδ"}},
  };

  Table& cyrillic = db.AddTable("Кириллица", {{"Имя", T::Text, 50}, {"Город", T::Text, 50}});
  cyrillic.rows = {{{"Фёдор Достоевский", "Москва"}},
                   {{"Леся Українка", "Київ"}},
                   {{"ЁЖИК ёжик", "Ђ Љ Њ"}},
                   {{"Смайлик 🙂", Text{"😀", TextEncoding::Ucs2}}}};

  Table& cjk = db.AddTable("漢字テーブル", {{"名前", T::Text, 50}, {"説明", T::Memo}});
  cjk.rows = {
      {{"丁一", Text{"一二三 〇 丁", TextEncoding::Ucs2, LongStorage::Inline}}},
      {{"日本語", Text{Repeat("いろはにほへと ちりぬるを 漢字 ", 9000), TextEncoding::Auto, LongStorage::Chain}}},
      {{"한국어", Text{Repeat("다람쥐 헌 쳇바퀴에 타고파 ", 700), TextEncoding::Auto, LongStorage::Single}}},
  };

  Table& emoji = db.AddTable("Emoji 😀", {{"Symbol 🎉", T::Text, 20}, {"Story", T::Memo}});
  emoji.rows = {
      {{"😀", Text{Repeat("🎉 party 𝄞 ", 12000), TextEncoding::Auto, LongStorage::Chain}}},
      {{"a😀b", "emoji 🙂 inline"}},
  };

  // Longer than a sheet name may be: cut at 31 characters.
  db.AddTable("Αρχείο πελατών και παραγγελιών του έτους", {{"Κωδικός", T::Long}}).rows = {{{1}}, {{2}}};
}

// Every value type of an Access 97 file with its edge values, text in the
// code page (the characters Windows-1252 adds to Latin-1 among them), memos
// inline, in one long-value row and across pages, rows long enough for one
// or more jump entries, deleted and moved rows.
void AddAccess97Tables(DatabaseBuilder& db) {
  db.SetJet3(1252);
  AddAllTypesTables(db, false);

  Table& western = db.AddTable("Café Größe", {{"Label", T::Text, 50}, {"Prix €", T::Text, 255}, {"Note", T::Memo}});
  western.rows = {
      {{"Latin-1", "Ærøskøbing, Zürich, Málaga", "Ça va ? Très bien."}},
      {{"Windows-1252", "€ – “quoted” ‘single’ … ™ Œuvre š", Text{Repeat("Œ € “x” — ", 5000), TextEncoding::Auto,
                                                                 LongStorage::Chain}}},
      {{"long", Repeat("ÿ0123456789", 255), Text{Repeat("é", 2000), TextEncoding::Auto, LongStorage::Single}}},
      {{"empty", "", ""}},
      {{"null", Null{}, Null{}}},
  };

  // Rows past 256 and 512 bytes: offsets beyond one byte, one jump entry per
  // boundary the data passes.
  std::vector<Column> wide = {{"Id", T::Long}};
  for (int c = 1; c <= 12; ++c) wide.push_back({Format("Text%02llu", static_cast<uint64_t>(c)), T::Text, 100});
  Table& offsets = db.AddTable("LongRows", wide);
  for (int r = 0; r < 8; ++r) {
    Row row;
    row.values.push_back(r);
    for (int c = 1; c <= 12; ++c)
      row.values.push_back(c % 5 == r % 5 ? Value(Null{}) : Value(Repeat(Format("r%llu ", static_cast<uint64_t>(r)), 10 * r * c % 101)));
    offsets.rows.push_back(std::move(row));
  }

  Table& deleted = db.AddTable("Deleted", {{"Id", T::Long}, {"Name", T::Text, 30}, {"Notes", T::Memo}});
  for (int i = 0; i < 12; ++i) {
    Row row{{i, Format("name %llu", static_cast<uint64_t>(i)), Format("notes on %llu", static_cast<uint64_t>(i))}};
    row.state = i % 4 == 1 ? RowState::Deleted : i % 4 == 3 ? RowState::Moved : RowState::Normal;
    deleted.rows.push_back(std::move(row));
  }
}

void AddLargeTable(DatabaseBuilder& db, uint64_t rows, uint64_t seed) {
  Table& t = db.AddTable("LargeTable", {{"ID", T::Long},
                                        {"Name", T::Text, 50},
                                        {"Amount", T::Double},
                                        {"Created", T::Date},
                                        {"Price", T::Currency},
                                        {"Active", T::Bit},
                                        {"Quantity", T::Int},
                                        {"Code", T::Text, 20},
                                        {"Ref", T::Long},
                                        {"Note", T::Memo}});
  t.generatedRows = rows;
  t.generator = [seed](uint64_t i, Row& row) {
    uint64_t r = Mix(seed, i);
    row.values.reserve(10);
    row.values.emplace_back(static_cast<int64_t>(i + 1));
    row.values.emplace_back(Format("Customer %llu", r % 100000));
    row.values.emplace_back(static_cast<double>(r % 10000000) / 100.0);
    row.values.emplace_back(Date{36526.0 + static_cast<double>((r >> 20) % 9000) + static_cast<double>((r >> 8) % 1440) / 1440.0});
    row.values.emplace_back(Currency{static_cast<int64_t>((r >> 16) % 100000000)});
    row.values.emplace_back(((r >> 40) & 1) != 0);
    row.values.emplace_back(static_cast<int>((r >> 41) % 30000));
    row.values.emplace_back(Format("C-%06llu", (r >> 24) % 1000000));
    row.values.emplace_back(static_cast<int64_t>(static_cast<int32_t>(r >> 32)));
    row.values.emplace_back(Format("Note for row %llu", i + 1));
  };
}

// The types Access 2007 and later add: large numbers, extended dates and
// calculated columns of every result type (their records giving other
// types, as Access's do), with their edge values and damaged ones.
void AddAceTypesTables(DatabaseBuilder& db) {
  Table& large = db.AddTable("Large", {{"Value", T::BigInt}});
  for (int64_t v : {int64_t{42}, int64_t{-1}, INT64_MIN, INT64_MAX}) large.rows.push_back({{v}});
  large.rows.push_back({{Null{}}});

  Table& extended = db.AddTable("Extended", {{"Label", T::Text, 20}, {"When", T::DateTimeExtended}});
  auto text = [](const char* stored) {
    std::vector<uint8_t> bytes(stored, stored + 41);
    bytes.push_back(0);
    return Bytes{bytes};
  };
  extended.rows = {
      {{"first day", ExtendedDate{0, 0, 1}}},
      {{"with ticks", ExtendedDate{737954, 81912, 3456789}}},
      {{"last day", ExtendedDate{3652058, 86399, 9999999}}},
      {{"not digits", text("00000000000007379x4:0000000819123456789:7")}},
      {{"past 9999", text("0000000000003652059:0000000000000000000:7")}},
      {{"null", Null{}}},
  };

  auto calc = [](std::string name, T type, std::string expression, int storedType = -1, int scale = 0) {
    Column c{.name = std::move(name), .type = type, .scale = scale};
    c.calculated = true;
    c.expression = std::move(expression);
    c.storedType = storedType;
    return c;
  };
  // A wrapper as stored: 16 zero bytes, the length given, the data, 3 zero bytes.
  auto wrapped = [](uint32_t length, std::vector<uint8_t> data) {
    std::vector<uint8_t> bytes(16, 0);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(length >> (8 * i)));
    bytes.insert(bytes.end(), data.begin(), data.end());
    bytes.insert(bytes.end(), 3, 0);
    return Bytes{bytes};
  };
  Table& calculated = db.AddTable(
      "Calculated", {{"Id", T::Long},
                     calc("Full", T::Text, "[Last] & \", \" & [First]"),
                     calc("Length", T::Long, "Len([Full])"),
                     calc("Monthly", T::Currency, "[Pay]/12", 7),
                     calc("Rich", T::Bit, "[Pay]>100000", 3),
                     calc("Weekly", T::Numeric, "[Pay]/52", 7, 10),
                     calc("Ratio", T::Double, "[Pay]/7"),
                     calc("Born", T::Date, "DateSerial(1582,10,15)"),
                     calc("Huge", T::BigInt, "[Pay]*1000000000"),
                     calc("Story", T::Memo, "[Full] & [Full]", 10)});
  const int64_t big = INT64_C(1000000000000000);
  std::vector<uint8_t> badScale(16, 0);
  badScale[2] = 29;
  calculated.rows = {
      {{1, "Wayne, Bruce", 12, Currency{833333333}, true, Numeric{false, 192307692307692}, 1000000.0 / 8, Date{-115858},
        big, "Wayne, BruceWayne, Bruce"}},
      {{2, "Simpson, Bart", 13, Currency{-833}, false, Numeric{true, 192307692}, -0.125, Date{0.5}, -big,
        Text{"Simpson, Bart", TextEncoding::Ucs2, LongStorage::Single}}},
      {{3, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}}},
      // An absent result stores no data; wrappers cut short, a scale out of
      // range, a double of four bytes.
      {{4, Bytes{std::vector<uint8_t>(19, 0)}, wrapped(40, {1}), wrapped(0, {}), Null{}, wrapped(16, badScale),
        wrapped(4, {0, 0, 0, 0}), Null{}, Null{}, Null{}}},
  };
}

void AddManyTables(DatabaseBuilder& db, int count, uint64_t rows, uint64_t seed) {
  for (int n = 1; n <= count; ++n) {
    Table& t = db.AddTable(Format("Table%02llu", static_cast<uint64_t>(n)),
                           {{"ID", T::Long}, {"Label", T::Text, 30}, {"Value", T::Double}, {"Created", T::Date}});
    for (uint64_t i = 0; i < rows; ++i) {
      uint64_t r = Mix(seed + static_cast<uint64_t>(n), i);
      t.rows.push_back({{static_cast<int64_t>(i + 1), Format("Item %llu", r % 1000),
                         static_cast<double>(r % 100000) / 8.0, Date{40000.0 + static_cast<double>(r % 5000)}}});
    }
  }
}

}  // namespace

std::vector<std::string> PresetNames() {
  return {"sample", "all-types", "ace-types", "access97", "unicode", "large", "many-tables", "no-catalog", "damaged"};
}

bool DescribePreset(const std::string& name, const PresetOptions& options, DatabaseBuilder& db) {
  if (name == "sample" || name == "no-catalog" || name == "damaged") {
    AddSampleTables(db, options.seed);
  } else if (name == "all-types") {
    AddAllTypesTables(db, true);
  } else if (name == "ace-types") {
    AddAceTypesTables(db);
  } else if (name == "access97") {
    AddAccess97Tables(db);
  } else if (name == "unicode") {
    AddUnicodeTables(db);
  } else if (name == "large") {
    AddLargeTable(db, options.rows ? options.rows : kLargeDefaultRows, options.seed);
  } else if (name == "many-tables") {
    AddManyTables(db, options.tables ? options.tables : 12, options.rows ? options.rows : 10, options.seed);
  } else {
    return false;
  }
  if (options.jet3) db.SetJet3(db.format().codePage);
  return true;
}

Layout WritePreset(const std::string& name, const PresetOptions& options, const std::string& path) {
  DatabaseBuilder db;
  Layout layout;
  if (!DescribePreset(name, options, db)) {
    layout.error = "unknown preset " + name;
    return layout;
  }
  layout = db.Write(path);
  if (!layout.ok) return layout;
  bool damaged = true;
  if (name == "no-catalog") {
    damaged = LoseCatalogRows(path, layout);
  } else if (name == "damaged") {
    // Products loses its name, one page of Orders is gone, another is scrambled.
    const TableLayout* orders = layout.Find("Orders");
    damaged = LoseCatalogRows(path, layout, {"Products"}) && orders->dataPages.size() >= 3 &&
              ZeroPages(path, {orders->dataPages[1]}) && GarblePages(path, {orders->dataPages[2]}, options.seed);
  }
  if (!damaged) {
    layout.ok = false;
    layout.error = "cannot damage " + path;
  }
  return layout;
}

}  // namespace testdb
