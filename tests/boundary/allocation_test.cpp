// Counts the heap allocations made during ConvertMXP of a 1 KB and of a 10 MB input, and during
// mirtabel_convert of an input with a recipe it leaves out, with a side file and a callback. All
// must be zero: the conversion works in fixed memory on the stack. This program replaces the C
// allocator's entry points for the whole process (the library included) and forwards them to
// glibc, so it cannot run under a sanitizer, which replaces them too.
#include <errno.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exports/mirtabel.h"
#include "tests/boundary/test_files.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
std::atomic<long> releases{0};

void note_allocation() {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) noexcept {
  note_allocation();
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept {
  note_allocation();
  return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) noexcept {
  note_allocation();
  return __libc_realloc(block, size);
}

void free(void* block) noexcept {
  if (block != nullptr && counting.load(std::memory_order_relaxed)) releases.fetch_add(1);
  __libc_free(block);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept {
  note_allocation();
  return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
  note_allocation();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** block, std::size_t alignment, std::size_t size) noexcept {
  note_allocation();
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  *block = __libc_memalign(alignment, size);
  return *block == nullptr ? ENOMEM : 0;
}

void* valloc(std::size_t size) noexcept {
  note_allocation();
  return __libc_memalign(4096, size);
}

}  // extern "C"

namespace {

struct Measured {
  int records;
  long allocations;
  long releases;
};

Measured measure(const mirtabel::testing::TempDir& dir, const char* name, std::size_t bytes,
                 bool& ok) {
  using namespace mirtabel::testing;
  const RecipeFile recipes = generated_recipes(bytes);
  if (!write_file(dir / name, recipes.text)) {
    std::printf("cannot write %s\n", (dir / name).c_str());
    ok = false;
    return {};
  }
  const std::wstring input = wide(dir / name), output = wide(dir / "out.txt");
  allocations = 0;
  releases = 0;
  counting = true;
  const int records = ConvertMXP(input.c_str(), output.c_str());
  counting = false;
  const Measured measured{records, allocations.load(), releases.load()};
  std::printf("ConvertMXP of %zu bytes: %d records, %ld allocations, %ld frees\n",
              recipes.text.size(), records, measured.allocations, measured.releases);
  if (records != recipes.count || read_file(dir / "out.txt") != recipes.records) {
    std::printf("  wrong result: expected %d records\n", recipes.count);
    ok = false;
  }
  return measured;
}

// mirtabel_convert of recipes with one too long to be a record between them.
long measure_api(const mirtabel::testing::TempDir& dir, bool& ok) {
  using namespace mirtabel::testing;
  RecipeFile recipes = generated_recipes(1000);
  const std::string text = recipes.text;
  recipes.add("Too long", std::vector<std::string>(100, std::string(99, 'y')));
  recipes.text += text;
  const std::string input = dir / "long.mxp", output = dir / "long.txt",
                    side = dir / "long.left-out.mxp";
  if (!write_file(input, recipes.text)) ok = false;
  int heard = 0;
  mirtabel_options options{};
  options.size = sizeof options;
  options.left_out_path = side.c_str();
  options.left_out = [](void* context, const mirtabel_left_out*) { ++*static_cast<int*>(context); };
  options.left_out_context = &heard;
  mirtabel_report report{};
  report.size = sizeof report;
  allocations = 0;
  counting = true;
  const int code = mirtabel_convert(input.c_str(), output.c_str(), &options, &report);
  counting = false;
  std::printf("mirtabel_convert with a side file: %d records, %d left out, %ld allocations\n",
              report.records, report.left_out, allocations.load());
  if (code != MIRTABEL_OK || report.left_out != 1 || heard != 1 || read_file(side) == "<missing>") {
    std::printf("  wrong result: code %d\n", code);
    ok = false;
  }
  return allocations.load();
}

}  // namespace

int main() {
  // The replacement must be the allocator the program really uses. (Called through a volatile
  // pointer, which the compiler cannot see through and remove as an unused allocation.)
  void* (*volatile allocate)(std::size_t) = std::malloc;
  allocations = 0;
  counting = true;
  void* probe = allocate(16);
  counting = false;
  std::free(probe);
  if (allocations != 1) {
    std::printf("the allocator replacement is not in effect\n");
    return 1;
  }

  mirtabel::testing::TempDir dir;
  if (!dir.ok()) return 1;
  bool ok = true;
  const Measured small = measure(dir, "small.mxp", 1000, ok);
  const Measured large = measure(dir, "large.mxp", 10000000, ok);
  if (small.allocations != large.allocations) {
    std::printf("allocations grow with the input\n");
    ok = false;
  }
  if (small.allocations != 0 || large.allocations != 0 || small.releases != 0 ||
      large.releases != 0) {
    std::printf("the conversion uses the heap\n");
    ok = false;
  }
  if (measure_api(dir, ok) != 0) {
    std::printf("the conversion API uses the heap\n");
    ok = false;
  }
  return ok ? 0 : 1;
}
