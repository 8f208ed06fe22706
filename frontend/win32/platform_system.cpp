// The real system calls behind the platform table.
#include "platform.h"

#include "program_start.h"
#include "run_wait.h"
#include "wide_text.h"

namespace quarnpad {

namespace {

BOOL open_file_name(void*, OPENFILENAMEW* record) { return GetOpenFileNameW(record); }

BOOL save_file_name(void*, OPENFILENAMEW* record) { return GetSaveFileNameW(record); }

LPITEMIDLIST browse_for_folder(void*, BROWSEINFOW* info) { return SHBrowseForFolderW(info); }

BOOL path_from_id_list(void*, LPCITEMIDLIST list, wchar_t* path) {
  return SHGetPathFromIDListW(list, path);
}

void free_id_list(void*, LPITEMIDLIST list) { CoTaskMemFree(list); }

int message_box(void*, HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxW(owner, wide(text).c_str(), wide(caption).c_str(), type);
}

StartResult start_program(void*, const std::string& command_line, int show_state) {
  return start_program_from(own_folder(), command_line, show_state, StartKind::kWaitedRun);
}

RunEnd wait_for_run(void*, const StartResult& run) {
  RunEnd end = wait_for_process(run.process);
  end.error_output = utf8_from_code_page(read_back_error_output(run.error_output));
  return end;
}

// quarnex is ended at once, as a killed process is. That is its safe way to
// stop: it deletes a member only after the outputs that hold the member's
// bytes are flushed, so at any moment the members left and the outputs
// written hold every byte (the fault tests kill runs at random moments to
// show it). A console control event would do no better: quarnex runs in a
// console of its own, which this program would have to join, and it has no
// handler, so the event's default action ends it just as abruptly.
bool stop_run(void*, const StartResult& run) {
  if (run.process == nullptr || WaitForSingleObject(run.process, 0) == WAIT_OBJECT_0) return false;
  bool stopped = TerminateProcess(run.process, 1) != 0;
  WaitForSingleObject(run.process, INFINITE);
  return stopped;
}

std::vector<std::string> dropped_files(void*, HDROP drop) {
  std::vector<std::string> files;
  UINT count = DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring name(static_cast<std::size_t>(length) + 1, L'\0');
    DragQueryFileW(drop, i, &name[0], length + 1);
    name.resize(length);
    files.push_back(utf8(name));
  }
  DragFinish(drop);
  return files;
}

bool file_exists(void*, const std::string& path) {
  DWORD attributes = GetFileAttributesW(wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool delete_file(void*, const std::string& path) { return DeleteFileW(wide(path).c_str()) != 0; }

std::string temp_folder(void*) {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH + 1, path);
  return length > 0 && length <= MAX_PATH ? utf8(std::wstring(path, length)) : std::string();
}

bool read_text_file(void*, const std::string& path, std::string* content) {
  HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  content->clear();
  char buffer[4096];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof(buffer), &got, nullptr) != 0) && got > 0) {
    content->append(buffer, got);
  }
  CloseHandle(file);
  return ok;
}

void quit(void*) { ExitProcess(0); }

const Platform kSystem = {nullptr,       open_file_name, save_file_name, browse_for_folder,
                          path_from_id_list, free_id_list, message_box,  start_program,
                          wait_for_run,  stop_run,       dropped_files,  file_exists,
                          delete_file,   temp_folder,    read_text_file, quit};

}  // namespace

const Platform* system_platform() { return &kSystem; }

}  // namespace quarnpad
