#include "common_dialog.h"

#include "dialog_filter.h"
#include "wide_text.h"

#include <vector>

namespace quarnpad {

namespace {
const DWORD kFileBufferSize = 260;
}

bool show_save(const Platform* platform, HWND owner, CommonDialog* dialog) {
  std::string narrow_filter = dialog_filter(dialog->filter);
  std::wstring filter;
  for (char c : narrow_filter) filter.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  std::vector<wchar_t> file(kFileBufferSize, L'\0');
  std::wstring last = wide(dialog->file_name);
  last.copy(file.data(), kFileBufferSize - 1);

  OPENFILENAMEW record = {};
  record.lStructSize = sizeof(record);
  record.hwndOwner = owner;
  record.lpstrFilter = dialog->filter.empty() ? nullptr : filter.c_str();
  record.nFilterIndex = 1;
  record.lpstrFile = file.data();
  record.nMaxFile = kFileBufferSize;
  // No replace question of the dialog's own: it would ask about the name
  // as typed, while quarnex writes that name with ".iso" added. The command
  // asks about the name written.
  record.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
  if (!platform->get_save_file_name(platform->context, &record)) return false;
  dialog->file_name = utf8(file.data());
  return true;
}

}  // namespace quarnpad
