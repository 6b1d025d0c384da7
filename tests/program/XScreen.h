#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// The test's own connection to the X display the programs under test use,
// for what a user sees and does: windows by title, where they stand, which
// is in front, and real pointer and key input through XTEST.
class XScreen {
 public:
  struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
  };

  XScreen() : display_(XOpenDisplay(nullptr)) {}
  ~XScreen() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  XScreen(const XScreen&) = delete;
  XScreen& operator=(const XScreen&) = delete;

  bool Ok() const { return display_ != nullptr; }
  Window Root() const { return DefaultRootWindow(display_); }

  // A viewable window with that title, anywhere in the tree; None if none.
  Window Find(const std::string& title) {
    XSync(display_, False);
    return Search(Root(), title);
  }
  // Waits up to `limit` for it.
  Window WaitFor(const std::string& title, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    Window found = None;
    Until([&] { return (found = Find(title)) != None; }, limit);
    return found;
  }

  bool Viewable(Window window) {
    XWindowAttributes attributes;
    return window != None && XGetWindowAttributes(display_, window, &attributes) &&
           attributes.map_state == IsViewable;
  }

  Rect Geometry(Window window) {
    XWindowAttributes attributes{};
    Rect rect;
    if (!XGetWindowAttributes(display_, window, &attributes)) return rect;
    Window child;
    XTranslateCoordinates(display_, window, Root(), 0, 0, &rect.x, &rect.y, &child);
    rect.width = attributes.width;
    rect.height = attributes.height;
    return rect;
  }

  // The position among the root's children (higher is nearer the front) of
  // the top-level window holding `window`.
  int StackingIndex(Window window) {
    const Window top = TopLevel(window);
    Window rootReturn, parent;
    Window* children = nullptr;
    unsigned count = 0;
    int index = -1;
    if (XQueryTree(display_, Root(), &rootReturn, &parent, &children, &count)) {
      for (unsigned i = 0; i < count; ++i) {
        if (children[i] == top) index = static_cast<int>(i);
      }
      XFree(children);
    }
    return index;
  }

  void Click(int x, int y, unsigned button = 1) {
    Move(x, y);
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
    Pause();
  }
  void Move(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XSync(display_, False);
    Pause();
  }
  void Key(KeySym key) {
    const KeyCode code = XKeysymToKeycode(display_, key);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
    Pause();
  }

  // Whether a popup menu is shown (GTK marks its windows so).
  bool PopupMenuShown() {
    XSync(display_, False);
    const Atom typeAtom = XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False);
    const Atom popup = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_POPUP_MENU", False);
    Window rootReturn, parent;
    Window* children = nullptr;
    unsigned count = 0;
    bool shown = false;
    if (XQueryTree(display_, Root(), &rootReturn, &parent, &children, &count)) {
      for (unsigned i = 0; i < count && !shown; ++i) {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        if (Viewable(children[i]) &&
            XGetWindowProperty(display_, children[i], typeAtom, 0, 1, False, XA_ATOM, &type, &format, &items,
                               &after, &data) == Success && data != nullptr && items == 1) {
          shown = *reinterpret_cast<Atom*>(data) == popup;
        }
        if (data != nullptr) XFree(data);
      }
      if (children != nullptr) XFree(children);
    }
    return shown;
  }

  // A plain window over the whole screen, in front of everything so far.
  Window Cover() {
    const Window cover = XCreateSimpleWindow(display_, Root(), 0, 0, DisplayWidth(display_, 0),
                                             DisplayHeight(display_, 0), 0, 0, 0x808080);
    XMapRaised(display_, cover);
    XSync(display_, False);
    return cover;
  }

  // What a taskbar does to minimise a window: asks the window manager.
  void Iconify(Window window) {
    XIconifyWindow(display_, window, DefaultScreen(display_));
    XSync(display_, False);
  }

  static bool Until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }

 private:
  static void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }

  std::string Title(Window window) {
    std::string title;
    const Atom netName = XInternAtom(display_, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window, netName, 0, 1024, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success && data != nullptr) {
      title.assign(reinterpret_cast<char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    if (title.empty()) {
      char* name = nullptr;
      if (XFetchName(display_, window, &name) && name != nullptr) {
        title = name;
        XFree(name);
      }
    }
    return title;
  }

  Window Search(Window window, const std::string& title) {
    if (window != Root() && Viewable(window) && Title(window) == title) return window;
    Window rootReturn, parent;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = None;
    if (XQueryTree(display_, window, &rootReturn, &parent, &children, &count)) {
      for (unsigned i = count; i-- > 0 && found == None;) found = Search(children[i], title);
      if (children != nullptr) XFree(children);
    }
    return found;
  }

  Window TopLevel(Window window) {
    for (;;) {
      Window rootReturn, parent;
      Window* children = nullptr;
      unsigned count = 0;
      if (!XQueryTree(display_, window, &rootReturn, &parent, &children, &count)) return None;
      if (children != nullptr) XFree(children);
      if (parent == rootReturn) return window;
      window = parent;
    }
  }

  Display* display_;
};
