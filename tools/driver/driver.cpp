// morvane-driver: drives the updater window from a test, in the same Wine prefix (or Windows
// session). A console program; every command prints one line to stdout (UTF-8, LF).
//
//   morvane-driver [--pid N] [--title PREFIX] [--wait MS] COMMAND [ARGS]... [COMMAND [ARGS]...]...
//
// The window is the top-level dialog that has a progress bar: of process N and/or whose title
// starts with PREFIX when given; it is waited for up to MS milliseconds (default 10000) before the
// first command that needs it. Commands run in order; the first failing one ends the driver with
// exit status 1 and a message on stderr.
//
//   find                 "window HWND pid PID"
//   title                the window title (UTF-8)
//   title-gbk            the window title as GBK bytes in hex (lowercase, no blanks)
//   wait-title PREFIX MS wait until the title starts with PREFIX, print it
//   controls             one line per control: id class visible left top width height "caption"
//                        (visible: the control's own WS_VISIBLE; coordinates in the client area)
//   visible CAPTION      1 or 0 for the control with this caption
//   click CAPTION        post BM_CLICK to the visible button with this caption; returns at once
//   pos                  the bar's drawn position (PBM_GETPOS)
//   stored               the bar's stored position (0..32767, as the updater keeps it)
//   rect                 the outer window rectangle: left top width height
//   client               the client area: width height
//   styles               "style HEX exstyle HEX" and the words minbox maxbox thickframe sysmenu
//                        caption staticedge-bar smooth-bar appwindow topmost for the bits set
//   key esc|enter|tab    post the key (down and up) to the window's focused control
//   close                the close box (WM_SYSCOMMAND SC_CLOSE)
//   question MS          wait for an exit question (a dialog of the same process without a
//                        progress bar); print "TITLE|TEXT"
//   questions            the number of open questions
//   answer yes|no MS     wait for a question and press its Yes or No button
//   question-key enter MS  wait for a question and post Enter to its focused button
//   wait-gone MS         wait until the window is gone (process ended or window destroyed)
//   sleep MS             wait
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "common/win32/text_win32.h"

namespace {

using morvane::WideToGbk;
using morvane::WideToUtf8;

struct Options {
  DWORD pid = 0;
  std::wstring titlePrefix;
  DWORD waitMs = 10000;
};

std::wstring ClassOf(HWND w) {
  wchar_t name[64] = {};
  ::GetClassNameW(w, name, 64);
  return name;
}

std::wstring TextOf(HWND w) {
  int n = ::GetWindowTextLengthW(w);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  n = ::GetWindowTextW(w, text.data(), n + 1);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

DWORD PidOf(HWND w) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(w, &pid);
  return pid;
}

HWND ChildOfClass(HWND parent, const wchar_t* cls) { return ::FindWindowExW(parent, nullptr, cls, nullptr); }

struct Search {
  const Options* options;
  DWORD questionPid;  // when set: look for questions of this process instead
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  if (ClassOf(w) != L"#32770" || !::IsWindowVisible(w)) return TRUE;
  const bool hasBar = ChildOfClass(w, L"msctls_progress32") != nullptr;
  if (s->questionPid) {
    if (!hasBar && PidOf(w) == s->questionPid) s->found.push_back(w);
    return TRUE;
  }
  if (!hasBar) return TRUE;
  if (s->options->pid && PidOf(w) != s->options->pid) return TRUE;
  if (!s->options->titlePrefix.empty() && TextOf(w).rfind(s->options->titlePrefix, 0) != 0) return TRUE;
  s->found.push_back(w);
  return TRUE;
}

std::vector<HWND> Find(const Options& o, DWORD questionPid = 0) {
  Search s{&o, questionPid, {}};
  ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

void Out(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "morvane-driver: %s\n", why.c_str());
  std::exit(1);
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Number(long long v) { return std::to_string(v); }

std::string HexNumber(unsigned long long v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llx", v);
  return buf;
}

class Driver {
 public:
  explicit Driver(Options o) : o_(std::move(o)) {}

  HWND Window() {
    if (window_ && ::IsWindow(window_)) return window_;
    DWORD start = ::GetTickCount();
    for (;;) {
      std::vector<HWND> found = Find(o_);
      if (!found.empty()) {
        window_ = found.front();
        pid_ = PidOf(window_);
        return window_;
      }
      if (::GetTickCount() - start > o_.waitMs) Fail("no updater window");
      ::Sleep(20);
    }
  }

  HWND Control(const std::wstring& caption, bool visibleOnly) {
    HWND w = Window();
    for (HWND c = ::GetWindow(w, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
      if (TextOf(c) != caption) continue;
      if (visibleOnly && !(::GetWindowLongPtrW(c, GWL_STYLE) & WS_VISIBLE)) continue;
      return c;
    }
    Fail("no control captioned " + WideToUtf8(caption));
  }

  HWND Bar() {
    HWND bar = ChildOfClass(Window(), L"msctls_progress32");
    if (!bar) Fail("no progress bar");
    return bar;
  }

  HWND WaitQuestion(DWORD ms) {
    Window();
    DWORD start = ::GetTickCount();
    for (;;) {
      std::vector<HWND> found = Find(o_, pid_);
      if (!found.empty()) return found.front();
      if (::GetTickCount() - start > ms) Fail("no exit question");
      ::Sleep(20);
    }
  }

  static void PostKey(HWND target, WPARAM key) {
    ::PostMessageW(target, WM_KEYDOWN, key, 1);
    ::PostMessageW(target, WM_KEYUP, key, (1u << 31) | (1u << 30) | 1);
  }

  static HWND FocusOf(HWND top) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (::GetGUIThreadInfo(::GetWindowThreadProcessId(top, nullptr), &info) && info.hwndFocus) return info.hwndFocus;
    return top;
  }

  static WPARAM KeyCode(const std::wstring& name) {
    if (name == L"esc") return VK_ESCAPE;
    if (name == L"enter") return VK_RETURN;
    if (name == L"tab") return VK_TAB;
    Fail("unknown key " + WideToUtf8(name));
  }

  // Runs the command at args[i], returns the index of the next one.
  size_t Run(const std::vector<std::wstring>& args, size_t i) {
    const std::wstring& cmd = args[i];
    auto arg = [&](size_t k) -> const std::wstring& {
      if (i + k >= args.size()) Fail("missing argument for " + WideToUtf8(cmd));
      return args[i + k];
    };
    auto ms = [&](size_t k) { return static_cast<DWORD>(std::wcstoul(arg(k).c_str(), nullptr, 10)); };

    if (cmd == L"find") {
      HWND w = Window();
      Out("window " + HexNumber(reinterpret_cast<uintptr_t>(w)) + " pid " + Number(pid_));
      return i + 1;
    }
    if (cmd == L"title") { Out(WideToUtf8(TextOf(Window()))); return i + 1; }
    if (cmd == L"title-gbk") {
      std::string gbk;
      if (!WideToGbk(TextOf(Window()), &gbk)) Fail("title has no GBK form");
      Out(Hex(gbk));
      return i + 1;
    }
    if (cmd == L"wait-title") {
      DWORD start = ::GetTickCount();
      for (;;) {
        std::wstring title = TextOf(Window());
        if (title.rfind(arg(1), 0) == 0) { Out(WideToUtf8(title)); break; }
        if (::GetTickCount() - start > ms(2)) Fail("title stayed " + WideToUtf8(title));
        ::Sleep(10);
      }
      return i + 3;
    }
    if (cmd == L"controls") {
      HWND w = Window();
      for (HWND c = ::GetWindow(w, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        RECT r;
        ::GetWindowRect(c, &r);
        ::MapWindowPoints(HWND_DESKTOP, w, reinterpret_cast<POINT*>(&r), 2);
        const bool visible = ::GetWindowLongPtrW(c, GWL_STYLE) & WS_VISIBLE;
        Out(Number(::GetDlgCtrlID(c)) + " " + WideToUtf8(ClassOf(c)) + " " + Number(visible) + " " +
            Number(r.left) + " " + Number(r.top) + " " + Number(r.right - r.left) + " " +
            Number(r.bottom - r.top) + " \"" + WideToUtf8(TextOf(c)) + "\"");
      }
      return i + 1;
    }
    if (cmd == L"visible") {
      Out(::GetWindowLongPtrW(Control(arg(1), false), GWL_STYLE) & WS_VISIBLE ? "1" : "0");
      return i + 2;
    }
    if (cmd == L"click") {
      ::PostMessageW(Control(arg(1), true), BM_CLICK, 0, 0);
      Out("clicked");
      return i + 2;
    }
    if (cmd == L"pos") {
      DWORD_PTR result = 0;
      if (!::SendMessageTimeoutW(Bar(), PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &result)) Fail("bar does not answer");
      Out(Number(static_cast<long long>(result)));
      return i + 1;
    }
    if (cmd == L"stored") { Out(Number(::GetWindowLongPtrW(Bar(), GWLP_USERDATA))); return i + 1; }
    if (cmd == L"rect") {
      RECT r;
      ::GetWindowRect(Window(), &r);
      Out(Number(r.left) + " " + Number(r.top) + " " + Number(r.right - r.left) + " " + Number(r.bottom - r.top));
      return i + 1;
    }
    if (cmd == L"client") {
      RECT r;
      ::GetClientRect(Window(), &r);
      Out(Number(r.right) + " " + Number(r.bottom));
      return i + 1;
    }
    if (cmd == L"styles") {
      HWND w = Window();
      LONG_PTR style = ::GetWindowLongPtrW(w, GWL_STYLE), ex = ::GetWindowLongPtrW(w, GWL_EXSTYLE);
      LONG_PTR barStyle = ::GetWindowLongPtrW(Bar(), GWL_STYLE), barEx = ::GetWindowLongPtrW(Bar(), GWL_EXSTYLE);
      std::string line = "style " + HexNumber(style) + " exstyle " + HexNumber(ex);
      if (style & WS_MINIMIZEBOX) line += " minbox";
      if (style & WS_MAXIMIZEBOX) line += " maxbox";
      if (style & WS_THICKFRAME) line += " thickframe";
      if (style & WS_SYSMENU) line += " sysmenu";
      if ((style & WS_CAPTION) == WS_CAPTION) line += " caption";
      if (ex & WS_EX_APPWINDOW) line += " appwindow";
      if (ex & WS_EX_TOPMOST) line += " topmost";
      if (barEx & WS_EX_STATICEDGE) line += " staticedge-bar";
      if (barStyle & PBS_SMOOTH) line += " smooth-bar";
      if (barStyle & PBS_VERTICAL) line += " vertical-bar";
      Out(line);
      return i + 1;
    }
    if (cmd == L"key") {
      PostKey(FocusOf(Window()), KeyCode(arg(1)));
      Out("key");
      return i + 2;
    }
    if (cmd == L"close") {
      ::PostMessageW(Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
      Out("close");
      return i + 1;
    }
    if (cmd == L"question") {
      HWND q = WaitQuestion(ms(1));
      std::wstring text;
      for (HWND c = ::GetWindow(q, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (ClassOf(c) == L"Static" && ::GetWindowTextLengthW(c) > 0) text += TextOf(c);
      }
      Out(WideToUtf8(TextOf(q)) + "|" + WideToUtf8(text));
      return i + 2;
    }
    if (cmd == L"questions") {
      Window();
      Out(Number(static_cast<long long>(Find(o_, pid_).size())));
      return i + 1;
    }
    if (cmd == L"answer") {
      HWND q = WaitQuestion(ms(2));
      int id = arg(1) == L"yes" ? IDYES : IDNO;
      HWND button = ::GetDlgItem(q, id);
      if (!button) Fail("question has no such button");
      ::PostMessageW(button, BM_CLICK, 0, 0);
      Out("answered");
      return i + 3;
    }
    if (cmd == L"question-key") {
      HWND q = WaitQuestion(ms(2));
      PostKey(FocusOf(q), KeyCode(arg(1)));
      Out("key");
      return i + 3;
    }
    if (cmd == L"wait-gone") {
      Window();
      DWORD start = ::GetTickCount();
      while (::IsWindow(window_)) {
        if (::GetTickCount() - start > ms(1)) Fail("window still there");
        ::Sleep(10);
      }
      Out("gone");
      return i + 2;
    }
    if (cmd == L"sleep") {
      ::Sleep(ms(1));
      return i + 2;
    }
    Fail("unknown command " + WideToUtf8(cmd));
  }

 private:
  Options o_;
  HWND window_ = nullptr;
  DWORD pid_ = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::wstring> args(argv + 1, argv + argc);
  Options o;
  size_t i = 0;
  while (i < args.size() && args[i].rfind(L"--", 0) == 0) {
    if (i + 1 >= args.size()) Fail("missing value for option");
    if (args[i] == L"--pid") o.pid = static_cast<DWORD>(std::wcstoul(args[i + 1].c_str(), nullptr, 10));
    else if (args[i] == L"--title") o.titlePrefix = args[i + 1];
    else if (args[i] == L"--wait") o.waitMs = static_cast<DWORD>(std::wcstoul(args[i + 1].c_str(), nullptr, 10));
    else Fail("unknown option");
    i += 2;
  }
  if (i >= args.size()) Fail("no command");
  Driver driver(o);
  while (i < args.size()) i = driver.Run(args, i);
  return 0;
}
