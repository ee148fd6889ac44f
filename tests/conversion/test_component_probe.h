// The batch tests' handle on the test component: loads the same library the
// component system loads (the system hands out one instance per file),
// resets it, and reads its record. Also clears "Dravimo.Compendium" from the
// registration, so that every test starts as a fresh program does: with
// nothing registered. One implementation per system, beside this header.
#ifndef KALVENIX_TESTS_CONVERSION_TEST_COMPONENT_PROBE_H_
#define KALVENIX_TESTS_CONVERSION_TEST_COMPONENT_PROBE_H_

#include <cstdint>
#include <memory>
#include <string>

namespace kalvenix {

class TestComponentProbe {
 public:
  // Uses the component where the build put it, or a copy made in `folder`
  // (which it creates). Throws when the component cannot be loaded.
  explicit TestComponentProbe(const std::u16string& folder = u"");
  ~TestComponentProbe();
  TestComponentProbe(const TestComponentProbe&) = delete;
  TestComponentProbe& operator=(const TestComponentProbe&) = delete;

  // The folder the component lies in, as the batch gets the executable's folder.
  std::u16string Folder() const;
  // The record's line for a registration of this component.
  std::string RegisteredLine() const;

  void RegisterDirectly();
  void RefuseCreationsAfter(int32_t count);
  void FailConvertFor(const std::string& source);
  void FailConvertWith(const std::string& source, const std::u16string& message);
  void SetRegisterDelay(uint32_t milliseconds);
  int32_t LiveObjects();
  std::string Record();

 private:
  struct Library;
  std::unique_ptr<Library> library_;
};

}  // namespace kalvenix

#endif  // KALVENIX_TESTS_CONVERSION_TEST_COMPONENT_PROBE_H_
