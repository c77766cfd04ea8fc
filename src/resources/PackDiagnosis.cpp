#include "PackDiagnosis.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "DataPack.h"

namespace {
std::string backslashed(std::string name) {
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

std::string upper(std::string name) {
  for (char& c : name) c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
  return name;
}

// Whether one of the two names ends with the other at a folder boundary ("scripts\demo.scr" and
// "data\scripts\demo.scr", "show\data\scripts\demo.scr" and "data\scripts\demo.scr").
bool samePathTail(const std::string& a, const std::string& b) {
  const std::string& shorter = a.size() < b.size() ? a : b;
  const std::string& longer = a.size() < b.size() ? b : a;
  if (shorter.empty() || shorter.size() == longer.size()) return false;
  return upper(longer.substr(longer.size() - shorter.size())) == upper(shorter) &&
         longer[longer.size() - shorter.size() - 1] == '\\';
}

bool startsAsRar(const char* packName) {
  std::FILE* file = std::fopen(packName, "rb");
  if (!file) return false;
  char head[7] = {};
  const size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  return got == sizeof head && std::memcmp(head, "Rar!\x1a\x07\x00", sizeof head) == 0;
}

// Whether the smallest encrypted file entry other than failed extracts with password.
bool otherEntryOpens(const std::string& pack, const char* password, const std::vector<DataPackEntry>& entries,
                     const DataPackEntry& failed) {
  const DataPackEntry* smallest = nullptr;
  for (const DataPackEntry& entry : entries)
    if (&entry != &failed && entry.isEncrypted() && !entry.isDirectory() && entry.unpackedSize > 0 &&
        (!smallest || entry.unpackedSize < smallest->unpackedSize))
      smallest = &entry;
  if (!smallest) return false;
  uint8_t* data = nullptr;
  uint32_t size = 0;
  const bool opens = DataPack::extract(pack.c_str(), password, smallest->name.c_str(), &data, &size) == 1;
  std::free(data);
  return opens;
}
}  // namespace

std::string PackDiagnosis::explain(const char* packName, const char* password, const char* entryName) {
  const std::string pack = packName ? packName : "";
  const std::string wanted = backslashed(entryName ? entryName : "");
  const std::string makeIt = std::string("make it with \"vddpack a -p ") + (password ? password : "") + " " + pack +
                             " data\" in the folder that holds data/";
  std::error_code error;
  if (!std::filesystem::is_regular_file(pack, error))
    return "no " + pack + " in the working folder (" + std::filesystem::current_path(error).string() +
           "): run rk17 where " + pack + " is, or read a folder with --data DIR, or " + makeIt;
  if (!startsAsRar(pack.c_str())) return pack + " is not a RAR archive: " + makeIt;
  std::vector<DataPackEntry> entries;
  if (!DataPack::list(pack.c_str(), &entries)) return pack + " is broken or cut short: " + makeIt + " again";
  for (const DataPackEntry& entry : entries) {
    if (!DataPack::namesMatch(wanted.c_str(), entry.name.c_str())) continue;
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (DataPack::extract(pack.c_str(), password, wanted.c_str(), &data, &size) == 1) {
      std::free(data);
      return "";
    }
    // A wrong password and damaged bytes both fail the checksum: another entry that opens
    // with the password tells them apart.
    if (entry.isEncrypted() && !otherEntryOpens(pack, password, entries, entry))
      return std::string("the password does not open ") + pack + " (rk17 reads packs made with -p " +
             (password ? password : "") + "): " + makeIt;
    return wanted + " in " + pack + " is damaged (its checksum does not match): " + makeIt + " again";
  }
  for (const DataPackEntry& entry : entries)
    if (samePathTail(entry.name, wanted))
      return pack + " holds " + entry.name + " where " + wanted + " is expected: pack the folder that holds data/ (" +
             makeIt + ")";
  return pack + " holds no " + wanted + " (\"vddpack l " + pack + "\" lists what it holds)";
}
