#include "common_dialog.h"

#include "dialog_filter.h"

#include <vector>

namespace quarnpad {

namespace {
const DWORD kFileBufferSize = 260;
}

bool show_save(const Platform* platform, HWND owner, CommonDialog* dialog) {
  std::string filter = dialog_filter(dialog->filter);
  std::vector<char> file(kFileBufferSize, '\0');
  dialog->file_name.copy(file.data(), kFileBufferSize - 1);

  OPENFILENAMEA record = {};
  record.lStructSize = sizeof(record);
  record.hwndOwner = owner;
  record.lpstrFilter = dialog->filter.empty() ? nullptr : filter.c_str();
  record.nFilterIndex = 1;
  record.lpstrFile = file.data();
  record.nMaxFile = kFileBufferSize;
  // The dialog asks before a name chosen would replace an existing file.
  record.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (!platform->get_save_file_name(platform->context, &record)) return false;
  dialog->file_name = file.data();
  return true;
}

}  // namespace quarnpad
