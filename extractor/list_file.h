// The list file that -g writes and the front end reads back.
#pragma once

#include <cstdint>
#include <string>

// One record in line format 0 (l), 1 (s), 2 (f) or 3 (b), with CR LF ends.
std::string format_list_record(int format, const std::string& name, int64_t size);

// Writes one record per entry of the file table, in table order.
void write_list_file(const char* path, int format);
