// The Win32 windows against the design tables: client areas and every control's rectangle.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "support/program_fixture.h"
#include "windows/forms.h"
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

}  // namespace
}  // namespace orlanek::windows::win32
