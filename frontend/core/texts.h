// The program's own captions and messages, in one place.
#pragma once

#include <cstddef>
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

// The list run failed: "The image set could not be listed:" and the reason
// on a new line (quarnex's own error line, or one of the two below).
std::string list_failed_message(const std::string& reason);

// Reasons when quarnex said nothing usable: it ended with a status other
// than 0, or it ended well but the list file cannot be read.
std::string exit_status_reason(unsigned long exit_status);
std::string no_list_file_reason(const std::string& list_file);

// "&Extract file(s)" with no entry selected.
extern const char kNothingSelectedMessage[];

// "&Extract file(s)" with delete set and only picked of listed files chosen.
std::string partial_delete_question(std::size_t picked, std::size_t listed);

// "&Convert to Iso": the image quarnex will write exists already.
std::string replace_question(const std::string& path);

// A run that ended with an error: "quarnex stopped with an error:", the
// reason on a line of its own and, when quarnex was writing an output, its
// progress text apart below.
std::string run_failed_message(const std::string& reason, const std::string& progress);

// A path field holding a double quote; field is the field's caption
// without its colon ("Destination folder").
std::string quote_in_field_message(const std::string& field);
extern const char kImageField[];
extern const char kDestinationField[];

// Closing the program while a run is under way.
extern const char kStillRunningQuestion[];

// quarnex stopped at the user's request, told from what it had written on
// standard error: which output it left incomplete, if any.
std::string stopped_message(const std::string& error_output);

// The run asked to be stopped had ended on its own meanwhile.
extern const char kEndedBeforeStop[];

// The main window's line about the run: under way, ended well, failed.
extern const char kRunningStatus[];
extern const char kDoneStatus[];
extern const char kFailedStatus[];

}  // namespace quarnpad
