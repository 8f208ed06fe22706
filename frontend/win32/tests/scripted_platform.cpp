#include "scripted_platform.h"

#include <cstring>

namespace quarnpad {

namespace {

Script* script_of(void* context) { return static_cast<Script*>(context); }

std::string text_or_null(const char* text) { return text != nullptr ? text : "(null)"; }

std::string filter_bytes(const char* filter) {
  if (filter == nullptr) return "(null)";
  std::size_t n = 0;
  while (filter[n] != '\0' || filter[n + 1] != '\0') ++n;
  return std::string(filter, n + 2);
}

FileDialogCall record_call(const OPENFILENAMEA* record) {
  FileDialogCall call;
  call.record = *record;
  call.filter = filter_bytes(record->lpstrFilter);
  if (record->lpstrFile != nullptr) call.file_buffer.assign(record->lpstrFile, record->nMaxFile);
  if (record->lpstrFileTitle != nullptr) {
    call.title_buffer.assign(record->lpstrFileTitle, record->nMaxFileTitle);
  }
  call.initial_dir = text_or_null(record->lpstrInitialDir);
  call.title = text_or_null(record->lpstrTitle);
  call.default_ext = text_or_null(record->lpstrDefExt);
  return call;
}

// Plays a file dialog: on accept the path goes into the file buffer, and a
// path that does not fit makes the call fail as the real dialog does.
BOOL answer_file_dialog(std::deque<DialogAnswer>* answers, OPENFILENAMEA* record) {
  if (answers->empty()) return FALSE;
  DialogAnswer answer = answers->front();
  answers->pop_front();
  if (!answer.accept || answer.path.size() + 1 > record->nMaxFile) return FALSE;
  std::memcpy(record->lpstrFile, answer.path.c_str(), answer.path.size() + 1);
  return TRUE;
}

BOOL open_file_name(void* context, OPENFILENAMEA* record) {
  Script* s = script_of(context);
  s->open_calls.push_back(record_call(record));
  return answer_file_dialog(&s->open_answers, record);
}

BOOL save_file_name(void* context, OPENFILENAMEA* record) {
  Script* s = script_of(context);
  s->save_calls.push_back(record_call(record));
  return answer_file_dialog(&s->save_answers, record);
}

// Item lists handed out are pointers into this table; the path call looks
// its answer up by them.
FolderAnswer g_folder_items[64];
int g_next_item = 0;

LPITEMIDLIST browse_for_folder(void* context, BROWSEINFOA* info) {
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

BOOL path_from_id_list(void* context, LPCITEMIDLIST list, char* path) {
  Script* s = script_of(context);
  s->path_calls.push_back(list);
  if (list == nullptr) return FALSE;
  const FolderAnswer* item = reinterpret_cast<const FolderAnswer*>(list);
  if (!item->has_path) return FALSE;
  std::memcpy(path, item->path.c_str(), item->path.size() + 1);
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
                              file_exists,     delete_file,     temp_folder,    read_text_file,
                              quit};
}

}  // namespace quarnpad
