#pragma once
// Writes a RAR 2.0 archive: the marker, the archive header, then one file header and its
// packed data per entry. Entries are compressed with Rar20Encoder (or stored when that does
// not make them smaller; always compressed in a solid archive, so the stream stays one),
// and encrypted with the RAR 2.0 cipher when a password is set.
//
// The archive is written to "<path>.tmp" and renamed to path by finish(), so a failed run
// never leaves a half-written pack under the real name.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "Rar20Encoder.h"

class PackWriter {
 public:
  struct Options {
    std::string password;       // empty: no encryption; at most 255 bytes are used by readers
    bool solid = false;         // one compression stream through all entries
    bool audio = false;         // audio mode (predictive delta coding) for every entry
    int audioChannels = 0;      // 1 to 4, or 0 to choose per entry from its bytes
    bool uniqueMarker = false;  // "UniquE!" instead of the RAR marker (our reader only)
    Rar20Encoder::Settings encoder;
  };

  struct EntryResult {
    uint32_t packedSize = 0;  // bytes of packed data in the archive (after cipher padding)
    bool stored = false;
    int audioChannels = 0;  // 0 when LZ coded or stored
  };

  explicit PackWriter(const Options& options);
  ~PackWriter();
  PackWriter(const PackWriter&) = delete;
  PackWriter& operator=(const PackWriter&) = delete;

  // Creates the temporary file and writes the marker and archive header. False with a
  // message in error.
  bool begin(const std::string& path, std::string& error);
  // Appends one entry. name: backslash path in UTF-8; dosTime: MS-DOS date and time. False with a
  // message in error (the archive is then unusable; call abandon()).
  bool add(const std::string& name, const std::vector<uint8_t>& data, uint32_t dosTime, EntryResult& result,
           std::string& error);
  // Progress within large entries: called with bytes of the current entry done so far.
  void setProgress(std::function<void(size_t)> progress) { _encoder.setProgress(std::move(progress)); }
  // Changes the coding of the following entries (audio mode and its channel count, 0 = chosen
  // per entry); a solid stream goes on through the change.
  void setAudio(bool audio, int channels) {
    _options.audio = audio;
    _options.audioChannels = channels;
  }
  // Flushes, closes and renames to the final path. False with a message in error.
  bool finish(std::string& error);
  // Closes and removes the temporary file.
  void abandon();

  static constexpr uint16_t kFlagEncrypted = 0x0004;
  static constexpr uint16_t kFlagSolid = 0x0010;
  static constexpr uint16_t kFlagDictionary1M = 0x0080;  // window size field: 1024 KiB
  static constexpr uint16_t kFlagUnicodeName = 0x0200;   // the name field also holds an encoded Unicode name
  static constexpr uint16_t kFlagHasData = 0x8000;
  static constexpr uint16_t kArchiveSolid = 0x0008;
  static constexpr uint8_t kMethodStored = 0x30;
  static constexpr uint8_t kMethodNormal = 0x33;
  static constexpr uint8_t kVersion20 = 20;

 private:
  bool writeBytes(const std::vector<uint8_t>& bytes, std::string& error);

  Options _options;
  Rar20Encoder _encoder;
  std::FILE* _file = nullptr;
  std::string _path;
  std::string _temporaryPath;
};
