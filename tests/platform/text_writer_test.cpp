// The text writer: bytes reach the sink unchanged and in order, however the writes are cut
// against its buffer, and a failed write stops all output and is reported.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/text_writer.h"
#include "tests/support/memory_streams.h"

namespace mirtabel {
namespace {

using testing::MemorySink;

// Distinct bytes, so that a piece written twice, dropped or out of order shows.
std::string pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

void write_in_pieces(TextWriter& writer, const std::string& bytes,
                     std::initializer_list<std::size_t> piece_sizes) {
  std::size_t at = 0;
  for (std::size_t i = 0; at < bytes.size(); ++i) {
    std::size_t n = *(piece_sizes.begin() + i % piece_sizes.size());
    if (n > bytes.size() - at) n = bytes.size() - at;
    writer.write(reinterpret_cast<const unsigned char*>(bytes.data()) + at, n);
    at += n;
  }
}

TEST(TextWriter, PassesBytesThroughUnchangedAcrossItsBuffer) {
  const std::string bytes = pattern(3 * kIoBufferSize + 17);
  const std::initializer_list<std::size_t> schedules[] = {
      {1},
      {kIoBufferSize - 1, 1, 2},
      {kIoBufferSize},
      {3, kIoBufferSize + 5},
      {2 * kIoBufferSize + 1, 1},
  };
  for (const auto& schedule : schedules) {
    MemorySink sink;
    TextWriter writer(sink);
    write_in_pieces(writer, bytes, schedule);
    EXPECT_EQ(writer.flush(), 0);
    EXPECT_EQ(sink.text(), bytes) << "first piece " << *schedule.begin();
  }
}

TEST(TextWriter, StopsAtTheFirstFailedWriteAndReportsIt) {
  const std::string bytes = pattern(4 * kIoBufferSize);
  for (std::size_t limit : {std::size_t{0}, kIoBufferSize - 1, kIoBufferSize, 3 * kIoBufferSize}) {
    MemorySink sink;
    sink.fail_after(limit, ENOSPC);
    TextWriter writer(sink);
    write_in_pieces(writer, bytes, {100, kIoBufferSize + 3});
    EXPECT_EQ(writer.flush(), ENOSPC) << "limit " << limit;
    EXPECT_EQ(writer.error(), ENOSPC);
    // What arrived is a true beginning of the output, never more than the sink took.
    EXPECT_LE(sink.text().size(), limit);
    EXPECT_EQ(sink.text(), bytes.substr(0, sink.text().size()));
    // Nothing more gets through, and the failure is not forgotten.
    const std::size_t held = sink.text().size();
    writer.write(reinterpret_cast<const unsigned char*>("x"), 1);
    EXPECT_EQ(writer.flush(), ENOSPC);
    EXPECT_EQ(sink.text().size(), held);
  }
}

}  // namespace
}  // namespace mirtabel
