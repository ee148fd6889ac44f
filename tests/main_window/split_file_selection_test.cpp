#include "main_window/split_file_selection.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <ostream>
#include <string>
#include <vector>

#include "platform/system_paths.h"

namespace kalvenix {
namespace {

struct SplitCase {
  const char* name;
  std::u16string file_name;
  std::vector<std::u16string> paths;
};

// The dialog's result in its two forms; "\0" inside a u16string literal needs
// the explicit length that operator""s gives.
using namespace std::string_literals;

// In the expected paths "|" stands for the system's separator, the one the
// function adds between folder and name.
const SplitCase kCases[] = {
    {"SeveralFiles", u"/bilder\0a.jpg\0b.png"s, {u"/bilder|a.jpg", u"/bilder|b.png"}},
    {"OneFile", u"/bilder/a.jpg"s, {u"/bilder/a.jpg"}},
    {"RootFolder", u"/\0a.jpg"s, {u"/|a.jpg"}},
    {"EmptyName", u"/bilder\0a.jpg\0\0b.png"s, {u"/bilder|a.jpg", u"/bilder|", u"/bilder|b.png"}},
    {"FolderWithTrailingNul", u"/bilder\0"s, {u"/bilder|"}},
    {"EmptyFolder", u"\0a.jpg"s, {u"|a.jpg"}},
    {"EmptyResult", u""s, {u""}},
    {"NamesKeptAsDelivered", u"/b ilder/\0 a.jpg \0x\\y"s, {u"/b ilder/| a.jpg ", u"/b ilder/|x\\y"}},
    {"UmlautsAndSpaces", u"/Größe\0Überblick 1.gif"s, {u"/Größe|Überblick 1.gif"}},
    {"OnlyNuls", u"\0\0"s, {u"|", u"|"}},
};

std::vector<std::u16string> WithSeparator(std::vector<std::u16string> paths) {
  for (std::u16string& path : paths) std::replace(path.begin(), path.end(), u'|', FolderSeparator());
  return paths;
}

void PrintTo(const SplitCase& split_case, std::ostream* out) { *out << split_case.name; }

class SplitFileSelectionTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitFileSelectionTest, GivesTheFullPathsInOrder) {
  EXPECT_EQ(SplitFileSelection(GetParam().file_name), WithSeparator(GetParam().paths));
}

INSTANTIATE_TEST_SUITE_P(DialogResults, SplitFileSelectionTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

TEST(SplitFileSelectionTest, ManyNamesKeepTheirOrder) {
  std::u16string file_name = u"/f";
  std::vector<std::u16string> expected;
  for (int i = 0; i < 2000; ++i) {
    const std::u16string name = u"n" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                                std::u16string(i / 26 + 1, u'x');
    file_name += u'\0' + name;
    expected.push_back(u"/f|" + name);
  }
  EXPECT_EQ(SplitFileSelection(file_name), WithSeparator(expected));
}

}  // namespace
}  // namespace kalvenix
