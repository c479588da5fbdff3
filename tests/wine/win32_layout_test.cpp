// The Win32 windows against the design tables: client areas and every control's rectangle, at
// the window's own dpi and again after a change of dpi.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
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
    const int dpi = WindowDpi(window.handle());
    RECT client;
    GetClientRect(window.handle(), &client);
    EXPECT_EQ(client.right, Pixels(design.client_width, dpi)) << design.name;
    EXPECT_EQ(client.bottom, Pixels(design.client_height, dpi)) << design.name;
    EXPECT_EQ(Pixels(design.client_width, 96), 560);
    EXPECT_EQ(Pixels(design.client_height, 96), 430);
    EXPECT_FALSE(GetWindowLongW(window.handle(), GWL_STYLE) & WS_THICKFRAME) << "resizable";

    Found found;
    EnumChildWindows(window.handle(), CollectButton, reinterpret_cast<LPARAM>(&found));
    ASSERT_EQ(found.buttons.size(), design.command1.buttons.size());
    for (const ButtonDesign& button : design.command1.buttons) {
      const RECT expected = ToRect(button.box, dpi);
      bool present = false;
      for (const RECT& box : found.buttons) present = present || Same(box, expected);
      EXPECT_TRUE(present) << design.name << " " << button.caption;
    }
  }
}

// A window's rectangle, its buttons' rectangles and their font's height.
struct Laid {
  RECT frame;
  std::vector<RECT> buttons;
  LONG font_height;
};

Laid LaidOut(HWND window) {
  Found found;
  EnumChildWindows(window, CollectButton, reinterpret_cast<LPARAM>(&found));
  Laid laid = {{}, found.buttons, 0};
  GetWindowRect(window, &laid.frame);
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetWindow(window, GW_CHILD), WM_GETFONT, 0, 0)),
             sizeof font, &font);
  laid.font_height = font.lfHeight;
  return laid;
}

// Scaled from 96 dpi, give or take the pixel that rounding may cost.
bool Scaled(LONG at_96, LONG now, int dpi) {
  return std::abs(MulDiv(at_96, dpi, 96) - now) <= 1;
}

// The programs' manifest, which this test program carries too, as Wine's loader reads it (Wine
// 8 knows per-monitor awareness, not yet its second version).
TEST(Win32Layout, TheManifestMakesTheProgramAwareOfEachMonitorsDpi) {
  EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()),
            DPI_AWARENESS_PER_MONITOR_AWARE);
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
    EXPECT_TRUE(Same(box, ToRect(design.command1.buttons[0].box, WindowDpi(window.handle()))))
        << design.name;
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

// A window moved to a monitor of another scale (100, 125, 150, 200 per cent) is told the new dpi
// and a rectangle for itself: it takes that rectangle, its buttons and their font scale with
// the dpi, and in the faces chosen here every caption still fits its button on one line. The
// clock line ("Current Time : hh:mm:ss" after its blanks) keeps to the two lines its box holds
// at every hour, with each digit in the minutes and seconds.
class Win32AtDpi : public ::testing::TestWithParam<int> {};

TEST_P(Win32AtDpi, BothWindowsAreLaidOutAgainAtTheSuggestedRectangleAndTheirTextFits) {
  const int dpi = GetParam();
  HDC dc = GetDC(nullptr);
  const HGDIOBJ screen_font = GetCurrentObject(dc, OBJ_FONT);
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
  RegisterWindowClass(GetModuleHandleW(nullptr));
  for (Form* form : {static_cast<Form*>(&allMenu()), static_cast<Form*>(&frmMain())}) {
    Win32Window window(*form);
    RECT suggested = LaidOut(window.handle()).frame;
    const auto tell = [&](int new_dpi) {
      SendMessageW(window.handle(), WM_DPICHANGED, MAKEWPARAM(new_dpi, new_dpi),
                   reinterpret_cast<LPARAM>(&suggested));
      return LaidOut(window.handle());
    };
    const Laid at_96 = tell(96);
    suggested = {40, 30, 40 + MulDiv(at_96.frame.right - at_96.frame.left, dpi, 96),
                 30 + MulDiv(at_96.frame.bottom - at_96.frame.top, dpi, 96)};
    const Laid now = tell(dpi);
    const std::string where = std::string(form->Design().name) + " at " + std::to_string(dpi);
    EXPECT_TRUE(Same(now.frame, suggested)) << where;
    EXPECT_TRUE(Scaled(at_96.font_height, now.font_height, dpi)) << where;
    for (std::size_t i = 0; i < now.buttons.size(); ++i) {
      const RECT &was = at_96.buttons[i], &is = now.buttons[i];
      EXPECT_TRUE(Scaled(was.left, is.left, dpi) && Scaled(was.top, is.top, dpi) &&
                  Scaled(was.right, is.right, dpi) && Scaled(was.bottom, is.bottom, dpi))
          << where << ", button " << i;
    }
    for (HWND button = GetWindow(window.handle(), GW_CHILD); button;
         button = GetWindow(button, GW_HWNDNEXT)) {
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
      wchar_t caption[256];
      SIZE size = {};
      GetTextExtentPoint32W(dc, caption, GetWindowTextW(button, caption, 256), &size);
      RECT box;
      GetClientRect(button, &box);
      EXPECT_LE(size.cx, box.right - 4) << where;  // the raised edge takes two pixels a side
    }
    SelectObject(dc, screen_font);
  }
  const LabelDesign& clock = frmMain().Design().labels[0];
  const Win32Font font = MakeFont(clock.font, dpi);
  HGDIOBJ old = SelectObject(dc, font.handle);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  RECT box = ToRect(clock.box, dpi);
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

INSTANTIATE_TEST_SUITE_P(Scales, Win32AtDpi, ::testing::Values(96, 120, 144, 192));

}  // namespace
}  // namespace orlanek::windows::win32
