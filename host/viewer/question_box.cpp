// The viewer's question box: a dialog from an in-memory template, laid out in the message font.
#include "host/viewer/question_box.h"

#include <algorithm>

namespace molvane::viewer {
namespace {

// The text has the id a message box gives its own, so tools that read boxes read ours.
constexpr WORD kTextId = 0xFFFF;
constexpr WORD kIconId = 20;
// Buttons between the first (IDOK) and the last (IDCANCEL).
constexpr WORD kFirstOtherButton = 100;

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(1252, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(1252, 0, text.data(), int(text.size()), &wide[0], length);
  return wide;
}

struct Question {
  std::wstring text;
  std::vector<std::wstring> answers;
  QuestionIcon icon;
  HFONT font;
};

WORD ButtonId(size_t index, size_t count) {
  if (index == 0) return IDOK;
  if (index + 1 == count) return IDCANCEL;
  return WORD(kFirstOtherButton + index);
}

HWND Control(HWND dialog, const wchar_t* windowClass, const std::wstring& text, DWORD style, WORD id, HFONT font) {
  HWND control = CreateWindowExW(0, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, dialog,
                                 reinterpret_cast<HMENU>(UINT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, WPARAM(font), FALSE);
  return control;
}

// Sizes follow the font's dialog units, with the system's usual measures:
// 7-unit margins, 50 x 14 buttons widened to their caption, 4 units between them.
void Build(HWND dialog, const Question& question) {
  HDC dc = GetDC(dialog);
  HGDIOBJ previous = SelectObject(dc, question.font);
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  SIZE alphabet{0, 0};
  GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &alphabet);
  const int unitX = std::max(1, int((alphabet.cx / 26 + 1) / 2)), unitY = int(metrics.tmHeight);
  auto dx = [unitX](int units) { return MulDiv(units, unitX, 4); };
  auto dy = [unitY](int units) { return MulDiv(units, unitY, 8); };

  RECT text{0, 0, dx(230), 0};
  DrawTextW(dc, question.text.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  std::vector<int> widths;
  for (const std::wstring& answer : question.answers) {
    RECT caption{0, 0, 0, 0};
    DrawTextW(dc, answer.c_str(), -1, &caption, DT_CALCRECT | DT_SINGLELINE);
    widths.push_back(std::max(dx(50), int(caption.right) + dx(16)));
  }
  SelectObject(dc, previous);
  ReleaseDC(dialog, dc);

  const int margin = dx(7), icon = GetSystemMetrics(SM_CXICON), buttonHeight = dy(14), gap = dx(4);
  const int textX = margin + icon + dx(7), content = std::max(icon, int(text.bottom));
  int buttonsWidth = gap * int(widths.size() - 1);
  for (int width : widths) buttonsWidth += width;
  const int width = std::max(textX + int(text.right) + margin, buttonsWidth + 2 * margin);
  const int buttonsY = margin + content + dy(10), height = buttonsY + buttonHeight + dy(7);

  HWND iconControl = Control(dialog, L"STATIC", std::wstring(), SS_ICON, kIconId, question.font);
  SendMessageW(iconControl, STM_SETICON,
               WPARAM(LoadIconA(nullptr, question.icon == QuestionIcon::kWarning ? IDI_WARNING : IDI_QUESTION)), 0);
  SetWindowPos(iconControl, nullptr, margin, margin, icon, icon, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND textControl = Control(dialog, L"STATIC", question.text, SS_LEFT | SS_NOPREFIX, kTextId, question.font);
  SetWindowPos(textControl, nullptr, textX, margin + (content - text.bottom) / 2, text.right, text.bottom,
               SWP_NOZORDER | SWP_NOACTIVATE);
  int x = width - margin - buttonsWidth;
  HWND first = nullptr;
  for (size_t i = 0; i < question.answers.size(); ++i) {
    const DWORD style = WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON | WS_GROUP : BS_PUSHBUTTON);
    HWND button = Control(dialog, L"BUTTON", question.answers[i], style, ButtonId(i, question.answers.size()),
                          question.font);
    SetWindowPos(button, nullptr, x, buttonsY, widths[i], buttonHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    x += widths[i] + gap;
    if (i == 0) first = button;
  }

  // The window around that client area, centred on its owner and kept on its screen.
  RECT outer{0, 0, width, height};
  AdjustWindowRectEx(&outer, DWORD(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                     DWORD(GetWindowLongW(dialog, GWL_EXSTYLE)));
  const int outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;
  HWND owner = GetWindow(dialog, GW_OWNER);
  MONITORINFO monitor{sizeof(MONITORINFO), {}, {}, 0};
  GetMonitorInfoW(MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTONEAREST), &monitor);
  RECT around = monitor.rcWork;
  if (owner && !IsIconic(owner)) GetWindowRect(owner, &around);
  auto place = [](LONG low, LONG high, LONG aroundLow, LONG aroundHigh, int size) {
    return std::max(int(low), std::min(int(high) - size, int(aroundLow + aroundHigh - size) / 2));
  };
  const int left = place(monitor.rcWork.left, monitor.rcWork.right, around.left, around.right, outerWidth);
  const int top = place(monitor.rcWork.top, monitor.rcWork.bottom, around.top, around.bottom, outerHeight);
  SetWindowPos(dialog, nullptr, left, top, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(dialog, DM_SETDEFID, IDOK, 0);
  SetFocus(first);
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto* question = reinterpret_cast<const Question*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      Build(dialog, *reinterpret_cast<const Question*>(lParam));
      return FALSE;  // the focus is on the default button already
    case WM_COMMAND: {
      if (!question || HIWORD(wParam) != BN_CLICKED) return FALSE;
      const size_t count = question->answers.size();
      const WORD id = LOWORD(wParam);
      if (id == IDOK) EndDialog(dialog, 0);
      else if (id == IDCANCEL) EndDialog(dialog, INT_PTR(count - 1));
      else if (id >= kFirstOtherButton && size_t(id - kFirstOtherButton) < count)
        EndDialog(dialog, INT_PTR(id - kFirstOtherButton));
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

size_t Ask(HWND owner, const std::string& title, const std::string& text, const std::vector<std::string>& answers,
           QuestionIcon icon) {
  if (answers.empty()) return 0;
  Question question{Wide(text), {}, icon, nullptr};
  for (const std::string& answer : answers) question.answers.push_back(Wide(answer));
  NONCLIENTMETRICSW system;
  system.cbSize = sizeof system;
  HFONT made = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof system, &system, 0)
                   ? CreateFontIndirectW(&system.lfMessageFont)
                   : nullptr;
  question.font = made ? made : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

  // A template with no controls: they are made and placed once the font is measured.
  const std::wstring caption = Wide(title);
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 2, 0);
  auto* frame = reinterpret_cast<DLGTEMPLATE*>(words.data());
  frame->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  words.insert(words.end(), caption.begin(), caption.end());  // after the empty menu and class
  words.push_back(0);

  const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(words.data()),
                                                 owner, &Procedure, reinterpret_cast<LPARAM>(&question));
  if (made) DeleteObject(made);
  // A box that could not be shown keeps everything as it was.
  return answer < 0 || size_t(answer) >= answers.size() ? answers.size() - 1 : size_t(answer);
}

}  // namespace molvane::viewer
