#pragma once
// Finds the name an author probably meant: the closest candidate by edit distance, letter case
// ignored, when it is close enough to be a slip ("fogmode" -> "FogMode", "Imgae" -> "Image").
#include <string>
#include <vector>

class NameSuggestion {
 public:
  // The closest candidate, or "" when none is within a quarter of the word's length (at least
  // one edit; none but case for words under three letters) or the word itself is a candidate.
  static std::string closest(const std::string& word, const std::vector<std::string>& candidates);
  // " (did you mean \"X\"?)" for the closest candidate, "" when there is none.
  static std::string hint(const std::string& word, const std::vector<std::string>& candidates);
};
