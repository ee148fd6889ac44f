// Every test picture through the real component, to every output type, each
// conversion in a child process of its own.
//
// The manifest's expectation decides: a `reject` file fails with an error and
// leaves its folder as it was; a `decode` file converts and its output reads
// back at the fitted size; an `either` file may do either. No file may crash,
// hang or leak, and every hostile or rejected file stays under 2 s of CPU
// time and 512 MiB.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "hostile_support.h"
#include "isolated_conversion.h"

namespace hostile {
namespace {

constexpr int32_t kBoxWidth = 160;
constexpr int32_t kBoxHeight = 120;
// CPU time of one call in the child, all its threads: a decoder walking a
// huge declared size or doing quadratic work spends far more, a busy machine
// adds nothing to it.
constexpr double kHostileCpuMs = 2000;
constexpr long kHostilePeakKib = 512 * 1024;
// For the four conversions of one file together: only a hang meets it;
// speed is the bench's business.
constexpr int kHungSeconds = 180;

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
  static void ExpectWritten(const FolderContents& before, const FolderContents& after,
                            const std::string& destination, const std::string& name,
                            const OutputType& type, const ConvertExResult& call) {
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
    EXPECT_EQ(probe.width, call.width);
    EXPECT_EQ(probe.height, call.height);
    EXPECT_LE(probe.width, kBoxWidth);
    EXPECT_LE(probe.height, kBoxHeight);
  }
};

TEST_P(ManifestTest, ConvertsAsTheManifestExpects) {
  KALVENIX_REQUIRE_TESTDATA();
  const ManifestEntry& entry = GetParam();
  const std::string source = TestdataPath(entry.path);
  const FileStamp source_stamp = StampOf(source);
  ASSERT_TRUE(source_stamp.exists) << source;

  // One child converts the file to every type: its peak is the file's.
  constexpr size_t kTypes = std::size(kOutputTypes);
  ScratchFolder folders[kTypes];
  std::string names[kTypes];
  FolderContents before[kTypes];
  std::vector<ConvertExRequest> calls;
  for (size_t i = 0; i < kTypes; ++i) {
    const OutputType& type = kOutputTypes[i];
    ASSERT_FALSE(folders[i].path().empty());
    names[i] = StemOf(entry.path) + "." + type.suffix;
    const std::string destination = folders[i].Child(names[i]);
    // Half the types meet an earlier output that a failure must not touch.
    ASSERT_TRUE(WriteFile(folders[i].Child(kKeepName), kKeepBytes));
    if (type.quality != 100 || type.transparency) {
      ASSERT_TRUE(WriteFile(destination, kOldDestinationBytes));
    }
    before[i] = ListFolder(folders[i].path());
    calls.push_back({source, destination, kBoxWidth, kBoxHeight, type.transparency,
                     type.quality});
  }

  const ChildOutcome child = ConvertIsolated(calls, {}, kHungSeconds);
  ASSERT_EQ(child.end, ChildEnd::kReturned) << child.Describe();
  ASSERT_EQ(child.calls.size(), kTypes);
  EXPECT_EQ(StampOf(source), source_stamp) << "the source was touched";
  if (Bounded(entry)) {
    EXPECT_LT(child.peak_kib, kHostilePeakKib) << child.Describe();
  }

  double slowest_cpu_ms = 0;
  for (size_t i = 0; i < kTypes; ++i) {
    const OutputType& type = kOutputTypes[i];
    const ConvertExResult& call = child.calls[i];
    SCOPED_TRACE(std::string(type.suffix) + ": " + DescribeCall(call));
    slowest_cpu_ms = std::max(slowest_cpu_ms, call.cpu_ms);
    if (Bounded(entry)) {
      EXPECT_LT(call.cpu_ms, kHostileCpuMs);
    }
    if (entry.expect == "reject") {
      EXPECT_NE(call.status, 0) << "converted a file to reject";
    }
    if (entry.expect == "decode") {
      EXPECT_EQ(call.status, 0) << "refused a file to convert";
    }

    const FolderContents after = ListFolder(folders[i].path());
    if (call.status == 0) {
      ExpectWritten(before[i], after, folders[i].Child(names[i]), names[i], type, call);
      const std::vector<Size> sources = UprightSizes(entry);
      if (entry.expect == "decode" && !sources.empty()) {
        bool fitted = false;
        for (const Size& size : sources)
          fitted = fitted || NearlyEqual({call.width, call.height},
                                         FittedSize(size.width, size.height, kBoxWidth,
                                                    kBoxHeight));
        EXPECT_TRUE(fitted) << "stored size " << entry.width << "x" << entry.height;
      }
    } else {
      EXPECT_NE(call.message, "") << "a failure without a message";
      EXPECT_EQ(after, before[i]) << "a failed conversion changed its folder:\n"
                                  << DescribeDifference(before[i], after);
    }
  }
  // In the test report (--gtest_output=xml), for the note on the limits.
  RecordProperty("slowest_cpu_ms", static_cast<int>(slowest_cpu_ms));
  RecordProperty("peak_kib", static_cast<int>(child.peak_kib));
}

std::string TestName(const testing::TestParamInfo<ManifestEntry>& info) {
  static std::set<std::string> used;
  std::string name = IdentifierFrom(info.param.path);
  if (!used.insert(name).second) name += "_" + std::to_string(info.index);
  return name;
}

// Without the pictures there is no manifest: one placeholder case, which the
// test's guard skips, stands in for its lines.
std::vector<ManifestEntry> ManifestCases() {
  std::vector<ManifestEntry> entries = ReadManifest();
  if (entries.empty()) {
    ManifestEntry placeholder;
    placeholder.path = kalvenix::testing::kMissingTestdataCase;
    entries.push_back(placeholder);
  }
  return entries;
}

INSTANTIATE_TEST_SUITE_P(Testdata, ManifestTest, testing::ValuesIn(ManifestCases()), TestName);

TEST(ManifestFile, ListsTheWholeCollection) {
  KALVENIX_REQUIRE_TESTDATA();
  // A missing or misread manifest must not pass as "no cases".
  const std::vector<ManifestEntry> entries = ReadManifest();
  EXPECT_GE(entries.size(), 400u);
  int rejects = 0;
  for (const ManifestEntry& entry : entries) rejects += entry.expect == "reject";
  EXPECT_GE(rejects, 30);
}

}  // namespace
}  // namespace hostile
