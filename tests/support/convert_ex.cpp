#include "convert_ex.h"

#include <dlfcn.h>

#include "child_process.h"
#include "platform/owned_variant.h"
#include "platform/utf_text.h"

namespace kalvenix::testing {

ConvertExArguments::ConvertExArguments(std::u16string_view source,
                                       std::u16string_view destination, int32_t width,
                                       int32_t height, bool transparency, int32_t quality,
                                       Passing passing)
    : source_(source),
      destination_(destination),
      width_(width),
      height_(height),
      transparency_(transparency ? COMP_TRUE : COMP_FALSE),
      quality_(quality) {
  args_[0] = TextArgument(source_.get());
  if (passing == Passing::kByValue) {
    args_[1] = TextArgument(destination_.get());
    args_[2] = Int32Argument(width_);
    args_[3] = Int32Argument(height_);
    args_[4] = BoolArgument(transparency);
    args_[5] = Int32Argument(quality_);
    return;
  }
  args_[1] = TextReference(destination_.storage());
  args_[2] = Int32Reference(&width_);
  args_[3] = Int32Reference(&height_);
  args_[4] = BoolReference(&transparency_);
  args_[5] = Int32Reference(&quality_);
}

ConvertExArguments::ConvertExArguments(const ConvertExRequest& request, Passing passing)
    : ConvertExArguments(Utf8ToUtf16(request.source), Utf8ToUtf16(request.destination),
                         request.width, request.height, request.transparency, request.quality,
                         passing) {}

ConvertExResult InvokeConvertEx(ComponentObject& object, ConvertExArguments& args) {
  const CallOutcome outcome = object.Invoke(kConvertEx, args.variants());
  ConvertExResult result;
  result.status = outcome.status;
  result.message = Utf16ToUtf8(outcome.message).value_or("(no valid UTF-16)");
  result.width = *args.width();
  result.height = *args.height();
  return result;
}

ConvertExResult ConvertEx(const ConvertExRequest& request, Passing passing) {
  const double start = ProcessCpuMs();
  ConvertExResult result;
  {
    ComponentObject object;
    result.status = ComponentObject::Create(kConverterProgId, &object);
    if (result.status != COMP_OK) {
      result.message = "the runtime could not create " + std::string(kConverterProgId);
    } else {
      ConvertExArguments args(request, passing);
      result = InvokeConvertEx(object, args);
    }
  }
  result.cpu_ms = ProcessCpuMs() - start;
  return result;
}

std::string RegisterComponent(const std::string& library_path) {
  static std::string registered;
  if (registered == library_path) return {};
  void* library = dlopen(library_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return std::string("dlopen: ") + dlerror();
  auto register_server =
      reinterpret_cast<CompRegisterServerFn>(dlsym(library, COMP_REGISTER_EXPORT));
  if (register_server == nullptr) return "no DllRegisterServer in " + library_path;
  const int32_t status = register_server();
  if (status != COMP_OK) return "DllRegisterServer returned " + std::to_string(status);
  registered = library_path;
  return {};
}

std::string DescribeCall(const ConvertExResult& call) {
  const std::string cost = " in " + std::to_string(static_cast<long>(call.cpu_ms)) + " ms CPU";
  if (call.ok())
    return "converted to " + std::to_string(call.width) + "x" + std::to_string(call.height) +
           cost;
  return "failed with " + std::to_string(call.status) + " \"" + call.message + "\"" + cost;
}

}  // namespace kalvenix::testing
