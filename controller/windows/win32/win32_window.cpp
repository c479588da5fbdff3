#include "windows/win32/win32_window.h"

#include "windows/blank_wrap.h"
#include "windows/focus_order.h"
#include "windows/win32/win32_design.h"

namespace orlanek::windows::win32 {
namespace {

constexpr wchar_t kClassName[] = L"OrlanekForm";
constexpr UINT_PTR kTimerId = 1;
constexpr int kFirstButtonId = 100;
// The pixels that a raised or sunken edge takes on each side.
constexpr int kEdge = 2;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

int TextWidth(HDC dc, const std::u16string& text) {
  SIZE size = {};
  GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.c_str()),
                        static_cast<int>(text.size()), &size);
  return size.cx;
}

// The caption wrapped at blanks as on every toolkit, each line centred, cut off at the box.
void PaintLabelText(HDC dc, const Win32Font& font, const std::wstring& caption, const RECT& box) {
  const std::u16string text(reinterpret_cast<const char16_t*>(caption.c_str()), caption.size());
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
  int top = box.top;
  for (std::u16string line : WrapAtBlanks(
           text, [dc](const std::u16string& part) { return TextWidth(dc, part); },
           box.right - box.left)) {
    if (top >= box.bottom) break;
    while (!line.empty() && line.back() == u' ') line.pop_back();
    const int left = box.left + (box.right - box.left - TextWidth(dc, line)) / 2;
    DrawInFont(font, [&](int dx) {
      TextOutW(dc, left + dx, top, reinterpret_cast<const wchar_t*>(line.c_str()),
               static_cast<int>(line.size()));
    });
    top += metrics.tmHeight;
  }
  RestoreDC(dc, saved);
}

}  // namespace

void RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = Win32Window::Procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hIcon = LoadIconW(instance, L"ORLANEK");
  window_class.lpszClassName = kClassName;
  RegisterClassExW(&window_class);
}

Win32Window::Win32Window(Form& form) : form_(form), design_(form.Design()) {
  // Made without a size: its monitor, and so its dpi, is known once it exists.
  window_ = CreateWindowExW(0, kClassName, Wide(design_.title).c_str(), kStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);

  // Buttons are made in the design's focus order, which is the order Tab walks them.
  const ButtonArrayDesign& command1 = design_.command1;
  const std::vector<std::size_t> order = FocusOrder(command1);
  buttons_.resize(command1.buttons.size());
  for (const std::size_t i : order) {
    buttons_[i] = CreateWindowExW(
        0, L"BUTTON", Wide(command1.buttons[i].caption).c_str(),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 0, 0, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstButtonId + i)), nullptr, nullptr);
  }
  if (!order.empty()) first_in_focus_order_ = buttons_[order.front()];
  for (const LabelDesign& label : design_.labels) captions_.push_back(Wide(label.caption));
  for (const ShapeArrayDesign& array : design_.shape_arrays) {
    auto& shapes = shapes_.emplace_back();
    for (const ShapeDesign& shape : array.shapes) {
      shapes.push_back({{}, shape.fill_colour, shape.fill_style});
    }
  }
  LayOut(WindowDpi(window_));
  SizeAround(window_, Pixels(design_.client_width, dpi_), Pixels(design_.client_height, dpi_),
             kStyle, dpi_);
  if (design_.timer && design_.timer->enabled) SetTimerEnabled(true);
}

Win32Window::~Win32Window() {
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  DeleteFonts();
}

// Everything inside the window at the given dpi: the buttons' places, the fonts, the circles.
void Win32Window::LayOut(int dpi) {
  dpi_ = dpi;
  DeleteFonts();
  const ButtonArrayDesign& command1 = design_.command1;
  std::vector<OneLine> captions;
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    const RECT box = ToRect(command1.buttons[i].box, dpi_);
    SetWindowPos(buttons_[i], nullptr, box.left, box.top, box.right - box.left,
                 box.bottom - box.top, SWP_NOZORDER | SWP_NOACTIVATE);
    captions.push_back({Wide(command1.buttons[i].caption), box.right - box.left - 2 * kEdge});
  }
  button_font_ = MakeFont(command1.font, dpi_, captions);
  for (HWND button : buttons_) {
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(button_font_.handle), FALSE);
  }
  for (const LabelDesign& label : design_.labels)
    label_fonts_.push_back(MakeFont(label.font, dpi_));
  for (std::size_t a = 0; a < shapes_.size(); ++a) {
    for (std::size_t i = 0; i < shapes_[a].size(); ++i) {
      shapes_[a][i].box = ToRect(design_.shape_arrays[a].shapes[i].box, dpi_);
    }
  }
  InvalidateRect(window_, nullptr, TRUE);
}

void Win32Window::DeleteFonts() {
  if (button_font_.handle) DeleteObject(button_font_.handle);
  button_font_ = {};
  for (const Win32Font& font : label_fonts_) DeleteObject(font.handle);
  label_fonts_.clear();
}

void Win32Window::SetTitle(const std::string& title) {
  SetWindowTextW(window_, Wide(title).c_str());
}

void Win32Window::SetEnabled(bool enabled) {
  EnableWindow(window_, enabled);
  if (enabled && first_in_focus_order_ && IsWindowVisible(window_)) SetFocus(first_in_focus_order_);
}

void Win32Window::SetVisible(bool visible) {
  if (visible && !shown_before_) {
    // Centred on the work area the first time it shows.
    RECT area = {}, frame = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window_, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    shown_before_ = true;
  }
  ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
  if (visible) {
    SetForegroundWindow(window_);
    if (first_in_focus_order_) SetFocus(first_in_focus_order_);
  }
}

void Win32Window::SetLabelCaption(int label, const std::string& caption) {
  captions_.at(static_cast<std::size_t>(label)) = Wide(caption);
  const RECT box = ToRect(design_.labels[static_cast<std::size_t>(label)].box, dpi_);
  InvalidateRect(window_, &box, TRUE);
}

void Win32Window::SetShapeFill(int array, int index, OleColour colour, int fill_style) {
  Shape& shape = shapes_.at(static_cast<std::size_t>(array)).at(static_cast<std::size_t>(index));
  shape.colour = colour;
  shape.fill_style = fill_style;
  InvalidateRect(window_, &shape.box, TRUE);
}

void Win32Window::SetTimerEnabled(bool enabled) {
  // Enabling a running timer keeps its rhythm.
  if (enabled && !timer_running_ && design_.timer) {
    SetTimer(window_, kTimerId, static_cast<UINT>(design_.timer->interval_ms), nullptr);
  } else if (!enabled && timer_running_) {
    KillTimer(window_, kTimerId);
  }
  timer_running_ = enabled && design_.timer;
}

LRESULT CALLBACK Win32Window::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(l);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, w, l);
  if (self->window_ == nullptr) self->window_ = window;
  return self->Handle(message, w, l);
}

// The form may unload, and so delete this window, inside RaiseClick, RaiseTimer and
// RaiseUnload: nothing of this object is touched after them.
LRESULT Win32Window::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(w) == BN_CLICKED && LOWORD(w) >= kFirstButtonId) {
        form_.RaiseClick(static_cast<std::int16_t>(LOWORD(w) - kFirstButtonId));
        return 0;
      }
      break;
    case WM_TIMER:
      if (w == kTimerId) {
        form_.RaiseTimer();
        return 0;
      }
      break;
    case WM_CLOSE:
      form_.RaiseUnload();
      return 0;
    case WM_DRAWITEM:
      DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
      return TRUE;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window_, &client);
      HBRUSH brush = CreateSolidBrush(ToColour(design_.back_colour));
      FillRect(reinterpret_cast<HDC>(w), &client, brush);
      DeleteObject(brush);
      return TRUE;
    }
    case WM_PAINT:
      Paint();
      return 0;
    case WM_DPICHANGED: {
      // Moved to a monitor of another scale, or the scale changed: laid out again at the new
      // dpi in the rectangle that Windows suggests.
      LayOut(LOWORD(w));
      TakeSuggestedRect(window_, l);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, w, l);
}

void Win32Window::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  for (std::size_t i = 0; i < design_.labels.size(); ++i) {
    const LabelDesign& label = design_.labels[i];
    RECT box = ToRect(label.box, dpi_);
    HBRUSH back = CreateSolidBrush(ToColour(label.back_colour));
    FillRect(dc, &box, back);
    DeleteObject(back);
    if (label.border) DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    HGDIOBJ old_font = SelectObject(dc, label_fonts_[i].handle);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColour(label.fore_colour));
    PaintLabelText(dc, label_fonts_[i], captions_[i], box);
    SelectObject(dc, old_font);
  }
  HPEN outline = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
  HGDIOBJ old_pen = SelectObject(dc, outline);
  for (const auto& array : shapes_) {
    for (const Shape& shape : array) {
      HBRUSH fill = shape.fill_style == kFillSolid
                        ? CreateSolidBrush(ToColour(shape.colour))
                        : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
      HGDIOBJ old_brush = SelectObject(dc, fill);
      Ellipse(dc, shape.box.left, shape.box.top, shape.box.right, shape.box.bottom);
      SelectObject(dc, old_brush);
      if (shape.fill_style == kFillSolid) DeleteObject(fill);
    }
  }
  SelectObject(dc, old_pen);
  DeleteObject(outline);
  EndPaint(window_, &paint);
}

void Win32Window::DrawButton(const DRAWITEMSTRUCT& item) {
  RECT box = item.rcItem;
  HBRUSH face = CreateSolidBrush(ToColour(design_.command1.face_colour));
  FillRect(item.hDC, &box, face);
  DeleteObject(face);
  const bool pressed = item.itemState & ODS_SELECTED;
  DrawEdge(item.hDC, &box, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
  wchar_t caption[256];
  const int length = GetWindowTextW(item.hwndItem, caption, 256);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, ToColour(design_.command1.text_colour));
  HGDIOBJ old_font = SelectObject(item.hDC, button_font_.handle);
  DrawInFont(button_font_, [&](int dx) {
    RECT shifted = box;
    OffsetRect(&shifted, dx, 0);
    DrawTextW(item.hDC, caption, length, &shifted,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  });
  SelectObject(item.hDC, old_font);
  if (item.itemState & ODS_FOCUS) {
    InflateRect(&box, -2, -2);
    DrawFocusRect(item.hDC, &box);
  }
}

}  // namespace orlanek::windows::win32
