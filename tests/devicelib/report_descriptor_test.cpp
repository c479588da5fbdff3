#include "linux/report_descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace varnel::linux_hidraw {
namespace {

using Bytes = std::vector<std::uint8_t>;

ReportLengths Parse(const Bytes& descriptor) {
  return ParseReportDescriptor(descriptor);
}

// The LED board: a vendor collection with one 8-byte feature report, no report IDs.
const Bytes kBoard = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF,
                      0x00, 0x75, 0x08, 0x95, 0x08, 0x09, 0x01, 0xB1, 0x02, 0xC0};

// A USB boot mouse: three buttons, five bits of padding, X and Y, an input report only.
const Bytes kMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
                      0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
                      0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
                      0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};

TEST(ReportDescriptor, AFeatureReportWithoutIdsCountsTheIdByteToo) {
  const ReportLengths board = Parse(kBoard);
  EXPECT_EQ(board.feature, 9);
  EXPECT_EQ(board.input, 0);
  EXPECT_EQ(board.output, 0);
  EXPECT_EQ(board.usage_page, 0xFF00);
  EXPECT_EQ(board.usage, 1);

  const ReportLengths mouse = Parse(kMouse);
  EXPECT_EQ(mouse.input, 4);
  EXPECT_EQ(mouse.feature, 0);
  EXPECT_EQ(mouse.usage_page, 1);
  EXPECT_EQ(mouse.usage, 2);
}

TEST(ReportDescriptor, TheLongestOfSeveralNumberedFeatureReportsWins) {
  const Bytes descriptor = {
      0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,        // vendor collection
      0x85, 0x01, 0x75, 0x08, 0x95, 0x03, 0xB1, 0x02,  // ID 1: 3 bytes
      0x85, 0x02, 0x95, 0x10, 0xB1, 0x02,              // ID 2: 16 bytes
      0x85, 0x01, 0x75, 0x01, 0x95, 0x04, 0xB1, 0x02,  // ID 1 again: 4 more bits
      0x85, 0x03, 0x75, 0x08, 0x95, 0x05, 0x91, 0x02,  // ID 3: a 5-byte output report
      0xC0};
  const ReportLengths lengths = Parse(descriptor);
  EXPECT_EQ(lengths.feature, 17);
  EXPECT_EQ(lengths.output, 6);
}

TEST(ReportDescriptor, PushAndPopRestoreTheGlobalState) {
  const Bytes descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1,
                            0x01, 0x75, 0x08, 0x95, 0x02,  // 2 x 8 bits
                            0xA4,                          // push
                            0x95, 0x20, 0x81, 0x02,        // a 32-byte input report
                            0xB4,                          // pop: back to 2 x 8 bits
                            0xB1, 0x02, 0xC0};
  const ReportLengths lengths = Parse(descriptor);
  EXPECT_EQ(lengths.input, 33);
  EXPECT_EQ(lengths.feature, 3);
}

TEST(ReportDescriptor, LongItemsAreSkippedAndTruncatedItemsEndTheDescriptor) {
  Bytes descriptor = {0xFE, 0x03, 0x10, 0xB1, 0xB1, 0xB1};  // a long item carrying B1 bytes
  descriptor.insert(descriptor.end(), kBoard.begin(), kBoard.end());
  EXPECT_EQ(Parse(descriptor).feature, 9);

  Bytes truncated(kBoard.begin(), kBoard.begin() + 13);  // cut inside the Report Count item
  truncated.push_back(0x96);                             // two-byte data, one byte left
  truncated.push_back(0x08);
  EXPECT_EQ(Parse(truncated).feature, 0);
  EXPECT_EQ(Parse({0xFE}).feature, 0);
  EXPECT_EQ(Parse({0xFE, 0xFF, 0x00}).feature, 0);
  EXPECT_EQ(Parse({}).feature, 0);
}

TEST(ReportDescriptor, HugeSizesAndCountsDoNotWrap) {
  const Bytes descriptor = {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF,
                            0xFF, 0xFF, 0xB1, 0x02, 0x85, 0xFF, 0xB1, 0x02};
  EXPECT_EQ(Parse(descriptor).feature, 0xFFFF);
}

}  // namespace
}  // namespace varnel::linux_hidraw
