#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "windows/form.h"
#include "windows/toolkit.h"
#include "windows/win32/win32_design.h"

// One form's window with the Win32 API: buttons drawn with the designed face colour, labels
// and LED circles painted by the window itself, Timer1 as a window timer; laid out at the dpi
// of the monitor it is on, and again whenever that changes.
namespace orlanek::windows::win32 {

class Win32Window : public WindowPeer {
 public:
  explicit Win32Window(Form& form);
  ~Win32Window() override;

  void SetTitle(const std::string& title) override;
  void SetEnabled(bool enabled) override;
  void SetVisible(bool visible) override;
  void SetLabelCaption(int label, const std::string& caption) override;
  void SetShapeFill(int array, int index, OleColour colour, int fill_style) override;
  void SetTimerEnabled(bool enabled) override;

  HWND handle() const { return window_; }

  // The window class's procedure: hands each message to its window.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);

 private:
  struct Shape {
    RECT box;
    OleColour colour;
    int fill_style;
  };

  void LayOut(int dpi);
  void DeleteFonts();
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  void Paint();
  void DrawButton(const DRAWITEMSTRUCT& item);

  Form& form_;
  const WindowDesign& design_;
  HWND window_ = nullptr;
  int dpi_ = 96;
  std::vector<HWND> buttons_;
  HWND first_in_focus_order_ = nullptr;
  Win32Font button_font_;
  std::vector<Win32Font> label_fonts_;
  std::vector<std::wstring> captions_;
  std::vector<std::vector<Shape>> shapes_;
  bool shown_before_ = false;
  bool timer_running_ = false;
};

// Registers the window class; once, before the first window.
void RegisterWindowClass(HINSTANCE instance);

}  // namespace orlanek::windows::win32
