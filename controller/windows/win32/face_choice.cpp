#include "windows/win32/face_choice.h"

#include <array>
#include <string_view>

namespace orlanek::windows::win32 {
namespace {

struct FaceStandIns {
  std::string_view designed;
  std::array<std::string_view, 6> stand_ins;  // nearest first; empty entries end the list
};

// The names Windows gives these faces in English, then the faces of Debian's
// fonts-arphic-uming and fonts-arphic-ukai as Wine enumerates them.
constexpr FaceStandIns kFaceStandIns[] = {
    {"新細明體", {"PMingLiU", "MingLiU", "細明體", "AR PL UMing TW", "AR PL UMing HK"}},
    {"標楷體", {"DFKai-SB", "BiauKai", "AR PL UKai TW", "AR PL UKai HK"}},
};

}  // namespace

std::string ChooseFace(const std::string& designed,
                       const std::function<bool(const std::string&)>& installed) {
  for (const FaceStandIns& face : kFaceStandIns) {
    if (face.designed != designed || installed(designed)) continue;
    for (const std::string_view stand_in : face.stand_ins) {
      if (!stand_in.empty() && installed(std::string(stand_in))) return std::string(stand_in);
    }
  }
  return designed;
}

}  // namespace orlanek::windows::win32
