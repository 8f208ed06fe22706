#include "texts.h"

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

std::string run_failed_message(const std::string& reason) {
  return "quarnex stopped with an error:\r\n" + reason;
}

const char kRunningStatus[] = "quarnex is running...";
const char kDoneStatus[] = "Done: quarnex ended without error.";
const char kFailedStatus[] = "quarnex stopped with an error.";

}  // namespace quarnpad
