// The Win32 windows against the design tables: client areas and every control's rectangle.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "clock.h"
#include "support/program_fixture.h"
#include "windows/blank_wrap.h"
#include "windows/forms.h"
#include "windows/win32/face_choice.h"
#include "windows/win32/win32_design.h"
#include "windows/win32/win32_window.h"

namespace orlanek::windows::win32 {
namespace {

struct Found {
  std::vector<RECT> buttons;
};

BOOL CALLBACK CollectButton(HWND child, LPARAM found) {
  RECT box;
  GetWindowRect(child, &box);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&box), 2);
  reinterpret_cast<Found*>(found)->buttons.push_back(box);
  return TRUE;
}

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(Win32Layout, ClientAreasAndButtonsStandWhereTheDesignPutsThem) {
  RegisterWindowClass(GetModuleHandleW(nullptr));
  for (Form* form : {static_cast<Form*>(&allMenu()), static_cast<Form*>(&frmMain())}) {
    const WindowDesign& design = form->Design();
    Win32Window window(*form);
    RECT client;
    GetClientRect(window.handle(), &client);
    EXPECT_EQ(client.right, Pixels(design.client_width)) << design.name;
    EXPECT_EQ(client.bottom, Pixels(design.client_height)) << design.name;
    EXPECT_EQ(Pixels(design.client_width), 560);
    EXPECT_EQ(Pixels(design.client_height), 430);
    EXPECT_FALSE(GetWindowLongW(window.handle(), GWL_STYLE) & WS_THICKFRAME) << "resizable";

    Found found;
    EnumChildWindows(window.handle(), CollectButton, reinterpret_cast<LPARAM>(&found));
    ASSERT_EQ(found.buttons.size(), design.command1.buttons.size());
    for (const ButtonDesign& button : design.command1.buttons) {
      const RECT expected = ToRect(button.box);
      bool present = false;
      for (const RECT& box : found.buttons) present = present || Same(box, expected);
      EXPECT_TRUE(present) << design.name << " " << button.caption;
    }
  }
}

// Each window shows with the focus on the first button of its tab order: for the menu that is
// exercise 1 (tab index 1, after the title's 0), for the run window "Green LED".
TEST(Win32Layout, TheFirstButtonInTabOrderHasTheFocusWhenTheWindowShows) {
  for (Form* form : {static_cast<Form*>(&allMenu()), static_cast<Form*>(&frmMain())}) {
    const WindowDesign& design = form->Design();
    Win32Window window(*form);
    window.SetVisible(true);
    HWND focus = GetFocus();
    ASSERT_NE(focus, nullptr) << design.name;
    RECT box;
    GetWindowRect(focus, &box);
    MapWindowPoints(HWND_DESKTOP, window.handle(), reinterpret_cast<POINT*>(&box), 2);
    EXPECT_TRUE(Same(box, ToRect(design.command1.buttons[0].box))) << design.name;
    window.SetVisible(false);
  }
}

TEST(Win32Faces, AMissingDesignedFaceGetsTheNearestInstalledFaceOfItsOwnStyle) {
  const auto among = [](std::set<std::string> faces) {
    return [faces](const std::string& face) { return faces.count(face) > 0; };
  };
  const auto debian_wine =
      among({"AR PL UKai CN", "AR PL UKai TW", "AR PL UMing CN", "AR PL UMing TW"});
  EXPECT_EQ(ChooseFace("新細明體", debian_wine), "AR PL UMing TW");
  EXPECT_EQ(ChooseFace("標楷體", debian_wine), "AR PL UKai TW");
  const auto english_windows = among({"PMingLiU", "MingLiU", "DFKai-SB"});
  EXPECT_EQ(ChooseFace("新細明體", english_windows), "PMingLiU");
  EXPECT_EQ(ChooseFace("標楷體", english_windows), "DFKai-SB");
  EXPECT_EQ(ChooseFace("新細明體", among({"新細明體", "PMingLiU"})), "新細明體");
  EXPECT_EQ(ChooseFace("標楷體", among({})), "標楷體");
  EXPECT_EQ(ChooseFace("Arial", debian_wine), "Arial");
}

// In the faces chosen here, every button caption fits its button on one line and the clock
// line ("Current Time : hh:mm:ss" after its blanks) keeps to the two lines its box holds at
// every hour, with each digit in the minutes and seconds.
TEST(Win32Faces, CaptionsAndTheClockLineFitTheirBoxes) {
  HDC dc = GetDC(nullptr);
  const auto width_of = [dc](const std::u16string& text) {
    SIZE size = {};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.c_str()),
                          static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  const auto utf16 = [](const std::string& utf8) {
    const std::wstring wide = Wide(utf8);
    return std::u16string(reinterpret_cast<const char16_t*>(wide.c_str()), wide.size());
  };
  for (Form* form : {static_cast<Form*>(&allMenu()), static_cast<Form*>(&frmMain())}) {
    const WindowDesign& design = form->Design();
    const Win32Font font = MakeFont(design.command1.font);
    HGDIOBJ old = SelectObject(dc, font.handle);
    for (const ButtonDesign& button : design.command1.buttons) {
      const RECT box = ToRect(button.box);
      // The raised edge takes two pixels a side.
      EXPECT_LE(width_of(utf16(button.caption)), box.right - box.left - 4)
          << design.name << " " << button.caption;
    }
    SelectObject(dc, old);
    DeleteObject(font.handle);
  }
  const LabelDesign& clock = frmMain().Design().labels[0];
  const Win32Font font = MakeFont(clock.font);
  HGDIOBJ old = SelectObject(dc, font.handle);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  RECT box = ToRect(clock.box);
  InflateRect(&box, -2, -2);  // the sunken edge
  ASSERT_GE(box.bottom - box.top, 2 * metrics.tmHeight);
  for (int hour = 0; hour < 24; ++hour) {
    for (int digit = 0; digit <= 9; ++digit) {
      const std::string line = ClockText({hour, digit * 10 % 60 + digit, digit * 10 % 60 + digit});
      const auto lines = WrapAtBlanks(utf16(line), width_of, box.right - box.left);
      ASSERT_LE(lines.size(), 2u) << "'" << line << "' takes " << lines.size() << " lines";
    }
  }
  SelectObject(dc, old);
  DeleteObject(font.handle);
  ReleaseDC(nullptr, dc);
}

}  // namespace
}  // namespace orlanek::windows::win32
