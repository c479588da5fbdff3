// varnelctl: looks at the station's HID interfaces and the LED board through the Varnel
// library, for a teacher checking a station.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "board_protocol.h"
#include "byte_argument.h"
#include "linux/virtual_board_channel.h"
#include "messages.h"
#include "varnel.h"

namespace {

constexpr int kBadArguments = 2;
constexpr int kNoBoard = 1;
constexpr int kRefused = 3;
constexpr const char* kAccessRule = "/usr/lib/udev/rules.d/70-orlanek-board.rules";

namespace board = orlanek::board;
using messages::Tr;

constexpr const char* kUsage = messages::N_(
    "Usage: varnelctl list | probe | green BYTE | red BYTE\n"
    "  list        the number of HID interfaces and the id text (vvvvpppp) of each\n"
    "  probe       whether the LED board ({1}) is there and may be\n"
    "              opened: exit status 0 ready, 1 no board, 3 there but refused\n"
    "  green BYTE  light the green row with BYTE (0-255, or 0x00-0xff)\n"
    "  red BYTE    latch BYTE into the red row\n");

void Print(std::FILE* stream, const std::string& text) {
  std::fputs(text.c_str(), stream);
}

std::string Take(char* text) {
  std::string copy = text ? text : "";
  std::free(text);
  return copy;
}

// The interfaces FindHidDevice counts, and the id texts of as many as it counted, walking the
// member indices past the holes that unplugged interfaces leave.
struct Listing {
  int count = 0;
  std::vector<std::pair<std::int32_t, std::string>> id_texts;
};

Listing ListInterfaces() {
  Listing listing;
  listing.count = std::atoi(Take(FindHidDevice()).c_str());
  for (std::int32_t index = 0;
       static_cast<int>(listing.id_texts.size()) < listing.count && index < 128; ++index) {
    std::string id_text = Take(FindVidPid(&index));
    if (!id_text.empty()) listing.id_texts.emplace_back(index, std::move(id_text));
  }
  CloseUsbDevice();
  return listing;
}

int List() {
  const Listing listing = ListInterfaces();
  Print(stdout, listing.count == 1 ? Tr("{1} HID interface\n", listing.count)
                                   : Tr("{1} HID interfaces\n", listing.count));
  for (const auto& [index, id_text] : listing.id_texts) {
    std::printf("%3d  %s\n", index, id_text.c_str());
  }
  return 0;
}

// How many interfaces' id texts name the board, although none could be opened.
long BoardsListed() {
  const Listing listing = ListInterfaces();
  return std::count_if(listing.id_texts.begin(), listing.id_texts.end(),
                       [](const auto& entry) { return entry.second == board::kIdText; });
}

// Whether this user's virtual board socket is there; the library lists it after the nodes.
bool VirtualBoardListed(sockaddr_un* address) {
  return varnel::virtual_board_channel::SocketAddress(address) &&
         varnel::virtual_board_channel::IsOwnSocket(address->sun_path);
}

// Opens the board, or says why it cannot and what to do.
int OpenBoard() {
  if (OpenUsbDevice(board::kVendorId, board::kProductId) == board::kPresent) return 0;
  CloseUsbDevice();
  const long listed = BoardsListed();
  if (listed == 0) {
    Print(stderr,
          Tr("varnelctl: no board: the LED board ({1}) is not there\n", board::kIdentityText));
    return kNoBoard;
  }
  sockaddr_un address;
  const bool virtual_board = VirtualBoardListed(&address);
  if (virtual_board) {
    Print(stderr, Tr("varnelctl: no virtual board answers on this user's socket {1}.\n"
                     "  Start virtual-board again (it takes the socket over), or continue the one "
                     "that is stopped.\n",
                     address.sun_path));
  }
  if (listed > (virtual_board ? 1 : 0)) {
    Print(stderr, Tr("varnelctl: the LED board is there, but this user may not open its hidraw "
                     "node.\n"
                     "  Install the access rule {1} (the orlanek package does),\n"
                     "  then reload the rules and plug the board in again, or run:\n"
                     "  sudo udevadm control --reload-rules && sudo udevadm trigger\n",
                     kAccessRule));
  }
  return kRefused;
}

int Probe() {
  if (const int status = OpenBoard()) return status;
  CloseUsbDevice();
  Print(stdout, Tr("board ready: the LED board is there and this user can drive it.\n"));
  return 0;
}

int Light(bool green, std::uint8_t value) {
  if (const int status = OpenBoard()) return status;
  if (green) {
    OutDataCtrl(value, board::kGreenWrite);
  } else {
    for (const std::uint8_t control : board::kRedLatch) OutDataCtrl(value, control);
  }
  CloseUsbDevice();
  return 0;
}

int BadArguments(const std::string& why) {
  Print(stderr, Tr("varnelctl: {1} (try varnelctl --help)\n", why));
  return kBadArguments;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return BadArguments(Tr("no command given"));
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    Print(stdout, Tr(kUsage, board::kIdentityText));
    return 0;
  }
  if (command == "list" || command == "probe") {
    if (argc != 2) return BadArguments(Tr("'{1}' takes no argument", command));
    return command == "list" ? List() : Probe();
  }
  if (command == "green" || command == "red") {
    if (argc != 3) return BadArguments(Tr("'{1}' takes one BYTE", command));
    std::uint8_t value = 0;
    if (!varnelctl::ParseByte(argv[2], &value)) {
      return BadArguments(Tr("'{1}' is not a byte from 0 to 255", argv[2]));
    }
    return Light(command == "green", value);
  }
  return BadArguments(Tr("unknown command '{1}'", command));
}
