// Drags text onto the window at a point of the screen, as another
// application does, through the XDND protocol: offers the given types,
// moves over the point, drops if the target accepts, and hands over the
// text in whichever type the target asks for (text/x-moz-url as UTF-16
// with a title line).
//   test-drag-source X Y TEXT TYPE...
// Exit: 0 dropped and the text was taken, 2 refused, 3 no answer, 1 error.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

Display* display;

Atom Intern(const char* name) { return XInternAtom(display, name, False); }

// The innermost window at the point that takes drops.
Window DropWindow(Window root, int x, int y) {
  const Atom aware = Intern("XdndAware");
  Window found = None;
  Window window = root;
  for (;;) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, aware, 0, 1, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success && type != None) {
      found = window;
    }
    if (data != nullptr) XFree(data);
    int childX, childY;
    Window child = None;
    if (!XTranslateCoordinates(display, root, window, x, y, &childX, &childY, &child) || child == None) break;
    window = child;
  }
  return found;
}

void Send(Window target, Atom message, long l0, long l1, long l2, long l3, long l4) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = target;
  event.xclient.message_type = message;
  event.xclient.format = 32;
  event.xclient.data.l[0] = l0;
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  event.xclient.data.l[4] = l4;
  XSendEvent(display, target, False, NoEventMask, &event);
  XFlush(display);
}

// The next event within `seconds`, or false.
bool NextEvent(XEvent& event, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (XPending(display) == 0) {
    if (std::chrono::steady_clock::now() > end) return false;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(ConnectionNumber(display), &readable);
    timeval wait{0, 20000};
    select(ConnectionNumber(display) + 1, &readable, nullptr, nullptr, &wait);
  }
  XNextEvent(display, &event);
  return true;
}

std::string Bytes(const std::string& type, const std::string& text) {
  if (type != "text/x-moz-url") return text;
  std::string utf16;
  for (const char c : text + "\nAn auction") {
    utf16 += c;
    utf16 += '\0';
  }
  return utf16;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s X Y TEXT TYPE...\n", argv[0]);
    return 1;
  }
  const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
  const std::string text = argv[3];
  display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  const Window root = DefaultRootWindow(display);
  const Window source = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
  std::vector<Atom> types;
  for (int i = 4; i < argc; ++i) types.push_back(Intern(argv[i]));
  XChangeProperty(display, source, Intern("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(types.data()), static_cast<int>(types.size()));
  const Atom selection = Intern("XdndSelection");
  XSetSelectionOwner(display, selection, source, CurrentTime);

  const Window target = DropWindow(root, x, y);
  if (target == None) {
    std::fprintf(stderr, "no drop target at %d,%d\n", x, y);
    return 1;
  }
  const long more = types.size() > 3 ? 1 : 0;
  const auto type = [&](std::size_t i) { return i < types.size() ? static_cast<long>(types[i]) : 0L; };
  Send(target, Intern("XdndEnter"), static_cast<long>(source), (5L << 24) | more, type(0), type(1), type(2));
  const Atom copy = Intern("XdndActionCopy");
  // Two moves, as a hand makes: the target may answer the first before it
  // has asked which types are offered.
  bool accepted = false, answered = false;
  for (int move = 0; move < 2; ++move) {
    Send(target, Intern("XdndPosition"), static_cast<long>(source), 0, (long{x} << 16) | (y + move), CurrentTime,
         static_cast<long>(copy));
    XEvent event;
    while (NextEvent(event, 3.0)) {
      if (event.type == ClientMessage && event.xclient.message_type == Intern("XdndStatus")) {
        answered = true;
        accepted = event.xclient.data.l[1] & 1;
        break;
      }
    }
  }
  if (!answered) return 3;
  if (!accepted) {
    Send(target, Intern("XdndLeave"), static_cast<long>(source), 0, 0, 0, 0);
    std::printf("refused\n");
    return 2;
  }
  Send(target, Intern("XdndDrop"), static_cast<long>(source), 0, CurrentTime, 0, 0);
  bool taken = false;
  XEvent event;
  while (NextEvent(event, taken ? 1.0 : 5.0)) {
    if (event.type == SelectionRequest) {
      const XSelectionRequestEvent& request = event.xselectionrequest;
      char* name = XGetAtomName(display, request.target);
      const std::string asked = name != nullptr ? name : "";
      if (name != nullptr) XFree(name);
      XEvent reply{};
      reply.xselection.type = SelectionNotify;
      reply.xselection.requestor = request.requestor;
      reply.xselection.selection = request.selection;
      reply.xselection.target = request.target;
      reply.xselection.time = request.time;
      reply.xselection.property = None;
      for (const Atom offered : types) {
        if (offered != request.target) continue;
        const std::string bytes = Bytes(asked, text);
        XChangeProperty(display, request.requestor, request.property, request.target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
        reply.xselection.property = request.property;
        taken = true;
        std::printf("taken as %s\n", asked.c_str());
      }
      XSendEvent(display, request.requestor, False, NoEventMask, &reply);
      XFlush(display);
    } else if (event.type == ClientMessage && event.xclient.message_type == Intern("XdndFinished")) {
      break;
    }
  }
  XCloseDisplay(display);
  return taken ? 0 : 3;
}
