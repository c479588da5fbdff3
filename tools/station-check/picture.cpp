#include "picture.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace station_check {
namespace {

// One picture as shapes, drawn as SVG or as pixels.
struct Circle {
  int x, y, r;
  std::uint32_t colour;
  bool filled;
};
struct Box {
  int x, y, w, h;
  std::uint32_t colour;
};
struct Text {
  int x, y;
  std::string text;
};
struct Scene {
  int width = 0, height = 0;
  std::vector<Circle> circles;
  std::vector<Box> boxes;
  std::vector<Text> texts;
};

constexpr std::uint32_t kGreenLit = 0x00C000, kGreenDark = 0x004000;
constexpr std::uint32_t kRedLit = 0xF00000, kRedDark = 0x500000;
constexpr std::uint32_t kBackground = 0xFFFFFF, kMark = 0xFFD040, kInk = 0x202020;
constexpr int kRow = 18, kPitch = 16, kRadius = 6, kTimeWidth = 70, kLine = 15;
constexpr int kBoardWidth = 17 * kPitch;
constexpr int kBoardX = kTimeWidth, kReferenceX = kTimeWidth + kBoardWidth + 30;

// Eight LEDs of one row, bit 7 on the left.
void Row(Scene& scene, int x, int y, std::uint8_t value, std::uint32_t lit, std::uint32_t dark,
         bool filled) {
  for (int bit = 7; bit >= 0; --bit) {
    const bool on = (value >> bit) & 1;
    scene.circles.push_back(
        {x + (7 - bit) * kPitch + kPitch / 2, y, kRadius, on ? lit : dark, filled});
  }
}

Scene Draw(const Verdict& verdict) {
  Scene scene;
  int y = 16;
  scene.texts.push_back(
      {4, y,
       "exercise " + std::to_string(verdict.exercise) + ": " + (verdict.pass ? "PASS" : "FAIL")});
  for (const RuleResult& rule : verdict.rules) {
    y += kLine;
    const char* status = rule.status == Status::kHeld     ? "held"
                         : rule.status == Status::kBroken ? "BROKEN"
                                                          : "not seen";
    scene.texts.push_back({4, y,
                           "rule " + std::to_string(rule.number) + ", " + rule.name + ": " +
                               status +
                               (rule.status == Status::kBroken ? " - " + rule.detail : "")});
  }
  y += kLine + 6;
  scene.texts.push_back({kBoardX, y, "the board"});
  scene.texts.push_back({kReferenceX, y, "the reference"});
  y += 6;
  scene.width = kReferenceX + kBoardWidth + 10;
  // Text of 12 pixels takes about 7 a character.
  for (const Text& text : scene.texts)
    scene.width = std::max(scene.width, text.x + 7 * static_cast<int>(text.text.size()));
  scene.height = y + static_cast<int>(verdict.frames.size()) * kRow + 10;
  for (const Frame& frame : verdict.frames) {
    const int centre = y + kRow / 2;
    if (frame.green != frame.reference_green || frame.red != frame.reference_red)
      scene.boxes.push_back({2, y, scene.width - 4, kRow, kMark});
    char time[32];
    std::snprintf(time, sizeof time, "%.1f s", static_cast<double>(frame.us) / 1'000'000);
    scene.texts.push_back({4, centre + 4, time});
    Row(scene, kBoardX, centre, frame.green, kGreenLit, kGreenDark, frame.present);
    Row(scene, kBoardX + 8 * kPitch + kPitch, centre, frame.red, kRedLit, kRedDark, frame.present);
    Row(scene, kReferenceX, centre, frame.reference_green, kGreenLit, kGreenDark, frame.present);
    Row(scene, kReferenceX + 8 * kPitch + kPitch, centre, frame.reference_red, kRedLit, kRedDark,
        frame.present);
    y += kRow;
  }
  return scene;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Hex(std::uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06x", colour & 0xFFFFFF);
  return text;
}

std::uint32_t Crc(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void Chunk(std::vector<std::uint8_t>& out, const char* type,
           const std::vector<std::uint8_t>& data) {
  Put32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  Put32(out, Crc(out.data() + start, out.size() - start));
}

}  // namespace

std::string PictureSvg(const Verdict& verdict) {
  const Scene scene = Draw(verdict);
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    std::to_string(scene.width) + "\" height=\"" + std::to_string(scene.height) +
                    "\" font-family=\"sans-serif\" font-size=\"12\">\n<rect width=\"100%\" "
                    "height=\"100%\" fill=\"" +
                    Hex(kBackground) + "\"/>\n";
  for (const Box& box : scene.boxes)
    svg += "<rect x=\"" + std::to_string(box.x) + "\" y=\"" + std::to_string(box.y) +
           "\" width=\"" + std::to_string(box.w) + "\" height=\"" + std::to_string(box.h) +
           "\" fill=\"" + Hex(box.colour) + "\"/>\n";
  for (const Circle& c : scene.circles)
    svg += "<circle cx=\"" + std::to_string(c.x) + "\" cy=\"" + std::to_string(c.y) + "\" r=\"" +
           std::to_string(c.r) + "\" fill=\"" + (c.filled ? Hex(c.colour) : "none") +
           "\" stroke=\"" + Hex(c.colour) + "\"/>\n";
  for (const Text& text : scene.texts)
    svg += "<text x=\"" + std::to_string(text.x) + "\" y=\"" + std::to_string(text.y) +
           "\" fill=\"" + Hex(kInk) + "\">" + Escaped(text.text) + "</text>\n";
  return svg + "</svg>\n";
}

std::vector<std::uint8_t> PicturePng(const Verdict& verdict) {
  const Scene scene = Draw(verdict);
  const std::size_t w = static_cast<std::size_t>(scene.width),
                    h = static_cast<std::size_t>(scene.height);
  std::vector<std::uint32_t> pixels(w * h, kBackground);
  const auto set = [&](int x, int y, std::uint32_t colour) {
    if (x >= 0 && y >= 0 && static_cast<std::size_t>(x) < w && static_cast<std::size_t>(y) < h)
      pixels[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] = colour;
  };
  for (const Box& box : scene.boxes)
    for (int y = box.y; y < box.y + box.h; ++y)
      for (int x = box.x; x < box.x + box.w; ++x) set(x, y, box.colour);
  for (const Circle& c : scene.circles)
    for (int dy = -c.r; dy <= c.r; ++dy)
      for (int dx = -c.r; dx <= c.r; ++dx) {
        const int d = dx * dx + dy * dy;
        if (d <= c.r * c.r && (c.filled || d >= (c.r - 1) * (c.r - 1)))
          set(c.x + dx, c.y + dy, c.colour);
      }

  // Rows of filter byte 0 and RGB, in stored (uncompressed) deflate blocks.
  std::vector<std::uint8_t> raw;
  raw.reserve(h * (1 + 3 * w));
  for (std::size_t y = 0; y < h; ++y) {
    raw.push_back(0);
    for (std::size_t x = 0; x < w; ++x) {
      const std::uint32_t p = pixels[y * w + x];
      raw.insert(raw.end(), {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                             static_cast<std::uint8_t>(p)});
    }
  }
  std::vector<std::uint8_t> zlib = {0x78, 0x01};
  for (std::size_t pos = 0; pos < raw.size() || pos == 0;) {
    const std::size_t size = std::min<std::size_t>(65535, raw.size() - pos);
    const bool last = pos + size == raw.size();
    zlib.push_back(last ? 1 : 0);
    zlib.insert(zlib.end(),
                {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                 static_cast<std::uint8_t>(~size), static_cast<std::uint8_t>(~size >> 8)});
    zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
                raw.begin() + static_cast<std::ptrdiff_t>(pos + size));
    pos += size;
    if (last) break;
  }
  std::uint32_t a = 1, b = 0;
  for (const std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  Put32(zlib, b << 16 | a);

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  Put32(header, static_cast<std::uint32_t>(w));
  Put32(header, static_cast<std::uint32_t>(h));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", zlib);
  Chunk(png, "IEND", {});
  return png;
}

}  // namespace station_check
