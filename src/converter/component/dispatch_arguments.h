// convertEx's six arguments as IDispatch::Invoke receives them, and the
// produced size written back into them.
//
// COM passes them last-first: rgvarg[5] is the source, rgvarg[0] the
// quality. Each may come by value or by reference (VT_BYREF with its type,
// or VT_BYREF|VT_VARIANT as script hosts pass their variables) and in any
// type VariantChangeTypeEx can turn into the one convertEx takes (BSTR for
// the paths, I4 for width, height and quality, BOOL for transparency): a
// VB caller's Integer, Byte or Double, or a text of digits. Objects are
// never asked for their value (VARIANT_NOVALUEPROP). Coercion uses the
// caller's LCID, as VB's own conversions do.
// Thread-safety: an object belongs to one call; the functions are reentrant.
#ifndef KALVENIX_CONVERTER_COMPONENT_DISPATCH_ARGUMENTS_H_
#define KALVENIX_CONVERTER_COMPONENT_DISPATCH_ARGUMENTS_H_

#include <windows.h>
#include <oaidl.h>

#include "converter/base/image.h"
#include "converter/component/convert_ex_call.h"
#include "platform/component_abi.h"

namespace quorvel {

class DispatchArguments {
 public:
  DispatchArguments();
  ~DispatchArguments();
  DispatchArguments(const DispatchArguments&) = delete;
  DispatchArguments& operator=(const DispatchArguments&) = delete;

  // S_OK, or for the argument that cannot be coerced DISP_E_TYPEMISMATCH
  // (DISP_E_OVERFLOW for a number out of range) with its rgvarg index in
  // *arg_err; E_OUTOFMEMORY. The count and named arguments are the caller's
  // to check first: `params` must hold kConvertExArgumentCount arguments.
  HRESULT Read(const DISPPARAMS& params, LCID lcid, UINT* arg_err);

  // In the method's order, all by value; the texts point into this object.
  const CompVariant* variants() const { return variants_; }

 private:
  VARIANT coerced_[kConvertExArgumentCount];
  CompVariant variants_[kConvertExArgumentCount];
};

// Writes the produced width and height into the by-reference width and
// height arguments, each in the type its caller gave it (a VB Integer gets a
// short, a text gets digits, a referenced VARIANT keeps its type, an empty
// one becomes I4). By-value arguments are left alone. When a variable
// cannot hold the size (a Byte for 640), the failing coercion's HRESULT with
// the argument's index; the file is written by then.
HRESULT WriteProducedSize(const DISPPARAMS& params, LCID lcid, PictureSize produced,
                          UINT* arg_err);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_COMPONENT_DISPATCH_ARGUMENTS_H_
