// Every test picture through the real component, to every output type, each
// conversion in a child process of its own.
//
// The manifest's expectation decides: a `reject` file fails with an error and
// leaves its folder as it was; a `decode` file converts and its output reads
// back at the fitted size; an `either` file may do either. No file may crash,
// hang or leak, and every hostile or rejected file stays under 2 s and
// 512 MiB.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "hostile_support.h"
#include "isolated_conversion.h"

namespace hostile {
namespace {

constexpr int32_t kBoxWidth = 160;
constexpr int32_t kBoxHeight = 120;
constexpr double kHostileMillis = 2000;
constexpr long kHostilePeakKib = 512 * 1024;
// A hang is what this catches; speed is the bench's business.
constexpr int kHardLimitSeconds = 60;

const std::string kKeepName = "andere Datei.txt";
const std::string kKeepBytes = "belongs to the user";
const std::string kOldDestinationBytes = "an earlier conversion";

bool Bounded(const ManifestEntry& entry) {
  return entry.path.starts_with("hostile/") || entry.expect == "reject";
}

std::string StemOf(const std::string& path) {
  const std::string name = path.substr(path.find_last_of('/') + 1);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// The sizes the upright source may have. The manifest gives the stored size;
// the EXIF files 5 to 8 store their picture turned by a quarter, and a GIF may
// be written at its logical screen rather than its first frame's size.
std::vector<Size> UprightSizes(const ManifestEntry& entry) {
  if (entry.width <= 0 || entry.height <= 0) return {};
  std::vector<Size> sizes{{entry.width, entry.height}};
  const std::string name = entry.path.substr(entry.path.find_last_of('/') + 1);
  if (entry.path.starts_with("exif/") && name.size() > 6) {
    const char turn = name[name.size() - 5];  // "Landscape_6.jpg"
    if (turn >= '5' && turn <= '8') sizes = {{entry.height, entry.width}};
  }
  const std::string head = ReadFile(TestdataPath(entry.path)).substr(0, 10);
  if (head.size() == 10 && head.starts_with("GIF")) {
    const auto byte = [&head](int i) { return static_cast<unsigned char>(head[i]); };
    sizes.push_back({byte(6) | byte(7) << 8, byte(8) | byte(9) << 8});
  }
  return sizes;
}

class ManifestTest : public testing::TestWithParam<ManifestEntry> {
 protected:
  static void SetUpTestSuite() {
    const std::string error = RegisterComponent(ComponentPath());
    ASSERT_EQ(error, "");
  }

  // What a successful conversion must have left: the old folder plus the
  // destination, which reads back as the type it claims at the size convertEx
  // reported.
  void ExpectWritten(const FolderContents& before, const FolderContents& after,
                     const std::string& destination, const std::string& name,
                     const OutputType& type, const ConvertOutcome& outcome) {
    FolderContents expected = before;
    expected.erase(name);
    FolderContents rest = after;
    rest.erase(name);
    EXPECT_TRUE(after.contains(name)) << "no destination written";
    EXPECT_EQ(rest, expected) << "besides the destination:\n" << DescribeDifference(expected, rest);
    const Probe probe = ProbePicture(destination);
    ASSERT_TRUE(probe.ok) << "the output does not read back: " << probe.error;
    std::string format = std::string(type.suffix) == "JPG" ? "jpeg" : type.suffix;
    for (char& c : format) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(probe.format, format);
    EXPECT_EQ(probe.width, outcome.width);
    EXPECT_EQ(probe.height, outcome.height);
    EXPECT_LE(probe.width, kBoxWidth);
    EXPECT_LE(probe.height, kBoxHeight);
  }
};

TEST_P(ManifestTest, ConvertsAsTheManifestExpects) {
  const ManifestEntry& entry = GetParam();
  const std::string source = TestdataPath(entry.path);
  const FileStamp source_stamp = StampOf(source);
  ASSERT_TRUE(source_stamp.exists) << source;

  for (const OutputType& type : kOutputTypes) {
    SCOPED_TRACE(type.suffix);
    ScratchFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::string name = StemOf(entry.path) + "." + type.suffix;
    const std::string destination = folder.Child(name);
    // Half the types meet an earlier output that a failure must not touch.
    ASSERT_TRUE(WriteFile(folder.Child(kKeepName), kKeepBytes));
    if (type.quality != 100 || type.transparency) {
      ASSERT_TRUE(WriteFile(destination, kOldDestinationBytes));
    }
    const FolderContents before = ListFolder(folder.path());

    const ConvertOutcome outcome = ConvertIsolated(
        {source, destination, kBoxWidth, kBoxHeight, type.transparency, type.quality}, {},
        kHardLimitSeconds);
    ASSERT_EQ(outcome.end, ChildEnd::kReturned) << outcome.Describe();
    EXPECT_EQ(StampOf(source), source_stamp) << "the source was touched";
    if (Bounded(entry)) {
      EXPECT_LT(outcome.call_ms, kHostileMillis) << outcome.Describe();
      EXPECT_LT(outcome.peak_kib, kHostilePeakKib) << outcome.Describe();
    }

    const FolderContents after = ListFolder(folder.path());
    const bool must_fail = entry.expect == "reject";
    const bool must_convert = entry.expect == "decode";
    if (must_fail) {
      EXPECT_TRUE(outcome.FailedCleanly()) << outcome.Describe();
    }
    if (must_convert) {
      EXPECT_TRUE(outcome.Succeeded()) << outcome.Describe();
    }

    if (outcome.Succeeded()) {
      ExpectWritten(before, after, destination, name, type, outcome);
      const std::vector<Size> sources = UprightSizes(entry);
      if (must_convert && !sources.empty()) {
        bool fitted = false;
        for (const Size& size : sources)
          fitted = fitted || NearlyEqual({outcome.width, outcome.height},
                                         FittedSize(size.width, size.height, kBoxWidth,
                                                    kBoxHeight));
        EXPECT_TRUE(fitted) << outcome.Describe() << "; stored size " << entry.width << "x"
                            << entry.height;
      }
    } else {
      EXPECT_NE(outcome.message, "") << "a failure without a message";
      EXPECT_EQ(after, before) << "a failed conversion changed its folder:\n"
                               << DescribeDifference(before, after);
    }
  }
}

std::string TestName(const testing::TestParamInfo<ManifestEntry>& info) {
  static std::set<std::string> used;
  std::string name = IdentifierFrom(info.param.path);
  if (!used.insert(name).second) name += "_" + std::to_string(info.index);
  return name;
}

INSTANTIATE_TEST_SUITE_P(Testdata, ManifestTest, testing::ValuesIn(ReadManifest()), TestName);

TEST(ManifestFile, ListsTheWholeCollection) {
  // A missing or misread manifest must not pass as "no cases".
  const std::vector<ManifestEntry> entries = ReadManifest();
  EXPECT_GE(entries.size(), 400u);
  int rejects = 0;
  for (const ManifestEntry& entry : entries) rejects += entry.expect == "reject";
  EXPECT_GE(rejects, 30);
}

}  // namespace
}  // namespace hostile
