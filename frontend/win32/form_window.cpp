#include "form_window.h"

#include "tool_tip.h"
#include "wide_text.h"

#include <commctrl.h>

#include <cstring>

namespace quarnpad {

const wchar_t kForm1Class[] = L"QuarnpadForm1";
const wchar_t kForm2Class[] = L"QuarnpadForm2";

namespace {

const DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

struct ControlClass {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};

ControlClass control_class(ControlKind kind) {
  const DWORD child = WS_CHILD | WS_VISIBLE;
  switch (kind) {
    case ControlKind::kButton:
      return {L"BUTTON", child | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE, 0};
    case ControlKind::kTextBox:
      return {L"EDIT", child | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::kFrame:
      return {L"BUTTON", child | BS_GROUPBOX, 0};
    case ControlKind::kCheckBox:
      return {L"BUTTON", child | WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE, 0};
    case ControlKind::kListBox:
      return {L"LISTBOX",
              child | WS_TABSTOP | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_NOTIFY |
                  LBS_NOINTEGRALHEIGHT,
              WS_EX_CLIENTEDGE};
    case ControlKind::kLabel:
      return {L"STATIC", child | SS_LEFT, 0};
  }
  return {L"STATIC", child, 0};
}

void add_tool_tip(FormWindow* form, const App* app, HWND control, const char* text) {
  if (form->tool_tip == nullptr) {
    form->tool_tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, form->window, nullptr,
                                     app->instance, nullptr);
    if (form->tool_tip == nullptr) return;
    keep_tool_tip_wide_enough(form->tool_tip);
  }
  std::wstring tip = wide(text);
  TOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = form->window;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = &tip[0];
  SendMessageW(form->tool_tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

bool register_form_class(HINSTANCE instance, const wchar_t* class_name, WNDPROC window_proc) {
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, class_name, &existing)) return true;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON),
                                           GetSystemMetrics(SM_CYICON), 0));
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  if (wc.hIcon == nullptr) wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = class_name;
  return RegisterClassExW(&wc) != 0;
}

bool create_form(App* app, const FormLayout& layout, const wchar_t* class_name,
                 FormWindow* form) {
  *form = FormWindow{};
  PixelRect client = client_rect(layout, app->dpi_x, app->dpi_y);
  RECT outer = {0, 0, client.width, client.height};
  AdjustWindowRectEx(&outer, kFormStyle, FALSE, 0);
  form->window = CreateWindowExW(0, class_name, wide(layout.caption).c_str(), kFormStyle, CW_USEDEFAULT,
                                 CW_USEDEFAULT, outer.right - outer.left,
                                 outer.bottom - outer.top, nullptr, nullptr, app->instance, app);
  if (form->window == nullptr) return false;
  for (int row = 0; row < layout.control_count && row < kMaxFormControls; ++row) {
    const ControlLayout& control = layout.controls[row];
    ControlClass cls = control_class(control.kind);
    PixelRect r = control_rect(layout, row, app->dpi_x, app->dpi_y);
    HWND handle = CreateWindowExW(
        cls.ex_style, cls.window_class, wide(control.caption).c_str(), cls.style, r.left, r.top, r.width,
        r.height, form->window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + row)), app->instance,
        nullptr);
    if (handle == nullptr) return false;
    SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(app->font), FALSE);
    form->controls[row] = handle;
    if (control.tool_tip != nullptr) add_tool_tip(form, app, handle, control.tool_tip);
  }
  return true;
}

bool is_form_window(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  return lstrcmpW(name, kForm1Class) == 0 || lstrcmpW(name, kForm2Class) == 0;
}

App* app_of_form(HWND window, UINT message, LPARAM lparam, FormWindow App::*form) {
  if (message == WM_NCCREATE) {
    const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  App* app = reinterpret_cast<App*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return app != nullptr && (app->*form).window == window ? app : nullptr;
}

int row_of_id(int id, const FormLayout& layout) {
  int row = id - kFirstControlId;
  return row >= 0 && row < layout.control_count ? row : -1;
}

void keep_focus_on_activate(FormWindow* form, WPARAM wparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(form->window, focus)) form->last_focus = focus;
    return;
  }
  HWND target = form->last_focus;
  if (target == nullptr || !IsWindow(target) || !IsWindowEnabled(target)) {
    target = GetNextDlgTabItem(form->window, nullptr, FALSE);
  }
  if (target != nullptr) SetFocus(target);
}

void show_form(FormWindow* form) {
  ShowWindow(form->window, SW_SHOW);
  SetForegroundWindow(form->window);
}

}  // namespace quarnpad
