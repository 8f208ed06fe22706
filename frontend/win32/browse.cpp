#include "browse.h"

#include "controls.h"
#include "layout.h"
#include "path_field.h"
#include "texts.h"
#include "wide_text.h"

#include <shellapi.h>

#include <cstddef>

namespace quarnpad {

namespace {
// Everything up to and including lpTemplateName: the record before the
// fields of later Windows versions.
constexpr DWORD kOldRecordSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR);
static_assert(sizeof(void*) != 4 || kOldRecordSize == 76,
              "the old open-file record is 76 bytes in a 32-bit program");
}  // namespace

const DWORD kOpenFileRecordSize = kOldRecordSize;

namespace {
const DWORD kNameBufferSize = 255;  // 254 blanks and the closing NUL

// The filter with its NULs, the final one included.
std::wstring open_file_filter() {
  std::wstring filter;
  for (unsigned i = 0; i < kOpenFileFilterSize; ++i) {
    filter.push_back(static_cast<wchar_t>(static_cast<unsigned char>(kOpenFileFilter[i])));
  }
  return filter;
}

}  // namespace

void form1_command1_click(App* app) {
  if (app->run_under_way) return;
  std::wstring file(kNameBufferSize - 1, L' ');
  std::wstring title(kNameBufferSize - 1, L' ');
  file.push_back(L'\0');
  title.push_back(L'\0');
  std::wstring filter = open_file_filter();
  std::wstring initial_dir = wide(kOpenFileInitialDir);
  std::wstring dialog_title = wide(kOpenFileTitle);

  OPENFILENAMEW record = {};
  record.lStructSize = kOpenFileRecordSize;
  record.hwndOwner = app->form1.window;
  record.hInstance = app->instance;
  record.lpstrFilter = filter.c_str();
  record.lpstrFile = &file[0];
  record.nMaxFile = kNameBufferSize;
  record.lpstrFileTitle = &title[0];
  record.nMaxFileTitle = kNameBufferSize;
  record.lpstrInitialDir = initial_dir.c_str();
  record.lpstrTitle = dialog_title.c_str();
  record.Flags = 0;
  if (app->platform->get_open_file_name(app->platform->context, &record)) {
    file[kNameBufferSize - 1] = L'\0';
    set_control_text(app->form1.controls[form1::Text1], utf8(file.c_str()));
  }
}

void form1_command4_click(App* app) {
  if (app->run_under_way) return;
  std::wstring prompt = wide(kFolderPrompt);
  BROWSEINFOW info = {};
  info.hwndOwner = app->form1.window;
  info.pidlRoot = nullptr;
  info.pszDisplayName = nullptr;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = 0;
  info.lpfn = nullptr;
  info.lParam = 0;
  info.iImage = 0;
  const Platform* platform = app->platform;
  LPITEMIDLIST chosen = platform->browse_for_folder(platform->context, &info);
  wchar_t path[MAX_PATH + 1] = {};  // room for the longest path the call may write
  BOOL found = platform->path_from_id_list(platform->context, chosen, path);
  if (chosen != nullptr) platform->free_id_list(platform->context, chosen);
  // A drive's root keeps its backslash: "C:" alone names the current
  // folder of drive C, not its root.
  if (found) set_control_text(app->form1.controls[form1::Text2], utf8(path));
}

void open_set(App* app, const std::string& path) {
  set_control_text(app->form1.controls[form1::Text1], without_surrounding_quotes(path));
}

void open_set_from_command_line(App* app, const wchar_t* command_line) {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(command_line, &count);
  if (words == nullptr) return;
  if (count >= 2 && words[1][0] != L'\0') open_set(app, utf8(words[1]));
  LocalFree(words);
}

}  // namespace quarnpad
