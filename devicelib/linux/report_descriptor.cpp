#include "linux/report_descriptor.h"

#include <algorithm>
#include <array>
#include <optional>
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

struct ShortItem {
  int type = 0;
  int tag = 0;
  std::size_t size = 0;
  std::uint32_t value = 0;
};

// The short item at `at`, moving `at` past it; long items are skipped. None once the
// descriptor ends or an item is cut short.
std::optional<ShortItem> NextShortItem(std::span<const std::uint8_t> descriptor, std::size_t& at) {
  while (at < descriptor.size()) {
    const std::uint8_t prefix = descriptor[at];
    if (prefix == kLongItemPrefix) {
      if (at + 1 >= descriptor.size()) return std::nullopt;
      at += 3 + descriptor[at + 1];
      continue;
    }
    const std::size_t size = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
    if (at + 1 + size > descriptor.size()) return std::nullopt;
    ShortItem item{(prefix >> 2) & 0x3, prefix >> 4, size, 0};
    for (std::size_t i = 0; i < size; ++i)
      item.value |= std::uint32_t{descriptor[at + 1 + i]} << (8 * i);
    at += 1 + size;
    return item;
  }
  return std::nullopt;
}

// What the items read so far leave behind: the global items in force and their stack, the
// usage that names the next collection, and the bits of every report.
class Reader {
 public:
  void Global(const ShortItem& item) {
    switch (item.tag) {
      case kUsagePage:
        globals_.usage_page = item.value;
        break;
      case kReportSize:
        globals_.report_size = item.value;
        break;
      case kReportCount:
        globals_.report_count = item.value;
        break;
      case kReportId:
        globals_.report_id = item.value % kReportIds;
        break;
      case kPush:
        stack_.push_back(globals_);
        break;
      case kPop:
        if (!stack_.empty()) {
          globals_ = stack_.back();
          stack_.pop_back();
        }
        break;
      default:
        break;
    }
  }

  // The first usage since the last main item names a collection; a four-byte one carries its
  // own page in the upper half.
  void Local(const ShortItem& item) {
    if (item.tag != kUsage || usage_seen_) return;
    usage_ = item.value;
    usage_seen_ = true;
    extended_usage_ = item.size == 4;
  }

  void Main(const ShortItem& item) {
    const std::uint64_t bits = std::uint64_t{globals_.report_size} * globals_.report_count;
    if (item.tag == kInput) AddBits(input_, globals_.report_id, bits);
    if (item.tag == kOutput) AddBits(output_, globals_.report_id, bits);
    if (item.tag == kFeature) AddBits(feature_, globals_.report_id, bits);
    if (item.tag == kCollection) OpenCollection();
    if (item.tag == kEndCollection && depth_ > 0) --depth_;
    usage_ = 0;
    usage_seen_ = false;
    extended_usage_ = false;
  }

  ReportLengths Lengths() {
    lengths_.input = LongestInBytes(input_);
    lengths_.output = LongestInBytes(output_);
    lengths_.feature = LongestInBytes(feature_);
    return lengths_;
  }

 private:
  void OpenCollection() {
    if (depth_ == 0 && !top_level_seen_) {
      top_level_seen_ = true;
      lengths_.usage_page =
          static_cast<std::uint16_t>(extended_usage_ ? usage_ >> 16 : globals_.usage_page);
      lengths_.usage = static_cast<std::uint16_t>(usage_);
    }
    ++depth_;
  }

  ReportLengths lengths_;
  ReportBits input_ = {}, output_ = {}, feature_ = {};
  Globals globals_;
  std::vector<Globals> stack_;
  std::uint32_t usage_ = 0;
  bool usage_seen_ = false;
  bool extended_usage_ = false;
  bool top_level_seen_ = false;
  int depth_ = 0;
};

}  // namespace

ReportLengths ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
  Reader reader;
  std::size_t at = 0;
  while (const std::optional<ShortItem> item = NextShortItem(descriptor, at)) {
    if (item->type == kGlobal) reader.Global(*item);
    if (item->type == kLocal) reader.Local(*item);
    if (item->type == kMain) reader.Main(*item);
  }
  return reader.Lengths();
}

}  // namespace varnel::linux_hidraw
