#include "conversion/destination_path.h"

#include <gtest/gtest.h>

#include "printable_text.h"

namespace kalvenix {
namespace {

struct Destination {
  std::u16string source;
  std::u16string type;
  std::u16string destination;
  friend void PrintTo(const Destination& d, std::ostream* os) {
    *os << Printable(d.source) << " " << Printable(d.type);
  }
};

class DestinationPathTest : public testing::TestWithParam<Destination> {};

TEST_P(DestinationPathTest, Derives) {
  EXPECT_EQ(DestinationPath(GetParam().source, GetParam().type), GetParam().destination);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, DestinationPathTest,
    testing::Values(
        Destination{u"/bilder/urlaub.jpg", u"PNG", u"/bilder/urlaub.PNG"},
        Destination{u"/bilder/scan.01.bmp", u"PNG", u"/bilder/scan.01.PNG"},
        // A "." only in a folder's name stays in the folder.
        Destination{u"/fotos/alte.bilder/foto", u"PNG", u"/fotos/alte.bilder/foto.PNG"},
        Destination{u"/bilder/foto", u"PNG", u"/bilder/foto.PNG"},
        Destination{u"foto", u"GIF", u"foto.GIF"},
        Destination{u"urlaub.jpg", u"GIF", u"urlaub.GIF"},
        Destination{u"/bilder/logo.JPG", u"JPG", u"/bilder/logo.JPG"},  // equals its source
        Destination{u"/bilder/logo.jpg", u"JPG", u"/bilder/logo.JPG"},
        Destination{u"/bilder/foto.", u"BMP", u"/bilder/foto.BMP"},
        Destination{u"/bilder/.hidden", u"PNG", u"/bilder/.PNG"},
        Destination{u"/bilder/ä ö.jpeg", u"png", u"/bilder/ä ö.png"},  // the type's case is kept
        // Nothing to write: no type chosen, or no source.
        Destination{u"/bilder/urlaub.jpg", u"", u""},
        Destination{u"/bilder/foto", u"", u""},
        Destination{u"", u"PNG", u""}));

}  // namespace
}  // namespace kalvenix
