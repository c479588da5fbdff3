#include "windows/win32/face_choice.h"

#include <algorithm>
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

struct FaceSought {
  const wchar_t* name;
  LONG heaviest;  // 0 while the face is not found
};

// GDI may offer a face under another's name (Wine maps a missing face to a substitute): only
// the face itself counts.
int CALLBACK NoteFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM sought_face) {
  auto* sought = reinterpret_cast<FaceSought*>(sought_face);
  if (lstrcmpiW(font->lfFaceName, sought->name) == 0) {
    sought->heaviest = std::max(sought->heaviest, font->lfWeight);
  }
  return 1;
}

}  // namespace

LONG HeaviestWeight(const std::wstring& face) {
  LOGFONTW wanted = {};
  wanted.lfCharSet = DEFAULT_CHARSET;
  if (face.size() >= LF_FACESIZE) return 0;
  face.copy(wanted.lfFaceName, face.size());
  FaceSought sought = {face.c_str(), 0};
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &wanted, NoteFace, reinterpret_cast<LPARAM>(&sought), 0);
  ReleaseDC(nullptr, screen);
  return sought.heaviest;
}

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
