// Quorvel.so through the real runtime and a real dlopen, called exactly as
// the batch calls it.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <QBuffer>
#include <QImage>
#include <QString>
#include <gtest/gtest.h>

#include "convert_ex.h"
#include "converter/base/error.h"
#include "picture_checks.h"
#include "platform/component_object.h"
#include "testdata.h"

namespace quorvel {
namespace {

using kalvenix::CallOutcome;
using kalvenix::ComponentObject;
using kalvenix::testing::ConvertExResult;
using testing::FolderEntries;

const std::string kData = kalvenix::testing::TestdataDir();
const std::string kPhoto = kData + "/photos/sunset_by_Aitzol_Berasategi.jpg";

class ComponentTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Self-registration, as the program does it when creation first fails.
    ASSERT_EQ(kalvenix::testing::RegisterComponent(QUORVEL_PATH), "");
    library_ = dlopen(QUORVEL_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library_, nullptr) << dlerror();
  }

  void SetUp() override { ASSERT_FALSE(folder_.empty()); }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  // The batch's call: source by value, the rest by reference.
  static ConvertExResult ConvertEx(const std::string& source, const std::string& destination,
                                   int32_t width, int32_t height, bool transparency = false,
                                   int32_t quality = 100) {
    return kalvenix::testing::ConvertEx(
        {source, destination, width, height, transparency, quality});
  }

  static void* library_;
  testing::ScratchFolder scratch_;
  const std::string folder_ = scratch_.path();
};

void* ComponentTest::library_ = nullptr;

// The photo (4272 x 2848) into 640 x 480 gives 640 x 427. The reference is
// the full decode by Qt reduced by Qt's area-averaging smooth scaling, a
// filter of its own. Measure: PSNR over RGB. Our outputs reach about 45 dB
// (PNG, BMP), 44 dB (JPG at quality 100) and 37 dB (GIF, dithered); the
// thresholds leave room for decoder differences, while a shift by one pixel,
// swapped channels or a wrong orientation fall far below them.
struct TypeCase {
  const char* suffix;
  double min_psnr;
};

class PhotoToEachTypeTest : public ComponentTest,
                            public ::testing::WithParamInterface<TypeCase> {};

TEST_P(PhotoToEachTypeTest, HasTheFittedSizeAndStaysCloseToTheReference) {
  KALVENIX_REQUIRE_TESTDATA();
  static const QImage reference_full(QString::fromStdString(kPhoto));
  ASSERT_FALSE(reference_full.isNull());
  const std::string destination = Path(std::string("sunset.") + GetParam().suffix);
  const ConvertExResult c = ConvertEx(kPhoto, destination, 640, 480);
  ASSERT_TRUE(c.ok()) << c.status << " "
                              << c.message;
  EXPECT_EQ(c.width, 640);
  EXPECT_EQ(c.height, 427);
  auto written = testing::DecodeFileWithQt(destination);
  ASSERT_TRUE(written.has_value());
  ASSERT_EQ(written->width, 640u);
  ASSERT_EQ(written->height, 427u);
  const QImage scaled = reference_full.scaled(640, 427, Qt::IgnoreAspectRatio,
                                              Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB888);
  auto reference = testing::DecodeWithQt([&] {
    QByteArray png;
    QBuffer buffer(&png);
    scaled.save(&buffer, "PNG");
    return std::vector<uint8_t>(png.begin(), png.end());
  }());
  ASSERT_TRUE(reference.has_value());
  const double psnr = testing::Psnr(*written, *reference);
  RecordProperty("psnr", std::to_string(psnr));
  EXPECT_GE(psnr, GetParam().min_psnr);
  EXPECT_EQ(FolderEntries(folder_).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Types, PhotoToEachTypeTest,
                         ::testing::Values(TypeCase{"JPG", 40.0}, TypeCase{"PNG", 40.0},
                                           TypeCase{"BMP", 40.0}, TypeCase{"GIF", 33.0}),
                         [](const auto& info) { return std::string(info.param.suffix); });

TEST_F(ComponentTest, FreeSidesKeepTheOriginalSize) {
  KALVENIX_REQUIRE_TESTDATA();
  const ConvertExResult c = ConvertEx(kData + "/jpeg/testorig.jpg", Path("a.png"), 0, -1);
  ASSERT_TRUE(c.ok());
  EXPECT_EQ(c.width, 227);
  EXPECT_EQ(c.height, 149);
}

TEST_F(ComponentTest, BrokenSourcesFailWithAMessageAndLeaveNoFile) {
  KALVENIX_REQUIRE_TESTDATA();
  for (const char* name : {"hostile/made/empty.png", "hostile/made/not-an-image.png",
                           "hostile/made/truncated-header-only.jpg", "pngsuite/xcrn0g04.png",
                           "photos/does-not-exist.jpg"}) {
    for (const char* suffix : {"JPG", "PNG", "GIF", "BMP"}) {
      const std::string destination = Path(std::string("out.") + suffix);
      const ConvertExResult c = ConvertEx(kData + "/" + name, destination, 640, 480);
      EXPECT_GE(c.status, COMP_E_COMPONENT_FIRST) << name;
      EXPECT_FALSE(c.message.empty()) << name;
      EXPECT_EQ(c.width, 640) << "the size is written back only on success";
      EXPECT_TRUE(FolderEntries(folder_).empty()) << name << " -> " << suffix;
    }
  }
}

TEST_F(ComponentTest, FailedConversionLeavesTheExistingDestinationAlone) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::string destination = Path("alt.JPG");
  std::ofstream(destination) << "altes Bild";
  const ConvertExResult c = ConvertEx(kData + "/hostile/made/truncated-header-only.jpg", destination,
                                640, 480);
  EXPECT_FALSE(c.ok());
  const std::vector<uint8_t> content = testing::ReadBytes(destination);
  EXPECT_EQ(std::string(content.begin(), content.end()), "altes Bild");
}

// A camera's picture, made here: 800 x 600, JPEG.
void MakePhoto(const std::string& path) {
  QImage image(800, 600, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, 90));
  }
  ASSERT_TRUE(image.save(QString::fromStdString(path), "JPEG", 90));
}

// "DSC0001.JPG" to "JPG" names the source itself; so do other spellings and
// links. Each is refused before anything is written: the original keeps
// every byte and no temporary is left.
TEST_F(ComponentTest, DestinationThatIsTheSourceIsRefusedAndTheOriginalStays) {
  const std::string source = Path("DSC0001.JPG");
  MakePhoto(source);
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  ASSERT_EQ(link(source.c_str(), Path("hardlink.JPG").c_str()), 0);
  ASSERT_EQ(symlink("DSC0001.JPG", Path("symlink.JPG").c_str()), 0);
  const std::vector<uint8_t> original = testing::ReadBytes(source);
  const std::vector<std::string> entries = FolderEntries(folder_);
  struct Naming {
    const char* what;
    std::string source;
    std::string destination;
  };
  for (const Naming& n : {Naming{"same path", source, source},
                          Naming{"./ in the path", source, folder_ + "/./DSC0001.JPG"},
                          Naming{"../ in the path", source, folder_ + "/sub/../DSC0001.JPG"},
                          Naming{"hard link", source, Path("hardlink.JPG")},
                          Naming{"symbolic link to the source", source, Path("symlink.JPG")},
                          Naming{"source opened through a link", Path("symlink.JPG"), source}}) {
    SCOPED_TRACE(n.what);
    const ConvertExResult c = ConvertEx(n.source, n.destination, 640, 480, false, 85);
    EXPECT_EQ(c.status, static_cast<CompStatus>(Error::kDestinationIsSource));
    EXPECT_EQ(c.message
                  .rfind("Das Ziel ist die Quelldatei selbst; das Original bleibt unverändert", 0),
              0u)
        << c.message;
    EXPECT_EQ(c.width, 640) << "the size is written back only on success";
    EXPECT_TRUE(testing::ReadBytes(source) == original);
    EXPECT_EQ(FolderEntries(folder_), entries);
  }
}

// The refusal is about identity, not likeness: a byte-for-byte copy of the
// source under a name differing only in case is another file here and is
// replaced, atomically, as any earlier conversion is.
TEST_F(ComponentTest, AnotherFileAtTheDestinationIsStillReplaced) {
  const std::string source = Path("foto.jpg");
  MakePhoto(source);
  const std::vector<uint8_t> original = testing::ReadBytes(source);
  for (const char* earlier : {"copy", "text"}) {
    SCOPED_TRACE(earlier);
    if (std::string(earlier) == "copy") {
      std::filesystem::copy_file(source, Path("foto.JPG"),
                                 std::filesystem::copy_options::overwrite_existing);
      std::filesystem::last_write_time(Path("foto.JPG"),
                                       std::filesystem::last_write_time(source));
    } else {
      std::ofstream(Path("foto.JPG"), std::ios::trunc) << "altes Bild";
    }
    const ConvertExResult c = ConvertEx(source, Path("foto.JPG"), 640, 480, false, 85);
    ASSERT_TRUE(c.ok()) << c.message;
    auto written = testing::DecodeFileWithQt(Path("foto.JPG"));
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->width, 640u);
    EXPECT_EQ(written->height, 480u);
    EXPECT_TRUE(testing::ReadBytes(source) == original);
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"foto.JPG", "foto.jpg"}));
  }
}

TEST_F(ComponentTest, SourcesAreRecognisedByContentNotByName) {
  KALVENIX_REQUIRE_TESTDATA();
  const ConvertExResult c = ConvertEx(kData + "/hostile/made/png-data-named.jpg", Path("a.BMP"), 64, 64);
  ASSERT_TRUE(c.ok()) << c.message;
  EXPECT_TRUE(testing::DecodeFileWithQt(Path("a.BMP")).has_value());
}

TEST_F(ComponentTest, UnknownSuffixIsRefusedBeforeAnythingIsRead) {
  const ConvertExResult c = ConvertEx(kPhoto, Path("sunset.TIF"), 640, 480);
  EXPECT_EQ(c.status, static_cast<CompStatus>(Error::kUnknownSuffix));
  EXPECT_EQ(c.message.rfind(
                "Unbekannter Zieldateityp", 0),
            0u);
  EXPECT_TRUE(FolderEntries(folder_).empty());
}

TEST_F(ComponentTest, PictureWithTransparencyKeepsItInPngAndGif) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::string source = kData + "/photos/MATE-Stripes-Light.png";
  ASSERT_TRUE(ConvertEx(source, Path("a.PNG"), 320, 240).ok());
  ASSERT_TRUE(ConvertEx(source, Path("a.GIF"), 320, 240, true).ok());
  ASSERT_TRUE(ConvertEx(source, Path("b.GIF"), 320, 240, false).ok());
  EXPECT_TRUE(QImage(QString::fromStdString(Path("a.PNG"))).hasAlphaChannel());
  EXPECT_TRUE(QImage(QString::fromStdString(Path("a.GIF"))).hasAlphaChannel());
  auto flat = testing::DecodeFileWithQt(Path("b.GIF"));
  ASSERT_TRUE(flat.has_value());
  for (size_t i = 3; flat->channels == 4 && i < flat->pixels.size(); i += 4) {
    ASSERT_EQ(flat->pixels[i], 255);
  }
}

TEST_F(ComponentTest, UnregisteringRemovesTheClassUntilItRegistersAgain) {
  auto unregister_server =
      reinterpret_cast<CompRegisterServerFn>(dlsym(library_, COMP_UNREGISTER_EXPORT));
  auto register_server =
      reinterpret_cast<CompRegisterServerFn>(dlsym(library_, COMP_REGISTER_EXPORT));
  ASSERT_NE(unregister_server, nullptr);
  ASSERT_EQ(unregister_server(), COMP_OK);
  ComponentObject object;
  EXPECT_EQ(ComponentObject::Create("Dravimo.Compendium", &object), COMP_E_NOT_REGISTERED);
  ASSERT_EQ(register_server(), COMP_OK);
  EXPECT_EQ(ComponentObject::Create("Dravimo.Compendium", &object), COMP_OK);
}

TEST_F(ComponentTest, WrongCallsFailAndLeaveTheObjectUsable) {
  ComponentObject object;
  ASSERT_EQ(ComponentObject::Create("Dravimo.Compendium", &object), COMP_OK);
  CompVariant none[1]{};
  EXPECT_EQ(object.Invoke("ConvertEx", {none, 0}).status, COMP_E_UNKNOWN_NAME);
  const CallOutcome wrong = object.Invoke("convertEx", {none, 1});
  EXPECT_EQ(wrong.status, static_cast<CompStatus>(Error::kBadArguments));
  EXPECT_FALSE(wrong.message.empty());
  // The library serves only its own class, whatever name it is registered under.
  ASSERT_EQ(CompRegisterClass("Dravimo.Andere", QUORVEL_PATH), COMP_OK);
  EXPECT_EQ(ComponentObject::Create("Dravimo.Andere", &object), COMP_E_CLASS_REFUSED);
  EXPECT_TRUE(object.has_object());  // the old object is still held
}

}  // namespace
}  // namespace quorvel
