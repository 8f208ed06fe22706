// The only ways in which quarnex reports errors and ends abnormally: a
// message on standard error, the bell and a RETURN prompt, a wait for one
// character of standard input, exit status 1.
#pragma once

[[noreturn]] void fatal_exit(const char* message);
// The context, ": " and the system's text for errno; then fatal_exit("").
[[noreturn]] void fatal_system_error(const char* context);
// Fatal error for errno value error, whatever errno holds now.
[[noreturn]] void fatal_error_number(const char* context, int error);
// The context, ": " and the system's text for errno; the caller goes on.
void print_system_error(const char* context);
[[noreturn]] void show_usage();

extern const char kUsageText[];
