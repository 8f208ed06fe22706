// Chooses the entries of the file table named by the file words.
#pragma once

#include <string>
#include <vector>

// True when word names the file: the whole name, or with a final "*" its
// beginning; ASCII letters compared without case.
bool file_word_matches(const std::string& word, const std::string& name);

// Selects the entries that some word names and warns about words that name
// nothing; returns how many words did.
int select_files(const std::vector<std::string>& words);

// True when some entry of the file table is selected.
bool any_file_selected();
