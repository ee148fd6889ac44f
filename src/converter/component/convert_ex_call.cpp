#include "converter/component/convert_ex_call.h"

#include <optional>
#include <string_view>

#include "converter/component/utf16_text.h"

namespace quorvel {
namespace {

Status BadArgument(uint32_t position, const char* what) {
  return Fail(Error::kBadArguments, "Argument " + std::to_string(position) + ": " + what);
}

Status ReadText(const CompVariant& v, uint32_t position, std::string* out) {
  const CompText* text = nullptr;
  if (v.type == COMP_VT_TEXT) {
    text = &v.value.text;
  } else if (v.type == (COMP_VT_TEXT | COMP_VT_BYREF)) {
    text = v.value.p_text;
  } else {
    return BadArgument(position, "Text erwartet");
  }
  if (text == nullptr || (text->units == nullptr && text->length != 0)) {
    return BadArgument(position, "leerer Verweis");
  }
  const std::u16string_view units(reinterpret_cast<const char16_t*>(text->units), text->length);
  std::optional<std::string> path = Utf16PathToUtf8(units);
  if (!path || path->empty()) return BadArgument(position, "kein gültiger Pfad");
  *out = std::move(*path);
  return Status::Ok();
}

Status ReadI4(const CompVariant& v, uint32_t position, int32_t* out, int32_t** reference) {
  if (v.type == COMP_VT_I4) {
    *out = v.value.i4;
    return Status::Ok();
  }
  if (v.type == (COMP_VT_I4 | COMP_VT_BYREF)) {
    if (v.value.p_i4 == nullptr) return BadArgument(position, "leerer Verweis");
    *out = *v.value.p_i4;
    if (reference != nullptr) *reference = v.value.p_i4;
    return Status::Ok();
  }
  return BadArgument(position, "ganze Zahl erwartet");
}

Status ReadBool(const CompVariant& v, uint32_t position, bool* out) {
  if (v.type == COMP_VT_BOOL) {
    *out = v.value.boolean != 0;
  } else if (v.type == (COMP_VT_BOOL | COMP_VT_BYREF)) {
    if (v.value.p_boolean == nullptr) return BadArgument(position, "leerer Verweis");
    *out = *v.value.p_boolean != 0;
  } else {
    int32_t number = 0;
    Status status = ReadI4(v, position, &number, nullptr);
    if (!status.ok()) return BadArgument(position, "Wahrheitswert erwartet");
    *out = number != 0;
  }
  return Status::Ok();
}

}  // namespace

Status ParseConvertExCall(const CompVariant* args, uint32_t count, ConvertExCall* out) {
  if (count != kConvertExArgumentCount || args == nullptr) {
    return Fail(Error::kBadArguments, std::to_string(count) + " statt 6 Argumente");
  }
  ConvertExCall call;
  Status status = ReadText(args[0], 1, &call.source);
  if (status.ok()) status = ReadText(args[1], 2, &call.destination);
  if (status.ok()) status = ReadI4(args[2], 3, &call.box.width, &call.width_out);
  if (status.ok()) status = ReadI4(args[3], 4, &call.box.height, &call.height_out);
  if (status.ok()) status = ReadBool(args[4], 5, &call.transparency);
  if (status.ok()) status = ReadI4(args[5], 6, &call.quality, nullptr);
  if (!status.ok()) return status;
  *out = std::move(call);
  return Status::Ok();
}

}  // namespace quorvel
