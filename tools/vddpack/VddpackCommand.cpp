#include "VddpackCommand.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "DataPack.h"
#include "InputCollector.h"
#include "InterruptCleanup.h"
#include "PackWriter.h"
#include "Rar20Cipher.h"
#include "Rar20Encoder.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kProgressThreshold = 4u << 20;  // bytes of input from which progress is shown

struct ParsedOptions {
  std::string password;
  bool passwordGiven = false;
  bool solid = false;
  bool audio = false;
  int channels = 0;
  bool uniqueMarker = false;
  bool quiet = false;
  int level = Rar20Encoder::kDefaultLevel;
  std::vector<std::string> operands;
  std::string error;  // non-empty: the command line is wrong
};

// Options may stand anywhere before "--"; what follows "--" is an operand.
ParsedOptions parseOptions(const std::vector<std::string>& args, bool forAdd) {
  ParsedOptions p;
  bool operandsOnly = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (operandsOnly || a.empty() || a[0] != '-' || a == "-") {
      p.operands.push_back(a);
    } else if (a == "--") {
      operandsOnly = true;
    } else if (a == "-p" || a == "--password") {
      if (i + 1 >= args.size()) {
        p.error = a + " needs a password";
        return p;
      }
      p.password = args[++i];
      p.passwordGiven = true;
    } else if (a.size() > 2 && a.compare(0, 2, "-p") == 0) {
      p.password = a.substr(2);
      p.passwordGiven = true;
    } else if (forAdd && (a == "-s" || a == "--solid")) {
      p.solid = true;
    } else if (forAdd && a == "--audio") {
      p.audio = true;
    } else if (forAdd && a == "--channels") {
      if (i + 1 >= args.size()) {
        p.error = "--channels needs a number from 1 to 4";
        return p;
      }
      const std::string& v = args[++i];
      if (v.size() != 1 || v[0] < '1' || v[0] > '4') {
        p.error = "--channels takes a number from 1 to 4, not \"" + v + "\"";
        return p;
      }
      p.channels = v[0] - '0';
      p.audio = true;
    } else if (forAdd && a == "--marker") {
      if (i + 1 >= args.size()) {
        p.error = "--marker needs \"unique\" or \"rar\"";
        return p;
      }
      const std::string& v = args[++i];
      if (v == "unique") {
        p.uniqueMarker = true;
      } else if (v == "rar") {
        p.uniqueMarker = false;
      } else {
        p.error = "--marker takes \"unique\" or \"rar\", not \"" + v + "\"";
        return p;
      }
    } else if (a == "-q" || a == "--quiet") {
      p.quiet = true;
    } else if (forAdd && a.size() == 3 && a[0] == '-' && a[1] == 'm' && a[2] >= '1' && a[2] <= '5') {
      p.level = a[2] - '0';
    } else {
      p.error = "unknown option " + a;
      return p;
    }
  }
  if (p.passwordGiven && p.password.size() > Rar20Cipher::kMaxPasswordSize) {
    p.error = "the password is longer than the 255 bytes readers use";
  }
  return p;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0 || !in) {
    error = path + ": cannot read";
    return false;
  }
  data.resize(static_cast<size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(data.data()), size)) {
    error = path + ": read failed";
    return false;
  }
  return true;
}

double mebibytes(uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

// A stored name as a relative path below the extraction folder; empty when it would leave it.
std::string safeRelativePath(const std::string& name) {
  std::string path;
  std::string component;
  auto take = [&]() {
    if (component.empty() || component == ".") {
      component.clear();
      return true;
    }
    if (component == "..") {
      return false;
    }
    if (!path.empty()) {
      path += '/';
    }
    path += component;
    component.clear();
    return true;
  };
  for (char c : name) {
    if (c == '\\' || c == '/') {
      if (!take()) {
        return std::string();
      }
    } else {
      component += c;
    }
  }
  if (!take()) {
    return std::string();
  }
  return path;
}

}  // namespace

const char* VddpackCommand::usage() {
  return "usage:\n"
         "  vddpack a [-p PASSWORD] [-s] [-m1..-m5] [--audio] [--channels N] [--marker unique|rar] [-q]\n"
         "            ARCHIVE FILE|DIR...\n"
         "      Writes a new RAR 2.0 archive (replacing ARCHIVE) holding the given files and every\n"
         "      file below the given folders. A file is stored under its own name; a folder's files\n"
         "      under their path from the folder's parent, joined with backslashes: `vddpack a\n"
         "      p.vdd src/data` stores src/data/scripts/demo.scr as data\\scripts\\demo.scr; the\n"
         "      files below \".\" are stored without a prefix.\n"
         "      -p PASSWORD   encrypt every entry (RAR 2.0 cipher)\n"
         "      -s            solid: one compression stream through all entries\n"
         "      -m1..-m5      compression level, fastest to smallest (default -m4)\n"
         "      --audio       audio mode (predictive delta coding) for sample data; the channel\n"
         "                    count is chosen per file from its bytes unless --channels N (1-4) is\n"
         "                    given (8-bit stereo: 2, 16-bit stereo: 4)\n"
         "      --marker unique  start the archive with \"UniquE!\" (only our reader opens it)\n"
         "      -q            no progress or summary lines\n"
         "  vddpack l [-p PASSWORD] ARCHIVE\n"
         "      Lists the entries; with a password, also decodes each and shows whether its CRC\n"
         "      matches.\n"
         "  vddpack x [-p PASSWORD] [-q] ARCHIVE [DIR]\n"
         "      Extracts every entry with the program's reader into DIR (default: the current\n"
         "      folder), backslashes becoming folders, writing each as it decodes.\n"
         "  vddpack --help\n"
         "Exit code: 0 done, 1 bad input or failed archive operation, 2 bad command line.\n";
}

int VddpackCommand::usageError(const std::string& message) {
  std::fprintf(_err, "vddpack: %s\n%s", message.c_str(), usage());
  return 2;
}

int VddpackCommand::run(const std::vector<std::string>& arguments) {
  if (arguments.empty()) {
    return usageError("no command given");
  }
  const std::string& command = arguments[0];
  std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(usage(), _out);
    return 0;
  }
  if (command == "a") {
    return add(rest);
  }
  if (command == "l") {
    return listEntries(rest);
  }
  if (command == "x") {
    return extractEntries(rest);
  }
  return usageError("unknown command \"" + command + "\"");
}

void VddpackCommand::progress(uint64_t done, uint64_t total, size_t files, size_t fileCount) {
  if (total < kProgressThreshold) {
    return;
  }
  int percent = static_cast<int>(done * 100 / total);
  bool terminal = isatty(fileno(_err)) != 0;
  // On a terminal the line is redrawn at every percent; in a log, one line per tenth.
  int step = terminal ? 1 : 10;
  bool finished = done >= total && files == fileCount;
  if (percent / step == _lastPercent / step && !finished) {
    return;
  }
  if (finished && _lastPercent > 100) {
    return;  // the final line is out already
  }
  _lastPercent = finished ? 101 : percent;
  std::fprintf(_err, "%svddpack: %3d%% (%zu of %zu files, %.1f of %.1f MiB)%s", terminal ? "\r" : "", percent, files,
               fileCount, mebibytes(done), mebibytes(total), terminal && !finished ? "" : "\n");
  std::fflush(_err);
}

int VddpackCommand::add(const std::vector<std::string>& args) {
  ParsedOptions p = parseOptions(args, true);
  if (!p.error.empty()) {
    return usageError(p.error);
  }
  if (p.operands.size() < 2) {
    return usageError("a needs an archive and at least one file or folder");
  }
  if (p.passwordGiven && p.password.empty()) {
    return usageError("-p needs a non-empty password");
  }
  const std::string& archive = p.operands[0];
  InputCollector inputs;
  inputs.exclude(archive);  // replaced by this run, never packed into itself
  inputs.exclude(archive + ".tmp");
  std::vector<std::string> errors;
  bool ok = true;
  for (size_t i = 1; i < p.operands.size(); ++i) {
    ok = inputs.add(p.operands[i], errors) && ok;
  }
  ok = inputs.finish(errors) && ok;
  if (!ok) {
    for (const std::string& e : errors) {
      std::fprintf(_err, "vddpack: %s\n", e.c_str());
    }
    std::fprintf(_err, "vddpack: %s not written\n", archive.c_str());
    return 1;
  }

  if (inputs.files().empty()) {
    std::fprintf(_err, "vddpack: warning: the given folders hold no files; %s will be an empty pack\n",
                 archive.c_str());
  }
  PackWriter::Options options;
  options.password = p.password;
  options.solid = p.solid;
  options.audio = p.audio;
  options.audioChannels = p.channels;
  options.uniqueMarker = p.uniqueMarker;
  options.encoder = Rar20Encoder::Settings::forLevel(p.level);
  InterruptCleanup cleanup({archive + ".tmp"});  // Ctrl-C leaves no partial pack
  PackWriter writer(options);
  std::string error;
  if (!writer.begin(archive, error)) {
    std::fprintf(_err, "vddpack: %s\n", error.c_str());
    return 1;
  }
  uint64_t total = inputs.totalSize();
  uint64_t done = 0;
  uint64_t packedTotal = 0;
  size_t index = 0;
  _lastPercent = -1;
  if (!p.quiet) {
    writer.setProgress([&](size_t entryDone) { progress(done + entryDone, total, index, inputs.files().size()); });
  }
  for (const InputCollector::File& f : inputs.files()) {
    std::vector<uint8_t> data;
    PackWriter::EntryResult result;
    if (!readWholeFile(f.path, data, error) || !writer.add(f.storedName, data, f.dosTime, result, error)) {
      std::fprintf(_err, "vddpack: %s\nvddpack: %s not written\n", error.c_str(), archive.c_str());
      writer.abandon();
      return 1;
    }
    done += f.size;
    packedTotal += result.packedSize;
    ++index;
    if (!p.quiet) {
      progress(done, total, index, inputs.files().size());
    }
  }
  if (!writer.finish(error)) {
    std::fprintf(_err, "vddpack: %s\n", error.c_str());
    return 1;
  }
  if (!p.quiet) {
    std::fprintf(_out, "vddpack: %s: %zu files, %llu bytes packed to %llu (%.1f%%)\n", archive.c_str(),
                 inputs.files().size(), static_cast<unsigned long long>(total),
                 static_cast<unsigned long long>(packedTotal),
                 total > 0 ? 100.0 * static_cast<double>(packedTotal) / static_cast<double>(total) : 100.0);
  }
  return 0;
}

int VddpackCommand::listEntries(const std::vector<std::string>& args) {
  ParsedOptions p = parseOptions(args, false);
  if (!p.error.empty()) {
    return usageError(p.error);
  }
  if (p.operands.size() != 1) {
    return usageError("l needs exactly one archive");
  }
  const std::string& archive = p.operands[0];
  std::vector<DataPackEntry> entries;
  bool ok = DataPack::list(archive.c_str(), &entries);
  std::vector<int> status(entries.size(), 0);  // 0 not checked, 1 CRC good, -1 bad
  if (ok && p.passwordGiven) {
    size_t index = 0;
    ok = DataPack::extractAll(archive.c_str(), p.password.c_str(),
                              [&](const DataPackEntry&, const uint8_t* data, bool crcMatches) {
                                if (index < status.size()) {
                                  status[index] = (data && crcMatches) ? 1 : -1;
                                }
                                ++index;
                                return true;
                              });
  }
  std::fprintf(_out, "%10s %10s %-6s %-5s %s\n", "size", "packed", "method", "flags", "name");
  int bad = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const DataPackEntry& e = entries[i];
    std::string flags;
    flags += e.isEncrypted() ? 'E' : '-';
    flags += e.continuesSolid() ? 'S' : '-';
    flags += e.isDirectory() ? 'D' : '-';
    const char* check = status[i] == 1 ? "  ok" : status[i] == -1 ? "  CRC FAILED" : "";
    bad += status[i] == -1 ? 1 : 0;
    std::fprintf(_out, "%10u %10u %-6s %-5s %s%s\n", e.unpackedSize, e.packedSize, e.isStored() ? "stored" : "v20",
                 flags.c_str(), e.utf8Name.c_str(), check);
  }
  std::fprintf(_out, "%zu entries\n", entries.size());
  if (!ok) {
    std::fprintf(_err, "vddpack: %s: cannot be read completely (missing, not a pack, or damaged)\n", archive.c_str());
    return 1;
  }
  if (bad > 0) {
    std::fprintf(_err, "vddpack: %s: %d entries do not decode to their CRC (wrong password?)\n", archive.c_str(), bad);
    return 1;
  }
  return 0;
}

int VddpackCommand::extractEntries(const std::vector<std::string>& args) {
  ParsedOptions p = parseOptions(args, false);
  if (!p.error.empty()) {
    return usageError(p.error);
  }
  if (p.operands.empty() || p.operands.size() > 2) {
    return usageError("x needs an archive and at most one folder");
  }
  const std::string& archive = p.operands[0];
  fs::path folder = p.operands.size() > 1 ? fs::path(p.operands[1]) : fs::path(".");
  int failures = 0;
  size_t written = 0;
  // The entry being written goes to a temporary name beside its target and takes the target's
  // name only once complete with a matching CRC, so a failure leaves no partial file (and an
  // existing file stays as it was).
  fs::path target;
  fs::path partial;
  std::FILE* outFile = nullptr;
  bool writeFailed = false;
  int writeError = 0;  // errno of the failed write, 0 when unknown
  DataPack::EntryStream stream;
  stream.begin = [&](const DataPackEntry& e) {
    if (e.isDirectory()) {
      return false;
    }
    std::string relative = safeRelativePath(e.utf8Name);
    if (relative.empty()) {
      std::fprintf(_err, "vddpack: %s: entry name leaves the target folder; skipped\n", e.utf8Name.c_str());
      ++failures;
      return false;
    }
    target = folder / relative;
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    partial = target;
    partial += ".vddpack-part";
    outFile = std::fopen(partial.string().c_str(), "wb");
    writeFailed = outFile == nullptr;
    writeError = writeFailed ? errno : 0;
    return true;
  };
  stream.write = [&](const uint8_t* bytes, size_t size) {
    if (outFile && !writeFailed && std::fwrite(bytes, 1, size, outFile) != size) {
      writeFailed = true;
      writeError = errno;
    }
  };
  stream.end = [&](const DataPackEntry& e, bool complete) {
    if (outFile && std::fclose(outFile) != 0 && !writeFailed) {
      writeFailed = true;
      writeError = errno;
    }
    outFile = nullptr;
    std::error_code ec;
    if (complete && !writeFailed) {
      fs::rename(partial, target, ec);
      writeFailed = static_cast<bool>(ec);
      writeError = ec.value();
    }
    if (!complete || writeFailed) {
      fs::remove(partial, ec);
      ++failures;
      if (!complete) {
        std::fprintf(_err, "vddpack: %s: CRC mismatch (damaged, or wrong password); not written\n", e.utf8Name.c_str());
      } else {
        std::fprintf(_err, "vddpack: %s: cannot write: %s\n", target.string().c_str(),
                     writeError != 0 ? std::strerror(writeError) : "unknown error");
      }
      return true;
    }
    ++written;
    return true;
  };
  bool ok = DataPack::extractAllStreaming(archive.c_str(), p.password.c_str(), stream);
  if (outFile) {
    std::fclose(outFile);
    std::error_code ec;
    fs::remove(partial, ec);
  }
  if (!ok) {
    std::fprintf(_err, "vddpack: %s: cannot be read (missing, not a pack, or damaged)\n", archive.c_str());
    return 1;
  }
  if (!p.quiet) {
    std::fprintf(_out, "vddpack: %zu files extracted to %s\n", written, folder.string().c_str());
  }
  return failures > 0 ? 1 : 0;
}
