// The path rules where "/" alone separates folders: a "\" is part of a name.
#include <gtest/gtest.h>

#include "conversion/destination_path.h"
#include "conversion/failure_report.h"

namespace kalvenix {
namespace {

TEST(PathRulesOnLinux, BackslashIsPartOfTheName) {
  EXPECT_EQ(DestinationPath(u"C:\\Alte.Bilder\\foto", u"PNG"), u"C:\\Alte.PNG");
  EXPECT_EQ(DestinationPath(u"/bilder/a\\b.c\\foto", u"GIF"), u"/bilder/a\\b.GIF");
  EXPECT_EQ(FileNameOf(u"/bilder/alt\\neu.jpg"), u"alt\\neu.jpg");
}

TEST(PathRulesOnLinux, ConverterIsASharedObject) { EXPECT_EQ(ConverterFileName(), u"Quorvel.so"); }

}  // namespace
}  // namespace kalvenix
