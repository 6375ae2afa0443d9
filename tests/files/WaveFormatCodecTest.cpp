#include "files/WaveFormatCodec.h"

#include <gtest/gtest.h>

TEST(WaveFormatCodec, Encode_WritesFieldsLittleEndianInPublishedOrder) {
  const WAVEFORMATEX f{0x0102, 0x0304, 0x05060708, 0x090A0B0C, 0x0D0E, 0x0F10, 0x1112};
  const WaveFormatCodec::Bytes expected{0x02, 0x01, 0x04, 0x03, 0x08, 0x07, 0x06, 0x05, 0x0C,
                                        0x0B, 0x0A, 0x09, 0x0E, 0x0D, 0x10, 0x0F, 0x12, 0x11};
  EXPECT_EQ(WaveFormatCodec::Encode(f), expected);
  EXPECT_EQ(WaveFormatCodec::Decode(expected), f);
}
