/* The test component's own exports, beside its component ABI: the tests
 * steer it and read what it recorded. Plain C, as everything that crosses
 * dlopen.
 *
 * The record is UTF-8, one line per event:
 *   "register <own path>"   DllRegisterServer ran (after its delay)
 *   "unregister"            DllUnregisterServer ran
 *   "create <n>"            object n was created (numbered from 1)
 *   "refuse"                a creation was refused
 *   "release <n>"           object n lost its last reference
 *   "convertEx <n> <args>"  a call on object n; each argument is written as
 *                           ["&"]<type>=<value>, "&" marking by-reference, type
 *                           one of empty, i4, bool, text, or the number.
 *   "failed <n>"            that convertEx call was made to fail */
#ifndef KALVENIX_TESTS_CONVERSION_TEST_COMPONENT_CONTROL_H_
#define KALVENIX_TESTS_CONVERSION_TEST_COMPONENT_CONTROL_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Forgets the record and every setting; numbering starts again at 1. */
typedef void (*TestComponentResetFn)(void);
/* Creations after the first `count` are refused; -1 refuses none. */
typedef void (*TestComponentRefuseCreationsAfterFn)(int32_t count);
/* convertEx fails (status 116, a message) when its source is `source`. */
typedef void (*TestComponentFailConvertForFn)(const char* source);
/* The same with the given message (UTF-16); length 0 gives no message. */
typedef void (*TestComponentFailConvertWithFn)(const char* source, const uint16_t* message,
                                               uint32_t length);
/* DllRegisterServer sleeps this long before it registers. */
typedef void (*TestComponentSetRegisterDelayFn)(uint32_t milliseconds);
/* Copies up to `capacity` bytes of the record; returns its whole length. */
typedef uint32_t (*TestComponentRecordFn)(char* buffer, uint32_t capacity);
typedef int32_t (*TestComponentLiveObjectsFn)(void);
/* COM only: registers the class as DllRegisterServer does, without its delay
 * and without a record line (the Linux runtime registers from outside). */
typedef int32_t (*TestComponentRegisterQuietlyFn)(void);  /* STDAPI: one convention on x86-64 */

#ifdef __cplusplus
}
#endif

#endif /* KALVENIX_TESTS_CONVERSION_TEST_COMPONENT_CONTROL_H_ */
