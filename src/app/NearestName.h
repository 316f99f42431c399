// Suggestions for misspelt names ("did you mean ...?"): the known name closest
// to a word, by edit distance, without regard to ASCII case. It knows no names
// itself; callers hand it the keyword table or the published values.
#pragma once
#include <string>
#include <vector>

// Edits (insertions, deletions, substitutions, swaps of neighbours) from a to b, case folded.
size_t EditDistance(const std::string& a, const std::string& b);

// The candidate nearest to word, if it is near enough to be a likely slip;
// empty otherwise. Ties go to the earlier candidate; an exact match is no slip.
std::string NearestName(const std::string& word, const std::vector<std::string>& candidates);
