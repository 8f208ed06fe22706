// Keeps the program from writing over a member of the image set, which would
// destroy the data it is reading.
#pragma once

// Ends the run with a message when path names an existing member of the set.
void refuse_if_member(const char* path);
