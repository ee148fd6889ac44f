#include "hostile_support.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QString>

namespace hostile {

namespace fs = std::filesystem;

std::string RegressionPath(const std::string& relative) {
  return std::string(KALVENIX_FUZZ_REGRESSIONS_DIR) + "/" + relative;
}

std::string ComponentPath() { return KALVENIX_QUORVEL_PATH; }

std::vector<ManifestEntry> ReadManifest() {
  std::vector<ManifestEntry> entries;
  std::ifstream in(TestdataPath("manifest.tsv"));
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream columns(line);
    std::string field;
    while (std::getline(columns, field, '\t')) fields.push_back(field);
    if (fields.size() < 6) continue;
    ManifestEntry entry;
    entry.path = fields[0];
    entry.width = fields[2] == "-" ? 0 : std::atoi(fields[2].c_str());
    entry.height = fields[3] == "-" ? 0 : std::atoi(fields[3].c_str());
    entry.expect = fields[4];
    entry.note = fields.size() > 6 ? fields[6] : "";
    entries.push_back(entry);
  }
  return entries;
}

std::string IdentifierFrom(const std::string& text) {
  std::string name;
  for (const char c : text) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

void PrintTo(const ManifestEntry& entry, std::ostream* out) {
  *out << entry.path << " (" << entry.expect << ")";
}

ScratchFolder::ScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "kalvenix-hostile-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  std::error_code ec;
  fs::remove_all(path_, ec);
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

std::string MadeJpeg() {
  QImage image(96, 64, QImage::Format_RGB888);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 2, y * 3, (x + y) % 256));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 90);
  return bytes.toStdString();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

FolderContents ListFolder(const std::string& path) {
  FolderContents contents;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(path, ec)) {
    const std::string name = entry.path().filename().string();
    contents[name] = entry.is_directory(ec) ? "<dir>" : ReadFile(entry.path().string());
  }
  return contents;
}

std::string DescribeDifference(const FolderContents& before, const FolderContents& after) {
  std::string out;
  for (const auto& [name, bytes] : after) {
    const auto old = before.find(name);
    if (old == before.end())
      out += "  new: " + name + " (" + std::to_string(bytes.size()) + " bytes)\n";
    else if (old->second != bytes)
      out += "  changed: " + name + "\n";
  }
  for (const auto& [name, bytes] : before) {
    if (!after.contains(name)) out += "  gone: " + name + "\n";
  }
  return out.empty() ? "  (none)\n" : out;
}

FileStamp StampOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  return FileStamp{true, static_cast<int64_t>(st.st_size),
                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

Probe ProbePicture(const std::string& path) {
  Probe probe;
  QImageReader reader(QString::fromStdString(path));
  reader.setDecideFormatFromContent(true);
  // Asked before reading: afterwards the reader has let go of the file.
  const QByteArray format = reader.format();
  const QImage image = reader.read();
  if (image.isNull()) {
    probe.error = reader.errorString().toStdString();
    return probe;
  }
  probe.ok = true;
  probe.format = format.toStdString();
  probe.width = image.width();
  probe.height = image.height();
  return probe;
}

Size FittedSize(int32_t width, int32_t height, int32_t box_width, int32_t box_height) {
  if (width <= 0 || height <= 0) return {};
  if (box_width <= 0 && box_height <= 0) return {width, height};
  double scale = 0;
  if (box_width <= 0)
    scale = static_cast<double>(box_height) / height;
  else if (box_height <= 0)
    scale = static_cast<double>(box_width) / width;
  else
    scale = std::min(static_cast<double>(box_width) / width,
                     static_cast<double>(box_height) / height);
  const auto side = [scale](int32_t n) {
    return std::max<int32_t>(1, static_cast<int32_t>(std::lround(n * scale)));
  };
  return {side(width), side(height)};
}

bool NearlyEqual(Size a, Size b) {
  return std::abs(a.width - b.width) <= 1 && std::abs(a.height - b.height) <= 1;
}

}  // namespace hostile
