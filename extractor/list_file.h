// The list file that -g writes and the front end reads back.
#pragma once

#include <cstdint>
#include <string>

#include "command_line.h"

// One record in the given line format, with CR LF ends; size is the file's
// data length.
std::string format_list_record(ListFormat format, const std::string& name, int64_t size);

// Writes one record per entry of the file table, in table order.
void write_list_file(const char* path, ListFormat format);
