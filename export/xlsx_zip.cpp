#include "export/xlsx_zip.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace {

constexpr size_t kOutput = 1 << 20;
constexpr uint32_t kMax32 = 0xFFFFFFFF;
constexpr uint16_t kVersion = 45;  // zip64
constexpr uint16_t kDate1980 = 0x21;  // 1 January 1980: the file carries no time of its own
constexpr size_t kLocalHeader = 30;
constexpr size_t kLocalExtra = 20;

void Le16(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value));
  out.push_back(static_cast<char>(value >> 8));
}
void Le32(std::string& out, uint32_t value) {
  Le16(out, static_cast<uint16_t>(value));
  Le16(out, static_cast<uint16_t>(value >> 16));
}
void Le64(std::string& out, uint64_t value) {
  Le32(out, static_cast<uint32_t>(value));
  Le32(out, static_cast<uint32_t>(value >> 32));
}
uint32_t Field32(uint64_t value) { return value >= kMax32 ? kMax32 : static_cast<uint32_t>(value); }

}  // namespace

XlsxZip::XlsxZip() : out_(kOutput) {
  // Raw deflate (no zlib header), as zip wants it.
  deflateInit2(&zip_, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
}

XlsxZip::~XlsxZip() {
  Abandon();
  compressing_.Stop();
  deflateEnd(&zip_);
}

void XlsxZip::Open(const std::string& path) {
  Abandon();
  problem_.clear();
  entries_.clear();
  used_ = 0;
  written_ = 0;
  inEntry_ = false;
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    Fail(std::strerror(errno));
    return;
  }
  if (std::thread::hardware_concurrency() > 1) compressing_.Start();
}

void XlsxZip::Abandon() {
  compressing_.WaitIdle();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void XlsxZip::Fail(const char* what) {
  if (problem_.empty()) problem_ = what;
}

void XlsxZip::Drain() {
  size_t done = 0;
  while (done < used_ && !failed()) {
    ssize_t n = ::write(fd_, out_.data() + done, used_ - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail(n < 0 ? std::strerror(errno) : "nothing was written");
    if (n > 0) done += static_cast<size_t>(n);
  }
  written_ += used_;
  used_ = 0;
}

void XlsxZip::Put(const void* bytes, size_t size) {
  const auto* from = static_cast<const unsigned char*>(bytes);
  while (size > 0) {
    if (used_ == out_.size()) Drain();
    size_t n = std::min(size, out_.size() - used_);
    std::memcpy(out_.data() + used_, from, n);
    used_ += n;
    from += n;
    size -= n;
  }
}

void XlsxZip::BeginEntry(const std::string& name) {
  compressing_.WaitIdle();
  Entry entry;
  entry.name = name;
  entry.offset = written_ + used_;
  entry.crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
  entries_.push_back(std::move(entry));
  // CRC and sizes are patched in at the end of the entry; the zip64 field
  // is always there since a sheet's size is not known at its start.
  std::string header;
  Le32(header, 0x04034b50);
  Le16(header, kVersion);
  Le16(header, 0);  // flags
  Le16(header, Z_DEFLATED);
  Le16(header, 0);
  Le16(header, kDate1980);
  Le32(header, 0);
  Le32(header, 0);
  Le32(header, 0);
  Le16(header, static_cast<uint16_t>(name.size()));
  Le16(header, kLocalExtra);
  header += name;
  Le16(header, 1);
  Le16(header, 16);
  Le64(header, 0);
  Le64(header, 0);
  Put(header.data(), header.size());
  deflateReset(&zip_);
  inEntry_ = true;
}

void XlsxZip::Deflate(int flush) {
  for (;;) {
    if (used_ == out_.size()) Drain();
    zip_.next_out = out_.data() + used_;
    zip_.avail_out = static_cast<uInt>(out_.size() - used_);
    int result = deflate(&zip_, flush);
    used_ = out_.size() - zip_.avail_out;
    if (result == Z_STREAM_END) return;
    if (result != Z_OK && result != Z_BUF_ERROR) {
      Fail("compression failed");
      return;
    }
    if (flush == Z_NO_FLUSH && zip_.avail_in == 0) return;
  }
}

void XlsxZip::Write(std::string& piece) {
  if (!inEntry_) return;
  compressing_.Give(piece);
}

void XlsxZip::Compress(std::string_view bytes) {
  if (failed()) return;
  Entry& entry = entries_.back();
  entry.size += bytes.size();
  while (!bytes.empty()) {
    // zlib counts in 32 bits
    size_t n = std::min<size_t>(bytes.size(), 1u << 30);
    entry.crc = static_cast<uint32_t>(crc32(entry.crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(n)));
    zip_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    zip_.avail_in = static_cast<uInt>(n);
    Deflate(Z_NO_FLUSH);
    bytes.remove_prefix(n);
  }
}

void XlsxZip::EndEntry() {
  if (!inEntry_) return;
  compressing_.WaitIdle();
  inEntry_ = false;
  zip_.next_in = nullptr;
  zip_.avail_in = 0;
  Deflate(Z_FINISH);
  Entry& entry = entries_.back();
  entry.compressed = written_ + used_ - entry.offset - kLocalHeader - entry.name.size() - kLocalExtra;
  Drain();
  Patch(entry);
}

void XlsxZip::Patch(const Entry& entry) {
  std::string sizes;
  Le32(sizes, entry.crc);
  Le32(sizes, Field32(entry.compressed));
  Le32(sizes, Field32(entry.size));
  std::string wide;
  Le64(wide, entry.size);
  Le64(wide, entry.compressed);
  if (failed()) return;
  if (::pwrite(fd_, sizes.data(), sizes.size(), static_cast<off_t>(entry.offset + 14)) != static_cast<ssize_t>(sizes.size()) ||
      ::pwrite(fd_, wide.data(), wide.size(),
               static_cast<off_t>(entry.offset + kLocalHeader + entry.name.size() + 4)) != static_cast<ssize_t>(wide.size()))
    Fail(std::strerror(errno));
}

bool XlsxZip::Finish(std::string& problem) {
  EndEntry();
  compressing_.WaitIdle();
  const uint64_t directoryStart = written_ + used_;
  std::string directory;
  for (const Entry& entry : entries_) {
    const bool wide = entry.size >= kMax32 || entry.compressed >= kMax32 || entry.offset >= kMax32;
    Le32(directory, 0x02014b50);
    Le16(directory, kVersion);
    Le16(directory, wide ? kVersion : 20);
    Le16(directory, 0);
    Le16(directory, Z_DEFLATED);
    Le16(directory, 0);
    Le16(directory, kDate1980);
    Le32(directory, entry.crc);
    Le32(directory, wide ? kMax32 : static_cast<uint32_t>(entry.compressed));
    Le32(directory, wide ? kMax32 : static_cast<uint32_t>(entry.size));
    Le16(directory, static_cast<uint16_t>(entry.name.size()));
    Le16(directory, wide ? 28 : 0);
    Le16(directory, 0);  // comment
    Le16(directory, 0);  // disk
    Le16(directory, 0);  // internal attributes
    Le32(directory, 0);  // external attributes
    Le32(directory, wide ? kMax32 : static_cast<uint32_t>(entry.offset));
    directory += entry.name;
    if (wide) {
      Le16(directory, 1);
      Le16(directory, 24);
      Le64(directory, entry.size);
      Le64(directory, entry.compressed);
      Le64(directory, entry.offset);
    }
  }
  const uint64_t directorySize = directory.size();
  const uint64_t count = entries_.size();
  if (directoryStart >= kMax32 || count >= 0xFFFF) {
    const uint64_t record = directoryStart + directorySize;
    Le32(directory, 0x06064b50);
    Le64(directory, 44);
    Le16(directory, kVersion);
    Le16(directory, kVersion);
    Le32(directory, 0);
    Le32(directory, 0);
    Le64(directory, count);
    Le64(directory, count);
    Le64(directory, directorySize);
    Le64(directory, directoryStart);
    Le32(directory, 0x07064b50);
    Le32(directory, 0);
    Le64(directory, record);
    Le32(directory, 1);
  }
  Le32(directory, 0x06054b50);
  Le16(directory, 0);
  Le16(directory, 0);
  Le16(directory, static_cast<uint16_t>(std::min<uint64_t>(count, 0xFFFF)));
  Le16(directory, static_cast<uint16_t>(std::min<uint64_t>(count, 0xFFFF)));
  Le32(directory, Field32(directorySize));
  Le32(directory, Field32(directoryStart));
  Le16(directory, 0);
  Put(directory.data(), directory.size());
  Drain();
  if (fd_ >= 0 && ::close(fd_) != 0) Fail(std::strerror(errno));
  fd_ = -1;
  problem = problem_;
  return !failed();
}
