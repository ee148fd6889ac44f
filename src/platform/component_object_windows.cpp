// ComponentObject on COM: CLSIDFromProgID and CoCreateInstance for Create,
// IDispatch::GetIDsOfNames and Invoke for Invoke.
//
// The program's own variants (component_abi.h) stay its representation; a
// call translates them into VARIANTs and back. By-value texts become BSTRs
// lent for the call. A by-reference argument points at a VARIANT of this
// call's own (a BSTR, a LONG, a VARIANT_BOOL): COM's rules let the callee
// free and replace a by-reference BSTR, which the caller's CompText buffer
// (not from SysAllocString) would not survive. After the call, whatever the
// callee left there is copied back into the caller's storage.
//
// How HRESULTs become statuses:
//   creation: no such ProgID or CLSID key (CO_E_CLASSSTRING,
//     REGDB_E_CLASSNOTREG, REGDB_E_READREGDB, REGDB_E_KEYMISSING) ->
//     COMP_E_NOT_REGISTERED; a server DLL that cannot be loaded (the
//     loader's Win32 errors; Wine answers E_ACCESSDENIED) ->
//     COMP_E_LIBRARY_NOT_LOADABLE; a DLL that loads but has no
//     DllGetClassObject (CO_E_ERRORINDLL, ERROR_PROC_NOT_FOUND; Wine answers
//     CO_E_DLLNOTFOUND) -> COMP_E_EXPORT_MISSING; E_OUTOFMEMORY ->
//     COMP_E_OUT_OF_MEMORY; COM not entered on this thread
//     (CO_E_NOTINITIALIZED) -> COMP_E_INTERNAL; anything else the server
//     answered (its class factory's failure) -> COMP_E_CLASS_REFUSED.
//   calls: DISP_E_EXCEPTION -> EXCEPINFO's scode (else its wCode, else
//     DISP_E_EXCEPTION itself), its description the message; unknown names
//     -> COMP_E_UNKNOWN_NAME; refused arguments -> COMP_E_BAD_ARGUMENTS,
//     saying which; E_OUTOFMEMORY -> COMP_E_OUT_OF_MEMORY; any other failure
//     -> the HRESULT itself, without words.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/component_object.h"
#include "platform/owned_text.h"
#include "platform/utf_text.h"

namespace kalvenix {
namespace {

constexpr char16_t kUnknownMethod[] = u"Unbekannte Methode";
constexpr char16_t kOutOfMemory[] = u"Nicht genug Speicher";

// HRESULT_FROM_WIN32 is a function in mingw's headers; case labels need a constant.
constexpr HRESULT FromWin32(DWORD error) {
  return static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
}

IDispatch* AsDispatch(void* object) { return static_cast<IDispatch*>(object); }

CompStatus CreationStatus(HRESULT result) {
  switch (result) {
    case CO_E_CLASSSTRING:
    case REGDB_E_CLASSNOTREG:
    case REGDB_E_READREGDB:
    case REGDB_E_KEYMISSING:
      return COMP_E_NOT_REGISTERED;
    case FromWin32(ERROR_FILE_NOT_FOUND):
    case FromWin32(ERROR_PATH_NOT_FOUND):
    case FromWin32(ERROR_MOD_NOT_FOUND):
    case FromWin32(ERROR_BAD_EXE_FORMAT):
    case FromWin32(ERROR_DLL_INIT_FAILED):
    case E_ACCESSDENIED:  // what Wine's COM answers for a DLL it cannot load
      return COMP_E_LIBRARY_NOT_LOADABLE;
    case CO_E_DLLNOTFOUND:
    case CO_E_ERRORINDLL:
    case FromWin32(ERROR_PROC_NOT_FOUND):
      return COMP_E_EXPORT_MISSING;
    case E_OUTOFMEMORY:
      return COMP_E_OUT_OF_MEMORY;
    case CO_E_NOTINITIALIZED:
      return COMP_E_INTERNAL;
    default:
      return COMP_E_CLASS_REFUSED;
  }
}

std::u16string Counted(BSTR text) {
  if (text == nullptr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

BSTR NewBstr(const CompText& text) {
  BSTR copy = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.units), text.length);
  if (copy == nullptr) throw std::bad_alloc();
  return copy;
}

// The VARIANTs of one call. passed_ is in COM's order (last argument first);
// storage_[i] is what the i-th argument's by-reference VARIANT points into.
// Both are sized once, so the pointers into storage_ stay valid.
class CallArguments {
 public:
  explicit CallArguments(std::span<CompVariant> args)
      : args_(args), passed_(args.size()), storage_(args.size()) {
    for (VARIANT& v : passed_) VariantInit(&v);
    for (VARIANT& v : storage_) VariantInit(&v);
  }
  ~CallArguments() {
    // By-reference VARIANTs own nothing; the rest is ours to free.
    for (VARIANT& v : passed_) VariantClear(&v);
    for (VARIANT& v : storage_) VariantClear(&v);
  }
  CallArguments(const CallArguments&) = delete;
  CallArguments& operator=(const CallArguments&) = delete;

  // COMP_OK, or why an argument cannot be passed.
  CompStatus Build() {
    for (size_t i = 0; i < args_.size(); ++i) {
      const CompStatus status = Translate(args_[i], &passed_[args_.size() - 1 - i], &storage_[i]);
      if (status != COMP_OK) return status;
    }
    return COMP_OK;
  }

  DISPPARAMS Params() {
    return DISPPARAMS{passed_.data(), nullptr, static_cast<UINT>(passed_.size()), 0};
  }

  // Done whatever the call's outcome: a callee may have changed a value before it failed.
  void CopyBack() {
    for (size_t i = 0; i < args_.size(); ++i) {
      const CompVariant& arg = args_[i];
      const VARIANT& stored = storage_[i];
      if (arg.type == (COMP_VT_BYREF | COMP_VT_I4)) {
        *arg.value.p_i4 = stored.lVal;
      } else if (arg.type == (COMP_VT_BYREF | COMP_VT_BOOL)) {
        *arg.value.p_boolean = stored.boolVal;
      } else if (arg.type == (COMP_VT_BYREF | COMP_VT_TEXT)) {
        OwnedText replacement(Counted(stored.bstrVal));
        CompTextFree(arg.value.p_text);
        *arg.value.p_text = std::exchange(*replacement.storage(), CompText{});
      }
    }
  }

 private:
  static CompStatus Translate(const CompVariant& arg, VARIANT* passed, VARIANT* stored) {
    switch (arg.type) {
      case COMP_VT_EMPTY:
        return COMP_OK;
      case COMP_VT_I4:
        passed->vt = VT_I4;
        passed->lVal = arg.value.i4;
        return COMP_OK;
      case COMP_VT_BOOL:
        passed->vt = VT_BOOL;
        passed->boolVal = arg.value.boolean != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return COMP_OK;
      case COMP_VT_TEXT:
        passed->bstrVal = NewBstr(arg.value.text);
        passed->vt = VT_BSTR;
        return COMP_OK;
      case COMP_VT_BYREF | COMP_VT_I4:
        if (arg.value.p_i4 == nullptr) return COMP_E_INVALID_ARGUMENT;
        stored->vt = VT_I4;
        stored->lVal = *arg.value.p_i4;
        passed->vt = VT_BYREF | VT_I4;
        passed->plVal = &stored->lVal;
        return COMP_OK;
      case COMP_VT_BYREF | COMP_VT_BOOL:
        if (arg.value.p_boolean == nullptr) return COMP_E_INVALID_ARGUMENT;
        stored->vt = VT_BOOL;
        stored->boolVal = *arg.value.p_boolean;
        passed->vt = VT_BYREF | VT_BOOL;
        passed->pboolVal = &stored->boolVal;
        return COMP_OK;
      case COMP_VT_BYREF | COMP_VT_TEXT:
        if (arg.value.p_text == nullptr) return COMP_E_INVALID_ARGUMENT;
        stored->bstrVal = NewBstr(*arg.value.p_text);
        stored->vt = VT_BSTR;
        passed->vt = VT_BYREF | VT_BSTR;
        passed->pbstrVal = &stored->bstrVal;
        return COMP_OK;
      default:
        return COMP_E_BAD_ARGUMENTS;
    }
  }

  std::span<CompVariant> args_;
  std::vector<VARIANT> passed_;
  std::vector<VARIANT> storage_;
};

// EXCEPINFO's strings are ours once Invoke returned it.
class ExceptionInfo {
 public:
  ExceptionInfo() = default;
  ~ExceptionInfo() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
  }
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;

  EXCEPINFO* get() { return &info_; }
  CallOutcome Outcome() {
    if (info_.pfnDeferredFillIn != nullptr) info_.pfnDeferredFillIn(&info_);
    CallOutcome outcome;
    outcome.status = info_.scode != 0   ? info_.scode
                     : info_.wCode != 0 ? static_cast<CompStatus>(info_.wCode)
                                        : static_cast<CompStatus>(DISP_E_EXCEPTION);
    outcome.message = Counted(info_.bstrDescription);
    return outcome;
  }

 private:
  EXCEPINFO info_{};
};

// Arguments are numbered from 1 in their natural order; COM counts from the last.
std::u16string ArgumentWords(HRESULT result, UINT arg_error, size_t arg_count) {
  if ((result == DISP_E_TYPEMISMATCH || result == DISP_E_PARAMNOTFOUND) && arg_error < arg_count) {
    const std::string number = std::to_string(arg_count - arg_error);
    return u"Argument " + std::u16string(number.begin(), number.end()) + u" hat den falschen Typ";
  }
  if (result == DISP_E_BADPARAMCOUNT) return u"Falsche Zahl von Argumenten";
  return u"Falsche Argumente";
}

CallOutcome CallFailure(HRESULT result, UINT arg_error, size_t arg_count) {
  switch (result) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
      return {COMP_E_UNKNOWN_NAME, kUnknownMethod, {}};
    case DISP_E_BADPARAMCOUNT:
    case DISP_E_TYPEMISMATCH:
    case DISP_E_PARAMNOTFOUND:
    case DISP_E_PARAMNOTOPTIONAL:
    case DISP_E_BADVARTYPE:
    case DISP_E_NONAMEDARGS:
    case DISP_E_OVERFLOW:
      return {COMP_E_BAD_ARGUMENTS, ArgumentWords(result, arg_error, arg_count), {}};
    case E_OUTOFMEMORY:
      return {COMP_E_OUT_OF_MEMORY, kOutOfMemory, {}};
    default:
      return {static_cast<CompStatus>(result), {}, {}};
  }
}

// The result in the program's terms: numbers, flags and text as they are,
// anything else as text, as the batch takes it.
CallOutcome TakeResult(VARIANT* result) {
  CallOutcome outcome;
  CompVariant taken{};
  switch (result->vt) {
    case VT_EMPTY:
    case VT_NULL:
      break;
    case VT_I4:
      taken.type = COMP_VT_I4;
      taken.value.i4 = result->lVal;
      break;
    case VT_BOOL:
      taken.type = COMP_VT_BOOL;
      taken.value.boolean = result->boolVal;
      break;
    default: {
      // VARIANT_NOVALUEPROP: an object's default property is not ours to call.
      const HRESULT changed = VariantChangeType(result, result, VARIANT_NOVALUEPROP, VT_BSTR);
      if (FAILED(changed)) {
        outcome.status = changed;
        outcome.message = u"Das Ergebnis des Konverters ist kein Text";
        return outcome;
      }
      [[fallthrough]];
    }
    case VT_BSTR: {
      OwnedText text(Counted(result->bstrVal));
      taken.type = COMP_VT_TEXT;
      taken.value.text = std::exchange(*text.storage(), CompText{});
      break;
    }
  }
  outcome.result = OwnedVariant(taken);
  return outcome;
}

CallOutcome Call(IDispatch* object, const char* name, std::span<CompVariant> args) {
  std::u16string wide_name = Utf8ToUtf16(name);
  LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(wide_name.data())};
  DISPID id = DISPID_UNKNOWN;
  HRESULT result = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(result)) return CallFailure(result, 0, args.size());

  CallArguments arguments(args);
  if (const CompStatus status = arguments.Build(); status != COMP_OK)
    return {status, ArgumentWords(E_INVALIDARG, 0, args.size()), {}};
  DISPPARAMS params = arguments.Params();
  VARIANT value;
  VariantInit(&value);
  ExceptionInfo exception;
  UINT arg_error = 0;
  result = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &value,
                          exception.get(), &arg_error);
  arguments.CopyBack();
  CallOutcome outcome;
  if (SUCCEEDED(result)) {
    outcome = TakeResult(&value);
  } else if (result == DISP_E_EXCEPTION) {
    outcome = exception.Outcome();
  } else {
    outcome = CallFailure(result, arg_error, args.size());
  }
  VariantClear(&value);
  return outcome;
}

}  // namespace

ComponentObject::ComponentObject(ComponentObject&& other) noexcept
    : object_(std::exchange(other.object_, nullptr)) {}

ComponentObject& ComponentObject::operator=(ComponentObject&& other) noexcept {
  if (this != &other) {
    // Take the new object first: the old one goes only once its successor exists.
    void* previous = std::exchange(object_, std::exchange(other.object_, nullptr));
    if (previous != nullptr) AsDispatch(previous)->Release();
  }
  return *this;
}

ComponentObject::~ComponentObject() { Reset(); }

void ComponentObject::Reset() {
  if (void* previous = std::exchange(object_, nullptr)) AsDispatch(previous)->Release();
}

CompStatus ComponentObject::Create(const std::string& prog_id, ComponentObject* out) {
  if (out == nullptr || prog_id.empty() || prog_id.find('\0') != std::string::npos)
    return COMP_E_INVALID_ARGUMENT;
  try {
    const std::u16string wide_id = Utf8ToUtf16(prog_id);
    CLSID class_id{};
    HRESULT result = CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(wide_id.c_str()), &class_id);
    if (FAILED(result)) return CreationStatus(result);
    IDispatch* created = nullptr;
    result = CoCreateInstance(class_id, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&created));
    if (FAILED(result)) return CreationStatus(result);
    if (created == nullptr) return COMP_E_CLASS_REFUSED;
    ComponentObject fresh;
    fresh.object_ = created;
    *out = std::move(fresh);
    return COMP_OK;
  } catch (const std::bad_alloc&) {
    return COMP_E_OUT_OF_MEMORY;
  }
}

CallOutcome ComponentObject::Invoke(const char* name, std::span<CompVariant> args) {
  if (object_ == nullptr || name == nullptr || args.size() > UINT32_MAX)
    return {COMP_E_INVALID_ARGUMENT, {}, {}};
  try {
    return Call(AsDispatch(object_), name, args);
  } catch (const std::bad_alloc&) {
    return {COMP_E_OUT_OF_MEMORY, kOutOfMemory, {}};
  }
}

}  // namespace kalvenix
