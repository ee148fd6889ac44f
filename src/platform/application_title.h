// The application title: the caption of every message the program shows.
// Apart from the message-box headers so that the Qt-free Windows backends
// share the one spelling.
#ifndef KALVENIX_PLATFORM_APPLICATION_TITLE_H_
#define KALVENIX_PLATFORM_APPLICATION_TITLE_H_

namespace kalvenix {

inline constexpr char16_t kApplicationTitle[] = u"Kalvenix";

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_APPLICATION_TITLE_H_
