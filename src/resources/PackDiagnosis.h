#pragma once
// Says, in one line, why an entry could not be read from a data pack and what to do: no pack in
// the working folder, not a RAR archive, a broken archive, an entry stored under another folder
// (the pack was made from inside data/ or from its parent), a password that does not open it,
// or a damaged entry.
#include <string>

class PackDiagnosis {
 public:
  // The reason entryName could not be read from packName with password; "" when the entry reads.
  static std::string explain(const char* packName, const char* password, const char* entryName);
};
