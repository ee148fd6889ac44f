#include "converter/file/atomic_file.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "converter/file/source_file.h"
#include "picture_checks.h"

namespace quorvel {
namespace {

using testing::FolderEntries;
using testing::ReadBytes;

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder_.empty()); }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  static void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  testing::ScratchFolder scratch_;
  const std::string folder_ = scratch_.path();
};

const std::vector<uint8_t> kBytes = {'n', 'e', 'u', 0, 1, 2};

TEST_F(AtomicFileTest, WritesANewFileAndLeavesNothingElse) {
  ASSERT_TRUE(WriteFileAtomically(Path("a.PNG"), kBytes).ok());
  EXPECT_EQ(ReadBytes(Path("a.PNG")), kBytes);
  EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"a.PNG"});
}

TEST_F(AtomicFileTest, EmptyContentIsAFileToo) {
  ASSERT_TRUE(WriteFileAtomically(Path("leer.BMP"), {}).ok());
  EXPECT_TRUE(ReadBytes(Path("leer.BMP")).empty());
}

TEST_F(AtomicFileTest, MissingFolderFailsCleanly) {
  const Status status = WriteFileAtomically(Path("fehlt/a.PNG"), kBytes);
  EXPECT_EQ(status.code, Error::kCannotWrite);
  EXPECT_TRUE(FolderEntries(folder_).empty());
}

TEST_F(AtomicFileTest, DestinationThatIsAFolderStaysAndNothingIsLeft) {
  ASSERT_TRUE(std::filesystem::create_directory(Path("a.PNG")));
  EXPECT_EQ(WriteFileAtomically(Path("a.PNG"), kBytes).code, Error::kCannotWrite);
  EXPECT_TRUE(std::filesystem::is_directory(Path("a.PNG")));
  EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"a.PNG"});
}

TEST_F(AtomicFileTest, SourceIsReadWholeAndRefusedWhenItIsNoFile) {
  WriteText(Path("q.jpg"), "abc");
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadSourceFile(Path("q.jpg"), &bytes).ok());
  EXPECT_EQ(bytes, (std::vector<uint8_t>{'a', 'b', 'c'}));
  EXPECT_EQ(ReadSourceFile(Path("fehlt.jpg"), &bytes).code, Error::kCannotRead);
  EXPECT_EQ(ReadSourceFile(folder_, &bytes).code, Error::kCannotRead);
  WriteText(Path("leer.jpg"), "");
  ASSERT_TRUE(ReadSourceFile(Path("leer.jpg"), &bytes).ok());
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace quorvel
