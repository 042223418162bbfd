// The global hotkey on X11: passive key grabs on the root window, on a connection of its own.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/HotkeyRegistrar.h"
#include "platform/linux/X11Connection.h"

namespace brivak::platform {

// Each combination is grabbed four times: as given, with LockMask (CapsLock), with the modifier
// that holds Num_Lock, and with both, because a passive grab only matches the exact modifier
// state. A press is delivered to this connection only, so the registrar reads its own events:
// the caller watches EventFd() and calls Pump() (see HotkeyRegistrar for threading).
class X11HotkeyRegistrar : public HotkeyRegistrar {
 public:
  // Null when it cannot connect to `displayName` (empty: DISPLAY).
  static std::unique_ptr<X11HotkeyRegistrar> Open(const std::string& displayName = {});
  ~X11HotkeyRegistrar() override;  // unregisters everything

  void SetCallback(Callback callback) override { callback_ = std::move(callback); }
  bool Register(int id, std::uint32_t keysym, std::uint32_t modifiers) override;
  void Unregister(int id) override;
  void UnregisterAll() override;
  bool IsRegistered(int id) const override { return items_.count(id) != 0; }
  int EventFd() const override;
  int Pump() override;

 private:
  struct Item {
    unsigned int keycode = 0;
    unsigned int modifiers = 0;  // without Lock and NumLock
  };
  explicit X11HotkeyRegistrar(X11DisplayPtr display);
  std::array<unsigned int, 4> Variants(unsigned int modifiers) const;
  void Ungrab(const Item& item);
  bool Shared(const Item& item) const;  // another registered id has the same combination
  void ReadNumLockMask();

  X11DisplayPtr display_;
  unsigned long root_ = 0;
  unsigned int numLockMask_ = 0;  // 0 when no modifier holds Num_Lock
  std::map<int, Item> items_;
  Callback callback_;
};

}  // namespace brivak::platform
