#include "converter/component/compendium.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <type_traits>

#include "converter/component/convert_ex_call.h"
#include "converter/component/convert_ex_method.h"
#include "converter/component/utf16_text.h"
#include "converter/pipeline/converter_context.h"

namespace quorvel {
namespace {

struct Compendium {
  CompObject base;  // first, so a CompObject* is a Compendium*
  std::atomic<uint32_t> references;
  ContextUse context;
};
static_assert(std::is_standard_layout_v<Compendium>);

Compendium* Self(CompObject* object) { return reinterpret_cast<Compendium*>(object); }

uint32_t AddRef(CompObject* self) {
  return Self(self)->references.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t Release(CompObject* self) {
  const uint32_t left = Self(self)->references.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) std::unique_ptr<Compendium> gone(Self(self));
  return left;
}

void StoreMessage(const Status& status, CompText* error_message) {
  if (error_message == nullptr) return;
  const std::u16string units = Utf8ToUtf16(FailureMessage(status));
  // Without memory for the message the code alone still tells the failure.
  if (CompTextAlloc(reinterpret_cast<const uint16_t*>(units.data()),
                    static_cast<uint32_t>(units.size()), error_message) != COMP_OK) {
    error_message->units = nullptr;
    error_message->length = 0;
  }
}

CompStatus Invoke(CompObject* self, const char* name, CompVariant* args, uint32_t arg_count,
                  CompVariant* result, CompText* error_message) {
  if (name == nullptr || std::strcmp(name, kConvertExName) != 0) return COMP_E_UNKNOWN_NAME;
  Status status;
  try {
    PictureSize produced;
    status = RunConvertEx(args, arg_count, Self(self)->context.get(), &produced);
  } catch (const std::bad_alloc&) {
    status = Fail(Error::kOutOfMemory);
  } catch (...) {
    status = Fail(Error::kInternal);
  }
  if (!status.ok()) {
    try {
      StoreMessage(status, error_message);
    } catch (...) {
      // the code still reaches the caller
    }
    return static_cast<CompStatus>(status.code);
  }
  // The batch only takes the result as text; 0 reads as "0".
  if (result != nullptr) {
    result->type = COMP_VT_I4;
    result->value.i4 = 0;
  }
  return COMP_OK;
}

const CompMethods kMethods = {AddRef, Release, Invoke};

}  // namespace

CompStatus CreateCompendium(CompObject** out) noexcept {
  if (out == nullptr) return COMP_E_INVALID_ARGUMENT;
  auto object = std::unique_ptr<Compendium>(new (std::nothrow) Compendium);
  if (!object || object->context.get() == nullptr) return COMP_E_OUT_OF_MEMORY;
  object->base.methods = &kMethods;
  object->references.store(1, std::memory_order_relaxed);
  *out = &object.release()->base;
  return COMP_OK;
}

}  // namespace quorvel
