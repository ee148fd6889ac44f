#include "converter/component/convert_ex_method.h"

#include "converter/component/convert_ex_call.h"
#include "converter/pipeline/convert_file.h"

namespace quorvel {

Status RunConvertEx(const CompVariant* args, uint32_t count, ConverterContext* context,
                    PictureSize* produced) {
  ConvertExCall call;
  Status status = ParseConvertExCall(args, count, &call);
  if (!status.ok()) return status;
  status = ConvertFile(call.source, call.destination, call.box, call.transparency, call.quality,
                       produced, context);
  if (!status.ok()) return status;
  // FitSize keeps both sides within 256 megapixels, so each fits an I4.
  if (call.width_out != nullptr) *call.width_out = static_cast<int32_t>(produced->width);
  if (call.height_out != nullptr) *call.height_out = static_cast<int32_t>(produced->height);
  return Status::Ok();
}

std::string FailureMessage(const Status& status) {
  std::string text = ErrorMessage(status.code);
  if (!status.context.empty()) text += ": " + status.context;
  return text;
}

}  // namespace quorvel
