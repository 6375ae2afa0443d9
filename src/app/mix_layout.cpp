// The tone mixer window's controls and their bindings, in client pixels of the fixed
// 620 x 468 area. Top to bottom: the phase edits in two staggered rows over the grid, the
// phase sliders, the amplitude sliders and the frequency scale; below them the tone
// sliders and the resets on the left, the note keyboard with "OUT" and the groups and
// buttons of the memory on the right.

#include <QLabel>
#include <QPushButton>

#include "app/mix.h"
#include "mixer/NoteTable.h"
#include "ui/Edit.h"
#include "ui/PaintBox.h"
#include "ui/PlaceControl.h"
#include "ui/RadioGroup.h"
#include "ui/TrackBar.h"

namespace {
// Slider i of the thirty (1 .. 30) has its left edge here; its centre is kPitch / 2 on.
constexpr int kFirstSlider = 9;
constexpr int kPitch = 20;
int SliderLeft(int i) { return kFirstSlider + (i - 1) * kPitch; }
int SliderCentre(int i) { return SliderLeft(i) + kPitch / 2; }

constexpr int kEditWidth = 38, kEditHeight = 20;
constexpr int kUpperEdits = 2, kLowerEdits = 23;  // odd sliders above, even ones below
constexpr int kGridTop = 32;                      // PaintBox2, partly behind the lower row
constexpr int kPhaseTop = 58;                     // 53-pixel phase sliders
constexpr int kAmpTop = 112;                      // 200-pixel amplitude sliders
constexpr int kScaleTop = 313;                    // PaintBox1, 17 pixels
constexpr int kBelow = 334;                       // first row under the scale

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top,
                  int width) {
  auto* l = new QLabel(text, parent);
  PlaceControl(l, name, QRect(left, top, width, 20));
  return l;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, int left,
                        int top, int width, int height) {
  auto* b = new QPushButton(text, parent);
  PlaceControl(b, name, QRect(left, top, width, height));
  b->setAutoDefault(false);
  return b;
}

// A horizontal tone slider with its caption on the left and its value on the right.
TrackBar* ToneRow(QWidget* parent, const QString& name, int top, int min, int max, int position) {
  auto* t =
      new TrackBar(parent, name, Qt::Horizontal, QRect(34, top, 102, 22), {min, max, position});
  t->setPageStep(1);
  return t;
}
}  // namespace

void Tmixplay::CreateControls() {
  // The grid first, so that the lower row of edits lies over it.
  PaintBox2 = new PaintBox(this, "PaintBox2", QRect(SliderCentre(1), kGridTop, 559, 26),
                           palette().color(QPalette::Window));
  for (int i = 1; i <= 30; ++i) {
    const int top = i % 2 == 1 ? kUpperEdits : kLowerEdits;
    PhaseEdits[i] = new Edit(this, QStringLiteral("Edit%1").arg(i),
                             QRect(SliderCentre(i) - kEditWidth / 2, top, kEditWidth, kEditHeight),
                             QStringLiteral("0"), 4);
    PhaseEdits[i]->setAlignment(Qt::AlignRight);
  }
  for (int i = 1; i <= 30; ++i) {
    PhaseBars[i] = new TrackBar(this, QStringLiteral("TrackBar%1").arg(30 + i), Qt::Vertical,
                                QRect(SliderLeft(i), kPhaseTop, kPitch, 53), {-180, 180, 0});
    PhaseBars[i]->setSingleStep(10);
  }
  for (int i = 1; i <= 30; ++i) {
    AmpBars[i] = new TrackBar(this, QStringLiteral("TrackBar%1").arg(i), Qt::Vertical,
                              QRect(SliderLeft(i), kAmpTop, kPitch, 200), {0, 100, 100});
    AmpBars[i]->setSingleStep(10);
    AmpBars[i]->setPageStep(1);
    AmpBars[i]->SetSelection(100, 100);
  }
  PaintBox1 =
      new PaintBox(this, "PaintBox1", QRect(3, kScaleTop, 614, 17), QColor(0xC0, 0xC0, 0xC0));
  PaintBox1->Canvas().SetFont(font());

  // Tone sliders: caption, slider, value, unit.
  int top = kBelow;
  Label3 = MakeLabel(this, "Label3", "Freq", 4, top, 30);
  freq = ToneRow(this, "freq", top, 1, 2000, 100);
  freq->setTickPosition(QSlider::TicksBelow);
  freq->setTickInterval(100);
  Edfreq = new Edit(this, "Edfreq", QRect(138, top, 40, 21), "100", 4);
  Edfreq->setAlignment(Qt::AlignRight);
  Label1 = MakeLabel(this, "Label1", "Hz", 182, top, 20);
  top += 25;
  Label4 = MakeLabel(this, "Label4", "Amp", 4, top, 30);
  volume = ToneRow(this, "volume", top, 0, 300, 10);
  volume->setTickPosition(QSlider::TicksBelow);
  volume->setTickInterval(100);
  Label2 = MakeLabel(this, "Label2", "10", 138, top, 40);
  Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  top += 25;
  Label5 = MakeLabel(this, "Label5", "Time", 4, top, 30);
  TBmixtime = ToneRow(this, "TBmixtime", top, 1, 30, 5);
  LBmixtime = MakeLabel(this, "LBmixtime", "0.5", 138, top, 40);
  LBmixtime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label7 = MakeLabel(this, "Label7", "s", 182, top, 20);
  top += 25;
  Label6 = MakeLabel(this, "Label6", "Last", 4, top, 30);
  TBlastwave = ToneRow(this, "TBlastwave", top, 1, 30, 10);
  LBlastwave = MakeLabel(this, "LBlastwave", "10", 138, top, 40);
  LBlastwave->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  reset = MakeButton(this, "reset", "FFTReset", 4, 436, 96, 26);
  reserphase = MakeButton(this, "reserphase", "PhaseReset", 104, 436, 96, 26);

  // The keyboard: white notes in a row, each sharp raised over the gap between its two
  // neighbours, then "OUT" at its right end.
  constexpr int kKeysLeft = 208, kWhite = 28, kSharp = 24;
  int whites = 0;
  for (std::size_t n = 0; n < kNotes.size(); ++n) {
    const Note& note = kNotes[n];
    const int left =
        note.Sharp() ? kKeysLeft + whites * kWhite - kSharp / 2 : kKeysLeft + whites++ * kWhite;
    NoteButtons[n] = note.Sharp()
                         ? MakeButton(this, note.name, note.caption, left, kBelow, kSharp, 22)
                         : MakeButton(this, note.name, note.caption, left, kBelow + 24, kWhite, 24);
  }
  Transmit = MakeButton(this, "Transmit", "OUT", kKeysLeft + whites * kWhite + 6, kBelow, 66, 48);

  frectimesRG = new RadioGroup(this, "frectimesRG", "Times", QRect(208, 388, 136, 40),
                               {"1", "2", "3", "4"}, 4);
  frectimesRG->SetItemIndex(0);
  RGMemInOut =
      new RadioGroup(this, "RGMemInOut", "IN or OUT", QRect(346, 388, 104, 40), {"IN", "OUT"}, 2);
  RGMemInOut->SetItemIndex(0);
  RGBarMem = new RadioGroup(this, "RGBarMem", "FFTMemory", QRect(452, 388, 164, 40),
                            {"1", "2", "3", "4", "5"}, 5);
  RGBarMem->SetItemIndex(0);
  FFtMemIn = MakeButton(this, "FFtMemIn", "FFTMEM", 208, 436, 70, 26);
  BtnFftmemClear = MakeButton(this, "BtnFftmemClear", "SET", 282, 436, 44, 26);
  Btnsave = MakeButton(this, "Btnsave", "FFTMemorySave", 330, 436, 141, 26);
  BtnLoad = MakeButton(this, "BtnLoad", "FFTMemoryLoad", 475, 436, 141, 26);

  for (PaintBox* b : {PaintBox1, PaintBox2}) b->setFocusPolicy(Qt::NoFocus);
}

void Tmixplay::BindHandlers() {
  freq->OnChange = [this] { freqChange(); };
  Edfreq->OnChange = [this] { EdfreqChange(); };
  volume->OnChange = [this] { volumeChange(); };
  TBmixtime->OnChange = [this] { TBmixtimeChange(); };
  TBlastwave->OnChange = [this] { TBlastwaveChange(); };
  for (int i = 1; i <= 30; ++i) {
    AmpBars[i]->OnChange = [this, bar = AmpBars[i]] { TrackBarChange(bar); };
    PhaseBars[i]->OnChange = [this, bar = PhaseBars[i]] { PhazeBarChange(bar); };
    PhaseEdits[i]->OnChange = [this, edit = PhaseEdits[i]] { EditChange(edit); };
  }
  PaintBox1->OnPaint = [this] { PaintBox1Paint(); };
  PaintBox2->OnPaint = [this] { PaintBox2Paint(); };
  frectimesRG->OnClick = [this] { frectimesRGClick(); };
  connect(reset, &QPushButton::clicked, this, [this] { resetClick(); });
  connect(reserphase, &QPushButton::clicked, this, [this] { reserphaseClick(); });
  connect(Transmit, &QPushButton::clicked, this, [this] { TransmitClick(); });
  for (std::size_t n = 0; n < kNotes.size(); ++n)
    connect(NoteButtons[n], &QPushButton::clicked, this,
            [this, hz = kNotes[n].hz] { PlayNote(hz); });
  RGBarMem->OnClick = [this] { RGBarMemClick(); };
  connect(FFtMemIn, &QPushButton::clicked, this, [this] { FFtMemInClick(); });
  connect(BtnFftmemClear, &QPushButton::clicked, this, [this] { BtnFftmemClearClick(); });
  connect(Btnsave, &QPushButton::clicked, this, [this] { BtnsaveClick(); });
  connect(BtnLoad, &QPushButton::clicked, this, [this] { BtnLoadClick(); });
}
