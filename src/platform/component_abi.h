/* The plain-C boundary between the component runtime and component libraries.
 *
 * Everything that crosses a dlopen boundary is declared here and nothing else:
 * fixed-width integers, opaque objects with a function table, counted UTF-16
 * text, and int32_t status codes. No C++ exception and no STL type ever crosses
 * it, so a component built separately, with another compiler or standard
 * library, works as long as it follows this header.
 *
 * Ownership:
 *  - An object returned by a class-object export or by CompCreateObject holds
 *    one reference for the caller; the caller gives it back with release().
 *  - CompText buffers are owned by whoever holds them and are allocated and
 *    freed only through CompTextAlloc / CompTextFree of the runtime, so text can
 *    change hands across the boundary (like BSTR).
 *  - A by-value text argument is borrowed for the call only. A by-reference
 *    argument points at the caller's storage; the callee may replace a
 *    by-reference text by freeing the old buffer and storing a new one.
 *  - A result variant and an error message are filled by the callee and owned
 *    by the caller afterwards (CompVariantClear / CompTextFree).
 *
 * Thread-safety: the runtime's functions may be called from any thread; an
 * object's methods are called from one thread at a time.
 */
#ifndef KALVENIX_PLATFORM_COMPONENT_ABI_H_
#define KALVENIX_PLATFORM_COMPONENT_ABI_H_

#include <stdint.h>

/* On Windows the runtime is compiled into the program (COM is the system's),
 * so there is nothing to export. */
#if defined(__GNUC__) && !defined(_WIN32)
#define COMP_EXPORT __attribute__((visibility("default")))
#else
#define COMP_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes. 0 is success; the runtime's own failures are 1..99; a
 * component raises its own errors with codes of 100 and above. */
typedef int32_t CompStatus;
enum {
  COMP_OK = 0,
  COMP_E_NOT_REGISTERED = 1,      /* no library registered for the ProgID */
  COMP_E_LIBRARY_NOT_LOADABLE = 2,/* missing file, not a library, unresolved needs */
  COMP_E_EXPORT_MISSING = 3,      /* the library lacks CompGetClassObject */
  COMP_E_CLASS_REFUSED = 4,       /* the class-object export gave no object */
  COMP_E_UNKNOWN_NAME = 5,        /* no method of that name */
  COMP_E_BAD_ARGUMENTS = 6,       /* wrong count or types of arguments */
  COMP_E_OUT_OF_MEMORY = 7,
  COMP_E_INTERNAL = 8,            /* a fault that no other code describes */
  COMP_E_INVALID_ARGUMENT = 9,    /* a null pointer or empty name given to the runtime */
  COMP_E_COMPONENT_FIRST = 100
};

/* Counted UTF-16 text; may hold NUL code units. units is NULL only when
 * length is 0. */
typedef struct CompText {
  uint16_t* units;
  uint32_t length;
} CompText;

/* Variant types. The values follow the classic VARIANT codes so that traces
 * read familiarly; COMP_VT_BYREF is or-ed onto I4, BOOL and TEXT. */
enum {
  COMP_VT_EMPTY = 0,
  COMP_VT_I4 = 3,
  COMP_VT_TEXT = 8,
  COMP_VT_BOOL = 11,
  COMP_VT_BYREF = 0x4000
};

/* Boolean: True is -1 (all bits set), False is 0; any non-zero value is true. */
typedef int16_t CompBool;
#define COMP_TRUE ((CompBool)-1)
#define COMP_FALSE ((CompBool)0)

typedef struct CompVariant {
  uint16_t type;
  union {
    int32_t i4;          /* COMP_VT_I4 */
    CompBool boolean;    /* COMP_VT_BOOL */
    CompText text;       /* COMP_VT_TEXT: owned by the variant's holder */
    int32_t* p_i4;       /* COMP_VT_BYREF | COMP_VT_I4 */
    CompBool* p_boolean; /* COMP_VT_BYREF | COMP_VT_BOOL */
    CompText* p_text;    /* COMP_VT_BYREF | COMP_VT_TEXT */
  } value;
} CompVariant;

typedef struct CompObject CompObject;

typedef struct CompMethods {
  uint32_t (*add_ref)(CompObject* self);
  /* Returns the remaining count; the object is gone when it returns 0. */
  uint32_t (*release)(CompObject* self);
  /* Calls the method `name` (UTF-8, case-sensitive) with args[0..arg_count)
   * in natural order (first parameter first). On success fills *result and
   * returns COMP_OK. On failure returns a non-zero status and, when
   * error_message is not NULL, stores a short message there (caller frees).
   * A failed call leaves the object usable. */
  CompStatus (*invoke)(CompObject* self, const char* name, CompVariant* args,
                       uint32_t arg_count, CompVariant* result,
                       CompText* error_message);
} CompMethods;

/* Every object begins with its function table; the rest is the component's. */
struct CompObject {
  const CompMethods* methods;
};

/* ---- What a component library exports ---------------------------------- */

/* Creates a new object of the class registered as prog_id (UTF-8). */
typedef CompStatus (*CompGetClassObjectFn)(const char* prog_id, CompObject** out);
#define COMP_CLASS_OBJECT_EXPORT "CompGetClassObject"
/* Self-registration: no arguments, a 32-bit status. */
typedef int32_t (*CompRegisterServerFn)(void);
#define COMP_REGISTER_EXPORT "DllRegisterServer"
#define COMP_UNREGISTER_EXPORT "DllUnregisterServer"

/* ---- What the runtime library exports ---------------------------------- */

/* The class registry lives in the process and is never saved. ProgIDs are
 * compared exactly (case-sensitive). Registering a ProgID again replaces its
 * library path; unregistering one that is not registered returns
 * COMP_E_NOT_REGISTERED. */
COMP_EXPORT CompStatus CompRegisterClass(const char* prog_id, const char* library_path);
COMP_EXPORT CompStatus CompUnregisterClass(const char* prog_id);

/* Looks prog_id up, loads its library (kept loaded for the life of the process
 * once an object exists) and asks its class-object export for a new object. */
COMP_EXPORT CompStatus CompCreateObject(const char* prog_id, CompObject** out);

/* Text allocation shared by every module of the process. CompTextAlloc copies
 * `length` units (units may be NULL only with length 0) and returns COMP_OK or
 * COMP_E_OUT_OF_MEMORY; CompTextFree accepts an empty text and empties it. */
COMP_EXPORT CompStatus CompTextAlloc(const uint16_t* units, uint32_t length, CompText* out);
COMP_EXPORT void CompTextFree(CompText* text);

/* Frees what a variant owns (a by-value text) and makes it empty. */
COMP_EXPORT void CompVariantClear(CompVariant* variant);

#ifdef __cplusplus
}  /* extern "C" */
#endif

#endif  /* KALVENIX_PLATFORM_COMPONENT_ABI_H_ */
