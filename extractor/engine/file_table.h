// The table of files a run works on: filled from the directory the library
// finds in the set (at image sector 69, or where the volume descriptor
// says), printed as the listing, and for a conversion turned into the one
// whole-image entry.
#pragma once

#include "pdiset/directory.h"

// Opens the first member (set_name) into member_handle.
void open_image_set();

// Finds and reads the directory through the whole set (deleting nothing),
// prints the listing on standard output, fills and sorts the file table;
// returns the number of files. A conversion also reads the volume's size.
int read_directory(bool for_conversion);

// Turns row 0 into the whole-image entry for conversion to iso_name: the
// image from sector 0 to the end of the volume, as far as the set holds it.
// An empty table (no directory found) gets the row.
void make_image_entry(const char* iso_name);

// The listing's header line and the line of one record.
void print_listing_header();
void print_listing_line(const pdiset::DirectoryRecord& record);
// A file in several sections: its first sector, its whole length and its
// final record's name and date.
void print_listing_line(const pdiset::DirectoryRecord& final_record, uint32_t first_sector, int64_t length);
