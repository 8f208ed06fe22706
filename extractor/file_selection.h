// Chooses the entries of the file table named by the file words.
#pragma once

#include <string>
#include <vector>

// True when word names the file: the whole name, or with a final "*" its
// beginning; ASCII letters compared without case.
bool file_word_matches(const std::string& word, const std::string& name);

// Sets every entry's select_count to the number of words naming it, warns
// about words that name nothing (and then clears remove_members), and ends
// the run when nothing is selected.
void select_files(const std::vector<std::string>& words);
