// main for the Windows suites that use COM: the thread that runs the tests
// enters an apartment first, as the program's user-interface thread does.
#include <objbase.h>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const HRESULT entered = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(entered)) {
    std::fprintf(stderr, "CoInitializeEx failed: 0x%08lX\n", static_cast<unsigned long>(entered));
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
