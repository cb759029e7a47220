// The control kinds of the window layer: the window itself, picture box, label, transparent label,
// picture button, progress bar and the archive component. One object per control of a loaded window;
// objects and their native windows belong to the window thread and are used only there.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/handles_win.h"
#include "platform/text.h"
#include "window/property_values.h"
#include "window/window_definition.h"

namespace setup {

// A decoded picture the control keeps: a 32-bit top-down DIB section and its size.
struct PictureBitmap {
  UniqueBitmap bitmap;
  std::int32_t width = 0;
  std::int32_t height = 0;
  const std::uint8_t* pixels = nullptr;  // the DIB section's bits, 4 bytes a pixel (B, G, R, unused)

  [[nodiscard]] bool Valid() const noexcept { return bitmap.Valid(); }
};
// Decodes a picture file into a bitmap; an empty bitmap when the bytes cannot be decoded.
PictureBitmap MakePictureBitmap(ByteSet picture);

class Control {
 public:
  Control(const ControlDefinition& definition, std::uint32_t window_id) noexcept;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  // Destroys the native window when it still exists.
  virtual ~Control();

  // Creates the native window, hidden, at the definition's place inside `parent` (null for the window).
  // False when the system refuses.
  virtual bool Create(HWND parent) = 0;

  [[nodiscard]] const ControlDefinition& Definition() const noexcept { return definition_; }
  [[nodiscard]] std::uint32_t WindowId() const noexcept { return window_id_; }
  [[nodiscard]] HWND Native() const noexcept { return native_; }

  // Common settings kept by every kind.
  Text tag;
  std::int32_t pointer = kPointerDefault;

  // Kind properties, numbers 8 and up. A write of a property the kind does not have (or of another
  // value type) is ignored; a read of one gives nothing.
  virtual void WriteKindInteger(std::int32_t number, std::int32_t value);
  virtual void WriteKindText(std::int32_t number, TextView value);
  virtual void WriteKindPicture(std::int32_t number, ByteSet picture);
  [[nodiscard]] virtual std::optional<std::int32_t> ReadKindInteger(std::int32_t number) const;
  [[nodiscard]] virtual std::optional<Text> ReadKindText(std::int32_t number) const;

  // Shows or hides the native window (common property 5).
  virtual void SetVisible(bool visible);
  // The visible setting: the definition's, or the last one written. For the window, whether LoadWindow
  // shows it after the created event.
  [[nodiscard]] virtual bool VisibleFlag() const noexcept { return definition_.visible; }

 protected:
  // Registers the kind's window class once; gives the class name.
  static const char* RegisterKindClass(const char* name, UINT style, HBRUSH background, HICON icon = nullptr,
                                       HICON small_icon = nullptr);
  // Creates the native window of an own class with this object as its creation parameter.
  bool CreateNative(const char* window_class, DWORD ex_style, DWORD style, HWND parent, int x, int y, int width,
                    int height, const char* caption = "");

  // The window procedure of every own kind: finds the object and calls HandleMessage; also serves as the
  // subclass procedure of system controls (see Subclass).
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Puts a system control (created by CreateWindowEx) under Procedure; its own procedure becomes the
  // default processing.
  void Subclass(HWND native);
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT DefaultProcessing(UINT message, WPARAM wparam, LPARAM lparam);

  // Raises an event of this control (window layer dispatch).
  void Raise(std::int32_t event, std::initializer_list<std::int32_t> arguments = {});

  const ControlDefinition& definition_;
  std::uint32_t window_id_;
  HWND native_ = nullptr;
  WNDPROC system_procedure_ = nullptr;  // a subclassed system control's own procedure
};

// Makes the control object for a row of the window definition.
std::unique_ptr<Control> MakeControl(const ControlDefinition& definition, std::uint32_t window_id);

// The style bits that give border style 0..5 (border styles of picture boxes, labels, progress bars).
void BorderStyleBits(std::int32_t border_style, DWORD& style, DWORD& ex_style) noexcept;

}  // namespace setup
