// OLE objects as Access stores them in OLE columns: a storage header naming
// the object, then an OLE 1.0 stream whose native data is the file itself
// (bitmaps, PDF documents) or a package holding a file and its name.
#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/support/page_file.h"
#include "tests/support/test_db_builder.h"

namespace testdb {
namespace {

void AppendText(std::vector<uint8_t>& out, const std::string& s, bool terminate = true) {
  out.insert(out.end(), s.begin(), s.end());
  if (terminate) out.push_back(0);
}

// objectName is what readers compare at offset 20 ("Bitmap Image", ...);
// className the program that made it; ole1Class the class of the OLE 1.0 stream.
std::vector<uint8_t> OleObject(const std::string& objectName, const std::string& className,
                               const std::string& ole1Class, const std::vector<uint8_t>& native) {
  constexpr uint32_t kNamesAt = 20;
  uint32_t nameSize = static_cast<uint32_t>(objectName.size() + 1);
  uint32_t classSize = static_cast<uint32_t>(className.size() + 1);
  uint32_t headerSize = kNamesAt + nameSize + classSize;
  std::vector<uint8_t> out;
  AppendU16(out, 0x1C15);
  AppendU16(out, headerSize);
  AppendU32(out, 2);  // embedded
  AppendU16(out, nameSize);
  AppendU16(out, classSize);
  AppendU16(out, kNamesAt);
  AppendU16(out, kNamesAt + nameSize);
  AppendU32(out, 0xFFFFFFFF);
  AppendText(out, objectName);
  AppendText(out, className);

  AppendU32(out, 0x0501);  // OLE 1.0 version
  AppendU32(out, 2);       // embedded
  AppendU32(out, static_cast<uint32_t>(ole1Class.size() + 1));
  AppendText(out, ole1Class);
  AppendU32(out, 0);  // topic
  AppendU32(out, 0);  // item
  AppendU32(out, static_cast<uint32_t>(native.size()));
  out.insert(out.end(), native.begin(), native.end());
  return out;
}

}  // namespace

std::vector<uint8_t> OleBitmap(const std::vector<uint8_t>& bmpFile) {
  return OleObject("Bitmap Image", "Paint.Picture", "PBrush", bmpFile);
}

std::vector<uint8_t> OleAcrobat(const std::vector<uint8_t>& pdfFile) {
  return OleObject("Acrobat Document", "AcroExch.Document.7", "AcroExch.Document.7", pdfFile);
}

std::vector<uint8_t> OlePackage(const std::string& fileName, const std::vector<uint8_t>& fileBytes) {
  std::string sourcePath = "C:\\Documents\\" + fileName;
  std::string tempPath = "C:\\Temp\\" + fileName;
  std::vector<uint8_t> native;
  AppendU16(native, 2);
  AppendText(native, fileName);
  AppendText(native, sourcePath);
  AppendU16(native, 0);
  AppendU16(native, 3);
  AppendU32(native, static_cast<uint32_t>(tempPath.size() + 1));
  AppendText(native, tempPath);
  AppendU32(native, static_cast<uint32_t>(fileBytes.size()));
  native.insert(native.end(), fileBytes.begin(), fileBytes.end());
  return OleObject("Package", "Package", "Package", native);
}

std::vector<uint8_t> MakeBmp(int width, int height) {
  uint32_t rowSize = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
  uint32_t pixelBytes = rowSize * static_cast<uint32_t>(height);
  std::vector<uint8_t> out = {'B', 'M'};
  AppendU32(out, 54 + pixelBytes);
  AppendU32(out, 0);
  AppendU32(out, 54);
  AppendU32(out, 40);
  AppendU32(out, static_cast<uint32_t>(width));
  AppendU32(out, static_cast<uint32_t>(height));
  AppendU16(out, 1);
  AppendU16(out, 24);
  AppendU32(out, 0);
  AppendU32(out, pixelBytes);
  AppendU32(out, 2835);
  AppendU32(out, 2835);
  AppendU32(out, 0);
  AppendU32(out, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      out.push_back(static_cast<uint8_t>(x * 255 / std::max(width, 1)));
      out.push_back(static_cast<uint8_t>(y * 255 / std::max(height, 1)));
      out.push_back(static_cast<uint8_t>((x ^ y) & 0xFF));
    }
    out.resize(out.size() + rowSize - static_cast<uint32_t>(width) * 3, 0);
  }
  return out;
}

std::vector<uint8_t> MakePdf(size_t minSize) {
  std::string text = "BT /F1 24 Tf 72 720 Td (Brevantis test document) Tj ET\n";
  // Pad the page's content with comment lines until the file is big enough.
  std::string padding;
  constexpr size_t kBaseSize = 600;
  for (size_t line = 0; kBaseSize + text.size() + padding.size() < minSize; ++line) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "%% padding line %08zu .................................\n", line);
    padding += buf;
  }
  std::string content = text + padding;
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  };
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%010zu 00000 n \n", offset);
    pdf += buf;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return std::vector<uint8_t>(pdf.begin(), pdf.end());
}

}  // namespace testdb
