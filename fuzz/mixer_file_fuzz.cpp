// libFuzzer entry point for the mixer's settings file: the .f2t loader, then a recall of
// every slot and a synthesis of its sound, as FFTMemoryLoad and a choice on "OUT" do.
// Input: one byte choosing the block's width and rate, then the file.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "MemoryFile.h"
#include "mixer/MixerSettingsFile.h"
#include "mixer/ToneMixer.h"
#include "model/SoundDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const std::uint32_t kRates[] = {8000,  11025, 12000, 16000, 22050,
                                         24000, 32000, 44100, 48000};
  const std::uint16_t bits = data[0] & 0x80 ? 16 : 8;
  const std::uint32_t rate = kRates[(data[0] & 0x7F) % 9];
  const auto block = static_cast<std::uint16_t>(bits / 8);

  SoundDocument sound;
  sound.SetFormat(WAVEFORMATEX{1, 1, rate, rate * block, block, bits, 0});
  sound.Adopt(AllocBytes(4096), 4096, SoundDocument::NewHeader());
  ToneMixer mixer(sound);
  mixer.Clear();
  mixer.TakeShownBlock();

  const MemoryFile file(data + 1, size - 1);
  const MixerFileStatus status = MixerSettingsFile::Load(file.Path(), mixer.Memory());
  if (!status.Ok() && status.text.empty()) std::abort();
  for (int m = 0; m < SpectrumMemory::kSlots; ++m) {
    const MemorySlot slot = *mixer.Stored(m);
    mixer.RecallCount(slot);
    mixer.SetFreq(slot.Freq);
    mixer.SetVolume(slot.Volume);
    mixer.RecallTables(slot);
    mixer.SetBank(0);
    if (mixer.Resize(1) != ToneMixer::Rebuild::Done) std::abort();  // a tenth of a second
    mixer.Synthesize();
  }
  return 0;
}
