#include "browse.h"

#include "controls.h"
#include "layout.h"
#include "texts.h"

#include <cstddef>
#include <cstring>

namespace quarnpad {

namespace {
// Everything up to and including lpTemplateName: the record before the
// fields of later Windows versions.
constexpr DWORD kOldRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 4 || kOldRecordSize == 76,
              "the old open-file record is 76 bytes in a 32-bit program");
}  // namespace

const DWORD kOpenFileRecordSize = kOldRecordSize;

namespace {
const DWORD kNameBufferSize = 255;  // 254 blanks and the closing NUL
}

void form1_command1_click(App* app) {
  char file[kNameBufferSize];
  char title[kNameBufferSize];
  std::memset(file, ' ', kNameBufferSize - 1);
  std::memset(title, ' ', kNameBufferSize - 1);
  file[kNameBufferSize - 1] = '\0';
  title[kNameBufferSize - 1] = '\0';

  OPENFILENAMEA record = {};
  record.lStructSize = kOpenFileRecordSize;
  record.hwndOwner = app->form1.window;
  record.hInstance = app->instance;
  record.lpstrFilter = kOpenFileFilter;
  record.lpstrFile = file;
  record.nMaxFile = kNameBufferSize;
  record.lpstrFileTitle = title;
  record.nMaxFileTitle = kNameBufferSize;
  record.lpstrInitialDir = kOpenFileInitialDir;
  record.lpstrTitle = kOpenFileTitle;
  record.Flags = 0;
  if (app->platform->get_open_file_name(app->platform->context, &record)) {
    file[kNameBufferSize - 1] = '\0';
    set_control_text(app->form1.controls[form1::Text1], file);
  }
}

void form1_command4_click(App* app) {
  BROWSEINFOA info = {};
  info.hwndOwner = app->form1.window;
  info.pidlRoot = nullptr;
  info.pszDisplayName = nullptr;
  info.lpszTitle = kFolderPrompt;
  info.ulFlags = 0;
  info.lpfn = nullptr;
  info.lParam = 0;
  info.iImage = 0;
  const Platform* platform = app->platform;
  LPITEMIDLIST chosen = platform->browse_for_folder(platform->context, &info);
  char path[MAX_PATH + 1] = {};  // room for the longest path the call may write
  BOOL found = platform->path_from_id_list(platform->context, chosen, path);
  if (chosen != nullptr) platform->free_id_list(platform->context, chosen);
  if (found) set_control_text(app->form1.controls[form1::Text2], path);
}

}  // namespace quarnpad
