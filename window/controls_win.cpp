#include "window/controls_win.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "resources/pictures.h"
#include "resources/resource_ids.h"
#include "window/picture_decoder.h"
#include "window/window_layer.h"
#include "window/window_layer_win.h"

namespace setup {
namespace {

// System cursors of the mouse pointers 0..14 (IDC_* values).
constexpr std::array<WORD, kPointerLast + 1> kPointerCursors = {
    32512, 32512, 32515, 32513, 32646, 32643, 32645, 32642, 32644, 32516, 32514, 32648, 32650, 32651, 32649,
};

constexpr char kWindowClass[] = "SetupWindow";
constexpr char kPictureBoxClass[] = "SetupPictureBox";
constexpr char kLabelClass[] = "SetupLabel";
constexpr char kTransparentLabelClass[] = "SetupTransparentLabel";
constexpr char kPictureButtonClass[] = "SetupPictureButton";
constexpr char kArchiveComponentClass[] = "SetupArchiveComponent";

COLORREF ToColorRef(Colour colour) { return static_cast<COLORREF>(colour & 0x00FFFFFF); }

// The key state of a mouse event: 1 Ctrl, 2 Shift, 4 Alt, added together.
std::int32_t KeyState(WPARAM wparam) {
  return ((wparam & MK_CONTROL) != 0 ? 1 : 0) | ((wparam & MK_SHIFT) != 0 ? 2 : 0) |
         (::GetKeyState(VK_MENU) < 0 ? 4 : 0);
}
std::int32_t KeyboardState() {
  return (::GetKeyState(VK_CONTROL) < 0 ? 1 : 0) | (::GetKeyState(VK_SHIFT) < 0 ? 2 : 0) |
         (::GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

// The pointer's place in client coordinates, each taken as an unsigned 16-bit value.
std::int32_t PointerX(LPARAM lparam) { return static_cast<std::int32_t>(LOWORD(static_cast<DWORD>(lparam))); }
std::int32_t PointerY(LPARAM lparam) { return static_cast<std::int32_t>(HIWORD(static_cast<DWORD>(lparam))); }
POINT ClientPoint(LPARAM lparam) {
  return POINT{static_cast<short>(LOWORD(static_cast<DWORD>(lparam))),
               static_cast<short>(HIWORD(static_cast<DWORD>(lparam)))};
}

// A font made from a LOGFONTA record: the definition's fields, with the default character set, the
// default output and clipping precision, proof quality and the default pitch and family.
UniqueFont MakeFont(const FontSetting& setting) {
  LOGFONTA record = {};
  record.lfHeight = setting.height;
  record.lfWeight = setting.weight;
  record.lfItalic = setting.italic ? TRUE : FALSE;
  record.lfUnderline = setting.underline ? TRUE : FALSE;
  record.lfStrikeOut = setting.strike_out ? TRUE : FALSE;
  record.lfCharSet = DEFAULT_CHARSET;
  record.lfOutPrecision = OUT_DEFAULT_PRECIS;
  record.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  record.lfQuality = PROOF_QUALITY;
  record.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const TextView face = setting.face != nullptr ? TextView(setting.face) : TextView();
  std::memcpy(record.lfFaceName, face.data(), std::min(face.size(), sizeof record.lfFaceName - 1));
  return UniqueFont(::CreateFontIndirectA(&record));
}

ByteSet PictureBytes(PictureId id) {
  switch (id) {
    case PictureId::kInstallButton:
      return InstallButtonPicture();
    case PictureId::kInstallButtonHot:
      return InstallButtonHotPicture();
    case PictureId::kFinished:
      return FinishedPicture();
    case PictureId::kLogo:
      return LogoPicture();
    case PictureId::kNone:
      break;
  }
  return ByteSet();
}

// Paints through a memory bitmap of the client area's size, then copies it to the screen in one step.
template <typename PaintFunction>
void PaintBuffered(HWND window, PaintFunction paint) {
  PAINTSTRUCT ps;
  HDC screen = ::BeginPaint(window, &ps);
  RECT client;
  ::GetClientRect(window, &client);
  if (client.right > 0 && client.bottom > 0) {
    UniqueMemoryDc memory(::CreateCompatibleDC(screen));
    UniqueBitmap buffer(::CreateCompatibleBitmap(screen, client.right, client.bottom));
    if (memory && buffer) {
      SelectObjectScope select(memory.Get(), buffer.Get());
      paint(memory.Get(), client);
      ::BitBlt(screen, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
    } else {
      paint(screen, client);
    }
  }
  ::EndPaint(window, &ps);
}

void FillColour(HDC dc, const RECT& area, COLORREF colour) {
  UniqueBrush brush(::CreateSolidBrush(colour));
  ::FillRect(dc, &area, brush.Get());
}

// Copies `picture` into `dc` at (x, y) with size (width, height), scaling when the sizes differ.
void DrawPicture(HDC dc, const PictureBitmap& picture, int x, int y, int width, int height) {
  UniqueMemoryDc source(::CreateCompatibleDC(dc));
  if (!source) return;
  SelectObjectScope select(source.Get(), picture.bitmap.Get());
  if (width == picture.width && height == picture.height) {
    ::BitBlt(dc, x, y, width, height, source.Get(), 0, 0, SRCCOPY);
    return;
  }
  const int previous_mode = ::SetStretchBltMode(dc, HALFTONE);
  POINT previous_origin;
  ::SetBrushOrgEx(dc, 0, 0, &previous_origin);
  ::StretchBlt(dc, x, y, width, height, source.Get(), 0, 0, picture.width, picture.height, SRCCOPY);
  ::SetBrushOrgEx(dc, previous_origin.x, previous_origin.y, nullptr);
  ::SetStretchBltMode(dc, previous_mode);
}

// ---------------------------------------------------------------------------------------------------
// Window

class WindowControl final : public Control {
 public:
  using Control::Control;

  bool Create(HWND) override {
    caption_ = Text(definition_.caption);
    visible_flag_ = definition_.visible;
    background_.Reset(::CreateSolidBrush(ToColorRef(definition_.back_colour)));
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    auto icon = [&](int size_metric) {
      const int size = ::GetSystemMetrics(size_metric);
      return static_cast<HICON>(
          ::LoadImageA(instance, MAKEINTRESOURCEA(SETUP_ICON_ID), IMAGE_ICON, size, size, LR_DEFAULTCOLOR | LR_SHARED));
    };
    const char* window_class = RegisterKindClass(kWindowClass, 0, nullptr, icon(SM_CXICON), icon(SM_CXSMICON));
    // Centred on the primary screen; both divisions truncate toward zero.
    const int left = (::GetSystemMetrics(SM_CXSCREEN) - definition_.width) / 2;
    const int top = (::GetSystemMetrics(SM_CYSCREEN) - definition_.height) / 2;
    // No title bar, frame, system menu or boxes: a plain pop-up window, which has a taskbar button as it
    // has no owner.
    return CreateNative(window_class, WS_EX_APPWINDOW, WS_POPUP | WS_CLIPCHILDREN, nullptr, left, top,
                        definition_.width, definition_.height, caption_.CStr());
  }

  void WriteKindText(std::int32_t number, TextView value) override {
    if (number != kPropCaption) return;
    caption_ = Text(value);
    ::SetWindowTextA(native_, caption_.CStr());
  }
  std::optional<Text> ReadKindText(std::int32_t number) const override {
    if (number != kPropCaption) return std::nullopt;
    return caption_;
  }

  void SetVisible(bool visible) override {
    visible_flag_ = visible;
    ::ShowWindow(native_, visible ? SW_SHOW : SW_HIDE);
  }
  [[nodiscard]] bool VisibleFlag() const noexcept override { return visible_flag_; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(native_, &client);
        ::FillRect(reinterpret_cast<HDC>(wparam), &client, background_.Get());
        return 1;
      }
      case WM_NCDESTROY:
        WindowLayerNativeWindowGone(*this);
        break;
      default:
        break;
    }
    return Control::HandleMessage(message, wparam, lparam);
  }

 private:
  Text caption_;
  bool visible_flag_ = true;
  UniqueBrush background_;
};

// ---------------------------------------------------------------------------------------------------
// Controls that paint themselves through a buffer; Paint also serves WM_PRINTCLIENT, so that a
// transparent label can have its parent paint what lies beneath it.

class PaintedControl : public Control {
 public:
  using Control::Control;

 protected:
  virtual void Paint(HDC dc, const RECT& client) = 0;

  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT:
        PaintBuffered(native_, [this](HDC dc, const RECT& client) { Paint(dc, client); });
        return 0;
      case WM_PRINTCLIENT: {
        RECT client;
        ::GetClientRect(native_, &client);
        Paint(reinterpret_cast<HDC>(wparam), client);
        return 0;
      }
      default:
        return Control::HandleMessage(message, wparam, lparam);
    }
  }

  void Redraw() const { ::InvalidateRect(native_, nullptr, FALSE); }

  // Changes the border style's style bits; the outer size stays, the client area follows.
  void ApplyBorderStyle(std::int32_t border_style) const {
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(native_, GWL_STYLE));
    DWORD ex_style = static_cast<DWORD>(::GetWindowLongPtrA(native_, GWL_EXSTYLE));
    style &= ~static_cast<DWORD>(WS_BORDER | WS_DLGFRAME);
    ex_style &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE);
    BorderStyleBits(border_style, style, ex_style);
    ::SetWindowLongPtrA(native_, GWL_STYLE, static_cast<LONG_PTR>(style));
    ::SetWindowLongPtrA(native_, GWL_EXSTYLE, static_cast<LONG_PTR>(ex_style));
    ::SetWindowPos(native_, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::RedrawWindow(native_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
  }
};

// ---------------------------------------------------------------------------------------------------
// Picture box

class PictureBox final : public PaintedControl {
 public:
  using PaintedControl::PaintedControl;

  bool Create(HWND parent) override {
    back_colour_ = definition_.back_colour;
    border_style_ = ClampBorderStyle(ControlKind::kPictureBox, definition_.border_style);
    display_mode_ = ClampDisplayMode(definition_.display_mode);
    picture_ = MakePictureBitmap(PictureBytes(definition_.picture));
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, ex_style = 0;
    BorderStyleBits(border_style_, style, ex_style);
    return CreateNative(RegisterKindClass(kPictureBoxClass, 0, nullptr), ex_style, style, parent, definition_.left,
                        definition_.top, definition_.width, definition_.height);
  }

  void WriteKindInteger(std::int32_t number, std::int32_t value) override {
    switch (number) {
      case 8:
        border_style_ = ClampBorderStyle(ControlKind::kPictureBox, value);
        ApplyBorderStyle(border_style_);
        break;
      case 9:
        back_colour_ = static_cast<Colour>(value);
        Redraw();
        break;
      case 11:
        display_mode_ = ClampDisplayMode(value);
        Redraw();
        break;
      default:
        break;
    }
  }
  void WriteKindPicture(std::int32_t number, ByteSet picture) override {
    if (number != 10) return;
    picture_ = MakePictureBitmap(picture);
    Redraw();
  }
  std::optional<std::int32_t> ReadKindInteger(std::int32_t number) const override {
    switch (number) {
      case 8:
        return border_style_;
      case 9:
        return static_cast<std::int32_t>(back_colour_);
      case 11:
        return display_mode_;
      default:
        return std::nullopt;
    }
  }

 protected:
  void Paint(HDC dc, const RECT& client) override {
    FillColour(dc, client, back_colour_ == kSystemButtonFace ? ::GetSysColor(COLOR_BTNFACE) : ToColorRef(back_colour_));
    if (!picture_.Valid()) return;
    const int box_width = client.right, box_height = client.bottom;
    switch (display_mode_) {
      case 0:
        DrawPicture(dc, picture_, 0, 0, picture_.width, picture_.height);
        break;
      case 1:
        DrawPicture(dc, picture_, 0, 0, box_width, box_height);
        break;
      default: {
        int width = picture_.width, height = picture_.height;
        if (width > box_width || height > box_height) {
          const double factor = std::min(static_cast<double>(box_width) / picture_.width,
                                         static_cast<double>(box_height) / picture_.height);
          width = static_cast<int>(picture_.width * factor);
          height = static_cast<int>(picture_.height * factor);
        }
        DrawPicture(dc, picture_, (box_width - width) / 2, (box_height - height) / 2, width, height);
        break;
      }
    }
  }

 private:
  Colour back_colour_ = 0;
  std::int32_t border_style_ = 0;
  std::int32_t display_mode_ = 0;
  PictureBitmap picture_;
};

// ---------------------------------------------------------------------------------------------------
// Label and transparent label

class Label final : public PaintedControl {
 public:
  Label(const ControlDefinition& definition, std::uint32_t window_id, bool transparent) noexcept
      : PaintedControl(definition, window_id), transparent_(transparent) {}

  bool Create(HWND parent) override {
    caption_ = Text(definition_.caption);
    text_colour_ = definition_.text_colour;
    back_colour_ = definition_.back_colour;
    border_style_ = ClampBorderStyle(definition_.kind, definition_.border_style);
    if (definition_.font != nullptr) font_ = MakeFont(*definition_.font);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS, ex_style = transparent_ ? WS_EX_TRANSPARENT : 0;
    BorderStyleBits(border_style_, style, ex_style);
    const char* window_class = transparent_ ? RegisterKindClass(kTransparentLabelClass, 0, nullptr)
                                            : RegisterKindClass(kLabelClass, 0, nullptr);
    return CreateNative(window_class, ex_style, style, parent, definition_.left, definition_.top, definition_.width,
                        definition_.height, caption_.CStr());
  }

  void WriteKindText(std::int32_t number, TextView value) override {
    if (number != kPropCaption) return;
    caption_ = Text(value);
    ::SetWindowTextA(native_, caption_.CStr());
    if (transparent_) {
      // What lies beneath the label is painted anew, so that no trace of the old text stays.
      HWND parent = ::GetParent(native_);
      RECT area;
      ::GetWindowRect(native_, &area);
      ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
      ::RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    Redraw();
  }
  std::optional<Text> ReadKindText(std::int32_t number) const override {
    if (number != kPropCaption) return std::nullopt;
    return caption_;
  }

 protected:
  void Paint(HDC dc, const RECT& client) override {
    if (transparent_) {
      PaintParentBeneath(dc);
    } else {
      FillColour(dc, client, ToColorRef(back_colour_));
    }
    if (border_style_ == 6) PaintGradientFrame(dc, client);
    SelectObjectScope select_font(dc, font_ ? static_cast<HGDIOBJ>(font_.Get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetTextColor(dc, ToColorRef(text_colour_));
    ::SetBkMode(dc, TRANSPARENT);
    RECT area = client;
    // One line, left-aligned, vertically centred; "&" is drawn as itself; cut off at the edge.
    ::DrawTextA(dc, caption_.CStr(), static_cast<int>(caption_.Size()), &area,
                DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }

 private:
  // Has the parent paint its client area into `dc`, shifted so that the part beneath this label lands
  // at the label's origin.
  void PaintParentBeneath(HDC dc) const {
    HWND parent = ::GetParent(native_);
    POINT origin{0, 0};
    ::MapWindowPoints(native_, parent, &origin, 1);
    POINT previous;
    ::SetViewportOrgEx(dc, -origin.x, -origin.y, &previous);
    ::SendMessageA(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    ::SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
  }

  // Border style 6: a two-pixel frame shading from the system's shadow colour to its highlight.
  static void PaintGradientFrame(HDC dc, const RECT& client) {
    const COLORREF from = ::GetSysColor(COLOR_BTNSHADOW), to = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const int length = std::max<int>(1, client.right + client.bottom);
    for (int x = 0; x < client.right; ++x) {
      for (int y : {0, 1, static_cast<int>(client.bottom) - 2, static_cast<int>(client.bottom) - 1}) {
        const int t = x + y;
        const COLORREF c = RGB(GetRValue(from) + (GetRValue(to) - GetRValue(from)) * t / length,
                               GetGValue(from) + (GetGValue(to) - GetGValue(from)) * t / length,
                               GetBValue(from) + (GetBValue(to) - GetBValue(from)) * t / length);
        ::SetPixelV(dc, x, y, c);
      }
    }
    for (int y = 0; y < client.bottom; ++y) {
      for (int x : {0, 1, static_cast<int>(client.right) - 2, static_cast<int>(client.right) - 1}) {
        const int t = x + y;
        const COLORREF c = RGB(GetRValue(from) + (GetRValue(to) - GetRValue(from)) * t / length,
                               GetGValue(from) + (GetGValue(to) - GetGValue(from)) * t / length,
                               GetBValue(from) + (GetBValue(to) - GetBValue(from)) * t / length);
        ::SetPixelV(dc, x, y, c);
      }
    }
  }

  bool transparent_;
  Text caption_;
  Colour text_colour_ = 0;
  Colour back_colour_ = 0;
  std::int32_t border_style_ = 0;
  UniqueFont font_;
};

// ---------------------------------------------------------------------------------------------------
// Picture button

class PictureButton final : public PaintedControl {
 public:
  using PaintedControl::PaintedControl;

  bool Create(HWND parent) override {
    faces_[kNormalFace] = MakePictureBitmap(PictureBytes(definition_.picture));
    faces_[kHotFace] = MakePictureBitmap(PictureBytes(definition_.hot_picture));
    faces_[kPressedFace] = MakePictureBitmap(PictureBytes(definition_.pressed_picture));
    faces_[kDisabledFace] = MakePictureBitmap(PictureBytes(definition_.disabled_picture));
    return CreateNative(RegisterKindClass(kPictureButtonClass, 0, nullptr), 0, WS_CHILD | WS_CLIPSIBLINGS, parent,
                        definition_.left, definition_.top, definition_.width, definition_.height);
  }

  void WriteKindInteger(std::int32_t number, std::int32_t value) override {
    switch (number) {
      case 8:
        two_state_ = value == 1;
        break;
      case 9:
        selected_ = value != 0;
        break;
      case 14:
        transparent_colour_ = static_cast<Colour>(value);
        break;
      default:
        return;
    }
    FaceChanged();
  }
  void WriteKindPicture(std::int32_t number, ByteSet picture) override {
    if (number < 10 || number > 13) return;
    faces_[static_cast<std::size_t>(number - 10)] = MakePictureBitmap(picture);
    FaceChanged();
  }
  std::optional<std::int32_t> ReadKindInteger(std::int32_t number) const override {
    switch (number) {
      case 8:
        return two_state_ ? 1 : 0;
      case 9:
        return selected_ ? 1 : 0;
      case 14:
        return static_cast<std::int32_t>(transparent_colour_);
      default:
        return std::nullopt;
    }
  }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_MOUSEMOVE:
        OnPointerMoved(ClientPoint(lparam), (wparam & MK_LBUTTON) != 0);
        return 0;
      case WM_LBUTTONDOWN:
        OnLeftPressed(ClientPoint(lparam));
        return 0;
      case WM_LBUTTONUP:
        OnLeftReleased(ClientPoint(lparam));
        return 0;
      case WM_CAPTURECHANGED:
        // Capture taken by another window (a menu, a message box): nothing is hot or pressed any more.
        if (reinterpret_cast<HWND>(lparam) != native_) SetState(kNormal);
        return 0;
      case WM_ENABLE:
        FaceChanged();
        return 0;
      default:
        return PaintedControl::HandleMessage(message, wparam, lparam);
    }
  }

  void Paint(HDC dc, const RECT& client) override {
    ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    const PictureBitmap& face = CurrentFace();
    if (face.Valid()) DrawPicture(dc, face, 0, 0, face.width, face.height);
  }

 private:
  enum Face : std::size_t { kNormalFace = 0, kHotFace = 1, kPressedFace = 2, kDisabledFace = 3 };
  enum State : std::int32_t { kNormal = 0, kHot = 1, kPressed = 2 };

  const PictureBitmap& CurrentFace() const {
    if (!::IsWindowEnabled(native_) && faces_[kDisabledFace].Valid()) return faces_[kDisabledFace];
    const State state = two_state_ && selected_ ? kPressed : state_;
    if (state == kHot && faces_[kHotFace].Valid()) return faces_[kHotFace];
    if (state == kPressed && faces_[kPressedFace].Valid()) return faces_[kPressedFace];
    return faces_[kNormalFace];
  }

  bool Inside(POINT point) const {
    RECT client;
    ::GetClientRect(native_, &client);
    return ::PtInRect(&client, point) != FALSE;
  }
  bool Enabled() const { return ::IsWindowEnabled(native_) != FALSE; }
  void ReleaseOwnCapture() const {
    if (::GetCapture() == native_) ::ReleaseCapture();
  }

  void OnPointerMoved(POINT point, bool left_held) {
    if (!Enabled()) {
      ReleaseOwnCapture();
      return;
    }
    if (two_state_) return;
    POINT screen = point;
    ::ClientToScreen(native_, &screen);
    HWND under = ::WindowFromPoint(screen);
    if (under == native_ || (under == nullptr && Inside(point))) {
      if (::GetCapture() != native_) ::SetCapture(native_);
      SetState(left_held ? kPressed : kHot);
    } else {
      if (!left_held) ReleaseOwnCapture();
      SetState(kNormal);
    }
  }

  void OnLeftPressed(POINT point) {
    if (two_state_) return;
    if (Inside(point) && Enabled()) {
      SetState(kPressed);
      ::SetCapture(native_);
    }
  }

  void OnLeftReleased(POINT point) {
    ReleaseOwnCapture();
    if (!Inside(point) || !Enabled()) return;
    if (two_state_) {
      selected_ = !selected_;
      state_ = kNormal;
      FaceChanged();
    } else {
      SetState(kNormal);
    }
    Raise(kEventClicked);
  }

  void SetState(State state) {
    if (state == state_) return;
    state_ = state;
    FaceChanged();
  }

  // The current picture may have changed: the outline follows it, and the button is redrawn at once.
  void FaceChanged() {
    UpdateOutline();
    ::RedrawWindow(native_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }

  // With a transparent colour, the button's outline is cut to the pixels of the current picture that
  // are not of that colour.
  void UpdateOutline() {
    if (transparent_colour_ == kNoTransparentColour) {
      if (has_outline_) ::SetWindowRgn(native_, nullptr, TRUE);
      has_outline_ = false;
      return;
    }
    const PictureBitmap& face = CurrentFace();
    std::vector<RECT> runs;
    if (face.Valid() && face.pixels != nullptr) {
      ::GdiFlush();
      const std::uint8_t blue = static_cast<std::uint8_t>(transparent_colour_ >> 16);
      const std::uint8_t green = static_cast<std::uint8_t>(transparent_colour_ >> 8);
      const std::uint8_t red = static_cast<std::uint8_t>(transparent_colour_);
      for (int y = 0; y < face.height; ++y) {
        const std::uint8_t* row = face.pixels + static_cast<std::size_t>(y) * face.width * 4;
        for (int x = 0; x < face.width;) {
          const std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
          if (p[0] == blue && p[1] == green && p[2] == red) {
            ++x;
            continue;
          }
          const int start = x;
          while (x < face.width) {
            const std::uint8_t* q = row + static_cast<std::size_t>(x) * 4;
            if (q[0] == blue && q[1] == green && q[2] == red) break;
            ++x;
          }
          runs.push_back(RECT{start, y, x, y + 1});
        }
      }
    }
    std::vector<std::uint8_t> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(runs.size());
    header->nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    header->rcBound = RECT{0, 0, face.width, face.height};
    if (!runs.empty()) std::memcpy(data.data() + sizeof(RGNDATAHEADER), runs.data(), runs.size() * sizeof(RECT));
    HRGN region = ::ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
    if (region == nullptr) region = ::CreateRectRgn(0, 0, 0, 0);
    // The window owns the region from here on.
    ::SetWindowRgn(native_, region, TRUE);
    has_outline_ = true;
  }

  std::array<PictureBitmap, 4> faces_;
  State state_ = kNormal;
  bool two_state_ = false;
  bool selected_ = false;
  Colour transparent_colour_ = kNoTransparentColour;
  bool has_outline_ = false;
};

// ---------------------------------------------------------------------------------------------------
// Progress bar: the system's progress bar control, under this layer's procedure.

class ProgressBar final : public Control {
 public:
  using Control::Control;

  bool Create(HWND parent) override {
    border_style_ = ClampBorderStyle(ControlKind::kProgressBar, definition_.border_style);
    vertical_ = definition_.vertical;
    smooth_ = definition_.smooth;
    values_ = ProgressValues{ClampProgressValue(definition_.progress_minimum),
                             ClampProgressValue(definition_.progress_maximum),
                             ClampProgressValue(definition_.progress_position)};
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (smooth_ ? PBS_SMOOTH : 0) | (vertical_ ? PBS_VERTICAL : 0);
    DWORD ex_style = 0;
    BorderStyleBits(border_style_, style, ex_style);
    HWND native =
        ::CreateWindowExA(ex_style, PROGRESS_CLASSA, "", style, definition_.left, definition_.top, definition_.width,
                          definition_.height, parent, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (native == nullptr) return false;
    Subclass(native);
    ApplyValues();
    return true;
  }

  void WriteKindInteger(std::int32_t number, std::int32_t value) override {
    switch (number) {
      case 8:
        border_style_ = ClampBorderStyle(ControlKind::kProgressBar, value);
        ApplyStyle();
        break;
      case 9:
        vertical_ = value != 0;
        ApplyStyle();
        break;
      case 10:
        smooth_ = value != 0;
        ApplyStyle();
        break;
      case 11:
        values_.minimum = ClampProgressValue(value);
        ApplyValues();
        break;
      case 12:
        values_.maximum = ClampProgressValue(value);
        ApplyValues();
        break;
      case 13:
        values_.position = ClampProgressValue(value);
        ApplyValues();
        break;
      default:
        break;
    }
  }
  std::optional<std::int32_t> ReadKindInteger(std::int32_t number) const override {
    switch (number) {
      case 8:
        return border_style_;
      case 9:
        return vertical_ ? 1 : 0;
      case 10:
        return smooth_ ? 1 : 0;
      case 11:
        return values_.minimum;
      case 12:
        return values_.maximum;
      case 13:
        return values_.position;
      default:
        return std::nullopt;
    }
  }

 private:
  // The bar shows the stored position limited to the stored range; reads give the stored values.
  void ApplyValues() const {
    ::SendMessageA(native_, PBM_SETRANGE32, static_cast<WPARAM>(values_.RangeLow()),
                   static_cast<LPARAM>(values_.RangeHigh()));
    ::SendMessageA(native_, PBM_SETPOS, static_cast<WPARAM>(values_.Shown()), 0);
  }
  void ApplyStyle() const {
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(native_, GWL_STYLE));
    DWORD ex_style = static_cast<DWORD>(::GetWindowLongPtrA(native_, GWL_EXSTYLE));
    style &= ~static_cast<DWORD>(WS_BORDER | WS_DLGFRAME | PBS_SMOOTH | PBS_VERTICAL);
    ex_style &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE);
    style |= (smooth_ ? PBS_SMOOTH : 0) | (vertical_ ? PBS_VERTICAL : 0);
    BorderStyleBits(border_style_, style, ex_style);
    ::SetWindowLongPtrA(native_, GWL_STYLE, static_cast<LONG_PTR>(style));
    ::SetWindowLongPtrA(native_, GWL_EXSTYLE, static_cast<LONG_PTR>(ex_style));
    ::SetWindowPos(native_, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::RedrawWindow(native_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
  }

  std::int32_t border_style_ = 0;
  bool vertical_ = false;
  bool smooth_ = false;
  ProgressValues values_;
};

// ---------------------------------------------------------------------------------------------------
// Archive component: a native window that is never shown and draws nothing; it exists so that the
// extraction can tell whether the component (and its window) is still there.

class ArchiveComponent final : public Control {
 public:
  using Control::Control;

  bool Create(HWND parent) override {
    return CreateNative(RegisterKindClass(kArchiveComponentClass, 0, nullptr), 0, WS_CHILD, parent, definition_.left,
                        definition_.top, definition_.width, definition_.height);
  }
  void SetVisible(bool) override {}
};

}  // namespace

// ---------------------------------------------------------------------------------------------------

PictureBitmap MakePictureBitmap(ByteSet picture) {
  PictureBitmap result;
  std::optional<DecodedPicture> decoded = DecodeJpeg(picture.Bytes());
  if (!decoded) return result;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = decoded->width;
  info.bmiHeader.biHeight = -decoded->height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return result;
  std::memcpy(bits, decoded->pixels.data(), decoded->pixels.size());
  result.bitmap = std::move(bitmap);
  result.width = decoded->width;
  result.height = decoded->height;
  result.pixels = static_cast<const std::uint8_t*>(bits);
  return result;
}

void BorderStyleBits(std::int32_t border_style, DWORD& style, DWORD& ex_style) noexcept {
  switch (border_style) {
    case 1:
      ex_style |= WS_EX_CLIENTEDGE;
      break;
    case 2:
      ex_style |= WS_EX_DLGMODALFRAME;
      break;
    case 3:
      ex_style |= WS_EX_STATICEDGE;
      break;
    case 4:
      ex_style |= WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME;
      break;
    case 5:
      style |= WS_BORDER;
      break;
    default:
      break;
  }
}

Control::Control(const ControlDefinition& definition, std::uint32_t window_id) noexcept
    : definition_(definition), window_id_(window_id) {
  pointer = ClampMousePointer(definition.pointer);
}

Control::~Control() {
  if (native_ != nullptr) {
    HWND native = native_;
    ::SetWindowLongPtrA(native, GWLP_USERDATA, 0);
    native_ = nullptr;
    ::DestroyWindow(native);
  }
}

void Control::WriteKindInteger(std::int32_t, std::int32_t) {}
void Control::WriteKindText(std::int32_t, TextView) {}
void Control::WriteKindPicture(std::int32_t, ByteSet) {}
std::optional<std::int32_t> Control::ReadKindInteger(std::int32_t) const { return std::nullopt; }
std::optional<Text> Control::ReadKindText(std::int32_t) const { return std::nullopt; }

void Control::SetVisible(bool visible) { ::ShowWindow(native_, visible ? SW_SHOWNA : SW_HIDE); }

const char* Control::RegisterKindClass(const char* name, UINT style, HBRUSH background, HICON icon, HICON small_icon) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSEXA existing = {};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExA(instance, name, &existing)) return name;
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.style = style;
  window_class.lpfnWndProc = &Control::Procedure;
  window_class.hInstance = instance;
  window_class.hIcon = icon;
  window_class.hIconSm = small_icon;
  window_class.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  window_class.hbrBackground = background;
  window_class.lpszClassName = name;
  ::RegisterClassExA(&window_class);
  return name;
}

bool Control::CreateNative(const char* window_class, DWORD ex_style, DWORD style, HWND parent, int x, int y, int width,
                           int height, const char* caption) {
  HWND native = ::CreateWindowExA(ex_style, window_class, caption, style, x, y, width, height, parent, nullptr,
                                  ::GetModuleHandleA(nullptr), this);
  return native != nullptr && native == native_;
}

void Control::Subclass(HWND native) {
  native_ = native;
  ::SetWindowLongPtrA(native, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  system_procedure_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(native, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::Procedure)));
}

LRESULT CALLBACK Control::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  Control* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Control*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    if (self != nullptr) {
      self->native_ = window;
      ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<Control*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  }
  if (self == nullptr) return ::DefWindowProcA(window, message, wparam, lparam);

  // Message pre-translation: a mouse or keyboard message raises the matching common event of this
  // control before the control's own processing; a handler answering false cancels that processing.
  std::int32_t event = 0;
  std::array<std::int32_t, 3> arguments = {};
  std::size_t count = 0;
  switch (message) {
    case WM_LBUTTONDOWN:
      event = -1;
      break;
    case WM_LBUTTONUP:
      event = -2;
      break;
    case WM_LBUTTONDBLCLK:
      event = -3;
      break;
    case WM_RBUTTONDOWN:
      event = -4;
      break;
    case WM_RBUTTONUP:
      event = -5;
      break;
    case WM_MOUSEMOVE:
      event = -6;
      break;
    case WM_SETFOCUS:
      event = -7;
      break;
    case WM_KILLFOCUS:
      event = -8;
      break;
    case WM_KEYDOWN:
      event = -9;
      break;
    case WM_KEYUP:
      event = -10;
      break;
    case WM_CHAR:
      event = -11;
      break;
    case WM_MOUSEWHEEL:
      event = -12;
      break;
    default:
      break;
  }
  if (event <= -1 && event >= -6) {
    arguments = {PointerX(lparam), PointerY(lparam), KeyState(wparam)};
    count = 3;
  } else if (event == -9 || event == -10) {
    arguments = {static_cast<std::int32_t>(wparam), KeyboardState(), 0};
    count = 2;
  } else if (event == -11) {
    arguments = {static_cast<std::int32_t>(wparam & 0xFFFF), 0, 0};
    count = 1;
  } else if (event == -12) {
    arguments = {static_cast<std::int32_t>(GET_WHEEL_DELTA_WPARAM(wparam)), KeyState(GET_KEYSTATE_WPARAM(wparam)), 0};
    count = 2;
  }
  if (event != 0) {
    const HandlerReply reply = RaiseEventWithArguments(self->window_id_, self->definition_.id, event,
                                                       std::span<const std::int32_t>(arguments.data(), count));
    // The handler may have destroyed the window (the object itself lives until the end procedure).
    if (self->native_ != window) return ::DefWindowProcA(window, message, wparam, lparam);
    if (reply == HandlerReply::kFalse) return 0;
  }

  if (message == WM_NCDESTROY) {
    const LRESULT result = self->HandleMessage(message, wparam, lparam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->native_ = nullptr;
    return result;
  }
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT Control::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SETCURSOR && reinterpret_cast<HWND>(wparam) == native_ && LOWORD(lparam) == HTCLIENT &&
      pointer != kPointerDefault) {
    ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(kPointerCursors[static_cast<std::size_t>(pointer)])));
    return TRUE;
  }
  return DefaultProcessing(message, wparam, lparam);
}

LRESULT Control::DefaultProcessing(UINT message, WPARAM wparam, LPARAM lparam) {
  if (system_procedure_ != nullptr) return ::CallWindowProcA(system_procedure_, native_, message, wparam, lparam);
  return ::DefWindowProcA(native_, message, wparam, lparam);
}

void Control::Raise(std::int32_t event, std::initializer_list<std::int32_t> arguments) {
  RaiseEventWithArguments(window_id_, definition_.id, event,
                          std::span<const std::int32_t>(arguments.begin(), arguments.size()));
}

std::unique_ptr<Control> MakeControl(const ControlDefinition& definition, std::uint32_t window_id) {
  switch (definition.kind) {
    case ControlKind::kWindow:
      return std::make_unique<WindowControl>(definition, window_id);
    case ControlKind::kPictureBox:
      return std::make_unique<PictureBox>(definition, window_id);
    case ControlKind::kLabel:
      return std::make_unique<Label>(definition, window_id, false);
    case ControlKind::kTransparentLabel:
      return std::make_unique<Label>(definition, window_id, true);
    case ControlKind::kPictureButton:
      return std::make_unique<PictureButton>(definition, window_id);
    case ControlKind::kProgressBar:
      return std::make_unique<ProgressBar>(definition, window_id);
    case ControlKind::kArchiveComponent:
      return std::make_unique<ArchiveComponent>(definition, window_id);
  }
  return nullptr;
}

}  // namespace setup
