// The program's own captions and messages, in one place.
#pragma once

#include <string>

namespace quarnpad {

// Open-file dialog of "&Browse": filter pairs in the dialog's NUL form,
// with the text's own terminating NUL as the final one.
extern const char kOpenFileFilter[];
extern const unsigned kOpenFileFilterSize;  // bytes, the final NUL included
extern const char kOpenFileTitle[];         // "Open File"
extern const char kOpenFileInitialDir[];    // "C:\"
extern const char kFolderPrompt[];          // "Select a folder"

// Save dialog of "&Convert to Iso", in the "description|pattern|..." form.
extern const char kIsoFilter[];

// FAT32 question of "&Convert to Iso".
extern const char kFat32Title[];
extern const char kFat32Prompt[];

// Title of the front end's own messages.
extern const char kMessageTitle[];

// "quarnex cannot be started:" and the system's reason on a new line.
std::string start_failed_message(const std::string& system_reason);

// The list run ended with a status other than 0.
std::string list_run_failed_message(unsigned long exit_status);

// The list file could not be read after the list run.
std::string list_unreadable_message(const std::string& list_file);

}  // namespace quarnpad
