#include "platform/linux/X11HotkeyRegistrar.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>

namespace brivak::platform {

namespace {

// The modifier bits of a key event's state (the button bits are left out).
constexpr unsigned int kModifierBits =
    ShiftMask | LockMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;

}  // namespace

std::unique_ptr<X11HotkeyRegistrar> X11HotkeyRegistrar::Open(const std::string& displayName) {
  X11DisplayPtr display = OpenX11Display(displayName);
  if (!display) return nullptr;
  return std::unique_ptr<X11HotkeyRegistrar>(new X11HotkeyRegistrar(std::move(display)));
}

X11HotkeyRegistrar::X11HotkeyRegistrar(X11DisplayPtr display)
    : display_(std::move(display)), root_(DefaultRootWindow(display_.get())) {
  ReadNumLockMask();
}

X11HotkeyRegistrar::~X11HotkeyRegistrar() { UnregisterAll(); }

void X11HotkeyRegistrar::ReadNumLockMask() {
  numLockMask_ = 0;
  const KeyCode numLock = XKeysymToKeycode(display_.get(), XK_Num_Lock);
  XModifierKeymap* map = XGetModifierMapping(display_.get());
  if (map == nullptr) return;
  for (int modifier = 0; modifier < 8 && numLock != 0; ++modifier) {
    for (int k = 0; k < map->max_keypermod; ++k) {
      if (map->modifiermap[modifier * map->max_keypermod + k] == numLock) {
        numLockMask_ = 1u << modifier;
      }
    }
  }
  XFreeModifiermap(map);
}

std::array<unsigned int, 4> X11HotkeyRegistrar::Variants(unsigned int modifiers) const {
  return {modifiers, modifiers | LockMask, modifiers | numLockMask_,
          modifiers | LockMask | numLockMask_};
}

void X11HotkeyRegistrar::Ungrab(const Item& item) {
  // Ungrabbing a variant that another client holds touches nothing of theirs.
  for (unsigned int mask : Variants(item.modifiers)) {
    XUngrabKey(display_.get(), static_cast<int>(item.keycode), mask, root_);
  }
}

bool X11HotkeyRegistrar::Shared(const Item& item) const {
  return std::any_of(items_.begin(), items_.end(), [&](const auto& entry) {
    return entry.second.keycode == item.keycode && entry.second.modifiers == item.modifiers;
  });
}

bool X11HotkeyRegistrar::Register(int id, std::uint32_t keysym, std::uint32_t modifiers) {
  Unregister(id);
  // NoSymbol would match some key whose slots are empty; a key code of 0 would stand for every
  // key (AnyKey).
  if (keysym == NoSymbol) return false;
  const KeyCode keycode = XKeysymToKeycode(display_.get(), keysym);
  if (keycode == 0) return false;
  Item item{keycode, (modifiers & kModifierBits) & ~(LockMask | numLockMask_)};
  X11ErrorTrap trap(display_.get());
  for (unsigned int mask : Variants(item.modifiers)) {
    XGrabKey(display_.get(), keycode, mask, root_, False, GrabModeAsync, GrabModeAsync);
  }
  const int error = trap.Sync();
  if (error != 0) {
    // BadAccess: another client holds one of the variants. Nothing of the item may stay grabbed
    // (unless another id of ours holds the same combination).
    if (!Shared(item)) Ungrab(item);
    trap.Sync();
    return false;
  }
  items_[id] = item;
  return true;
}

void X11HotkeyRegistrar::Unregister(int id) {
  auto found = items_.find(id);
  if (found == items_.end()) return;
  const Item item = found->second;
  items_.erase(found);
  if (Shared(item)) return;  // another id holds the same combination: its grab must stay
  X11ErrorTrap trap(display_.get());
  Ungrab(item);
  trap.Sync();
}

void X11HotkeyRegistrar::UnregisterAll() {
  while (!items_.empty()) Unregister(items_.begin()->first);
}

int X11HotkeyRegistrar::EventFd() const { return ConnectionNumber(display_.get()); }

int X11HotkeyRegistrar::Pump() {
  int delivered = 0;
  Display* display = display_.get();
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
      if (event.xmapping.request == MappingModifier) ReadNumLockMask();
      continue;
    }
    if (event.type != KeyPress) continue;
    const unsigned int state = event.xkey.state & kModifierBits & ~(LockMask | numLockMask_);
    auto match = std::find_if(items_.begin(), items_.end(), [&](const auto& entry) {
      return entry.second.keycode == event.xkey.keycode && entry.second.modifiers == state;
    });
    if (match == items_.end()) continue;
    ++delivered;
    // Copies: the callback may unregister the item or replace itself.
    const int id = match->first;
    if (Callback callback = callback_) callback(id);
  }
  return delivered;
}

}  // namespace brivak::platform

