#include "files/WaveFormatCodec.h"

#include "files/LittleEndian.h"

namespace WaveFormatCodec {
Bytes Encode(const WAVEFORMATEX& format) {
  Bytes b{};
  LittleEndian::PutU16(&b[0], format.wFormatTag);
  LittleEndian::PutU16(&b[2], format.nChannels);
  LittleEndian::PutU32(&b[4], format.nSamplesPerSec);
  LittleEndian::PutU32(&b[8], format.nAvgBytesPerSec);
  LittleEndian::PutU16(&b[12], format.nBlockAlign);
  LittleEndian::PutU16(&b[14], format.wBitsPerSample);
  LittleEndian::PutU16(&b[16], format.cbSize);
  return b;
}

WAVEFORMATEX Decode(const Bytes& b) {
  WAVEFORMATEX format;
  format.wFormatTag = LittleEndian::GetU16(&b[0]);
  format.nChannels = LittleEndian::GetU16(&b[2]);
  format.nSamplesPerSec = LittleEndian::GetU32(&b[4]);
  format.nAvgBytesPerSec = LittleEndian::GetU32(&b[8]);
  format.nBlockAlign = LittleEndian::GetU16(&b[12]);
  format.wBitsPerSample = LittleEndian::GetU16(&b[14]);
  format.cbSize = LittleEndian::GetU16(&b[16]);
  return format;
}
}  // namespace WaveFormatCodec
