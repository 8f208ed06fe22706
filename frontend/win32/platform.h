// Every system call that the commands depend on goes through this table, so
// that the tests can answer the dialogs themselves and record the programs
// started instead of starting them.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <string>

namespace quarnpad {

struct StartResult {
  bool started;
  DWORD error;     // the system's error code when not started
  HANDLE process;  // only when asked to keep it; the caller closes it
};

struct RunEnd {
  bool quit;        // the program was told to end while waiting
  DWORD exit_code;  // the process's exit status
};

struct Platform {
  void* context;  // handed back to every call; the real table leaves it null

  BOOL (*get_open_file_name)(void* context, OPENFILENAMEA* record);
  BOOL (*get_save_file_name)(void* context, OPENFILENAMEA* record);
  LPITEMIDLIST (*browse_for_folder)(void* context, BROWSEINFOA* info);
  BOOL (*path_from_id_list)(void* context, LPCITEMIDLIST list, char* path);
  void (*free_id_list)(void* context, LPITEMIDLIST list);
  int (*message_box)(void* context, HWND owner, const char* text, const char* caption,
                     UINT type);

  // Starts a program from a complete command line (bare program name first)
  // in a new console window shown with show_state (SW_SHOWMAXIMIZED,
  // SW_SHOWMINIMIZED or SW_SHOWMINNOACTIVE). keep_process asks for the
  // process handle, for the list run only.
  StartResult (*start_program)(void* context, const std::string& command_line,
                               int show_state, bool keep_process);

  // Waits for the process to end while the windows go on working; closes
  // the handle.
  RunEnd (*wait_for_run)(void* context, HANDLE process);

  // The user's temporary folder as GetTempPathA gives it, or empty.
  std::string (*temp_folder)(void* context);

  bool (*read_text_file)(void* context, const std::string& path, std::string* content);

  // Ends the program at once ("E&xit").
  void (*quit)(void* context);
};

// The table of real system calls.
const Platform* system_platform();

}  // namespace quarnpad
