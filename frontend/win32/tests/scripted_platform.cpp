#include "scripted_platform.h"

#include "wide_text.h"

#include <cstring>

namespace quarnpad {

namespace {

Script* script_of(void* context) { return static_cast<Script*>(context); }

std::string text_or_null(const wchar_t* text) { return text != nullptr ? utf8(text) : "(null)"; }

// A wide text with its NULs, as UTF-8.
std::string with_nuls(const wchar_t* text, std::size_t length) {
  std::string bytes;
  for (std::size_t start = 0; start < length;) {
    std::size_t end = start;
    while (end < length && text[end] != L'\0') ++end;
    bytes += utf8(std::wstring(text + start, end - start));
    if (end < length) bytes.push_back('\0');
    start = end + 1;
  }
  return bytes;
}

std::string filter_bytes(const wchar_t* filter) {
  if (filter == nullptr) return "(null)";
  std::size_t n = 0;
  while (filter[n] != L'\0' || filter[n + 1] != L'\0') ++n;
  return with_nuls(filter, n + 2);
}

FileDialogCall record_call(const OPENFILENAMEW* record) {
  FileDialogCall call;
  call.record = *record;
  call.filter = filter_bytes(record->lpstrFilter);
  if (record->lpstrFile != nullptr) call.file_buffer = with_nuls(record->lpstrFile, record->nMaxFile);
  if (record->lpstrFileTitle != nullptr) {
    call.title_buffer = with_nuls(record->lpstrFileTitle, record->nMaxFileTitle);
  }
  call.initial_dir = text_or_null(record->lpstrInitialDir);
  call.title = text_or_null(record->lpstrTitle);
  call.default_ext = text_or_null(record->lpstrDefExt);
  return call;
}

// Plays a file dialog: on accept the path goes into the file buffer, and a
// path that does not fit makes the call fail as the real dialog does.
BOOL answer_file_dialog(std::deque<DialogAnswer>* answers, OPENFILENAMEW* record) {
  if (answers->empty()) return FALSE;
  DialogAnswer answer = answers->front();
  answers->pop_front();
  std::wstring path = wide(answer.path);
  if (!answer.accept || path.size() + 1 > record->nMaxFile) return FALSE;
  std::memcpy(record->lpstrFile, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
  return TRUE;
}

BOOL open_file_name(void* context, OPENFILENAMEW* record) {
  Script* s = script_of(context);
  s->open_calls.push_back(record_call(record));
  return answer_file_dialog(&s->open_answers, record);
}

BOOL save_file_name(void* context, OPENFILENAMEW* record) {
  Script* s = script_of(context);
  s->save_calls.push_back(record_call(record));
  return answer_file_dialog(&s->save_answers, record);
}

// Item lists handed out are pointers into this table; the path call looks
// its answer up by them.
FolderAnswer g_folder_items[64];
int g_next_item = 0;

LPITEMIDLIST browse_for_folder(void* context, BROWSEINFOW* info) {
  Script* s = script_of(context);
  s->folder_calls.push_back(FolderCall{*info, text_or_null(info->lpszTitle)});
  if (s->folder_answers.empty()) return nullptr;
  FolderAnswer answer = s->folder_answers.front();
  s->folder_answers.pop_front();
  if (!answer.chosen) return nullptr;
  FolderAnswer* item = &g_folder_items[g_next_item++ % 64];
  *item = answer;
  return reinterpret_cast<LPITEMIDLIST>(item);
}

BOOL path_from_id_list(void* context, LPCITEMIDLIST list, wchar_t* path) {
  Script* s = script_of(context);
  s->path_calls.push_back(list);
  if (list == nullptr) return FALSE;
  const FolderAnswer* item = reinterpret_cast<const FolderAnswer*>(list);
  if (!item->has_path) return FALSE;
  std::wstring wide_path = wide(item->path);
  std::memcpy(path, wide_path.c_str(), (wide_path.size() + 1) * sizeof(wchar_t));
  return TRUE;
}

void free_id_list(void* context, LPITEMIDLIST list) {
  script_of(context)->freed_lists.push_back(list);
}

int message_box(void* context, HWND owner, const char* text, const char* caption, UINT type) {
  Script* s = script_of(context);
  s->messages.push_back(MessageCall{owner, text, caption, type, GetForegroundWindow()});
  if (s->message_answers.empty()) return IDOK;
  int answer = s->message_answers.front();
  s->message_answers.pop_front();
  return answer;
}

StartResult start_program(void* context, const std::string& command_line, int show_state) {
  Script* s = script_of(context);
  s->starts.push_back(StartCall{command_line, show_state});
  StartAnswer answer = {true, 0};
  if (!s->start_answers.empty()) {
    answer = s->start_answers.front();
    s->start_answers.pop_front();
  }
  if (!answer.started) return StartResult{false, answer.error, nullptr, nullptr};
  // A distinct handle per run, so the tests can tell which one was waited for.
  HANDLE process = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x7000 + s->handed_out.size()));
  s->handed_out.push_back(process);
  return StartResult{true, 0, process, nullptr};
}

RunEnd wait_for_run(void* context, const StartResult& run) {
  Script* s = script_of(context);
  s->waits.push_back(run.process);
  if (s->during_wait) s->during_wait();
  if (s->quit_during_wait) return RunEnd{true, 0, std::string()};
  for (const auto& written : s->run_writes) s->files[written.first] = written.second;
  RunEnd end = {false, 0, std::string()};
  if (!s->run_exit_codes.empty()) {
    end.exit_code = s->run_exit_codes.front();
    s->run_exit_codes.pop_front();
  }
  if (!s->run_error_outputs.empty()) {
    end.error_output = s->run_error_outputs.front();
    s->run_error_outputs.pop_front();
  }
  return end;
}

bool stop_run(void* context, const StartResult& run) {
  Script* s = script_of(context);
  s->stops.push_back(run.process);
  return s->stop_ends_run;
}

std::vector<std::string> dropped_files(void* context, HDROP drop) {
  Script* s = script_of(context);
  s->drops_finished.push_back(drop);
  if (s->drops.empty()) return {};
  std::vector<std::string> files = s->drops.front();
  s->drops.pop_front();
  return files;
}

bool file_exists(void* context, const std::string& path) {
  return script_of(context)->files.count(path) > 0;
}

bool delete_file(void* context, const std::string& path) {
  Script* s = script_of(context);
  s->deletes.push_back(path);
  return s->files.erase(path) > 0;
}

std::string temp_folder(void* context) { return script_of(context)->temp_folder; }

bool read_text_file(void* context, const std::string& path, std::string* content) {
  Script* s = script_of(context);
  s->reads.push_back(path);
  auto found = s->files.find(path);
  if (found == s->files.end()) return false;
  *content = found->second;
  return true;
}

void quit(void* context) { ++script_of(context)->quits; }

}  // namespace

void init_script(Script* script) {
  script->platform = Platform{script,          open_file_name, save_file_name,
                              browse_for_folder, path_from_id_list, free_id_list,
                              message_box,     start_program,  wait_for_run,
                              stop_run,        dropped_files,
                              file_exists,     delete_file,     temp_folder,    read_text_file,
                              quit};
}

}  // namespace quarnpad
