// The database session: the one open database file, the layout its format
// check recognised, and page reads by number. It also holds what the
// analysis finds in the file, the page inventory and the table list, both
// emptied when a file is opened.
//
// The analysis (reader/analysis.h) fills the session; the record browser
// and the export read from it, and never at the same time as the analysis.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "format/format_info.h"
#include "format/jet_layout.h"
#include "format/text_decoder.h"
#include "format/page_codec.h"
#include "platform/file_view.h"
#include "platform/read_only_file.h"
#include "reader/page_entry.h"
#include "reader/page_map.h"
#include "reader/table_def.h"

// Decodes with codec the pages in buffer, which holds `read` bytes from the
// start of page firstPage; the header page stays as stored.
void DecodeStoredPages(const PageCodec& codec, int64_t pageSize, int64_t firstPage, uint8_t* buffer, int64_t read);

class MdbFile {
 public:
  // The largest file Access writes; longer files are read whole all the same.
  static constexpr int64_t kAccessLimitBytes = int64_t{1} << 31;

  MdbFile() = default;
  MdbFile(const MdbFile&) = delete;
  MdbFile& operator=(const MdbFile&) = delete;

  // Opens the file read-only and empties the inventory and the table list;
  // the layout stays until another is recognised. False for an empty name
  // or a path that cannot be opened.
  bool Open(const std::string& name);
  void Close();
  bool IsOpen() const { return file_.IsOpen(); }
  // The name given to the last Open, kept when the open failed.
  const std::string& FileName() const { return fileName_; }
  int64_t FileSize() const { return file_.Size(); }

  // All zero until a format was recognised (PageSize() is 0 then).
  const JetLayout& Layout() const { return layout_; }
  int32_t PageSize() const { return layout_.pageSize; }
  void UseLayout(const JetLayout& layout);
  // What else the format check learned; reset by Open.
  const FormatInfo& Format() const { return format_; }
  void UseFormat(const FormatInfo& format);
  // How the file's stored text becomes UTF-8: chosen with the layout and
  // the format's code page.
  const TextDecoder& Text() const { return text_; }
  // How the pages after the header are hidden (nullptr: they are plain).
  // Page reads decode every page after the header with it, so that nothing
  // above them sees an encoded or encrypted page. Reset by Open.
  void UseCodec(std::unique_ptr<const PageCodec> codec) { codec_ = std::move(codec); }
  bool DecodesPages() const { return codec_ != nullptr; }
  // The password an encrypted database is opened with, as the user gave it
  // (UTF-8); nullopt when none was given. Kept by Open: it is the caller's,
  // given before the analysis.
  void SetPassword(std::optional<std::string> password) { password_ = std::move(password); }
  const std::optional<std::string>& Password() const { return password_; }
  // Whether the system tables are listed (reader/table_listing.h): the
  // user's choice, kept from file to file.
  void ShowSystemTables(bool show) { showSystemTables_ = show; }
  bool ShowsSystemTables() const { return showSystemTables_; }

  // Where the pages lie (reader/page_map.h); reset by Open.
  void UsePageMap(PageMap map) { pageMap_ = std::move(map); }
  const PageMap& Pages() const { return pageMap_; }
  int64_t PageOffset(int64_t page) const { return pageMap_.Offset(page, PageSize()); }
  int64_t WholePages() const { return pageMap_.WholePages(FileSize(), PageSize()); }

  // Bytes read into buffer (PageSize() bytes, zero-filled first): 0 at or
  // past the end of the file, -1 when no file is open.
  int ReadPage(uint8_t* buffer, int64_t page) const;
  // Reads `count` consecutive pages into buffer (count * PageSize() bytes,
  // zero-filled first) from where the page map puts them; the bytes read up
  // to the first page cut short by the end of the file.
  int64_t ReadPages(uint8_t* buffer, int64_t firstPage, int64_t count) const;
  // Maps `count` consecutive pages into view, where reading them would copy
  // them: true when they lie whole and end to end in the file and need no
  // decoding, and so are view.Bytes() as ReadPages would read them; false
  // (the caller reads) otherwise.
  bool ViewPages(platform::FileView& view, int64_t firstPage, int64_t count) const;
  // The n bytes at offset as stored (never decoded), before a layout is
  // known; the rest of buffer past the bytes read is zero-filled. The count
  // read.
  int64_t ReadBytes(uint8_t* buffer, size_t n, int64_t offset) const;

  // What the analysis found. Plain data rather than accessors: the analysis
  // steps fill them in turn, the tree, the record browser and the export
  // hold references into the table list, and no invariant of the session
  // ties them to the file beyond being emptied by Open.
  PageInventory pages;
  TableList tables;
  // User tables the catalog's live rows name, lost or not.
  int32_t catalogUserTables = 0;

 private:
  std::string fileName_;
  platform::ReadOnlyFile file_;
  JetLayout layout_{};
  FormatInfo format_{};
  TextDecoder text_;
  std::unique_ptr<const PageCodec> codec_;
  PageMap pageMap_;
  std::optional<std::string> password_;
  bool showSystemTables_ = false;
};
