#include "manifest.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "testdata.h"

namespace kalvenix::testing {

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

void PrintTo(const ManifestEntry& entry, std::ostream* out) {
  *out << entry.path << " (" << entry.expect << ")";
}

std::string IdentifierFrom(const std::string& text) {
  std::string name;
  for (const char c : text) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

}  // namespace kalvenix::testing
