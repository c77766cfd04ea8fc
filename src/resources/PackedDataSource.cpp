#include "PackedDataSource.h"

#include "PackInput.h"
#include "Rar20Cipher.h"

PackedDataSource::PackedDataSource(PackInput* input, uint32_t packedSize, Rar20Cipher* cipher)
    : _input(input), _remaining(packedSize), _cipher(cipher) {}

int PackedDataSource::read(uint8_t* destination, int maxBytes) {
  if (maxBytes <= 0 || _remaining == 0 || !_input) return 0;
  uint32_t wanted = uint32_t(maxBytes) < _remaining ? uint32_t(maxBytes) : _remaining;
  size_t got = _input->read(destination, wanted);
  _remaining -= uint32_t(got);
  if (got < wanted) _remaining = 0;  // a short read means the pack ended: nothing more will come
  if (_cipher) _cipher->decrypt(destination, got);
  return int(got);
}
