#include "NameSuggestion.h"

#include <algorithm>
#include <cctype>

namespace {
std::string lower(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Levenshtein distance, with a swap of two neighbours counting as one edit.
size_t distance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i)
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}
}  // namespace

std::string NameSuggestion::closest(const std::string& word, const std::vector<std::string>& candidates) {
  if (word.empty() || word.size() > 64) return "";
  const std::string key = lower(word);
  // Words under three letters are too short to guess from: only their case may differ.
  const size_t allowed = word.size() < 3 ? 0 : std::max<size_t>(1, word.size() / 4);
  std::string best;
  size_t bestDistance = allowed + 1;
  for (const std::string& candidate : candidates) {
    if (candidate == word) return "";
    if (candidate.size() > 64) continue;
    const size_t d = distance(key, lower(candidate));
    if (d < bestDistance) {
      bestDistance = d;
      best = candidate;
    }
  }
  return best;
}

std::string NameSuggestion::hint(const std::string& word, const std::vector<std::string>& candidates) {
  const std::string best = closest(word, candidates);
  return best.empty() ? "" : " (did you mean \"" + best + "\"?)";
}
