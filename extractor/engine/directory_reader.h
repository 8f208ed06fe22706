// Reads the image's directory at image sector 69 of the first member and
// turns its plain file records into the file table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One record that the walk takes, with what the listing shows of it.
struct DirectoryRecord {
  std::string name;
  int32_t first_sector;
  uint32_t data_length;
  int year, month, day, hour, minute, second;
};

// Walks the ISO 9660 records in bytes[0 .. bytes_read) (bytes beyond count
// as zero) and returns the plain file records in directory order. Never
// looks outside the bytes given.
std::vector<DirectoryRecord> walk_directory(const unsigned char* bytes, int bytes_read);

// Opens the first member (set_name) into member_handle.
void open_image_set();

// Reads the directory, prints the listing on standard output, fills and
// sorts the file table; returns the number of files.
int read_directory();

// Turns row 0 into the whole-image entry for conversion to iso_name.
void make_image_entry(const char* iso_name);

// The listing's header line and the line of one record.
void print_listing_header();
void print_listing_line(const DirectoryRecord& record);
