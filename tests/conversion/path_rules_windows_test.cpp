// The path rules where "\" and "/" both separate folders, as Windows' file
// API takes either: a "." in a folder's name is never a suffix.
#include <gtest/gtest.h>

#include "conversion/destination_path.h"
#include "conversion/failure_report.h"
#include "printable_text.h"

namespace kalvenix {
namespace {

struct WindowsPath {
  std::u16string source;
  std::u16string destination;
  friend void PrintTo(const WindowsPath& p, std::ostream* os) { *os << Printable(p.source); }
};

class DestinationOnWindowsTest : public testing::TestWithParam<WindowsPath> {};

TEST_P(DestinationOnWindowsTest, Derives) {
  EXPECT_EQ(DestinationPath(GetParam().source, u"PNG"), GetParam().destination);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, DestinationOnWindowsTest,
    testing::Values(
        WindowsPath{u"C:\\Bilder\\urlaub.jpg", u"C:\\Bilder\\urlaub.PNG"},
        WindowsPath{u"C:\\Alte.Bilder\\foto", u"C:\\Alte.Bilder\\foto.PNG"},
        WindowsPath{u"C:/Alte.Bilder/foto", u"C:/Alte.Bilder/foto.PNG"},
        // Mixed, as a path typed by hand may be: the last of either counts.
        WindowsPath{u"C:\\Alte.Bilder/foto", u"C:\\Alte.Bilder/foto.PNG"},
        WindowsPath{u"C:/Alte.Bilder\\foto", u"C:/Alte.Bilder\\foto.PNG"},
        WindowsPath{u"\\\\server\\Fotos.2024\\scan.01.bmp", u"\\\\server\\Fotos.2024\\scan.01.PNG"},
        WindowsPath{u"C:\\Bilder\\Grüße aus Köln.jpeg", u"C:\\Bilder\\Grüße aus Köln.PNG"}));

TEST(FileNameOnWindows, EitherSeparatorEndsTheFolder) {
  EXPECT_EQ(FileNameOf(u"C:\\Bilder\\strand.jpg"), u"strand.jpg");
  EXPECT_EQ(FileNameOf(u"C:\\Bilder/Übersicht.png"), u"Übersicht.png");
  EXPECT_EQ(FileNameOf(u"C:/Bilder\\a.gif"), u"a.gif");
  EXPECT_EQ(FileNameOf(u"C:\\Bilder\\"), u"C:\\Bilder\\");
}

TEST(FileNameOnWindows, ConverterIsADll) { EXPECT_EQ(ConverterFileName(), u"Quorvel.dll"); }

}  // namespace
}  // namespace kalvenix
