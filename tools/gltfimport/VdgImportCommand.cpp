#include "VdgImportCommand.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "GltfImporter.h"
#include "InterruptCleanup.h"
#include "SafeName.h"

namespace fs = std::filesystem;

namespace {

bool readWhole(const std::string& path, std::vector<uint8_t>& bytes) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  const uintmax_t size = fs::file_size(path, ec);
  if (ec || size > 0xFFFFFFF0u) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.resize(size_t(size));  // read in one piece: a growing buffer would need twice the memory
  in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size));
  return bool(in);
}

bool writeWhole(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  return bool(out);
}

bool parseInt(const std::string& text, int& value) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
  value = int(v);
  return true;
}

}  // namespace

const char* VdgImportCommand::usage() {
  return "usage: vdgimport [options] FILE.gltf|FILE.glb DATA_DIR\n"
         "Imports a glTF 2.0 scene: writes DATA_DIR/data/scenes/NAME.vdg, the morph data files of its\n"
         "animated skins and morph targets beside it, and its pictures into DATA_DIR/data/textures/.\n"
         "options:\n"
         "  --rate N        sampled animation frames per second, a divisor of 100 (default 25)\n"
         "  --animation A   the animation to sample (default: the first)\n"
         "  --name NAME     the scene's name (default: the file's name without its extension;\n"
         "                  characters other than letters, digits and _-.# become _)\n"
         "  --scale S       uniform scale of the whole scene (default 1)\n"
         "  -q              print nothing but errors\n"
         "  --help          this text\n"
         "exit codes: 0 imported, 1 bad input (nothing is written), 2 bad command line\n";
}

int VdgImportCommand::usageError(const std::string& message) {
  std::fprintf(_err, "vdgimport: %s\n%s", message.c_str(), usage());
  return 2;
}

int VdgImportCommand::run(const std::vector<std::string>& arguments) {
  gltfimport::ImportOptions options;
  bool quiet = false;
  std::vector<std::string> files;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (a == "--help") {
      std::fputs(usage(), _out);
      return 0;
    } else if (a == "-q") {
      quiet = true;
    } else if (a == "--rate" || a == "--animation" || a == "--name" || a == "--scale") {
      if (!hasValue) return usageError(a + " needs a value");
      const std::string& value = arguments[++i];
      if (a == "--rate" && (!parseInt(value, options.rate) || !gltfimport::GltfImporter::isValidRate(options.rate)))
        return usageError("--rate takes a divisor of 100 (1, 2, 4, 5, 10, 20, 25, 50, 100)");
      if (a == "--animation") options.animation = value;
      if (a == "--name") {
        if (value.empty() || value.find_first_of("/\\") != std::string::npos)
          return usageError("--name takes a name without folders");
        options.sceneName = value;
      }
      if (a == "--scale") {
        char* end = nullptr;
        options.scale = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !std::isfinite(options.scale) || options.scale <= 0)
          return usageError("--scale takes a positive number");
      }
    } else if (!a.empty() && a[0] == '-') {
      return usageError("unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return usageError("needs an input file and a data folder");
  const fs::path input(files[0]);
  const std::string extension = input.extension().string();
  if (extension != ".gltf" && extension != ".glb") return usageError("the input must be a .gltf or .glb file");
  // The scene file's stem starts the names of its baked meshes, by which the loader finds their
  // morph data: both are kept to the characters SafeName allows.
  options.sceneName = gltfimport::SafeName::of(options.sceneName.empty() ? input.stem().string() : options.sceneName);

  std::vector<uint8_t> bytes;
  if (!readWhole(files[0], bytes)) {
    std::fprintf(_err, "vdgimport: %s: cannot be read\n", files[0].c_str());
    return 1;
  }
  // tinygltf joins external files' names to the input's folder.
  const gltfimport::FileReader reader = readWhole;
  gltfimport::ImportResult result;
  std::string error;
  if (!gltfimport::GltfImporter::importBytes(std::move(bytes), files[0], reader, options, result, error)) {
    std::fprintf(_err, "vdgimport: %s\n", error.c_str());
    return 1;
  }

  const fs::path scenes = fs::path(files[1]) / "data" / "scenes";
  const fs::path textures = fs::path(files[1]) / "data" / "textures";
  std::error_code ec;
  fs::create_directories(scenes, ec);
  fs::create_directories(textures, ec);
  std::vector<std::pair<fs::path, const std::vector<uint8_t>*>> outputs;
  outputs.push_back({scenes / (options.sceneName + ".vdg"), &result.scene});
  for (const auto& morph : result.morphData) outputs.push_back({scenes / morph.name, &morph.bytes});
  for (const auto& picture : result.pictures) outputs.push_back({textures / picture.name, &picture.bytes});
  // Each file is written as NAME.part; only when all are whole are they renamed into place, with
  // Ctrl-C held back, so a full disk or an interruption leaves the previous files as they were.
  std::vector<std::string> parts;
  for (const auto& output : outputs) parts.push_back(output.first.string() + ".part");
  InterruptCleanup cleanup(parts);
  for (size_t i = 0; i < outputs.size(); ++i) {
    errno = 0;
    if (!writeWhole(parts[i], *outputs[i].second)) {
      const int error = errno;
      for (size_t k = 0; k <= i; ++k) fs::remove(parts[k], ec);
      std::fprintf(_err, "vdgimport: %s: cannot be written: %s\n", outputs[i].first.string().c_str(),
                   error != 0 ? std::strerror(error) : "unknown error");
      return 1;
    }
  }
  cleanup.hold();
  if (InterruptCleanup::interruptPending()) cleanup.release();  // the handler removes the parts and ends
  for (size_t i = 0; i < outputs.size(); ++i) {
    fs::rename(parts[i], outputs[i].first, ec);
    if (ec) {
      for (const std::string& part : parts) fs::remove(part, ec);
      std::fprintf(_err, "vdgimport: %s: cannot be written\n", outputs[i].first.string().c_str());
      return 1;
    }
  }
  for (const std::string& w : result.warnings) std::fprintf(_err, "vdgimport: warning: %s\n", w.c_str());
  if (!quiet) {
    std::fprintf(_out, "%s -> %s\n", files[0].c_str(), outputs[0].first.string().c_str());
    for (const std::string& line : result.imported) std::fprintf(_out, "  imported: %s\n", line.c_str());
    for (const std::string& line : result.skipped) std::fprintf(_out, "  skipped: %s\n", line.c_str());
  }
  return 0;
}
