#include "picture.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <ostream>
#include <sstream>

#include "columns.h"
#include "messages.h"

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

// The picture in bands drawn one after the other: the verdict's text, then one band per frame.
// Each shape lies within its band, so a band can be drawn on its own.
struct Layout {
  int width = 0, height = 0;
  int header = 0;  // the text band's height
  std::vector<Text> texts;
};

// The picture's own words are in the user's language in the SVG. The PNG's built-in font has
// ASCII alone, so its words are English in every language: never boxes or question marks.
const char* Say(const char* english, bool in_english) {
  return in_english ? english : messages::Tr(english);
}

// The verdict's line of a rule, in the user's language or in English.
std::string RuleText(const RuleResult& rule, bool in_english) {
  const std::string& name = in_english ? rule.name : rule.shown_name;
  const std::string& detail = in_english ? rule.detail : rule.shown_detail;
  const char* format = rule.status == Status::kHeld      ? messages::N_("rule {1}, {2}: held")
                       : rule.status == Status::kNotSeen ? messages::N_("rule {1}, {2}: not seen")
                       : detail.empty()                  ? messages::N_("rule {1}, {2}: BROKEN")
                                        : messages::N_("rule {1}, {2}: BROKEN - {3}");
  return messages::Fill(Say(format, in_english), {std::to_string(rule.number), name, detail});
}

Layout Measure(const Verdict& verdict, const Frames& frames, bool in_english) {
  static const char* const kTitles[] = {
      messages::N_("exercise {1}: FAIL"), messages::N_("exercise {1}: PASS"),
      messages::N_("exercise not told: FAIL"), messages::N_("exercise not told: PASS")};
  const char* title = kTitles[(verdict.exercise == 0 ? 2 : 0) + (verdict.pass ? 1 : 0)];
  Layout layout;
  int y = 16;
  layout.texts.push_back(
      {4, y, messages::Fill(Say(title, in_english), {std::to_string(verdict.exercise)})});
  for (const RuleResult& rule : verdict.rules) {
    y += kLine;
    layout.texts.push_back({4, y, RuleText(rule, in_english)});
  }
  y += kLine + 6;
  layout.texts.push_back({kBoardX, y, Say(messages::N_("the board"), in_english)});
  layout.texts.push_back({kReferenceX, y, Say(messages::N_("the reference"), in_english)});
  layout.header = y + 6;
  layout.width = kReferenceX + kBoardWidth + 10;
  // Text of 12 pixels takes about 7 a column, a Chinese character two.
  for (const Text& text : layout.texts)
    layout.width = std::max(layout.width, text.x + 7 * static_cast<int>(Columns(text.text)));
  layout.height = layout.header + static_cast<int>(frames.size()) * kRow + 10;
  return layout;
}

// One frame's band, its top at y.
Scene FrameBand(const Frame& frame, int y, int width) {
  Scene scene;
  const int centre = y + kRow / 2;
  if (frame.green != frame.reference_green || frame.red != frame.reference_red)
    scene.boxes.push_back({2, y, width - 4, kRow, kMark});
  char time[32];
  std::snprintf(time, sizeof time, "%.1f s", static_cast<double>(frame.us) / 1'000'000);
  scene.texts.push_back({4, centre + 4, time});
  Row(scene, kBoardX, centre, frame.green, kGreenLit, kGreenDark, frame.present);
  Row(scene, kBoardX + 8 * kPitch + kPitch, centre, frame.red, kRedLit, kRedDark, frame.present);
  Row(scene, kReferenceX, centre, frame.reference_green, kGreenLit, kGreenDark, frame.present);
  Row(scene, kReferenceX + 8 * kPitch + kPitch, centre, frame.reference_red, kRedLit, kRedDark,
      frame.present);
  return scene;
}

// Calls draw(scene, top, height) for each band from the top down; the last band is the margin.
template <typename Draw>
bool Bands(const Frames& frames, const Layout& layout, Draw draw) {
  Scene header;
  header.texts = layout.texts;
  draw(header, 0, layout.header);
  int y = layout.header;
  const bool read = frames.Read([&](const Frame& frame) {
    draw(FrameBand(frame, y, layout.width), y, kRow);
    y += kRow;
  });
  draw(Scene{}, y, layout.height - y);
  return read;
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

// The PNG's text: printable ASCII in cells of 6 by 9 pixels, each glyph 5 columns wide (bit 4
// the leftmost) in 9 rows from the top, the baseline below the seventh.
constexpr int kGlyphWidth = 5, kGlyphRows = 9, kAdvance = 6, kAboveBaseline = 7;
constexpr std::uint8_t kFont[][kGlyphRows] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // ' '
    {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04, 0x00, 0x00},  // '!'
    {0x0A, 0x0A, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '"'
    {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A, 0x00, 0x00},  // '#'
    {0x04, 0x0F, 0x14, 0x0E, 0x05, 0x1E, 0x04, 0x00, 0x00},  // '$'
    {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03, 0x00, 0x00},  // '%'
    {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D, 0x00, 0x00},  // '&'
    {0x04, 0x04, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '''
    {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02, 0x00, 0x00},  // '('
    {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08, 0x00, 0x00},  // ')'
    {0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00, 0x00, 0x00},  // '*'
    {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00, 0x00, 0x00},  // '+'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C, 0x04, 0x08},  // ','
    {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00},  // '-'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C, 0x00, 0x00},  // '.'
    {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00, 0x00, 0x00},  // '/'
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E, 0x00, 0x00},  // '0'
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E, 0x00, 0x00},  // '1'
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F, 0x00, 0x00},  // '2'
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E, 0x00, 0x00},  // '3'
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02, 0x00, 0x00},  // '4'
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E, 0x00, 0x00},  // '5'
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E, 0x00, 0x00},  // '6'
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08, 0x00, 0x00},  // '7'
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E, 0x00, 0x00},  // '8'
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C, 0x00, 0x00},  // '9'
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00, 0x00, 0x00},  // ':'
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x04, 0x08, 0x00},  // ';'
    {0x02, 0x04, 0x08, 0x10, 0x08, 0x04, 0x02, 0x00, 0x00},  // '<'
    {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00, 0x00, 0x00},  // '='
    {0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08, 0x00, 0x00},  // '>'
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04, 0x00, 0x00},  // '?'
    {0x0E, 0x11, 0x01, 0x0D, 0x15, 0x15, 0x0E, 0x00, 0x00},  // '@'
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11, 0x00, 0x00},  // 'A'
    {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E, 0x00, 0x00},  // 'B'
    {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E, 0x00, 0x00},  // 'C'
    {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C, 0x00, 0x00},  // 'D'
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F, 0x00, 0x00},  // 'E'
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10, 0x00, 0x00},  // 'F'
    {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F, 0x00, 0x00},  // 'G'
    {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11, 0x00, 0x00},  // 'H'
    {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E, 0x00, 0x00},  // 'I'
    {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C, 0x00, 0x00},  // 'J'
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11, 0x00, 0x00},  // 'K'
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F, 0x00, 0x00},  // 'L'
    {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11, 0x00, 0x00},  // 'M'
    {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x00, 0x00},  // 'N'
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E, 0x00, 0x00},  // 'O'
    {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10, 0x00, 0x00},  // 'P'
    {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D, 0x00, 0x00},  // 'Q'
    {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11, 0x00, 0x00},  // 'R'
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E, 0x00, 0x00},  // 'S'
    {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x00},  // 'T'
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E, 0x00, 0x00},  // 'U'
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04, 0x00, 0x00},  // 'V'
    {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A, 0x00, 0x00},  // 'W'
    {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11, 0x00, 0x00},  // 'X'
    {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x00, 0x00},  // 'Y'
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F, 0x00, 0x00},  // 'Z'
    {0x0E, 0x08, 0x08, 0x08, 0x08, 0x08, 0x0E, 0x00, 0x00},  // '['
    {0x00, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00, 0x00, 0x00},  // '\'
    {0x0E, 0x02, 0x02, 0x02, 0x02, 0x02, 0x0E, 0x00, 0x00},  // ']'
    {0x04, 0x0A, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '^'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F, 0x00},  // '_'
    {0x08, 0x04, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '`'
    {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F, 0x00, 0x00},  // 'a'
    {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x1E, 0x00, 0x00},  // 'b'
    {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E, 0x00, 0x00},  // 'c'
    {0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F, 0x00, 0x00},  // 'd'
    {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E, 0x00, 0x00},  // 'e'
    {0x06, 0x09, 0x08, 0x1C, 0x08, 0x08, 0x08, 0x00, 0x00},  // 'f'
    {0x00, 0x00, 0x0F, 0x11, 0x11, 0x0F, 0x01, 0x11, 0x0E},  // 'g'
    {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x11, 0x00, 0x00},  // 'h'
    {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E, 0x00, 0x00},  // 'i'
    {0x02, 0x00, 0x06, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C},  // 'j'
    {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12, 0x00, 0x00},  // 'k'
    {0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E, 0x00, 0x00},  // 'l'
    {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11, 0x00, 0x00},  // 'm'
    {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11, 0x00, 0x00},  // 'n'
    {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E, 0x00, 0x00},  // 'o'
    {0x00, 0x00, 0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10},  // 'p'
    {0x00, 0x00, 0x0F, 0x11, 0x11, 0x0F, 0x01, 0x01, 0x01},  // 'q'
    {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10, 0x00, 0x00},  // 'r'
    {0x00, 0x00, 0x0F, 0x10, 0x0E, 0x01, 0x1E, 0x00, 0x00},  // 's'
    {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06, 0x00, 0x00},  // 't'
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D, 0x00, 0x00},  // 'u'
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04, 0x00, 0x00},  // 'v'
    {0x00, 0x00, 0x11, 0x11, 0x15, 0x15, 0x0A, 0x00, 0x00},  // 'w'
    {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x00, 0x00},  // 'x'
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x0F, 0x01, 0x11, 0x0E},  // 'y'
    {0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F, 0x00, 0x00},  // 'z'
    {0x02, 0x04, 0x04, 0x08, 0x04, 0x04, 0x02, 0x00, 0x00},  // '{'
    {0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x00},  // '|'
    {0x08, 0x04, 0x04, 0x02, 0x04, 0x04, 0x08, 0x00, 0x00},  // '}'
    {0x00, 0x00, 0x08, 0x15, 0x02, 0x00, 0x00, 0x00, 0x00},  // '~'
};

const std::uint8_t* Glyph(char c) {
  return kFont[(c >= ' ' && c <= '~' ? c : '?') - ' '];
}

void Put32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
}

void Chunk(std::ostream& out, const char* type, const std::uint8_t* data, std::size_t size) {
  std::string chunk;
  Put32(chunk, static_cast<std::uint32_t>(size));
  chunk.append(type, 4);
  chunk.append(reinterpret_cast<const char*>(data), size);
  Put32(chunk, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(chunk.data() + 4),
                                                static_cast<uInt>(size + 4))));
  out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

// The image's rows deflated one by one into IDAT chunks written as they fill, so a long
// session's picture is never held whole.
class Deflater {
 public:
  // zlib's best level took four times as long on an hour's session for a fifth less size.
  explicit Deflater(std::ostream& out) : out_(out) {
    if (deflateInit(&stream_, Z_DEFAULT_COMPRESSION) != Z_OK) throw std::bad_alloc();
  }
  ~Deflater() { deflateEnd(&stream_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  void Add(std::vector<std::uint8_t>& data, bool last) {
    stream_.next_in = data.data();
    stream_.avail_in = static_cast<uInt>(data.size());
    // A valid stream with room to write cannot fail; it is done when room is left over.
    do {
      stream_.next_out = buffer_ + used_;
      stream_.avail_out = static_cast<uInt>(sizeof buffer_ - used_);
      deflate(&stream_, last ? Z_FINISH : Z_NO_FLUSH);
      used_ = sizeof buffer_ - stream_.avail_out;
      if (used_ == sizeof buffer_ || (last && used_ > 0)) {
        Chunk(out_, "IDAT", buffer_, used_);
        used_ = 0;
      }
    } while (stream_.avail_out == 0);
  }

 private:
  std::ostream& out_;
  z_stream stream_{};
  std::uint8_t buffer_[65536];
  std::size_t used_ = 0;
};

// Pixels of one band, top at top.
class Band {
 public:
  Band(int width, int top, int height)
      : width_(width),
        top_(top),
        height_(height),
        pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kBackground) {}

  void Set(int x, int y, std::uint32_t colour) {
    y -= top_;
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
      pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
              static_cast<std::size_t>(x)] = colour;
  }
  void Draw(const Scene& scene);
  // Rows of filter byte 0 and RGB, into the deflater.
  void Deflate(Deflater& zlib, bool last) const;

 private:
  int width_, top_, height_;
  std::vector<std::uint32_t> pixels_;
};

void Band::Draw(const Scene& scene) {
  for (const Box& box : scene.boxes)
    for (int y = box.y; y < box.y + box.h; ++y)
      for (int x = box.x; x < box.x + box.w; ++x) Set(x, y, box.colour);
  for (const Circle& c : scene.circles)
    for (int dy = -c.r; dy <= c.r; ++dy)
      for (int dx = -c.r; dx <= c.r; ++dx) {
        const int d = dx * dx + dy * dy;
        if (d <= c.r * c.r && (c.filled || d >= (c.r - 1) * (c.r - 1)))
          Set(c.x + dx, c.y + dy, c.colour);
      }
  for (const Text& text : scene.texts)
    for (std::size_t i = 0; i < text.text.size(); ++i) {
      const std::uint8_t* glyph = Glyph(text.text[i]);
      const int left = text.x + static_cast<int>(i) * kAdvance, top = text.y - kAboveBaseline;
      for (int row = 0; row < kGlyphRows; ++row)
        for (int column = 0; column < kGlyphWidth; ++column)
          if ((glyph[row] >> (kGlyphWidth - 1 - column)) & 1) Set(left + column, top + row, kInk);
    }
}

void Band::Deflate(Deflater& zlib, bool last) const {
  const auto w = static_cast<std::size_t>(width_);
  std::vector<std::uint8_t> row(1 + 3 * w);
  for (std::size_t y = 0; y < static_cast<std::size_t>(height_); ++y) {
    for (std::size_t x = 0; x < w; ++x) {
      const std::uint32_t p = pixels_[y * w + x];
      row[1 + 3 * x] = static_cast<std::uint8_t>(p >> 16);
      row[2 + 3 * x] = static_cast<std::uint8_t>(p >> 8);
      row[3 + 3 * x] = static_cast<std::uint8_t>(p);
    }
    zlib.Add(row, last && y + 1 == static_cast<std::size_t>(height_));
  }
}

// Chinese words want a face that has them: Orlanek's own Ming face, then what stands in for it
// where Windows' is missing. English ones keep the plain face they always had.
const char* Faces() {
  if (messages::Chosen() == messages::Language::kEnglish) return "sans-serif";
  return "'新細明體', PMingLiU, MingLiU, '細明體', 'AR PL UMing TW', 'AR PL UMing HK', serif";
}

}  // namespace

bool WritePictureSvg(const Verdict& verdict, const Frames& frames, std::ostream& out) {
  const Layout layout = Measure(verdict, frames, false);
  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << layout.width << "\" height=\""
      << layout.height << "\" font-family=\"" << Faces()
      << "\" font-size=\"12\">\n<rect width=\"100%\" "
         "height=\"100%\" fill=\""
      << Hex(kBackground) << "\"/>\n";
  const bool read = Bands(frames, layout, [&](const Scene& scene, int, int) {
    for (const Box& box : scene.boxes)
      out << "<rect x=\"" << box.x << "\" y=\"" << box.y << "\" width=\"" << box.w << "\" height=\""
          << box.h << "\" fill=\"" << Hex(box.colour) << "\"/>\n";
    for (const Circle& c : scene.circles)
      out << "<circle cx=\"" << c.x << "\" cy=\"" << c.y << "\" r=\"" << c.r << "\" fill=\""
          << (c.filled ? Hex(c.colour) : "none") << "\" stroke=\"" << Hex(c.colour) << "\"/>\n";
    for (const Text& text : scene.texts)
      out << "<text x=\"" << text.x << "\" y=\"" << text.y << "\" fill=\"" << Hex(kInk) << "\">"
          << Escaped(text.text) << "</text>\n";
  });
  out << "</svg>\n";
  return read;
}

bool WritePicturePng(const Verdict& verdict, const Frames& frames, std::ostream& out) {
  const Layout layout = Measure(verdict, frames, true);
  const char signature[] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1A', '\n'};
  out.write(signature, sizeof signature);
  std::string header;
  Put32(header, static_cast<std::uint32_t>(layout.width));
  Put32(header, static_cast<std::uint32_t>(layout.height));
  header += std::string{8, 2, 0, 0, 0};  // 8-bit RGB, no interlace
  Chunk(out, "IHDR", reinterpret_cast<const std::uint8_t*>(header.data()), header.size());
  Deflater zlib(out);
  const bool read = Bands(frames, layout, [&](const Scene& scene, int top, int height) {
    Band band(layout.width, top, height);
    band.Draw(scene);
    band.Deflate(zlib, top + height == layout.height);
  });
  Chunk(out, "IEND", nullptr, 0);
  return read;
}

std::string PictureSvg(const Verdict& verdict, const Frames& frames) {
  std::ostringstream out;
  WritePictureSvg(verdict, frames, out);
  return out.str();
}

std::vector<std::uint8_t> PicturePng(const Verdict& verdict, const Frames& frames) {
  std::ostringstream out;
  WritePicturePng(verdict, frames, out);
  const std::string bytes = out.str();
  return {bytes.begin(), bytes.end()};
}

}  // namespace station_check
