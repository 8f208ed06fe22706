#include "texts.h"

#include "error_line.h"

namespace quarnpad {

const char kOpenFileFilter[] = "PDI Images (*.pdi)\0*.pdi\0All Files (*.*)\0*.*\0";
const unsigned kOpenFileFilterSize = sizeof(kOpenFileFilter);
const char kOpenFileTitle[] = "Open File";
const char kOpenFileInitialDir[] = "C:\\";
const char kFolderPrompt[] = "Select a folder";

const char kIsoFilter[] = "ISO-files|*.iso|All Files|*.*";

const char kFat32Title[] = "Warning";
const char kFat32Prompt[] =
    "If your filesystem is FAT32 this may cause errors due to the filesize.\r\nContinue?";

const char kMessageTitle[] = "Quarnpad";

std::string start_failed_message(const std::string& system_reason) {
  return "quarnex cannot be started:\r\n" + system_reason;
}

std::string list_failed_message(const std::string& reason) {
  return "The image set could not be listed:\r\n" + reason;
}

std::string exit_status_reason(unsigned long exit_status) {
  return "quarnex ended with exit status " + std::to_string(exit_status) + ".";
}

std::string no_list_file_reason(const std::string& list_file) {
  return "quarnex wrote no list file " + list_file + ".";
}

const char kNothingSelectedMessage[] =
    "No file is selected.\r\nSelect one or more files in the list, then press "
    "\"Extract file(s)\" again.";

std::string partial_delete_question(std::size_t picked, std::size_t listed) {
  return "Only " + std::to_string(picked) + " of " + std::to_string(listed) +
         " files are extracted. Deleting the set's members loses the other files. "
         "Delete them anyway?";
}

std::string replace_question(const std::string& path) {
  return path + " already exists.\r\nDo you want to replace it?";
}

std::string run_failed_message(const std::string& reason, const std::string& progress) {
  std::string text = "quarnex stopped with an error:\r\n" + reason;
  if (!progress.empty()) text += "\r\n\r\nIt had got as far as:\r\n" + progress;
  return text;
}

std::string quote_in_field_message(const std::string& field) {
  return "\"" + field + "\" holds a double quote (\").\r\n"
         "No Windows name can hold one: take it out, then try again. Nothing was started.";
}

const char kImageField[] = "Path to .pdi files";
const char kDestinationField[] = "Destination folder";

const char kEndedBeforeStop[] = "quarnex had ended on its own before it could be stopped.";

const char kStillRunningQuestion[] = "quarnex is still running. Stop it?";

std::string stopped_message(const std::string& error_output) {
  std::string incomplete_output = output_being_written(error_output);
  if (error_output.compare(0, 8, "writing ") != 0 &&
      error_output.find("\nwriting ") == std::string::npos) {
    return "quarnex was stopped before it wrote any output.";
  }
  if (incomplete_output.empty()) {
    return "quarnex was stopped between two outputs: every output it began is complete.\r\n"
           "Files it had not begun were not written; the set's members hold them.";
  }
  return "quarnex was stopped. This output is incomplete:\r\n" + incomplete_output +
         "\r\nFiles after it were not written; the set's members hold them. "
         "Keep the incomplete output: members it was taken from may be deleted already.";
}

const char kRunningStatus[] = "quarnex is running...";
const char kDoneStatus[] = "Done: quarnex ended without error.";
const char kFailedStatus[] = "quarnex stopped with an error.";

}  // namespace quarnpad
