#include "conversion/batch_conversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "conversion/failure_report.h"
#include "fake_window.h"
#include "platform/system_layer.h"
#include "platform/system_paths.h"
#include "platform/utf_text.h"
#include "printable_text.h"
#include "recording_system_layer.h"
#include "test_component_probe.h"

namespace kalvenix {
namespace {

// The arguments as the test component records them: the source by value,
// then destination, width, height, transparency and quality by reference.
std::string ConvertEx(int object, const std::string& source, const std::string& destination,
                      int32_t width = 640, int32_t height = 480, int transparency = 0,
                      int32_t quality = 100) {
  return "convertEx " + std::to_string(object) + " text=" + source + " &text=" + destination +
         " &i4=" + std::to_string(width) + " &i4=" + std::to_string(height) +
         " &bool=" + std::to_string(transparency) + " &i4=" + std::to_string(quality) + "\n";
}

std::string Line(const std::string& text) { return text + "\n"; }

// The converter's name in the user's message, as this system spells it.
const std::u16string kConverter = u"Der Konverter " + ConverterFileName();

class BatchConversionTest : public testing::Test {
 protected:
  BatchConversionTest() : kRegistered(probe_.RegisteredLine()) {
    window_.folder = probe_.Folder();
    window_.entries = {u"/bilder/a.jpg", u"/bilder/b.png", u"/bilder/c.bmp"};
  }
  void TearDown() override { EXPECT_EQ(probe_.LiveObjects(), 0) << "an object was not released"; }

  // How the batch asks the system layer to load the converter beside the program.
  std::string LoadCall() const {
    return "LoadLibrary " +
           *Utf16ToUtf8(window_.folder + FolderSeparator() + ConverterFileName());
  }

  void Run() { ConvertListedFiles(window_, window_, *system_); }
  void RunOn(SystemLayer& system) { ConvertListedFiles(window_, window_, system); }

  TestComponentProbe probe_;
  const std::string kRegistered;
  FakeWindow window_;
  std::unique_ptr<SystemLayer> system_ = MakeSystemLayer();
};

TEST_F(BatchConversionTest, EmptyListOnlyShowsTheMessage) {
  window_.entries.clear();
  probe_.RegisterDirectly();
  Run();
  EXPECT_EQ(window_.messages, std::vector<std::u16string>{u"Keine Dateien ausgewählt!"});
  EXPECT_EQ(probe_.Record(), "");
}

TEST_F(BatchConversionTest, EachEntryGetsANewObjectReleasedOnceTheNextExists) {
  probe_.RegisterDirectly();
  Run();
  EXPECT_EQ(probe_.Record(),
            Line("create 1") + ConvertEx(1, "/bilder/a.jpg", "/bilder/a.JPG") +
                Line("create 2") + Line("release 1") +
                ConvertEx(2, "/bilder/b.png", "/bilder/b.JPG") + Line("create 3") +
                Line("release 2") + ConvertEx(3, "/bilder/c.bmp", "/bilder/c.JPG") +
                Line("release 3"));
  EXPECT_TRUE(window_.messages.empty());
}

TEST_F(BatchConversionTest, UnregisteredClassIsRegisteredFromTheExecutablesFolderOnce) {
  Run();
  EXPECT_EQ(probe_.Record(),
            kRegistered + Line("create 1") + ConvertEx(1, "/bilder/a.jpg", "/bilder/a.JPG") +
                Line("create 2") + Line("release 1") +
                ConvertEx(2, "/bilder/b.png", "/bilder/b.JPG") + Line("create 3") +
                Line("release 2") + ConvertEx(3, "/bilder/c.bmp", "/bilder/c.JPG") +
                Line("release 3"));
}

TEST_F(BatchConversionTest, BatchWaitsForASlowRegistration) {
  probe_.SetRegisterDelay(200);
  window_.entries = {u"/bilder/a.jpg"};
  Run();
  EXPECT_EQ(probe_.Record(), kRegistered + Line("create 1") +
                                 ConvertEx(1, "/bilder/a.jpg", "/bilder/a.JPG") +
                                 Line("release 1"));
}

TEST_F(BatchConversionTest, ClassThatCannotBeCreatedEndsTheBatchWithOneMessage) {
  probe_.RefuseCreationsAfter(0);
  Run();
  // The first attempt fails in the runtime (not registered), the second in the class.
  EXPECT_EQ(probe_.Record(), kRegistered + Line("refuse"));
  EXPECT_EQ(window_.messages,
            std::vector<std::u16string>{
                kConverter + u" konnte nicht geladen werden: Er verweigert das "
                u"Anlegen eines Konverterobjekts.\nDeshalb wurde keine der 3 Dateien konvertiert."});
}

TEST_F(BatchConversionTest, NoConverterBesideTheProgramSaysWhyTheLoaderRefused) {
  // An empty folder of this test's own, with spaces and umlauts as users' folders have.
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / fs::path(u"Kalvenix ohne Konverter äöü");
  fs::create_directories(folder);
  window_.folder = folder.u16string();
  Run();
  fs::remove(folder);
  EXPECT_EQ(probe_.Record(), "");
  ASSERT_EQ(window_.messages.size(), 1u);
  const std::u16string& message = window_.messages[0];
  const std::u16string start = kConverter +
                               u" konnte nicht geladen werden: Die Datei fehlt oder lässt sich "
                               u"nicht laden (" + window_.folder + FolderSeparator() +
                               ConverterFileName() + u": ";
  const std::u16string end = u").\nDeshalb wurde keine der 3 Dateien konvertiert.";
  EXPECT_EQ(message.substr(0, start.size()), start) << Printable(message);
  ASSERT_GT(message.size(), start.size() + end.size());
  EXPECT_EQ(message.substr(message.size() - end.size()), end);
}

// The layer the batch is handed is the one it registers through: its load
// error, not some other layer's, is what the user reads.
TEST_F(BatchConversionTest, LoadErrorOfTheGivenLayerEndsTheBatchAndIsQuoted) {
  RecordingSystemLayer system(
      LayerScript{.loads = false, .load_error = "Quorvel: Zugriff verweigert (Grüße)"});
  RunOn(system);
  EXPECT_EQ(system.calls(), std::vector<std::string>{LoadCall()});
  EXPECT_EQ(probe_.Record(), "");
  EXPECT_EQ(window_.messages,
            std::vector<std::u16string>{
                kConverter + u" konnte nicht geladen werden: Die Datei fehlt oder "
                u"lässt sich nicht laden (Quorvel: Zugriff verweigert (Grüße)).\n"
                u"Deshalb wurde keine der 3 Dateien konvertiert."});
}

TEST_F(BatchConversionTest, RegistrationThreadThatDoesNotStartEndsTheBatch) {
  RecordingSystemLayer system(LayerScript{.starts_thread = false});
  RunOn(system);
  EXPECT_EQ(system.calls(),
            (std::vector<std::string>{LoadCall(), "FindExport DllRegisterServer", "StartThreadAt",
                                      "UnloadLibrary"}));
  EXPECT_EQ(probe_.Record(), "");
  EXPECT_EQ(window_.messages,
            std::vector<std::u16string>{
                kConverter + u" konnte nicht geladen werden: Er ist nicht "
                u"registriert, und seine Registrierung ist misslungen.\n"
                u"Deshalb wurde keine der 3 Dateien konvertiert."});
}

TEST_F(BatchConversionTest, FailedCreationKeepsTheHeldObjectUntilTheBatchEnds) {
  probe_.RegisterDirectly();
  probe_.RefuseCreationsAfter(1);
  Run();
  EXPECT_EQ(probe_.Record(), Line("create 1") + ConvertEx(1, "/bilder/a.jpg", "/bilder/a.JPG") +
                                 Line("refuse") + kRegistered + Line("refuse") +
                                 Line("release 1"));
  EXPECT_EQ(window_.messages,
            std::vector<std::u16string>{
                kConverter + u" konnte nicht geladen werden: Er verweigert das "
                u"Anlegen eines Konverterobjekts.\nDeshalb wurden 2 von 3 Dateien nicht "
                u"konvertiert."});
}

TEST_F(BatchConversionTest, FailingConvertExIsToldAtTheEnd) {
  probe_.RegisterDirectly();
  probe_.FailConvertFor("/bilder/b.png");
  Run();
  EXPECT_EQ(probe_.Record(),
            Line("create 1") + ConvertEx(1, "/bilder/a.jpg", "/bilder/a.JPG") +
                Line("create 2") + Line("release 1") +
                ConvertEx(2, "/bilder/b.png", "/bilder/b.JPG") + Line("failed 2") +
                Line("create 3") + Line("release 2") +
                ConvertEx(3, "/bilder/c.bmp", "/bilder/c.JPG") + Line("release 3"));
  EXPECT_EQ(window_.messages,
            std::vector<std::u16string>{u"1 von 3 Dateien wurde nicht konvertiert:\n"
                                        u"b.png: Quelldatei hat sich beim Lesen geändert"});
}

TEST_F(BatchConversionTest, ManyFailuresMakeOneMessageWithTheConvertersWords) {
  probe_.RegisterDirectly();
  window_.entries.clear();
  for (char name = 'a'; name <= 'm'; ++name) {
    const std::string path = std::string("/bilder/Grüße/") + name + ".jpg";
    window_.entries.push_back(u"/bilder/Grüße/" + std::u16string(1, static_cast<char16_t>(name)) +
                              u".jpg");
    // "a" is converted, "b" fails without a word, the rest with theirs.
    if (name == 'b') probe_.FailConvertWith(path, u"");
    if (name > 'b') probe_.FailConvertWith(path, u"JPEG-Datei ist beschädigt");
  }
  Run();
  EXPECT_EQ(window_.messages,
            std::vector<std::u16string>{
                u"12 von 13 Dateien wurden nicht konvertiert:\n"
                u"b.jpg: Der Konverter nennt keinen Grund\n"
                u"c.jpg: JPEG-Datei ist beschädigt\nd.jpg: JPEG-Datei ist beschädigt\n"
                u"e.jpg: JPEG-Datei ist beschädigt\nf.jpg: JPEG-Datei ist beschädigt\n"
                u"g.jpg: JPEG-Datei ist beschädigt\nh.jpg: JPEG-Datei ist beschädigt\n"
                u"i.jpg: JPEG-Datei ist beschädigt\nj.jpg: JPEG-Datei ist beschädigt\n"
                u"k.jpg: JPEG-Datei ist beschädigt\n… und 2 weitere"});
}

TEST_F(BatchConversionTest, FailedConvertExDoesNotCountAsFailedCreation) {
  // Registration happens for the first entry only: the failed convertEx of
  // the first entry must not send the second through the fallback.
  probe_.FailConvertFor("/bilder/a.jpg");
  window_.entries = {u"/bilder/a.jpg", u"/bilder/b.png"};
  Run();
  EXPECT_EQ(probe_.Record(), kRegistered + Line("create 1") +
                                 ConvertEx(1, "/bilder/a.jpg", "/bilder/a.JPG") +
                                 Line("failed 1") + Line("create 2") + Line("release 1") +
                                 ConvertEx(2, "/bilder/b.png", "/bilder/b.JPG") +
                                 Line("release 2"));
  EXPECT_EQ(window_.messages,
            std::vector<std::u16string>{u"1 von 2 Dateien wurde nicht konvertiert:\n"
                                        u"a.jpg: Quelldatei hat sich beim Lesen geändert"});
}

TEST_F(BatchConversionTest, NoOutputTypeSkipsEveryEntryAndSaysSo) {
  probe_.RegisterDirectly();
  window_.type_text = u"";
  window_.type_index = -1;
  Run();
  EXPECT_EQ(probe_.Record(), "");
  EXPECT_EQ(window_.messages, std::vector<std::u16string>{
                                  u"Keine der 3 Dateien wurde konvertiert:\n"
                                  u"a.jpg: Kein Zieltyp gewählt\nb.png: Kein Zieltyp gewählt\n"
                                  u"c.bmp: Kein Zieltyp gewählt"});
}

TEST_F(BatchConversionTest, DestinationStaysInTheSourceFolder) {
  probe_.RegisterDirectly();
  window_.type_text = u"PNG";
  window_.type_index = 3;
  window_.entries = {u"/fotos/alte.bilder/foto", u"/fotos/logo.PNG"};
  Run();
  EXPECT_EQ(probe_.Record(),
            Line("create 1") + ConvertEx(1, "/fotos/alte.bilder/foto", "/fotos/alte.bilder/foto.PNG") +
                Line("create 2") + Line("release 1") +
                ConvertEx(2, "/fotos/logo.PNG", "/fotos/logo.PNG") + Line("release 2"));
}

TEST_F(BatchConversionTest, ClickingAgainConvertsTheSameListAgain) {
  probe_.RegisterDirectly();
  window_.entries = {u"/bilder/a.jpg"};
  Run();
  Run();
  const std::string once = ConvertEx(1, "/bilder/a.jpg", "/bilder/a.JPG");
  EXPECT_EQ(probe_.Record(), Line("create 1") + once + Line("release 1") + Line("create 2") +
                                 ConvertEx(2, "/bilder/a.jpg", "/bilder/a.JPG") +
                                 Line("release 2"));
}

TEST_F(BatchConversionTest, ListBeyond32767EntriesIsConvertedWhole) {
  probe_.RegisterDirectly();
  constexpr int kEntries = 32769;
  window_.entries.assign(kEntries, u"/bilder/a.jpg");
  window_.entries.back() = u"/bilder/last.png";
  Run();
  const std::string record = probe_.Record();
  size_t calls = 0;
  for (size_t at = record.find("convertEx "); at != std::string::npos;
       at = record.find("convertEx ", at + 1))
    ++calls;
  EXPECT_EQ(calls, size_t{kEntries});
  const std::string ending = ConvertEx(kEntries, "/bilder/last.png", "/bilder/last.JPG") +
                             Line("release " + std::to_string(kEntries));
  ASSERT_GE(record.size(), ending.size());
  EXPECT_EQ(record.substr(record.size() - ending.size()), ending);
}

// The program installed where users put things: the converter beside it is
// loaded, registered and used through a path with spaces and letters
// outside any ANSI code page ("ő" is not in Windows-1252).
TEST(BatchInAUsersFolder, ConverterIsRegisteredFromAPathWithUmlautsAndSpaces) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / fs::path(u"Kalvenix Programme äöü ő");
  {
    TestComponentProbe probe(folder.u16string());
    FakeWindow window;
    window.folder = probe.Folder();
    window.entries = {u"/bilder/Grüße aus Köln.jpg"};
    std::unique_ptr<SystemLayer> system = MakeSystemLayer();
    ConvertListedFiles(window, window, *system);
    EXPECT_EQ(probe.Record(), probe.RegisteredLine() + Line("create 1") +
                                  ConvertEx(1, "/bilder/Grüße aus Köln.jpg",
                                            "/bilder/Grüße aus Köln.JPG") +
                                  Line("release 1"));
    EXPECT_TRUE(window.messages.empty());
  }
  std::error_code ignored;  // Windows' COM may keep the copy loaded until we exit
  fs::remove_all(folder, ignored);
}

// The options per output type, as they reach convertEx. The test component
// changes every by-reference value it gets, so the second entry also shows
// that the batch sets them afresh.
struct TypeOptions {
  const char* name;
  std::u16string type_text;
  int32_t type_index;
  int32_t transparency_state;
  std::u16string quality, width, height;
  std::string suffix;
  int32_t width_passed, height_passed;
  int transparency_passed;
  int32_t quality_passed;
  friend void PrintTo(const TypeOptions& o, std::ostream* os) { *os << o.name; }
};

class BatchOptionsTest : public BatchConversionTest,
                         public testing::WithParamInterface<TypeOptions> {};

TEST_P(BatchOptionsTest, ReachConvertEx) {
  const TypeOptions& o = GetParam();
  probe_.RegisterDirectly();
  window_.entries = {u"/bilder/a.jpg", u"/bilder/b.gif"};
  window_.type_text = o.type_text;
  window_.type_index = o.type_index;
  window_.transparency_state = o.transparency_state;
  window_.quality = o.quality;
  window_.width = o.width;
  window_.height = o.height;
  Run();
  EXPECT_EQ(probe_.Record(),
            Line("create 1") +
                ConvertEx(1, "/bilder/a.jpg", "/bilder/a." + o.suffix, o.width_passed,
                          o.height_passed, o.transparency_passed, o.quality_passed) +
                Line("create 2") + Line("release 1") +
                ConvertEx(2, "/bilder/b.gif", "/bilder/b." + o.suffix, o.width_passed,
                          o.height_passed, o.transparency_passed, o.quality_passed) +
                Line("release 2"));
}

INSTANTIATE_TEST_SUITE_P(
    PerType, BatchOptionsTest,
    testing::Values(
        TypeOptions{"GifSet", u"GIF", 1, 1, u"50", u"640", u"480", "GIF", 640, 480, -1, 100},
        TypeOptions{"GifGrayed", u"GIF", 1, 2, u"5", u"640", u"480", "GIF", 640, 480, -1, 100},
        TypeOptions{"GifCleared", u"GIF", 1, 0, u"50", u"640", u"480", "GIF", 640, 480, 0, 100},
        TypeOptions{"JpgSet", u"JPG", 2, 1, u"75", u"800", u"600", "JPG", 800, 600, 0, 75},
        TypeOptions{"JpgLowQuality", u"JPG", 2, 0, u"5", u"640", u"480", "JPG", 640, 480, 0, 10},
        TypeOptions{"Bmp", u"BMP", 0, 1, u"50", u"640", u"480", "BMP", 640, 480, 0, 100},
        TypeOptions{"Png", u"PNG", 3, 2, u"50", u"640", u"480", "PNG", 640, 480, 0, 100},
        TypeOptions{"EmptyAndNegativeSizes", u"PNG", 3, 0, u"", u"", u"-20", "PNG", 0, -20, 0,
                    100},
        TypeOptions{"SizesByTheNumberRule", u"JPG", 2, 0, u"80,5", u"1 024px", u"&H300",
                    "JPG", 1024, 768, 0, 80},
        TypeOptions{"HugeSizesSaturate", u"JPG", 2, 0, u"1e400", u"99999999999",
                    u"-99999999999", "JPG", 2147483647, -2147483647 - 1, 0, 100}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kalvenix
