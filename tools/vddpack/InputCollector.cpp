#include "InputCollector.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <system_error>

#include "Rar20NameCodec.h"

namespace fs = std::filesystem;

namespace {

uint32_t dosTimeOf(const fs::path& path) {
  std::error_code ec;
  auto written = fs::last_write_time(path, ec);
  if (ec) {
    return 0;
  }
  // file_time_type's epoch is unspecified in C++17; measure against "now" on both clocks.
  auto now = fs::file_time_type::clock::now();
  std::time_t seconds = std::time(nullptr) - std::chrono::duration_cast<std::chrono::seconds>(now - written).count();
  std::tm local{};
  localtime_r(&seconds, &local);
  if (local.tm_year < 80) {
    return (1u << 21) | (1u << 16);  // MS-DOS time begins 1980-01-01
  }
  return static_cast<uint32_t>(local.tm_year - 80) << 25 | static_cast<uint32_t>(local.tm_mon + 1) << 21 |
         static_cast<uint32_t>(local.tm_mday) << 16 | static_cast<uint32_t>(local.tm_hour) << 11 |
         static_cast<uint32_t>(local.tm_min) << 5 | static_cast<uint32_t>(local.tm_sec / 2);
}

}  // namespace

std::string InputCollector::foldName(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c == '/' || c == '\\') {
      c = '_';
    } else {
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return folded;
}

std::string InputCollector::checkComponent(const std::string& component) {
  if (component.empty() || component == "." || component == "..") {
    return "empty or relative path component";
  }
  std::u16string units;
  if (!Rar20NameCodec::toUtf16(component, &units)) {
    return "not valid UTF-8";
  }
  for (unsigned char c : component) {
    if (c < 0x20 || c == 0x7f) {
      return "control character";
    }
    if (c == '\\') {
      return "backslash inside a name (it separates folders in the pack)";
    }
  }
  return std::string();
}

bool InputCollector::isExcluded(const std::string& path) const {
  for (const std::string& e : _excluded) {
    std::error_code ec;
    if (fs::equivalent(path, e, ec)) {
      return true;
    }
  }
  return false;
}

bool InputCollector::addFile(const std::string& path, const std::string& storedName, std::vector<std::string>& errors) {
  if (isExcluded(path)) {
    return true;
  }
  if (storedName.size() > kMaxNameLength) {
    errors.push_back(path + ": stored name \"" + storedName + "\" is " + std::to_string(storedName.size()) +
                     " bytes long; the reader compares at most " + std::to_string(kMaxNameLength));
    return false;
  }
  std::error_code ec;
  uint64_t size = fs::file_size(path, ec);
  if (ec) {
    errors.push_back(path + ": cannot read size: " + ec.message());
    return false;
  }
  if (size > 0xffffffffu) {
    errors.push_back(path + ": larger than 4 GiB - 1, which a RAR 2.0 header cannot hold");
    return false;
  }
  _files.push_back({path, storedName, size, dosTimeOf(path)});
  return true;
}

bool InputCollector::add(const std::string& argument, std::vector<std::string>& errors) {
  std::error_code ec;
  fs::file_status status = fs::status(argument, ec);
  if (ec || !fs::exists(status)) {
    errors.push_back(argument + ": no such file or folder");
    return false;
  }
  if (fs::is_regular_file(status)) {
    std::string name = fs::path(argument).filename().string();
    std::string reason = checkComponent(name);
    if (!reason.empty()) {
      errors.push_back(argument + ": cannot be stored: " + reason);
      return false;
    }
    return addFile(argument, name, errors);
  }
  if (!fs::is_directory(status)) {
    errors.push_back(argument + ": not a regular file or folder");
    return false;
  }
  fs::path root = fs::weakly_canonical(fs::absolute(argument), ec);
  // "." (and "./"): the files below it are stored without a prefix, as other archivers do.
  const bool here = fs::path(argument).lexically_normal() == fs::path(".");
  std::string rootName = here ? std::string() : root.filename().string();
  if (ec || (!here && checkComponent(rootName).size() > 0)) {
    errors.push_back(argument + ": folder name \"" + rootName + "\" cannot be stored: " + checkComponent(rootName));
    return false;
  }
  bool ok = true;
  fs::recursive_directory_iterator it(root, fs::directory_options::follow_directory_symlink, ec);
  if (ec) {
    errors.push_back(argument + ": cannot list: " + ec.message());
    return false;
  }
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) {
      errors.push_back(argument + ": cannot list: " + ec.message());
      return false;
    }
    fs::file_status entryStatus = it->status(ec);
    if (ec) {
      errors.push_back(it->path().string() + ": " + ec.message());
      ok = false;
      continue;
    }
    if (fs::is_directory(entryStatus)) {
      continue;
    }
    if (!fs::is_regular_file(entryStatus)) {
      errors.push_back(it->path().string() + ": not a regular file");
      ok = false;
      continue;
    }
    std::string storedName = rootName;
    std::string reason;
    for (const fs::path& part : it->path().lexically_relative(root)) {
      reason = checkComponent(part.string());
      if (!reason.empty()) {
        break;
      }
      if (!storedName.empty()) {
        storedName += '\\';
      }
      storedName += part.string();
    }
    if (!reason.empty()) {
      errors.push_back(it->path().string() + ": cannot be stored: " + reason);
      ok = false;
      continue;
    }
    ok = addFile(it->path().string(), storedName, errors) && ok;
  }
  return ok;
}

bool InputCollector::finish(std::vector<std::string>& errors) {
  // Empty files first: unar fails on every entry that follows an empty one inside a solid
  // stream (other readers do not), and in front of the stream they cost nothing.
  std::sort(_files.begin(), _files.end(), [](const File& a, const File& b) {
    return (a.size > 0) != (b.size > 0) ? a.size == 0 : a.storedName < b.storedName;
  });
  std::map<std::string, const File*> seen;
  bool ok = true;
  for (const File& f : _files) {
    auto [it, inserted] = seen.emplace(foldName(f.storedName), &f);
    if (!inserted) {
      errors.push_back(f.path + ": stored name \"" + f.storedName + "\" is the same for the reader as \"" +
                       it->second->storedName + "\" (from " + it->second->path + ")");
      ok = false;
    }
  }
  return ok;
}

uint64_t InputCollector::totalSize() const {
  uint64_t total = 0;
  for (const File& f : _files) {
    total += f.size;
  }
  return total;
}
