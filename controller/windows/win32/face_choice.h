#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The designed Traditional Chinese faces, 新細明體 (a Ming face) and 標楷體 (a Kai face), are
// Windows' own; where one is missing (Wine, a Windows of another language) GDI would map it to
// whatever CJK face it finds first, a Kai face for both under Wine, and the captions no longer
// fit their boxes. Each designed face has a short list of faces of its own style to stand in.
namespace orlanek::windows::win32 {

// The face to ask GDI for: the designed face when installed, else the first installed face of
// its list, else the designed face as it is (GDI maps it as it can). Faces without a list are
// asked for as designed.
std::string ChooseFace(const std::string& designed,
                       const std::function<bool(const std::string&)>& installed);

// The heaviest weight installed of a face, 0 when the face is not installed. Only the face itself
// counts: GDI offers a missing face under a substitute's name (as Wine does).
LONG HeaviestWeight(const std::wstring& face);

}  // namespace orlanek::windows::win32
