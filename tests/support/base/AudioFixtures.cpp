#include "AudioFixtures.h"

#include <mpg123.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>

std::string AudioFixtures::makeMp3(const std::string& dir, const std::string& name, const std::string& synth) {
  const std::string wav = dir + "/" + name + ".wav";
  const std::string mp3 = dir + "/" + name + ".mp3";
  const std::string command = "sox -q -n -r 44100 -c 2 -b 16 '" + wav + "' synth " + synth + " && lame --quiet --cbr -b 192 '" +
                              wav + "' '" + mp3 + "'";
  if (std::system(command.c_str()) != 0) return "";
  return mp3;
}

std::vector<int16_t> AudioFixtures::decodeAll(const std::string& mp3Path) {
  std::vector<int16_t> samples;
  mpg123_init();
  int error = 0;
  mpg123_handle* h = mpg123_new(nullptr, &error);
  if (!h) return samples;
  mpg123_param(h, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
  mpg123_format_none(h);
  mpg123_format(h, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  if (mpg123_open(h, mp3Path.c_str()) == MPG123_OK) {
    std::vector<unsigned char> buffer(65536);
    for (;;) {
      size_t done = 0;
      const int rc = mpg123_read(h, buffer.data(), buffer.size(), &done);
      const int16_t* s = reinterpret_cast<const int16_t*>(buffer.data());
      samples.insert(samples.end(), s, s + done / 2);
      if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) break;
    }
    mpg123_close(h);
  }
  mpg123_delete(h);
  return samples;
}

void AudioFixtures::useDiskDriver(const std::string& path) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
}

void AudioFixtures::useDummyDriver() { setenv("SDL_AUDIODRIVER", "dummy", 1); }

std::vector<int16_t> AudioFixtures::readRaw(const std::string& path, size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(maxBytes, '\0');
  in.read(&bytes[0], static_cast<std::streamsize>(maxBytes));
  bytes.resize(static_cast<size_t>(in.gcount()));
  std::vector<int16_t> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  return samples;
}

int32_t AudioFixtures::findOffset(const std::vector<int16_t>& out, size_t outFrame, const std::vector<int16_t>& ref,
                                  int64_t refStart, int32_t count, int32_t range) {
  for (int32_t distance = 0; distance <= range; ++distance) {
    for (int32_t d : {distance, -distance}) {
      const int64_t start = refStart + d;
      if (start < 0 || (start + count) * 2 > static_cast<int64_t>(ref.size()) ||
          (outFrame + count) * 2 > out.size())
        continue;
      bool same = true;
      for (int64_t i = 0; i < 2LL * count && same; ++i) same = out[outFrame * 2 + i] == ref[start * 2 + i];
      if (same) return d;
      if (distance == 0) break;
    }
  }
  return INT32_MIN;
}
