// The Compendium object: IDispatch over convertEx (see compendium_class.h).
#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <new>
#include <string>

#include "converter/component/compendium_class.h"
#include "converter/component/convert_ex_method.h"
#include "converter/component/dispatch_arguments.h"
#include "converter/component/utf16_text.h"
#include "converter/pipeline/converter_context.h"

namespace quorvel {
namespace {

BSTR AllocText(std::u16string_view text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                           static_cast<UINT>(text.size()));
}

// A caller that gets DISP_E_EXCEPTION owns the strings.
void FillException(const Status& status, EXCEPINFO* info) {
  if (info == nullptr) return;
  *info = EXCEPINFO{};
  info->scode = ConverterHresult(status.code);
  info->bstrSource = SysAllocString(kProgIdW);
  try {
    info->bstrDescription = AllocText(Utf8ToUtf16(FailureMessage(status)));
  } catch (...) {
    // The scode still says what failed.
  }
}

class Compendium final : public IDispatch {
 public:
  Compendium() { Counts().objects.fetch_add(1, std::memory_order_relaxed); }
  ~Compendium() { Counts().objects.fetch_sub(1, std::memory_order_acq_rel); }
  Compendium(const Compendium&) = delete;
  Compendium& operator=(const Compendium&) = delete;

  bool usable() const { return context_.get() != nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

  ULONG STDMETHODCALLTYPE AddRef() override {
    return references_.fetch_add(1, std::memory_order_relaxed) + 1;
  }

  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    // The last object's ContextUse joins the worker thread here, on the
    // caller's thread, never inside DllMain.
    if (left == 0) delete this;
    return left;
  }

  // No type library: late binding goes through GetIDsOfNames.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    // VB's late binding sends the name as the caller typed it.
    const bool known = names[0] != nullptr &&
                       CompareStringOrdinal(names[0], -1, kConvertExNameW, -1, TRUE) == CSTR_EQUAL;
    ids[0] = known ? kConvertExDispId : DISPID_UNKNOWN;
    // Any further names are parameter names, and convertEx takes none by name.
    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return known && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* arg_err) override {
    try {
      return InvokeConvertEx(id, riid, lcid, flags, params, result, exception, arg_err);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 private:
  HRESULT InvokeConvertEx(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                          VARIANT* result, EXCEPINFO* exception, UINT* arg_err) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    // A script that uses the result calls with METHOD|PROPERTYGET.
    if (id != kConvertExDispId || (flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (params == nullptr) return E_INVALIDARG;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs != kConvertExArgumentCount) return DISP_E_BADPARAMCOUNT;
    if (params->rgvarg == nullptr) return E_INVALIDARG;

    DispatchArguments arguments;
    HRESULT hr = arguments.Read(*params, lcid, arg_err);
    if (FAILED(hr)) return hr;
    PictureSize produced;
    const Status status = RunConvertEx(arguments.variants(), kConvertExArgumentCount,
                                       context_.get(), &produced);
    if (!status.ok()) {
      FillException(status, exception);
      return DISP_E_EXCEPTION;
    }
    hr = WriteProducedSize(*params, lcid, produced, arg_err);
    if (FAILED(hr)) return hr;
    // The batch takes the result as text; 0 reads as "0", as on Linux.
    if (result != nullptr) {
      VariantInit(result);
      result->vt = VT_I4;
      result->lVal = 0;
    }
    return S_OK;
  }

  std::atomic<ULONG> references_{1};
  ContextUse context_;
};

}  // namespace

HRESULT CreateCompendium(REFIID riid, void** out) noexcept {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  Compendium* object = new (std::nothrow) Compendium;
  if (object == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = object->usable() ? object->QueryInterface(riid, out) : E_OUTOFMEMORY;
  object->Release();  // the creation's own reference; the caller's, if any, remains
  return hr;
}

}  // namespace quorvel
