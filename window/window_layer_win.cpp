#include "window/window_layer_win.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <atomic>
#include <memory>
#include <vector>

#include "frame/frame.h"
#include "frame/runtime_errors.h"
#include "frame/system_library_win.h"
#include "window/archive_component.h"
#include "window/controls_win.h"
#include "window/native_handle.h"

namespace setup {
namespace {

struct LoadedWindow {
  const WindowDefinition* definition;
  std::vector<std::unique_ptr<Control>> controls;  // in definition order; controls[0] is the window
  // Controls whose native window is still to be made (see LoadWindow); by index into `controls`.
  std::vector<bool> waiting;
};

// Window-thread state.
std::vector<LoadedWindow*>* g_loaded = nullptr;
bool g_loop_entered = false;
bool g_idle_dropped = false;
bool g_idle_unbound = false;

// Read on any thread: which definition is loaded (0: none; this program loads one window) and how the
// handlers are run. Both are set before a second thread can exist.
std::atomic<std::uint32_t> g_loaded_definition{0};
std::atomic<HandlerInvoker> g_invoker{nullptr};

enum class AccessStatus { kOk, kWindowNotLoaded, kNoSuchControl, kNoNativeWindow };

LoadedWindow* FindLoaded(std::uint32_t window) {
  if (g_loaded == nullptr) return nullptr;
  for (LoadedWindow* loaded : *g_loaded) {
    if (loaded->definition->id == window) return loaded;
  }
  return nullptr;
}

void MakeWaitingNative(LoadedWindow& loaded, std::size_t index);

// The control object; a control whose native window is still to be made gets it first, so that every
// access finds the control as if it had been made with the others.
Control* FindControlObject(LoadedWindow& loaded, std::uint32_t control) {
  for (std::size_t i = 0; i < loaded.controls.size(); ++i) {
    if (loaded.controls[i]->Definition().id != control) continue;
    if (i < loaded.waiting.size() && loaded.waiting[i]) MakeWaitingNative(loaded, i);
    return loaded.controls[i].get();
  }
  return nullptr;
}

AccessStatus Resolve(const Property& property, Control*& control) {
  LoadedWindow* loaded = FindLoaded(property.window);
  if (loaded == nullptr) return AccessStatus::kWindowNotLoaded;
  control = FindControlObject(*loaded, property.control);
  if (control == nullptr) return AccessStatus::kNoSuchControl;
  // Kind properties need the native window; common ones act on it when it exists.
  if (property.number >= 8 && (control->Native() == nullptr || !::IsWindow(control->Native()))) {
    return AccessStatus::kNoNativeWindow;
  }
  return AccessStatus::kOk;
}

// On the calling thread, after the access: a failed lookup ends the program through the error report.
void ReportAccessFailure(AccessStatus status) {
  switch (status) {
    case AccessStatus::kOk:
      return;
    case AccessStatus::kWindowNotLoaded:
      ReportRuntimeError(kWindowNotLoadedMessage, 0);
    case AccessStatus::kNoSuchControl:
    case AccessStatus::kNoNativeWindow:
      ReportRuntimeError(kNativeWindowMissingMessage, 0);
  }
}

// The control's outer rectangle: for a child relative to its parent's client area, for a top-level
// window in screen coordinates.
RECT PlaceOf(const Control& control) {
  RECT place = {};
  HWND native = control.Native();
  if (native == nullptr || !::GetWindowRect(native, &place)) return RECT{};
  if (HWND parent = ::GetParent(native); parent != nullptr && (::GetWindowLongPtrA(native, GWL_STYLE) & WS_CHILD)) {
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
  }
  return place;
}

void WriteCommonInteger(Control& control, std::int32_t number, std::int32_t value) {
  HWND native = control.Native();
  const RECT place = PlaceOf(control);
  constexpr UINT kKeep = SWP_NOZORDER | SWP_NOACTIVATE;
  switch (number) {
    case kPropLeft:
      ::SetWindowPos(native, nullptr, ClampEdge(value), place.top, 0, 0, kKeep | SWP_NOSIZE);
      break;
    case kPropTop:
      ::SetWindowPos(native, nullptr, place.left, ClampEdge(value), 0, 0, kKeep | SWP_NOSIZE);
      break;
    case kPropWidth:
      ::SetWindowPos(native, nullptr, 0, 0, ClampExtent(value), place.bottom - place.top, kKeep | SWP_NOMOVE);
      break;
    case kPropHeight:
      ::SetWindowPos(native, nullptr, 0, 0, place.right - place.left, ClampExtent(value), kKeep | SWP_NOMOVE);
      break;
    case kPropVisible:
      control.SetVisible(value != 0);
      break;
    case kPropDisabled:
      ::EnableWindow(native, value == 0);
      break;
    case kPropMousePointer:
      control.pointer = ClampMousePointer(value);
      break;
    default:
      break;
  }
}

std::int32_t ReadCommonInteger(const Control& control, std::int32_t number) {
  HWND native = control.Native();
  const RECT place = PlaceOf(control);
  switch (number) {
    case kPropLeft:
      return place.left;
    case kPropTop:
      return place.top;
    case kPropWidth:
      return place.right - place.left;
    case kPropHeight:
      return place.bottom - place.top;
    case kPropVisible:
      return native != nullptr && ::IsWindowVisible(native) ? 1 : 0;
    case kPropDisabled:
      return native != nullptr && !::IsWindowEnabled(native) ? 1 : 0;
    case kPropMousePointer:
      return control.pointer;
    default:
      return 0;
  }
}

class SystemWindowAccessImpl final : public WindowAccess {
 public:
  void WriteInteger(const Property& property, std::int32_t value) override {
    AccessStatus status = AccessStatus::kOk;
    RunOnWindowThread([&] {
      Control* control = nullptr;
      status = Resolve(property, control);
      if (status != AccessStatus::kOk) return;
      if (property.number >= 8) {
        control->WriteKindInteger(property.number, value);
      } else {
        WriteCommonInteger(*control, property.number, value);
      }
    });
    ReportAccessFailure(status);
  }

  void WriteText(const Property& property, TextView value) override {
    AccessStatus status = AccessStatus::kOk;
    RunOnWindowThread([&] {
      Control* control = nullptr;
      status = Resolve(property, control);
      if (status != AccessStatus::kOk) return;
      if (property.number == kPropTag) {
        control->tag = Text(value);
      } else if (property.number >= 8) {
        control->WriteKindText(property.number, value);
      }
    });
    ReportAccessFailure(status);
  }

  void WritePicture(const Property& property, ByteSet picture) override {
    AccessStatus status = AccessStatus::kOk;
    RunOnWindowThread([&] {
      Control* control = nullptr;
      status = Resolve(property, control);
      if (status == AccessStatus::kOk && property.number >= 8) control->WriteKindPicture(property.number, picture);
    });
    ReportAccessFailure(status);
  }

  std::int32_t ReadInteger(const Property& property) override {
    AccessStatus status = AccessStatus::kOk;
    std::int32_t value = 0;
    RunOnWindowThread([&] {
      Control* control = nullptr;
      status = Resolve(property, control);
      if (status != AccessStatus::kOk) return;
      value = property.number >= 8 ? control->ReadKindInteger(property.number).value_or(0)
                                   : ReadCommonInteger(*control, property.number);
    });
    ReportAccessFailure(status);
    return value;
  }

  Text ReadText(const Property& property) override {
    AccessStatus status = AccessStatus::kOk;
    Text value;
    RunOnWindowThread([&] {
      Control* control = nullptr;
      status = Resolve(property, control);
      if (status != AccessStatus::kOk) return;
      if (property.number == kPropTag) {
        value = control->tag;
      } else if (property.number >= 8) {
        value = control->ReadKindText(property.number).value_or(Text());
      }
    });
    ReportAccessFailure(status);
    return value;
  }
};

bool AnyNativeWindow(const Control* except = nullptr) {
  if (g_loaded == nullptr) return false;
  for (LoadedWindow* loaded : *g_loaded) {
    const Control& window = *loaded->controls.front();
    if (&window != except && window.Native() != nullptr && ::IsWindow(window.Native())) return true;
  }
  return false;
}

void DropIdleWork() { g_idle_dropped = true; }

// End procedure: destroys every loaded window (its controls go with it) and frees the objects. Events
// are held, so no handler runs while the windows go.
void ReleaseWindows() {
  if (g_loaded == nullptr) return;
  g_loaded_definition.store(0);
  for (LoadedWindow* loaded : *g_loaded) {
    if (HWND window = loaded->controls.front()->Native()) ::DestroyWindow(window);
    // Children before parents.
    while (!loaded->controls.empty()) loaded->controls.pop_back();
    delete loaded;
  }
  delete g_loaded;
  g_loaded = nullptr;
}

// The progress bar's window class comes with the common controls, loaded from the system folder. The
// theme library, which the common controls load as they start, is loaded first from there too: a
// library already loaded is not searched for again, so it cannot come from anywhere else even on a
// loader that resolves that load with its default search order. Both stay loaded.
void LoadCommonControls() {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  static_cast<void>(LoadSystemLibrary("uxtheme.dll"));
  HMODULE module = LoadSystemLibrary("comctl32.dll");
  if (auto init = SystemExport<InitFunction>(module, "InitCommonControlsEx")) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    init(&controls);
  }
}

// The window a control goes directly beneath: that of its nearest earlier sibling that has one (the
// first child of each parent goes on top), which gives the definition order, first on top.
HWND StackAnchor(const LoadedWindow& loaded, std::size_t index) {
  std::int32_t beneath = StackBeneath(*loaded.definition, index);
  while (beneath >= 0 && loaded.controls[static_cast<std::size_t>(beneath)]->Native() == nullptr) {
    beneath = StackBeneath(*loaded.definition, static_cast<std::size_t>(beneath));
  }
  return beneath < 0 ? HWND_TOP : loaded.controls[static_cast<std::size_t>(beneath)]->Native();
}

// A control that starts hidden and needs the common controls (the progress bar) gets its native window
// only after the window has been shown, or at the first access to it: loading the common controls is
// the largest part of the start that the user would otherwise wait for. It is made as LoadWindow makes
// the others: hidden, inside its parent, at its place in the stacking, with events held.
bool WaitsForCommonControls(const ControlDefinition& row) {
  return row.kind == ControlKind::kProgressBar && !row.visible;
}

void MakeWaitingNative(LoadedWindow& loaded, std::size_t index) {
  loaded.waiting[index] = false;
  LoadCommonControls();
  HoldEvents();
  Control& control = *loaded.controls[index];
  const ControlDefinition& row = control.Definition();
  Control* parent = row.parent != 0 ? FindControlObject(loaded, row.parent) : nullptr;
  const bool created = (row.parent == 0 || (parent != nullptr && parent->Native() != nullptr)) &&
                       control.Create(parent != nullptr ? parent->Native() : nullptr);
  if (created) {
    ::SetWindowPos(control.Native(), StackAnchor(loaded, index), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  ReleaseEventHold();
  if (!created) ReportRuntimeError(kNativeWindowMissingMessage, 0);
}

void MakeWaitingNatives(LoadedWindow& loaded) {
  for (std::size_t i = 0; i < loaded.waiting.size(); ++i) {
    if (loaded.waiting[i]) MakeWaitingNative(loaded, i);
  }
}

// The idle work: while the queue is empty, each loaded window's idle event, until it shows that it has
// no handler.
void RunIdleWork() {
  const DWORD empty_since = ::GetTickCount();
  MSG message;
  while (!g_idle_dropped && !g_idle_unbound && g_loaded != nullptr && !g_loaded->empty()) {
    const LoadedWindow& loaded = *g_loaded->front();
    const std::int32_t elapsed = static_cast<std::int32_t>(::GetTickCount() - empty_since);
    if (RaiseEvent(loaded.definition->id, loaded.controls.front()->Definition().id, kEventIdle, {elapsed}) ==
        HandlerReply::kNoHandler) {
      g_idle_unbound = true;
    }
    if (::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) break;
  }
}

}  // namespace

void LoadWindow(std::uint32_t definition_id, HandlerInvoker invoker) {
  const WindowDefinition* definition = FindWindowDefinition(definition_id);
  if (definition == nullptr || definition->controls.empty()) ReportRuntimeError(kWindowNotLoadedMessage, 0);
  g_invoker.store(invoker);
  SetWindowLayerHooks(WindowLayerHooks{&DropIdleWork, &ReleaseWindows});

  HoldEvents();
  if (g_loaded == nullptr) g_loaded = new std::vector<LoadedWindow*>();
  auto* loaded = new LoadedWindow{definition, {}, {}};
  g_loaded->push_back(loaded);
  g_loaded_definition.store(definition->id);

  // Every control hidden, in definition order, inside its parent; those that wait for the common
  // controls only as objects for now.
  for (const ControlDefinition& row : definition->controls) {
    std::unique_ptr<Control> control = MakeControl(row, definition->id);
    const bool waits = control != nullptr && row.parent != 0 && WaitsForCommonControls(row);
    HWND parent = nullptr;
    if (row.parent != 0) {
      Control* parent_control = FindControlObject(*loaded, row.parent);
      parent = parent_control != nullptr ? parent_control->Native() : nullptr;
    }
    const bool created =
        control != nullptr && (row.parent == 0 || parent != nullptr) && (waits || control->Create(parent));
    if (control != nullptr) {
      loaded->controls.push_back(std::move(control));
      loaded->waiting.push_back(waits);
    }
    if (!created) ReportRuntimeError(kNativeWindowMissingMessage, 0);
  }
  // Stacking: the first child of each parent on top, every later one directly beneath the nearest
  // earlier sibling.
  for (std::size_t i = 1; i < loaded->controls.size(); ++i) {
    if (loaded->waiting[i]) continue;
    ::SetWindowPos(loaded->controls[i]->Native(), StackAnchor(*loaded, i), 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  // The visible controls are shown without being activated; the window itself stays hidden.
  for (std::size_t i = 1; i < loaded->controls.size(); ++i) {
    if (loaded->controls[i]->Definition().visible) loaded->controls[i]->SetVisible(true);
  }
  ReleaseEventHold();

  Control& window = *loaded->controls.front();
  const std::uint32_t window_control = window.Definition().id;
  RaiseEvent(definition->id, window_control, kEventCreated);
  if (::IsWindow(window.Native())) RaiseEvent(definition->id, window_control, kEventWindowMoved);
  if (::IsWindow(window.Native())) RaiseEvent(definition->id, window_control, kEventWindowResized);
  if (::IsWindow(window.Native()) && window.VisibleFlag()) {
    HWND focus = ::GetFocus();
    ::ShowWindow(window.Native(), SW_SHOW);
    ::UpdateWindow(window.Native());
    if (focus != nullptr && ::IsWindow(focus)) ::SetFocus(focus);
  }
  if (::IsWindow(window.Native())) MakeWaitingNatives(*loaded);
}

void RunMessageLoop() {
  g_loop_entered = true;
  if (!AnyNativeWindow()) return;
  MSG message;
  for (;;) {
    if (!g_idle_dropped && !g_idle_unbound && !::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) RunIdleWork();
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) return;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

void WindowLayerNativeWindowGone(const Control& window) {
  if (g_loop_entered && !AnyNativeWindow(&window)) ::PostQuitMessage(0);
}

HandlerReply RaiseEventWithArguments(std::uint32_t window, std::uint32_t control, std::int32_t event,
                                     std::span<const std::int32_t> arguments) {
  if (EventsHeld()) return HandlerReply::kNoHandler;
  const WindowDefinition* definition = FindWindowDefinition(window);
  if (definition == nullptr || g_loaded_definition.load() != window) ReportRuntimeError(kWindowNotLoadedMessage, 0);
  if (FindControl(*definition, control) == nullptr) ReportRuntimeError(kNativeWindowMissingMessage, 0);
  const std::optional<HandlerSlot> slot = FindBinding(*definition, control, event);
  const HandlerInvoker invoker = g_invoker.load();
  if (!slot || invoker == nullptr) return HandlerReply::kNoHandler;
  return invoker(*slot, arguments);
}

HandlerReply RaiseEvent(std::uint32_t window, std::uint32_t control, std::int32_t event,
                        std::initializer_list<std::int32_t> arguments) {
  return RaiseEventWithArguments(window, control, event,
                                 std::span<const std::int32_t>(arguments.begin(), arguments.size()));
}

WindowAccess& SystemWindowAccess() noexcept {
  // Never destroyed: a worker may still call it while the process ends.
  static SystemWindowAccessImpl* const access = new SystemWindowAccessImpl();
  return *access;
}

std::uintptr_t NativeWindowHandle(std::uint32_t window, std::uint32_t control) {
  std::uintptr_t handle = 0;
  RunOnWindowThread([&] {
    LoadedWindow* loaded = FindLoaded(window);
    Control* object = loaded != nullptr ? FindControlObject(*loaded, control) : nullptr;
    if (object != nullptr && object->Native() != nullptr && ::IsWindow(object->Native())) {
      handle = reinterpret_cast<std::uintptr_t>(object->Native());
    }
  });
  return handle;
}

bool RaiseArchiveProgress(std::int32_t percent, std::uint32_t window, std::uint32_t control) {
  HWND component = reinterpret_cast<HWND>(NativeWindowHandle(window, control));
  if (component == nullptr || !::IsWindow(component)) return true;
  const HandlerReply reply = RaiseEvent(window, control, kEventProgress, {percent});
  return !(reply == HandlerReply::kFalse && ::IsWindow(component));
}

}  // namespace setup
