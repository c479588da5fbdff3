// The controller loads the library by its name. A test program linked against the test build
// must reach the very instance it scripts, not a second copy of the library.
#include <dlfcn.h>

#include "library_fixture.h"

namespace varnel::testing {
namespace {

using LoadingTest = LibraryTest;

TEST_F(LoadingTest, LoadingByNameYieldsTheLinkedInstance) {
  ASSERT_NE(dlopen("libVarnel.so", RTLD_NOW | RTLD_NOLOAD), nullptr)
      << "the linked library does not answer to its name";
  void* library = dlopen("libVarnel.so", RTLD_NOW);
  ASSERT_NE(library, nullptr) << dlerror();
  using Open = std::int16_t (*)(std::int16_t, std::int16_t);
  const auto open = reinterpret_cast<Open>(dlsym(library, "OpenUsbDevice"));
  EXPECT_EQ(open, &OpenUsbDevice);

  simbus::AddBoard();
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open(0x1234, 0x6789), -1);
  EXPECT_EQ(simbus::LiveHandles(), 1) << "the loaded functions work on another bus";
  dlclose(library);
}

}  // namespace
}  // namespace varnel::testing
