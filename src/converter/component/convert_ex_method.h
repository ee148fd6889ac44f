// convertEx as both faces of the component run it: the Linux component ABI
// and the Windows COM server hand it their arguments as CompVariants (the COM
// face after coercing its VARIANTs) and report its failure in their own way
// with the same German text.
// Thread-safety: reentrant; the context is thread-safe.
#ifndef KALVENIX_CONVERTER_COMPONENT_CONVERT_EX_METHOD_H_
#define KALVENIX_CONVERTER_COMPONENT_CONVERT_EX_METHOD_H_

#include <cstdint>
#include <string>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/pipeline/converter_context.h"
#include "platform/component_abi.h"

namespace quorvel {

// Parses the six arguments (convert_ex_call.h) and converts the file. On
// success the produced size is in `produced` and in the by-reference width
// and height, if any. May throw std::bad_alloc.
Status RunConvertEx(const CompVariant* args, uint32_t count, ConverterContext* context,
                    PictureSize* produced);

// The message a caller of convertEx sees: the code's German text, then what
// the code alone does not say.
std::string FailureMessage(const Status& status);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_COMPONENT_CONVERT_EX_METHOD_H_
