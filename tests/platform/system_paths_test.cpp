#include "platform/system_paths.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace kalvenix {
namespace {

TEST(SystemPaths, ExecutableFolderHoldsThisTest) {
  const std::u16string folder = ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_FALSE(IsFolderSeparator(folder.back()));
  const std::u16string self =
      folder + FolderSeparator() + u"platform_tests" + (LibrarySuffix() == u".dll" ? u".exe" : u"");
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(self)));
}

TEST(SystemPaths, TheJoiningSeparatorSeparates) {
  EXPECT_TRUE(IsFolderSeparator(FolderSeparator()));
  EXPECT_TRUE(IsFolderSeparator(u'/'));  // every system we build for takes "/"
  EXPECT_FALSE(IsFolderSeparator(u'.'));
  EXPECT_FALSE(IsFolderSeparator(u':'));
}

}  // namespace
}  // namespace kalvenix
