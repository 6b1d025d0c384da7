// A system tray for the window tests: owns _NET_SYSTEM_TRAY_S0, announces
// itself, and docks each icon that asks into a 24x24 slot of its own window
// at the bottom right of the screen. Each docked icon's slot centre (root
// coordinates) is appended to the file given, one "x y" line per icon.
// Ends on SIGTERM.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {
volatile std::sig_atomic_t ending = 0;
void End(int) { ending = 1; }
constexpr int kSlot = 24;
constexpr long kDockRequest = 0;  // SYSTEM_TRAY_REQUEST_DOCK
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DOCKED_FILE\n", argv[0]);
    return 2;
  }
  std::signal(SIGTERM, End);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  const int width = 8 * kSlot;
  const int x = DisplayWidth(display, screen) - width;
  const int y = DisplayHeight(display, screen) - kSlot;
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;  // the tray stays where it is, above everything
  attributes.background_pixel = 0x404040;
  const Window tray = XCreateWindow(display, root, x, y, width, kSlot, 0, CopyFromParent, InputOutput,
                                    CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
  XMapRaised(display, tray);

  const Atom selection = XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False);
  const Atom opcode = XInternAtom(display, "_NET_SYSTEM_TRAY_OPCODE", False);
  const Atom manager = XInternAtom(display, "MANAGER", False);
  const Atom orientation = XInternAtom(display, "_NET_SYSTEM_TRAY_ORIENTATION", False);
  const long horizontal = 0;
  XChangeProperty(display, tray, orientation, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&horizontal), 1);
  XSetSelectionOwner(display, selection, tray, CurrentTime);
  if (XGetSelectionOwner(display, selection) != tray) return 1;
  XEvent announce{};
  announce.xclient.type = ClientMessage;
  announce.xclient.window = root;
  announce.xclient.message_type = manager;
  announce.xclient.format = 32;
  announce.xclient.data.l[0] = CurrentTime;
  announce.xclient.data.l[1] = static_cast<long>(selection);
  announce.xclient.data.l[2] = static_cast<long>(tray);
  XSendEvent(display, root, False, StructureNotifyMask, &announce);
  XFlush(display);

  int docked = 0;
  const int fd = ConnectionNumber(display);
  while (!ending) {
    if (XPending(display) == 0) {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(fd, &readable);
      timeval wait{0, 100000};
      select(fd + 1, &readable, nullptr, nullptr, &wait);
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != ClientMessage || event.xclient.message_type != opcode ||
        event.xclient.data.l[1] != kDockRequest) {
      continue;
    }
    const Window icon = static_cast<Window>(event.xclient.data.l[2]);
    const int slot = docked++;
    XReparentWindow(display, icon, tray, slot * kSlot, 0);
    XResizeWindow(display, icon, kSlot, kSlot);
    XMapRaised(display, icon);
    XSync(display, False);
    if (std::FILE* file = std::fopen(argv[1], "a")) {
      std::fprintf(file, "%d %d\n", x + slot * kSlot + kSlot / 2, y + kSlot / 2);
      std::fclose(file);
    }
  }
  XCloseDisplay(display);
  return 0;
}
