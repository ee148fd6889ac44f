// The component object of the class "Dravimo.Compendium".
//
// A Compendium is a reference count, the method table and its share of the
// converter context (converter_context.h): creating one per file, as the
// batch does, costs one small allocation, and releasing the last one ends
// the component's worker thread. Its one method
// `convertEx` runs ConvertFile synchronously and writes the produced size
// back into the by-reference width and height.
// Thread-safety: an object's methods are called from one thread at a time;
// different objects may work at once.
#ifndef KALVENIX_CONVERTER_COMPONENT_COMPENDIUM_H_
#define KALVENIX_CONVERTER_COMPONENT_COMPENDIUM_H_

#include "platform/component_abi.h"

namespace quorvel {

inline constexpr char kProgId[] = "Dravimo.Compendium";

// A new object holding one reference for the caller. Never throws.
CompStatus CreateCompendium(CompObject** out) noexcept;

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_COMPONENT_COMPENDIUM_H_
