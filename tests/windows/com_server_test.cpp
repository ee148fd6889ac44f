// Quorvel.dll as a caller that knows none of our headers meets it: the
// registry, CoCreateInstance from the ProgID, and convertEx late-bound
// through IDispatch with the VARIANTs VB, script hosts and the batch pass.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <tlhelp32.h>

#include <string>

#include <gtest/gtest.h>

#include "com_server_support.h"
#include "converter/base/error.h"
#include "converter/component/compendium_class.h"
#include "picture_checks.h"

namespace quorvel::testing {
namespace {

const std::wstring kClsidText = L"{015FF944-6FB4-42F0-8D33-51DCE0F82CEA}";
const std::wstring kClsidKey = L"Software\\Classes\\CLSID\\" + kClsidText;
const std::wstring kProgIdKey = L"Software\\Classes\\Dravimo.Compendium";

// rgvarg indexes of the method's arguments: COM passes them last-first.
constexpr UINT kSourceIndex = 5;
constexpr UINT kWidthIndex = 3;
constexpr UINT kTransparencyIndex = 1;
constexpr UINT kQualityIndex = 0;

HRESULT CanUnloadNow() {
  const HMODULE module = GetModuleHandleW(L"Quorvel.dll");
  if (module == nullptr) return E_FAIL;
  const auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  return entry == nullptr ? E_FAIL : entry();
}

// Registration and unregistration share the user's registry with every other
// test of the server: ctest keeps them apart (RESOURCE_LOCK).
TEST(ComServerRegistration, RoundTripsThroughTheUsersRegistry) {
  ASSERT_EQ(CallServerExport("DllRegisterServer"), S_OK);
  for (int round = 0; round < 2; ++round) {  // the second registration changes nothing
    SCOPED_TRACE(round == 0 ? "registered once" : "registered twice");
    EXPECT_EQ(RegistryText(kClsidKey + L"\\InprocServer32"), ServerPath());
    EXPECT_EQ(RegistryText(kClsidKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(RegistryText(kClsidKey + L"\\ProgID"), L"Dravimo.Compendium");
    EXPECT_EQ(RegistryText(kProgIdKey + L"\\CLSID"), kClsidText);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(L"Dravimo.Compendium", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, kCompendiumClsid));
    if (round == 0) {
      ASSERT_EQ(CallServerExport("DllRegisterServer"), S_OK);
    }
  }

  ASSERT_EQ(CallServerExport("DllUnregisterServer"), S_OK);
  EXPECT_FALSE(RegistryKeyExists(kClsidKey));
  EXPECT_FALSE(RegistryKeyExists(kProgIdKey));
  CLSID clsid{};
  EXPECT_TRUE(FAILED(CLSIDFromProgID(L"Dravimo.Compendium", &clsid)));
  // Unregistering what is not registered is no failure.
  EXPECT_EQ(CallServerExport("DllUnregisterServer"), S_OK);
  EXPECT_EQ(CallServerExport("DllRegisterServer"), S_OK);
}

TEST(ComServerRegistration, UnregisteringLeavesOtherKeysAlone) {
  ASSERT_EQ(CallServerExport("DllRegisterServer"), S_OK);
  // Somebody else's key below the ProgID, as an installer's CurVer would be.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (kProgIdKey + L"\\CurVer").c_str(), 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);

  ASSERT_EQ(CallServerExport("DllUnregisterServer"), S_OK);
  EXPECT_TRUE(RegistryKeyExists(kProgIdKey + L"\\CurVer"));
  EXPECT_FALSE(RegistryKeyExists(kProgIdKey + L"\\CLSID"));
  EXPECT_FALSE(RegistryKeyExists(kClsidKey));

  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, (kProgIdKey + L"\\CurVer").c_str()), ERROR_SUCCESS);
  EXPECT_EQ(CallServerExport("DllRegisterServer"), S_OK);
}

class ComServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(CallServerExport("DllRegisterServer"), S_OK); }

  void SetUp() override {
    ASSERT_EQ(apartment_.status(), S_OK);
    ASSERT_FALSE(scratch_.path().empty());
    ASSERT_EQ(CreateConverter(&converter_), S_OK);
    // 400 x 100: fitted into most boxes, one side tells which way it went.
    ASSERT_TRUE(WritePicture(source_, OutputType::kPng, 400, 100));
  }

  void TearDown() override {
    if (converter_ != nullptr) converter_->Release();
  }

  std::wstring Path(const std::wstring& name) const { return folder_ + L"\\" + name; }

  Apartment apartment_;
  ScratchFolder scratch_;
  const std::wstring folder_ = Wide(scratch_.path());
  const std::wstring source_ = Path(L"quelle.png");
  IDispatch* converter_ = nullptr;
};

TEST_F(ComServerTest, KnowsConvertExByNameInAnyCase) {
  for (const wchar_t* name : {L"convertEx", L"CONVERTEX", L"ConvertEx"}) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(converter_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, kConvertExDispId);
  }
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"convert")};
  DISPID id = 0;
  EXPECT_EQ(converter_->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id),
            DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);

  UINT count = 99;
  EXPECT_EQ(converter_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  IUnknown* other = nullptr;
  EXPECT_EQ(converter_->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&other)),
            E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
}

TEST_F(ComServerTest, ConvertsAsTheBatchCallsIt) {
  Arguments args;
  BatchArguments(&args, source_, Path(L"ziel.JPG"), 160, 160, false, 90);
  const DispatchCall call = Invoke(converter_, args);
  ASSERT_EQ(call.hr, S_OK) << Narrow(call.description);
  EXPECT_EQ(call.result_type, VT_I4);
  EXPECT_EQ(call.result_i4, 0);
  const std::vector<VARIANT> given = args.Reversed();
  EXPECT_EQ(*given[kWidthIndex].plVal, 160);
  EXPECT_EQ(*given[kWidthIndex - 1].plVal, 40);
  const PictureHeader header = HeaderOf(Path(L"ziel.JPG"));
  EXPECT_EQ(header.format, PictureFormat::kJpeg);
  EXPECT_EQ(header.stored_width, 160u);
  EXPECT_EQ(header.stored_height, 40u);
}

// VB hands over its own types: an Integer by reference, a String of digits,
// a Double and a Long by value; and calls with METHOD|PROPERTYGET when it
// uses the result. The size goes back in the caller's own types.
TEST_F(ComServerTest, TakesAndWritesBackVbTypes) {
  Arguments args;
  args.Text(source_);
  args.Text(Path(L"ziel.PNG"));
  VARIANT& width = args.Reference(MakeI2(200));
  VARIANT text = MakeText(L"200");
  VARIANT& height = args.Reference(text);
  VariantClear(&text);
  args.I4(0);
  args.Value(MakeR8(85.0));
  const DispatchCall call = Invoke(converter_, args, L"CONVERTEX", DISPATCH_PROPERTYGET);
  ASSERT_EQ(call.hr, S_OK) << Narrow(call.description);
  EXPECT_EQ(width.vt, VT_I2);
  EXPECT_EQ(width.iVal, 200);
  ASSERT_EQ(height.vt, VT_BSTR);
  EXPECT_STREQ(height.bstrVal, L"50");
  EXPECT_EQ(HeaderOf(Path(L"ziel.PNG")).stored_height, 50u);
}

// A script passes its variables as VT_BYREF|VT_VARIANT; an empty one is a
// free side of the box and comes back as an I4.
TEST_F(ComServerTest, WritesIntoReferencedVariants) {
  Arguments args;
  VARIANT text = MakeText(source_.c_str());
  args.VariantReference(text);
  VariantClear(&text);
  text = MakeText(Path(L"ziel.bmp").c_str());
  args.VariantReference(text);
  VariantClear(&text);
  VARIANT empty;
  VariantInit(&empty);
  VARIANT& width = args.VariantReference(empty);
  VARIANT& height = args.VariantReference(MakeR8(50.0));
  args.VariantReference(MakeBool(true));
  args.VariantReference(MakeI4(100));
  const DispatchCall call = Invoke(converter_, args);
  ASSERT_EQ(call.hr, S_OK) << Narrow(call.description);
  ASSERT_EQ(width.vt, VT_I4);
  EXPECT_EQ(width.lVal, 200);
  ASSERT_EQ(height.vt, VT_R8);
  EXPECT_EQ(height.dblVal, 50.0);
  EXPECT_EQ(HeaderOf(Path(L"ziel.bmp")).format, PictureFormat::kBmp);
}

TEST_F(ComServerTest, RefusesWrongCountsNamesAndFlags) {
  Arguments five;
  five.Text(source_).Text(Path(L"a.PNG")).I4(10).I4(10).Bool(false);
  EXPECT_EQ(Invoke(converter_, five).hr, DISP_E_BADPARAMCOUNT);
  Arguments seven;
  seven.Text(source_).Text(Path(L"a.PNG")).I4(10).I4(10).Bool(false).I4(100).I4(0);
  EXPECT_EQ(Invoke(converter_, seven).hr, DISP_E_BADPARAMCOUNT);

  Arguments six;
  six.Text(source_).Text(Path(L"a.PNG")).I4(10).I4(10).Bool(false).I4(100);
  std::vector<VARIANT> reversed = six.Reversed();
  DISPID named[] = {0};
  DISPPARAMS with_names{reversed.data(), named, 6, 1};
  EXPECT_EQ(converter_->Invoke(kConvertExDispId, IID_NULL, 0, DISPATCH_METHOD, &with_names,
                               nullptr, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
  DISPPARAMS plain{reversed.data(), nullptr, 6, 0};
  EXPECT_EQ(converter_->Invoke(kConvertExDispId + 1, IID_NULL, 0, DISPATCH_METHOD, &plain,
                               nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(converter_->Invoke(kConvertExDispId, IID_NULL, 0, DISPATCH_PROPERTYPUT, &plain,
                               nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(FolderEntries(scratch_.path()), std::vector<std::string>{"quelle.png"});
}

TEST_F(ComServerTest, RefusesArgumentsOfTheWrongKindByIndex) {
  struct Case {
    const char* what;
    UINT index;
    HRESULT expected;
  };
  const Case cases[] = {
      {"an object for the width", kWidthIndex, DISP_E_TYPEMISMATCH},
      {"letters for the width", kWidthIndex, DISP_E_TYPEMISMATCH},
      {"a width beyond a Long", kWidthIndex, DISP_E_OVERFLOW},
      {"an object for the source", kSourceIndex, DISP_E_TYPEMISMATCH},
      {"words for the transparency", kTransparencyIndex, DISP_E_TYPEMISMATCH},
      {"a null reference for the quality", kQualityIndex, DISP_E_TYPEMISMATCH},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    Arguments args;
    if (i == 3) {
      VARIANT object;
      VariantInit(&object);
      object.vt = VT_DISPATCH;
      object.pdispVal = converter_;
      args.Value(object);  // copied with a reference of its own
    } else {
      args.Text(source_);
    }
    args.Text(Path(L"ziel.PNG"));
    if (i == 0) {
      VARIANT object;
      VariantInit(&object);
      object.vt = VT_DISPATCH;
      object.pdispVal = converter_;
      args.Value(object);
    } else if (i == 1) {
      VARIANT text = MakeText(L"abc");
      args.Reference(text);
      VariantClear(&text);
    } else if (i == 2) {
      args.Value(MakeR8(1e12));
    } else {
      args.I4(100);
    }
    args.I4(100);
    if (i == 4) {
      VARIANT text = MakeText(L"vielleicht");
      args.Value(text);
      VariantClear(&text);
    } else {
      args.Bool(false);
    }
    if (i == 5) {
      VARIANT null_reference;
      VariantInit(&null_reference);
      null_reference.vt = VT_BYREF | VT_I4;
      null_reference.plVal = nullptr;
      args.Value(null_reference);
    } else {
      args.I4(100);
    }
    const DispatchCall call = Invoke(converter_, args);
    EXPECT_EQ(call.hr, cases[i].expected);
    EXPECT_EQ(call.arg_err, cases[i].index);
  }
  EXPECT_EQ(FolderEntries(scratch_.path()), std::vector<std::string>{"quelle.png"});
}

TEST_F(ComServerTest, ReportsAFailedConversionInGerman) {
  Arguments args;
  BatchArguments(&args, Path(L"fehlt.png"), Path(L"ziel.GIF"), 640, 480, true, 100);
  const DispatchCall call = Invoke(converter_, args);
  EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(call.source, L"Dravimo.Compendium");
  EXPECT_EQ(Narrow(call.description).rfind(ErrorMessage(Error::kCannotRead), 0), 0u)
      << Narrow(call.description);
  EXPECT_EQ(call.scode, ConverterHresult(Error::kCannotRead));
  EXPECT_EQ(call.scode, HRESULT(0x80040265));
  EXPECT_EQ(*args.Reversed()[kWidthIndex].plVal, 640) << "a failure wrote a size back";
  EXPECT_FALSE(Exists(Path(L"ziel.GIF")));

  // A failed call leaves the object usable.
  Arguments again;
  BatchArguments(&again, source_, Path(L"ziel.GIF"), 640, 480, true, 100);
  EXPECT_EQ(Invoke(converter_, again).hr, S_OK);
}

TEST_F(ComServerTest, ConvertsUnderNamesWithUmlautsAndSpaces) {
  const std::wstring folder = Path(L"Bilder für Jürgen");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring source = folder + L"\\Straße am Meer.png";
  ASSERT_TRUE(WritePicture(source, OutputType::kPng, 120, 90));
  Arguments args;
  BatchArguments(&args, source, folder + L"\\Straße am Meer.GIF", 60, 60, true, 100);
  const DispatchCall call = Invoke(converter_, args);
  ASSERT_EQ(call.hr, S_OK) << Narrow(call.description);
  const PictureHeader header = HeaderOf(folder + L"\\Straße am Meer.GIF");
  EXPECT_EQ(header.format, PictureFormat::kGif);
  EXPECT_EQ(header.stored_width, 60u);
  EXPECT_EQ(header.stored_height, 45u);
}

// A variable too small for the produced size is the caller's to hear about,
// not to find cut short.
TEST_F(ComServerTest, SaysWhenAVariableCannotHoldTheSize) {
  Arguments args;
  args.Text(source_).Text(Path(L"ziel.PNG"));
  VARIANT byte;
  VariantInit(&byte);
  byte.vt = VT_UI1;
  byte.bVal = 0;  // a free side: the height decides, and 4 x 200 is no Byte
  VARIANT& width = args.Reference(byte);
  args.I4(200).Bool(false).I4(100);
  const DispatchCall call = Invoke(converter_, args);
  EXPECT_EQ(call.hr, DISP_E_OVERFLOW);
  EXPECT_EQ(call.arg_err, kWidthIndex);
  EXPECT_EQ(width.bVal, 0);
}

// Threads of this process, as the system lists them.
size_t ThreadsOfThisProcess() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
  CloseHandle(snapshot);
  return count;
}

// The component starts its one worker when a picture wants a second core,
// and no thread of it outlives its last object.
TEST_F(ComServerTest, TheWorkerThreadEndsWithTheLastObject) {
  ASSERT_TRUE(WritePicture(Path(L"gross.png"), OutputType::kPng, 2400, 1600));
  const size_t before = ThreadsOfThisProcess();
  ASSERT_GT(before, 0u);
  Arguments args;
  BatchArguments(&args, Path(L"gross.png"), Path(L"klein.JPG"), 640, 480, false, 90);
  ASSERT_EQ(Invoke(converter_, args).hr, S_OK);
  EXPECT_EQ(ThreadsOfThisProcess(), before + 1) << "the band worker, while an object lives";
  converter_->Release();
  converter_ = nullptr;
  EXPECT_EQ(ThreadsOfThisProcess(), before);
}

TEST_F(ComServerTest, UnloadsOnlyWhenNothingIsAlive) {
  Arguments args;
  BatchArguments(&args, source_, Path(L"ziel.JPG"), 200, 200, false, 100);
  ASSERT_EQ(Invoke(converter_, args).hr, S_OK);
  EXPECT_EQ(CanUnloadNow(), S_FALSE) << "an object is alive";
  converter_->Release();
  converter_ = nullptr;
  EXPECT_EQ(CanUnloadNow(), S_OK) << "the last object is gone";

  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"Dravimo.Compendium", &clsid), S_OK);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  IUnknown* aggregated = nullptr;
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown,
                                    reinterpret_cast<void**>(&aggregated)),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(aggregated, nullptr);
  EXPECT_EQ(CanUnloadNow(), S_FALSE) << "the class object is held";
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_FALSE) << "the server is locked";
  ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace quorvel::testing
