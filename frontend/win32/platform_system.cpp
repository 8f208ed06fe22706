// The real system calls behind the platform table.
#include "platform.h"

#include "program_start.h"
#include "run_wait.h"

namespace quarnpad {

namespace {

BOOL open_file_name(void*, OPENFILENAMEA* record) { return GetOpenFileNameA(record); }

BOOL save_file_name(void*, OPENFILENAMEA* record) { return GetSaveFileNameA(record); }

LPITEMIDLIST browse_for_folder(void*, BROWSEINFOA* info) { return SHBrowseForFolderA(info); }

BOOL path_from_id_list(void*, LPCITEMIDLIST list, char* path) {
  return SHGetPathFromIDListA(list, path);
}

void free_id_list(void*, LPITEMIDLIST list) { CoTaskMemFree(list); }

int message_box(void*, HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxA(owner, text, caption, type);
}

StartResult start_program(void*, const std::string& command_line, int show_state) {
  return start_program_from(own_folder(), command_line, show_state, StartKind::kWaitedRun);
}

RunEnd wait_for_run(void*, const StartResult& run) {
  RunEnd end = wait_for_process(run.process);
  end.error_output = read_back_error_output(run.error_output);
  return end;
}

bool file_exists(void*, const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool delete_file(void*, const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

std::string temp_folder(void*) {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetTempPathA(sizeof(path), path);
  return length > 0 && length < sizeof(path) ? std::string(path, length) : std::string();
}

bool read_text_file(void*, const std::string& path, std::string* content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
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
                          wait_for_run,  file_exists,    delete_file,    temp_folder,    read_text_file,
                          quit};

}  // namespace

const Platform* system_platform() { return &kSystem; }

}  // namespace quarnpad
