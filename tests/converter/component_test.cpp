// Quorvel.so through the real runtime and a real dlopen, called exactly as
// the batch calls it.
#include <dlfcn.h>

#include <filesystem>
#include <fstream>

#include <QBuffer>
#include <QImage>
#include <QString>
#include <gtest/gtest.h>

#include "converter/error.h"
#include "picture_checks.h"
#include "platform/component_object.h"
#include "platform/owned_text.h"
#include "platform/owned_variant.h"
#include "testdata.h"

namespace quorvel {
namespace {

using kalvenix::BoolReference;
using kalvenix::CallOutcome;
using kalvenix::ComponentObject;
using kalvenix::Int32Reference;
using kalvenix::OwnedText;
using kalvenix::TextArgument;
using kalvenix::TextReference;
using testing::FolderEntries;

const std::string kData = kalvenix::testing::TestdataDir();
const std::string kPhoto = kData + "/photos/sunset_by_Aitzol_Berasategi.jpg";

struct Converted {
  CallOutcome outcome;
  int32_t width;
  int32_t height;
};

std::u16string U16(const std::string& s) { return QString::fromStdString(s).toStdU16String(); }

class ComponentTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Self-registration, as the program does it when creation first fails.
    library_ = dlopen(QUORVEL_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    auto register_server =
        reinterpret_cast<CompRegisterServerFn>(dlsym(library_, COMP_REGISTER_EXPORT));
    ASSERT_NE(register_server, nullptr);
    ASSERT_EQ(register_server(), COMP_OK);
  }

  void SetUp() override {
    folder_ = testing::MakeTempFolder();
    ASSERT_FALSE(folder_.empty());
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  // The batch's call: source by value, the rest by reference.
  static Converted ConvertEx(const std::string& source, const std::string& destination,
                             int32_t width, int32_t height, bool transparency = false,
                             int32_t quality = 100) {
    ComponentObject object;
    EXPECT_EQ(ComponentObject::Create("Dravimo.Compendium", &object), COMP_OK);
    OwnedText source_text(U16(source));
    OwnedText destination_text(U16(destination));
    CompBool transparency_value = transparency ? COMP_TRUE : COMP_FALSE;
    CompVariant args[] = {TextArgument(source_text.get()),
                          TextReference(destination_text.storage()),
                          Int32Reference(&width),
                          Int32Reference(&height),
                          BoolReference(&transparency_value),
                          Int32Reference(&quality)};
    Converted result{object.Invoke("convertEx", args), 0, 0};
    result.width = width;
    result.height = height;
    return result;
  }

  static void* library_;
  std::string folder_;
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
  const Converted c = ConvertEx(kPhoto, destination, 640, 480);
  ASSERT_TRUE(c.outcome.ok()) << c.outcome.status << " "
                              << QString::fromStdU16String(c.outcome.message).toStdString();
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
  const Converted c = ConvertEx(kData + "/jpeg/testorig.jpg", Path("a.png"), 0, -1);
  ASSERT_TRUE(c.outcome.ok());
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
      const Converted c = ConvertEx(kData + "/" + name, destination, 640, 480);
      EXPECT_GE(c.outcome.status, COMP_E_COMPONENT_FIRST) << name;
      EXPECT_FALSE(c.outcome.message.empty()) << name;
      EXPECT_EQ(c.width, 640) << "the size is written back only on success";
      EXPECT_TRUE(FolderEntries(folder_).empty()) << name << " -> " << suffix;
    }
  }
}

TEST_F(ComponentTest, FailedConversionLeavesTheExistingDestinationAlone) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::string destination = Path("alt.JPG");
  std::ofstream(destination) << "altes Bild";
  const Converted c = ConvertEx(kData + "/hostile/made/truncated-header-only.jpg", destination,
                                640, 480);
  EXPECT_FALSE(c.outcome.ok());
  const std::vector<uint8_t> content = testing::ReadBytes(destination);
  EXPECT_EQ(std::string(content.begin(), content.end()), "altes Bild");
}

TEST_F(ComponentTest, DestinationMayBeTheSource) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::string path = Path("logo.JPG");
  std::filesystem::copy_file(kData + "/jpeg/testorig.jpg", path);
  const Converted c = ConvertEx(path, path, 100, 100, false, 75);
  ASSERT_TRUE(c.outcome.ok());
  auto written = testing::DecodeFileWithQt(path);
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->width, 100u);
  EXPECT_EQ(written->height, 66u);
  EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"logo.JPG"});
}

TEST_F(ComponentTest, SourcesAreRecognisedByContentNotByName) {
  KALVENIX_REQUIRE_TESTDATA();
  const Converted c = ConvertEx(kData + "/hostile/made/png-data-named.jpg", Path("a.BMP"), 64, 64);
  ASSERT_TRUE(c.outcome.ok()) << QString::fromStdU16String(c.outcome.message).toStdString();
  EXPECT_TRUE(testing::DecodeFileWithQt(Path("a.BMP")).has_value());
}

TEST_F(ComponentTest, UnknownSuffixIsRefusedBeforeAnythingIsRead) {
  const Converted c = ConvertEx(kPhoto, Path("sunset.TIF"), 640, 480);
  EXPECT_EQ(c.outcome.status, static_cast<CompStatus>(Error::kUnknownSuffix));
  EXPECT_EQ(QString::fromStdU16String(c.outcome.message).toStdString().rfind(
                "Unbekannter Zieldateityp", 0),
            0u);
  EXPECT_TRUE(FolderEntries(folder_).empty());
}

TEST_F(ComponentTest, PictureWithTransparencyKeepsItInPngAndGif) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::string source = kData + "/photos/MATE-Stripes-Light.png";
  ASSERT_TRUE(ConvertEx(source, Path("a.PNG"), 320, 240).outcome.ok());
  ASSERT_TRUE(ConvertEx(source, Path("a.GIF"), 320, 240, true).outcome.ok());
  ASSERT_TRUE(ConvertEx(source, Path("b.GIF"), 320, 240, false).outcome.ok());
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
