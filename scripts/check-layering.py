#!/usr/bin/env python3
"""Checks the include rules of the layers and exits non-zero on any breach:

- common/, the platform interfaces (platform/*.h) and the core folders (proj/core, manager/core)
  include no Qt header, no OS header and no Asio: they are plain C++ the fakes can stand in for;
- Qt is included only by the ui folders, the platform implementations and the programs' main files;
- a layer includes only itself and the layers below it (common < platform interfaces < core < net
  < app < ui); platform/linux and platform/fake include neither each other nor anything above.

Usage: scripts/check-layering.py [source root]   (default: the checkout this script is in)
"""
import os
import re
import sys

IFACE = "platform:iface"

# Layer of a source file by its folder; the longest matching prefix wins.
LAYERS = {
    "common/": "common",
    "platform/linux/": "platform/linux",
    "platform/fake/": "platform/fake",
    "platform/": IFACE,
    "proj/core/": "proj/core",
    "proj/net/": "proj/net",
    "proj/app/": "proj/app",
    "proj/ui/": "proj/ui",
    "proj/main.cpp": "proj/main",
    "manager/core/": "manager/core",
    "manager/net/": "manager/net",
    "manager/app/": "manager/app",
    "manager/ui/": "manager/ui",
    "manager/main.cpp": "manager/main",
}

# What each layer may include (project headers, by the included file's layer).
BELOW = {
    "common": {"common", IFACE},
    IFACE: {"common", IFACE},
    "platform/linux": {"common", IFACE, "platform/linux"},
    "platform/fake": {"common", IFACE, "platform/fake"},
    "proj/core": {"common", IFACE, "proj/core"},
    "proj/net": {"common", IFACE, "proj/core", "proj/net"},
    "proj/app": {"common", IFACE, "proj/core", "proj/net", "proj/app"},
    "proj/ui": {"common", IFACE, "platform/linux", "proj/core", "proj/net", "proj/app", "proj/ui"},
    "proj/main": None,  # the program's wiring sees everything of its program
    "manager/core": {"common", IFACE, "manager/core"},
    "manager/net": {"common", IFACE, "manager/core", "manager/net"},
    "manager/app": {"common", IFACE, "platform/linux", "manager/core", "manager/net", "manager/app"},
    "manager/ui": {"common", IFACE, "platform/linux", "manager/core", "manager/net", "manager/app",
                   "manager/ui"},
    "manager/main": None,
}

PLAIN = {"common", IFACE, "proj/core", "manager/core"}
QT_ALLOWED = {"proj/ui", "manager/ui", "platform/linux", "proj/main", "manager/main"}

QT_HEADER = re.compile(r"^(Q[A-Za-z0-9]*|Qt[A-Za-z0-9]*/.*|q[a-z0-9_]*\.h)$")
OS_HEADER = re.compile(
    r"^(unistd\.h|fcntl\.h|dirent\.h|poll\.h|pthread\.h|dlfcn\.h|signal\.h|pwd\.h|grp\.h|termios\.h"
    r"|spawn\.h|ifaddrs\.h|netdb\.h|syslog\.h|sys/.*|linux/.*|X11/.*|netinet/.*|arpa/.*|net/.*"
    r"|boost/asio.*|boost/beast.*|dbus/.*|glib.*|gio/.*)$")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def layer_of(path):
    best = None
    for prefix, layer in LAYERS.items():
        if path.startswith(prefix) and (best is None or len(prefix) > len(best[0])):
            best = (prefix, layer)
    if best and best[1] == IFACE and "/" in path[len("platform/"):]:
        return None  # a platform folder without rules of its own
    return best[1] if best else None


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    breaches = []
    for top in ("common", "platform", "proj", "manager"):
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root)
                layer = layer_of(path)
                if layer is None:
                    continue
                with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, start=1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        kind, header = m.groups()
                        where = f"{path}:{number}: {layer} includes {header}"
                        if kind == "<":
                            if QT_HEADER.match(header) and layer not in QT_ALLOWED:
                                breaches.append(where + " (Qt outside the ui and platform layers)")
                            elif OS_HEADER.match(header) and layer in PLAIN:
                                breaches.append(where + " (an OS header in plain C++)")
                            continue
                        target = layer_of(header)
                        allowed = BELOW[layer]
                        if target is None or allowed is None:
                            continue
                        if target not in allowed:
                            breaches.append(where + f" (a {target} header)")
    for breach in breaches:
        print(breach)
    if breaches:
        print(f"layering: {len(breaches)} breach(es)")
        return 1
    print("layering: clean")
    return 0


if __name__ == "__main__":
    sys.exit(main())
