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

}  // namespace quarnpad
