#include "converter/component/dispatch_arguments.h"

#include <oleauto.h>

#include <cstring>

namespace quorvel {
namespace {

// The type convertEx takes at each position, in the method's order.
constexpr VARTYPE kTakes[kConvertExArgumentCount] = {VT_BSTR, VT_BSTR, VT_I4,
                                                     VT_I4,   VT_BOOL, VT_I4};
constexpr UINT kWidthPosition = 2;
constexpr UINT kHeightPosition = 3;

// rgvarg holds the arguments last-first.
UINT IndexOf(UINT position) { return kConvertExArgumentCount - 1 - position; }

// Invoke's callers tell a value that does not fit from one of the wrong kind;
// every other refusal of the coercion is the wrong kind.
HRESULT CoercionFailure(HRESULT hr) {
  if (hr == E_OUTOFMEMORY || hr == DISP_E_OVERFLOW) return hr;
  return DISP_E_TYPEMISMATCH;
}

HRESULT Coerce(const VARIANT& given, LCID lcid, VARTYPE type, VARIANT* out) {
  // VariantCopyInd would follow a null reference.
  if ((given.vt & VT_BYREF) != 0 && given.byref == nullptr) return DISP_E_TYPEMISMATCH;
  VARIANT plain;
  VariantInit(&plain);
  // One level down, VT_BYREF|VT_VARIANT included; a reference inside the
  // referenced VARIANT is refused there, as COM's rules forbid it.
  HRESULT hr = VariantCopyInd(&plain, const_cast<VARIANT*>(&given));
  if (SUCCEEDED(hr)) hr = VariantChangeTypeEx(out, &plain, lcid, VARIANT_NOVALUEPROP, type);
  VariantClear(&plain);
  return hr;
}

size_t ScalarBytes(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      return 8;
    default:
      return 0;
  }
}

// `changed` holds the size in the referenced storage's type; its BSTR, if
// any, passes to the caller.
HRESULT Store(const VARIANT& reference, VARTYPE type, VARIANT* changed) {
  if (type == VT_BSTR) {
    SysFreeString(*reference.pbstrVal);
    *reference.pbstrVal = changed->bstrVal;
    changed->vt = VT_EMPTY;
    return S_OK;
  }
  if (type == VT_DECIMAL) {
    // A DECIMAL's first word lies where a VARIANT keeps its type: leave the
    // caller's as it is.
    DECIMAL* target = reference.pdecVal;
    const DECIMAL& value = changed->decVal;
    target->scale = value.scale;
    target->sign = value.sign;
    target->Hi32 = value.Hi32;
    target->Lo64 = value.Lo64;
    return S_OK;
  }
  const size_t bytes = ScalarBytes(type);
  if (bytes == 0) return DISP_E_TYPEMISMATCH;
  // Every scalar member of the VARIANT union starts at its beginning.
  std::memcpy(reference.byref, &changed->llVal, bytes);
  return S_OK;
}

HRESULT WriteInto(VARIANT& argument, LCID lcid, uint32_t value, bool inside_variant = false) {
  if ((argument.vt & VT_BYREF) == 0) return S_OK;
  if (argument.byref == nullptr) return DISP_E_TYPEMISMATCH;
  VARIANT number;
  VariantInit(&number);
  number.vt = VT_I4;
  number.lVal = static_cast<LONG>(value);
  VARIANT changed;
  VariantInit(&changed);
  HRESULT hr = S_OK;
  if (argument.vt == (VT_BYREF | VT_VARIANT)) {
    if (inside_variant) return DISP_E_TYPEMISMATCH;
    VARIANT* target = argument.pvarVal;
    if ((target->vt & VT_BYREF) != 0) return WriteInto(*target, lcid, value, true);
    // A script's fresh variable is empty; the size is an I4 then.
    const VARTYPE type = target->vt == VT_EMPTY ? VARTYPE{VT_I4} : target->vt;
    hr = VariantChangeTypeEx(&changed, &number, lcid, 0, type);
    if (FAILED(hr)) return hr;
    VariantClear(target);
    *target = changed;  // the target owns what `changed` held
    return S_OK;
  }
  const VARTYPE type = argument.vt & ~VT_BYREF;
  hr = VariantChangeTypeEx(&changed, &number, lcid, 0, type);
  if (SUCCEEDED(hr)) hr = Store(argument, type, &changed);
  VariantClear(&changed);
  return hr;
}

}  // namespace

DispatchArguments::DispatchArguments() {
  for (VARIANT& v : coerced_) VariantInit(&v);
  std::memset(variants_, 0, sizeof variants_);
}

DispatchArguments::~DispatchArguments() {
  for (VARIANT& v : coerced_) VariantClear(&v);
}

HRESULT DispatchArguments::Read(const DISPPARAMS& params, LCID lcid, UINT* arg_err) {
  for (UINT position = 0; position < kConvertExArgumentCount; ++position) {
    const UINT index = IndexOf(position);
    VARIANT& coerced = coerced_[position];
    VariantClear(&coerced);
    const HRESULT hr = Coerce(params.rgvarg[index], lcid, kTakes[position], &coerced);
    if (FAILED(hr)) {
      if (arg_err != nullptr) *arg_err = index;
      return CoercionFailure(hr);
    }
    CompVariant& out = variants_[position];
    switch (kTakes[position]) {
      case VT_BSTR:
        out.type = COMP_VT_TEXT;
        out.value.text.units = reinterpret_cast<uint16_t*>(coerced.bstrVal);
        out.value.text.length = coerced.bstrVal == nullptr ? 0 : SysStringLen(coerced.bstrVal);
        break;
      case VT_BOOL:
        out.type = COMP_VT_BOOL;
        out.value.boolean = coerced.boolVal;
        break;
      default:
        out.type = COMP_VT_I4;
        out.value.i4 = coerced.lVal;
        break;
    }
  }
  return S_OK;
}

HRESULT WriteProducedSize(const DISPPARAMS& params, LCID lcid, PictureSize produced,
                          UINT* arg_err) {
  const struct {
    UINT position;
    uint32_t value;
  } sides[] = {{kWidthPosition, produced.width}, {kHeightPosition, produced.height}};
  for (const auto& side : sides) {
    const UINT index = IndexOf(side.position);
    const HRESULT hr = WriteInto(params.rgvarg[index], lcid, side.value);
    if (FAILED(hr)) {
      if (arg_err != nullptr) *arg_err = index;
      return CoercionFailure(hr);
    }
  }
  return S_OK;
}

}  // namespace quorvel
