#include "linux/report_descriptor.h"

#include <algorithm>
#include <array>
#include <vector>

namespace varnel::linux_hidraw {
namespace {

enum ItemType { kMain = 0, kGlobal = 1, kLocal = 2 };

// Main item tags.
constexpr int kInput = 0x8;
constexpr int kOutput = 0x9;
constexpr int kCollection = 0xA;
constexpr int kFeature = 0xB;
constexpr int kEndCollection = 0xC;
// Global item tags.
constexpr int kUsagePage = 0x0;
constexpr int kReportSize = 0x7;
constexpr int kReportId = 0x8;
constexpr int kReportCount = 0x9;
constexpr int kPush = 0xA;
constexpr int kPop = 0xB;
// Local item tags.
constexpr int kUsage = 0x0;

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr int kReportIds = 256;

struct Globals {
  std::uint32_t usage_page = 0;
  std::uint32_t report_size = 0;
  std::uint32_t report_count = 0;
  std::uint32_t report_id = 0;
};

// Bits per report ID, for one report type.
using ReportBits = std::array<std::uint64_t, kReportIds>;

// Any report this long already reads as the longest length HIDP_CAPS can hold, so sums stop
// here instead of wrapping round to a short report.
constexpr std::uint64_t kBitsCap = std::uint64_t{0xFFFF} * 8;

void AddBits(ReportBits& bits, std::uint32_t report_id, std::uint64_t more) {
  bits[report_id] = std::min(bits[report_id] + std::min(more, kBitsCap), kBitsCap);
}

std::uint16_t LongestInBytes(const ReportBits& bits) {
  const std::uint64_t longest = *std::max_element(bits.begin(), bits.end());
  if (longest == 0) return 0;
  return static_cast<std::uint16_t>(std::min<std::uint64_t>((longest + 7) / 8 + 1, 0xFFFF));
}

}  // namespace

ReportLengths ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
  ReportLengths lengths;
  ReportBits input = {}, output = {}, feature = {};
  Globals globals;
  std::vector<Globals> stack;
  // The first usage since the last main item names a collection; a four-byte one carries its
  // own page in the upper half.
  std::uint32_t usage = 0;
  bool usage_seen = false;
  bool extended_usage = false;
  bool top_level_seen = false;
  int depth = 0;

  std::size_t at = 0;
  while (at < descriptor.size()) {
    const std::uint8_t prefix = descriptor[at];
    if (prefix == kLongItemPrefix) {
      if (at + 1 >= descriptor.size()) break;
      at += 3 + descriptor[at + 1];
      continue;
    }
    const std::size_t size = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
    if (at + 1 + size > descriptor.size()) break;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
      value |= std::uint32_t{descriptor[at + 1 + i]} << (8 * i);
    at += 1 + size;

    const int type = (prefix >> 2) & 0x3;
    const int tag = prefix >> 4;
    if (type == kGlobal) {
      switch (tag) {
        case kUsagePage:
          globals.usage_page = value;
          break;
        case kReportSize:
          globals.report_size = value;
          break;
        case kReportCount:
          globals.report_count = value;
          break;
        case kReportId:
          globals.report_id = value % kReportIds;
          break;
        case kPush:
          stack.push_back(globals);
          break;
        case kPop:
          if (!stack.empty()) {
            globals = stack.back();
            stack.pop_back();
          }
          break;
        default:
          break;
      }
    } else if (type == kLocal) {
      if (tag == kUsage && !usage_seen) {
        usage = value;
        usage_seen = true;
        extended_usage = size == 4;
      }
    } else if (type == kMain) {
      const std::uint64_t bits = std::uint64_t{globals.report_size} * globals.report_count;
      if (tag == kInput) AddBits(input, globals.report_id, bits);
      if (tag == kOutput) AddBits(output, globals.report_id, bits);
      if (tag == kFeature) AddBits(feature, globals.report_id, bits);
      if (tag == kCollection) {
        if (depth == 0 && !top_level_seen) {
          top_level_seen = true;
          lengths.usage_page =
              static_cast<std::uint16_t>(extended_usage ? usage >> 16 : globals.usage_page);
          lengths.usage = static_cast<std::uint16_t>(usage);
        }
        ++depth;
      }
      if (tag == kEndCollection && depth > 0) --depth;
      usage = 0;
      usage_seen = false;
      extended_usage = false;
    }
  }
  lengths.input = LongestInBytes(input);
  lengths.output = LongestInBytes(output);
  lengths.feature = LongestInBytes(feature);
  return lengths;
}

}  // namespace varnel::linux_hidraw
