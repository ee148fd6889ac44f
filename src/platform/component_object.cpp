#include "platform/component_object.h"

#include <cstdint>
#include <utility>

#include "platform/owned_text.h"

namespace kalvenix {
namespace {

void Release(void* object) {
  auto* held = static_cast<CompObject*>(object);
  held->methods->release(held);
}

}  // namespace

ComponentObject::ComponentObject(ComponentObject&& other) noexcept
    : object_(std::exchange(other.object_, nullptr)) {}

ComponentObject& ComponentObject::operator=(ComponentObject&& other) noexcept {
  if (this != &other) {
    // Take the new object first: the old one goes only once its successor exists.
    void* previous = std::exchange(object_, std::exchange(other.object_, nullptr));
    if (previous != nullptr) Release(previous);
  }
  return *this;
}

ComponentObject::~ComponentObject() { Reset(); }

void ComponentObject::Reset() {
  if (void* previous = std::exchange(object_, nullptr)) Release(previous);
}

CompStatus ComponentObject::Create(const std::string& prog_id, ComponentObject* out) {
  if (out == nullptr) return COMP_E_INVALID_ARGUMENT;
  CompObject* created = nullptr;
  const CompStatus status = CompCreateObject(prog_id.c_str(), &created);
  if (status != COMP_OK) return status;
  ComponentObject fresh;
  fresh.object_ = created;
  *out = std::move(fresh);
  return COMP_OK;
}

CallOutcome ComponentObject::Invoke(const char* name, std::span<CompVariant> args) {
  CallOutcome outcome;
  if (object_ == nullptr || name == nullptr || args.size() > UINT32_MAX) {
    outcome.status = COMP_E_INVALID_ARGUMENT;
    return outcome;
  }
  CompVariant result{};
  CompText message{};
  auto* object = static_cast<CompObject*>(object_);
  outcome.status = object->methods->invoke(object, name, args.data(),
                                           static_cast<uint32_t>(args.size()), &result, &message);
  OwnedVariant owned_result(result);
  OwnedText owned_message = OwnedText::Adopt(message);
  if (outcome.status == COMP_OK) {
    outcome.result = std::move(owned_result);
  } else {
    outcome.message = owned_message.ToString();
  }
  return outcome;
}

}  // namespace kalvenix
