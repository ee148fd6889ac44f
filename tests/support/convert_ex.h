// convertEx as the batch calls it, through the real runtime: the six
// arguments with the storage they point at, one call on a fresh
// "Dravimo.Compendium", and what came back (status, message, the width and
// height written back by reference).
//
// The arguments are the component ABI's; this header stays at that level so
// that the converter's insides may move without the tests noticing.
// Thread-safety: an object of ConvertExArguments belongs to one thread.
#ifndef KALVENIX_TESTS_SUPPORT_CONVERT_EX_H_
#define KALVENIX_TESTS_SUPPORT_CONVERT_EX_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/component_abi.h"
#include "platform/component_object.h"
#include "platform/owned_text.h"

namespace kalvenix::testing {

inline constexpr char kConverterProgId[] = "Dravimo.Compendium";
inline constexpr char kConvertEx[] = "convertEx";

// Paths in UTF-8, the rest as the batch passes them.
struct ConvertExRequest {
  std::string source;
  std::string destination;
  int32_t width = 0;
  int32_t height = 0;
  bool transparency = false;
  int32_t quality = 100;
};

enum class Passing {
  kAsTheBatch,  // the source by value, the other five by reference
  kByValue,     // all six by value; nothing comes back
};

// The six variants and what they point at. Pinned in place, since the
// variants point into the object.
class ConvertExArguments {
 public:
  ConvertExArguments(std::u16string_view source, std::u16string_view destination, int32_t width,
                     int32_t height, bool transparency, int32_t quality,
                     Passing passing = Passing::kAsTheBatch);
  explicit ConvertExArguments(const ConvertExRequest& request,
                              Passing passing = Passing::kAsTheBatch);
  ConvertExArguments(const ConvertExArguments&) = delete;
  ConvertExArguments& operator=(const ConvertExArguments&) = delete;

  std::span<CompVariant> variants() { return args_; }
  CompVariant& operator[](size_t position) { return args_[position]; }

  // The by-reference storage: what a call wrote back, or where it points.
  int32_t* width() { return &width_; }
  int32_t* height() { return &height_; }
  CompBool* transparency() { return &transparency_; }
  const CompText& source() const { return source_.get(); }
  const CompText& destination() const { return destination_.get(); }

 private:
  OwnedText source_;
  OwnedText destination_;
  int32_t width_;
  int32_t height_;
  CompBool transparency_;
  int32_t quality_;
  CompVariant args_[6]{};
};

struct ConvertExResult {
  CompStatus status = -1;  // convertEx's status, or the creation's if that failed
  std::string message;     // the component's error text, UTF-8
  int32_t width = 0;       // the by-reference width and height after the call
  int32_t height = 0;
  double cpu_ms = 0;  // this process's CPU time across creation, call and release

  bool ok() const { return status == COMP_OK; }
};

// Calls convertEx on `object` with `args`.
ConvertExResult InvokeConvertEx(ComponentObject& object, ConvertExArguments& args);

// A new object for the one call, as the batch makes one per file.
ConvertExResult ConvertEx(const ConvertExRequest& request,
                          Passing passing = Passing::kAsTheBatch);

// Loads the component library and runs its DllRegisterServer, as the program
// does when creation first fails; the library stays loaded, as the runtime
// keeps it. Returns an empty string, or why it failed.
std::string RegisterComponent(const std::string& library_path);

// "converted to WxH" or "failed with S "message"", with the CPU time.
std::string DescribeCall(const ConvertExResult& call);

}  // namespace kalvenix::testing

#endif  // KALVENIX_TESTS_SUPPORT_CONVERT_EX_H_
