// The tone mixer's five memory slots: store ("FFTMEM" on "IN"), recall (a slot chosen on
// "OUT", which plays at once), "SET", and the slots' settings file (".f2t").

#include <QGuiApplication>
#include <QLabel>

#include "app/MixerHost.h"
#include "app/mix.h"
#include "mixer/MixerSettingsFile.h"
#include "ui/ConfirmReplace.h"
#include "ui/Edit.h"
#include "ui/NativePath.h"
#include "ui/Prompts.h"
#include "ui/RadioGroup.h"
#include "ui/TrackBar.h"

namespace {
constexpr int kIn = 0;  // RGMemInOut's items: "IN", "OUT"
}

void Tmixplay::FFtMemInClick() {
  const int slot = RGBarMem->ItemIndex();
  if (slot < 0 || RGMemInOut->ItemIndex() != kIn) return;
  Mixer.Store(slot);
}

void Tmixplay::RGBarMemClick() {
  // On "IN" a choice only selects the slot for the next "FFTMEM".
  if (RGMemInOut->ItemIndex() == kIn) return;
  const std::optional<MemorySlot> slot = Mixer.Stored(RGBarMem->ItemIndex());
  if (!slot) return;
  Mixer.RecallCount(*slot);
  // The edit's handler refuses a frequency outside 1 .. 2000 and puts the previous back.
  Edfreq->SetText(QString::number(slot->Freq));
  freq->SetPosition(Edfreq->IntValue());
  volume->SetPosition(slot->Volume);
  Label2->setText(QString::number(volume->Position()));
  Mixer.RecallTables(*slot);
  frectimesRG->SetItemIndex(0);
  Mixer.SetBank(0);
  // The edits' handlers put harmonics 1 .. 30 whose text changes to whole degrees.
  ShowBankControls();
  PaintBox1Paint();
  GenerateAndPlay();
}

void Tmixplay::BtnFftmemClearClick() { RGBarMem->SetItemIndex(-1); }

void Tmixplay::BtnsaveClick() {
  const std::optional<QString> chosen = host_.Ask().SaveFileName(this, F2tFilter);
  if (!chosen) return;
  // Always appended, even to a name that ends in ".f2t" already.
  const QByteArray path = NativePath(*chosen) + ".f2t";
  if (!ConfirmReplace(host_.Ask(), this, path)) return;
  const MixerFileStatus s = MixerSettingsFile::Save(path.toStdString(), Mixer.Memory());
  if (!s.Ok()) Report(QString::fromStdString(s.text), QGuiApplication::applicationDisplayName());
}

void Tmixplay::BtnLoadClick() {
  const std::optional<QString> chosen = host_.Ask().OpenFileName(this, F2tFilter);
  if (!chosen) return;
  // Only the slots change; the set, the controls and the sound wait for a recall.
  const MixerFileStatus s =
      MixerSettingsFile::Load(NativePath(*chosen).toStdString(), Mixer.Memory());
  if (!s.Ok()) Report(QString::fromStdString(s.text), QGuiApplication::applicationDisplayName());
}
