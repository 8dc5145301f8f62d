// molvane_window_probe.exe: reads the viewer's windows from outside its process, for the desktop tests.
//
// It only looks: every action on the viewer is a real X event from the test.
// One command a line on stdin, the answer's lines on stdout, then a line ".":
//
//   top          the viewer's visible top-level windows, front first:
//                HWND CLASS TITLE LEFT,TOP,RIGHT,BOTTOM OWNER FLAGS
//   kids HWND    every visible descendant: HWND CLASS TEXT RECT FLAGS
//   mdi          the image windows, front first: HWND TITLE CLIENT-RECT FLAGS
//   status       the status bar's parts, one a line
//   buttons      the toolbar's buttons, left to right: COMMAND RECT FLAGS
//
// Fields are separated by tabs; rectangles are in screen pixels; FLAGS holds
// "topmost", "disabled", "active", "maximised", "checked" as they apply.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>

namespace {

std::string Text(HWND window) {
  char text[512] = {};
  // WM_GETTEXT is marshalled across processes; GetWindowText is not for other processes' controls.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

std::string ClassOf(HWND window) {
  char name[128] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string RectText(const RECT& r) {
  char text[64];
  std::snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
  return text;
}

std::string Flags(HWND window) {
  std::string flags;
  if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) flags += "topmost ";
  if (!IsWindowEnabled(window)) flags += "disabled ";
  if (IsZoomed(window)) flags += "maximised ";
  if (GetForegroundWindow() == window) flags += "active ";
  return flags;
}

HWND Viewer() { return FindWindowA("MolvaneViewer", nullptr); }

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

void Top() {
  HWND viewer = Viewer();
  if (!viewer) return;
  const DWORD process = ProcessOf(viewer);
  std::vector<HWND> windows;
  EnumWindows(&Collect, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) {
    if (ProcessOf(window) != process || !IsWindowVisible(window)) continue;
    RECT r{};
    GetWindowRect(window, &r);
    std::printf("%p\t%s\t%s\t%s\t%p\t%s\n", static_cast<void*>(window), ClassOf(window).c_str(), Text(window).c_str(),
                RectText(r).c_str(), static_cast<void*>(GetWindow(window, GW_OWNER)), Flags(window).c_str());
  }
}

void Kids(HWND parent) {
  std::vector<HWND> windows;
  EnumChildWindows(parent, &Collect, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) {
    if (!IsWindowVisible(window)) continue;
    RECT r{};
    GetWindowRect(window, &r);
    std::string flags = Flags(window);
    if (SendMessageA(window, BM_GETCHECK, 0, 0) == BST_CHECKED && ClassOf(window) == "Button") flags += "checked ";
    std::printf("%p\t%s\t%s\t%s\t%s\n", static_cast<void*>(window), ClassOf(window).c_str(), Text(window).c_str(),
                RectText(r).c_str(), flags.c_str());
  }
}

void Mdi() {
  HWND client = FindWindowExA(Viewer(), nullptr, "MDICLIENT", nullptr);
  if (!client) return;
  HWND active = reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0));
  for (HWND window = GetWindow(client, GW_CHILD); window; window = GetWindow(window, GW_HWNDNEXT)) {
    if (!IsWindowVisible(window)) continue;
    RECT r{};
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    std::string flags = IsZoomed(window) ? "maximised " : "";
    if (window == active) flags += "active ";
    std::printf("%p\t%s\t%s\t%s\n", static_cast<void*>(window), Text(window).c_str(), RectText(r).c_str(),
                flags.c_str());
  }
}

// A status bar answers SB_GETTEXT into its own address space: the text is
// fetched through a page lent in the viewer's process.
void Status() {
  HWND status = FindWindowExA(Viewer(), nullptr, STATUSCLASSNAMEA, nullptr);
  if (!status) return;
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(status));
  if (!process) return;
  const size_t size = 4096;
  void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  const int parts = int(SendMessageA(status, SB_GETPARTS, 0, 0));
  for (int part = 0; remote && part < parts; ++part) {
    char text[size] = {};
    if (LOWORD(SendMessageA(status, SB_GETTEXTLENGTHA, WPARAM(part), 0)) < size - 1) {
      SendMessageA(status, SB_GETTEXTA, WPARAM(part), reinterpret_cast<LPARAM>(remote));
      ReadProcessMemory(process, remote, text, size - 1, nullptr);
    }
    std::printf("%s\n", text);
  }
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
}

// The toolbar answers TB_GETBUTTON and TB_GETITEMRECT into its own address space, as the status bar does.
void Buttons() {
  HWND toolbar = FindWindowExA(Viewer(), nullptr, TOOLBARCLASSNAMEA, nullptr);
  if (!toolbar || !IsWindowVisible(toolbar)) return;
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(toolbar));
  if (!process) return;
  void* remote = VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
  const int count = remote ? int(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0)) : 0;
  for (int i = 0; i < count; ++i) {
    TBBUTTON button{};
    RECT r{};
    SendMessageA(toolbar, TB_GETBUTTON, WPARAM(i), reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, &button, sizeof button, nullptr);
    if (button.fsStyle & BTNS_SEP) continue;
    SendMessageA(toolbar, TB_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, &r, sizeof r, nullptr);
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&r), 2);
    std::printf("%d\t%s\t%s\n", button.idCommand, RectText(r).c_str(),
                button.fsState & TBSTATE_ENABLED ? "" : "disabled ");
  }
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
}

}  // namespace

int main() {
  char line[256];
  while (std::fgets(line, sizeof line, stdin)) {
    line[std::strcspn(line, "\r\n")] = 0;
    const std::string command = line;
    if (command == "top") Top();
    else if (command.rfind("kids ", 0) == 0) Kids(reinterpret_cast<HWND>(std::strtoul(line + 5, nullptr, 16)));
    else if (command == "mdi") Mdi();
    else if (command == "status") Status();
    else if (command == "buttons") Buttons();
    else if (command == "quit") break;
    std::printf(".\n");
    std::fflush(stdout);
  }
  return 0;
}
