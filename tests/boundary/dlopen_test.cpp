// The built library as a host that loads it at run time sees it: every export found by name,
// each doing what the header says, and loading and unloading that always succeed around
// conversions. This program does not link the library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "exports/mirtabel_fixed.h"
#include "tests/boundary/test_files.h"

namespace mirtabel::testing {
namespace {

using ConvertFunction = decltype(&ConvertMXP);
using Constructor = void (*)(void* self);
using Assignment = void* (*)(void* self, const void* other);
using FixedFunction = decltype(&fnMirtabel);

// One load of the library.
class Library {
 public:
  Library() : handle_(dlopen(MIRTABEL_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL)) {}
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library() {
    if (handle_ != nullptr) dlclose(handle_);
  }

  bool loaded() const { return handle_ != nullptr; }
  template <typename T>
  T find(const char* name) const {
    return reinterpret_cast<T>(dlsym(handle_, name));
  }
  // Unloads it; returns dlclose's result.
  int close() {
    const int result = dlclose(handle_);
    handle_ = nullptr;
    return result;
  }

 private:
  void* handle_;
};

class Dlopen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    recipes_.add("Bread", {"500 g flour", "", "Knead and bake."});
    recipes_.add("Soup", {"Boil it."});
    ASSERT_TRUE(write_file(dir_ / "in.mxp", recipes_.text));
  }

  void expect_conversion(const Library& library) {
    const auto convert = library.find<ConvertFunction>("ConvertMXP");
    ASSERT_NE(convert, nullptr);
    std::remove((dir_ / "out.txt").c_str());
    EXPECT_EQ(convert(wide(dir_ / "in.mxp").c_str(), wide(dir_ / "out.txt").c_str()), 2);
    EXPECT_EQ(read_file(dir_ / "out.txt"), recipes_.records);
  }

  TempDir dir_;
  RecipeFile recipes_;
};

TEST_F(Dlopen, FindsEveryExportByNameAndUsesIt) {
  Library library;
  ASSERT_TRUE(library.loaded()) << dlerror();

  const auto fixed = library.find<FixedFunction>("_Z10fnMirtabelv");
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed(), 42);

  const auto value = library.find<int*>("nMirtabel");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(*value, 0);

  const auto construct = library.find<Constructor>("_ZN9CMirtabelC1Ev");
  const auto assign = library.find<Assignment>("_ZN9CMirtabelaSERKS_");
  ASSERT_NE(construct, nullptr);
  ASSERT_NE(assign, nullptr);
  alignas(CMirtabel) unsigned char first[sizeof(CMirtabel)], second[sizeof(CMirtabel)];
  construct(first);
  construct(second);
  EXPECT_EQ(assign(first, second), static_cast<void*>(first));

  expect_conversion(library);
}

TEST_F(Dlopen, LoadsAndUnloadsAroundAnyNumberOfConversions) {
  for (int round = 0; round < 20; ++round) {
    Library library;
    ASSERT_TRUE(library.loaded()) << "round " << round << ": " << dlerror();
    for (int i = 0; i < round % 3; ++i)
      expect_conversion(library);
    ASSERT_EQ(library.close(), 0) << "round " << round << ": " << dlerror();
    // Really gone: nothing in it keeps it loaded after the last close.
    void* still_loaded = dlopen(MIRTABEL_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(still_loaded, nullptr) << "round " << round;
    if (still_loaded != nullptr) dlclose(still_loaded);
  }
}

}  // namespace
}  // namespace mirtabel::testing
