// Clang's thread-safety attributes, so that what a mutex guards is checked
// by the compiler (-Wthread-safety) rather than stated in a comment. Under
// other compilers they expand to nothing.
// Thread-safety: macros only.
#ifndef KALVENIX_CONVERTER_BASE_THREAD_ANNOTATIONS_H_
#define KALVENIX_CONVERTER_BASE_THREAD_ANNOTATIONS_H_

#if defined(__clang__)
#define KALVENIX_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define KALVENIX_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) KALVENIX_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY KALVENIX_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) KALVENIX_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) KALVENIX_THREAD_ANNOTATION(pt_guarded_by(x))
#define REQUIRES(...) KALVENIX_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) KALVENIX_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) KALVENIX_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) KALVENIX_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) KALVENIX_THREAD_ANNOTATION(assert_capability(x))
#define NO_THREAD_SAFETY_ANALYSIS KALVENIX_THREAD_ANNOTATION(no_thread_safety_analysis)

#endif  // KALVENIX_CONVERTER_BASE_THREAD_ANNOTATIONS_H_
