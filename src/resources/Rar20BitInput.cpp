#include "Rar20BitInput.h"

#include <cstring>

#include "PackedDataSource.h"

Rar20BitInput::Rar20BitInput() { std::memset(_buffer, 0, sizeof(_buffer)); }

void Rar20BitInput::start(PackedDataSource* source) {
  _source = source;
  _bytePos = 0;
  _bitPos = 0;
  _bufferOffset = 0;
  // Bytes past the data read stay zero, so a short entry decodes the same way on every call.
  std::memset(_buffer, 0, sizeof(_buffer));
  _totalRead = _source ? _source->read(_buffer, kBufferSize) : 0;
}

void Rar20BitInput::refill() {
  // Callers refill only past 8162 and never advance beyond 8191 in between, so the position
  // lands inside the carried bytes.
  std::memmove(_buffer, _buffer + kBufferSize - kKeepSize, kKeepSize);
  _bytePos -= kBufferSize - kKeepSize;
  _bufferOffset += kBufferSize - kKeepSize;
  int got = _source ? _source->read(_buffer + kKeepSize, kBufferSize - kKeepSize) : 0;
  _totalRead += got;
}

int64_t Rar20BitInput::bytesLeft() const {
  int64_t inBuffer = _totalRead - (_bufferOffset + _bytePos);
  if (inBuffer < 0) inBuffer = 0;
  return inBuffer + (_source ? _source->remaining() : 0);
}
