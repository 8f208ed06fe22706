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

std::string list_run_failed_message(unsigned long exit_status) {
  return "quarnex could not list the files of this image set (exit status " +
         std::to_string(exit_status) + ").";
}

std::string list_unreadable_message(const std::string& list_file) {
  return "The list file cannot be read:\r\n" + list_file;
}

}  // namespace quarnpad
