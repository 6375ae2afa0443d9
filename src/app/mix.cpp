// The tone mixer window's life cycle, the handlers of its sliders, edits, bank and notes,
// the two paint boxes, the rebuild of the sound and the take-over of an analysis.

#include "app/mix.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <algorithm>
#include <iterator>

#include "analysis/SpectrumAnalysis.h"
#include "app/MixerHost.h"
#include "mixer/FrequencyScale.h"
#include "mixer/MixSession.h"
#include "mixer/NoteTable.h"
#include "ui/Edit.h"
#include "ui/FixedWindow.h"
#include "ui/PaintBox.h"
#include "ui/Prompts.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"
#include "ui/TrackBar.h"

namespace {
// The element (1 .. 30) of a table of the thirty controls that holds `sender`; 0 if none.
template <class Control>
int IndexOf(const std::array<Control*, 31>& table, const Control* sender) {
  const auto it = std::find(table.begin() + 1, table.end(), sender);
  return it == table.end() ? 0 : int(std::distance(table.begin(), it));
}
}  // namespace

const QString Tmixplay::F2tFilter = QStringLiteral("f2t (*.f2t)");

Tmixplay::Tmixplay(MixerHost& host, QWidget* owner)
    : QWidget(owner, FixedWindowFlags()), host_(host), Mixer(host.Session().Sound()) {
  setObjectName(QStringLiteral("mixplay"));
  setWindowTitle(QStringLiteral("mixplay"));
  setAttribute(Qt::WA_DeleteOnClose);
  QFont face(QStringLiteral("IPAPGothic"));
  face.setPixelSize(12);
  setFont(face);
  setFixedSize(620, 468);
  CreateControls();
  BindHandlers();
  noteBuild_.setSingleShot(true);
  noteBuild_.setInterval(0);
  connect(&noteBuild_, &QTimer::timeout, this, [this] { GenerateAndPlay(); });
  // Key preview: the filter sees a key at the control it is delivered to.
  installEventFilter(this);
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  FormCreate();
}

// ---- Life cycle ----

void Tmixplay::FormCreate() {
  // The three tables were filled, and the phase edits set to "0", with the controls.
  Mixer.Clear();  // bank 0, fade 10, no harmonics
  Mixer.TakeShownBlock();
  Mixer.SetFreq(freq->Position());
  Mixer.SetVolume(volume->Position());
  Mixer.SetFadeSteps(TBlastwave->Position());
  Mixer.Silence();
  if (host_.Session().FftMixMode()) TakeOverPeaks();
  ShowAmplitudes();
}

void Tmixplay::FormActivate() {
  if (!host_.Session().FftMixMode()) return;
  Mixer.TakeShownBlock();
  TakeOverPeaks();
  ShowAmplitudes();
}

void Tmixplay::FormClose() { host_.MixerClosed(); }

void Tmixplay::closeEvent(QCloseEvent* event) {
  closed_ = true;  // no note sounds from a closed window
  noteBuild_.stop();
  FormClose();
  event->accept();  // deleted on close
}

void Tmixplay::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
  QWidget::changeEvent(event);
}

bool Tmixplay::eventFilter(QObject* watched, QEvent* event) {
  // A key goes first to the focused control and then up its parents: the window takes it
  // at the first of these only, and lets it go on.
  if (event->type() == QEvent::KeyPress) {
    const QObject* first = focusWidget() ? static_cast<QObject*>(focusWidget()) : this;
    if (watched == first) FormKeyPress(static_cast<QKeyEvent*>(event)->text());
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Tone controls ----

void Tmixplay::freqChange() {
  Edfreq->SetText(QString::number(freq->Position()));
  Mixer.SetFreq(freq->Position());
  PaintBox1Paint();
}

void Tmixplay::EdfreqChange() {
  const int previous = freq->Position();
  const int typed = Edfreq->IntValue();
  if (typed <= 0 || typed > 2000) Edfreq->SetText(QString::number(previous));
  freq->SetPosition(Edfreq->IntValue());
  Mixer.SetFreq(freq->Position());
  PaintBox1Paint();
}

void Tmixplay::volumeChange() {
  Label2->setText(QString::number(volume->Position()));
  Mixer.SetVolume(volume->Position());
}

void Tmixplay::TBmixtimeChange() {
  // Tenths of a second as the shortest decimal text: "0.5", "1", "2.3".
  LBmixtime->setText(QLocale().toString(TBmixtime->Position() * 0.1, 'g', 15));
}

void Tmixplay::TBlastwaveChange() {
  Mixer.SetFadeSteps(TBlastwave->Position());
  LBlastwave->setText(QString::number(TBlastwave->Position()));
}

// ---- The thirty harmonics of the bank ----

void Tmixplay::TrackBarChange(TrackBar* sender) {
  const int i = IndexOf(AmpBars, sender);
  if (i == 0) return;
  if (!Mixer.SetAmplitude(i, sender->Position())) {
    sender->SetPosition(100);  // above HarmLimit: back to amplitude 0
    return;
  }
  // The band from the thumb to the bottom draws the amplitude.
  sender->SetSelection(sender->Position(), 100);
}

void Tmixplay::PhazeBarChange(TrackBar* sender) {
  const int i = IndexOf(PhaseBars, sender);
  if (i == 0) return;
  if (!Mixer.PhaseAccepted(i)) {
    sender->SetPosition(0);
    return;
  }
  PhaseEdits[i]->SetText(QString::number(sender->Position()));
  Mixer.SetPhaseDegrees(i, sender->Position());
}

void Tmixplay::EditChange(Edit* sender) {
  const int i = IndexOf(PhaseEdits, sender);
  if (i == 0) return;
  if (!Mixer.PhaseAccepted(i)) {
    sender->SetText(QStringLiteral("0"));
    return;
  }
  const int degrees = sender->IntValue();
  PhaseBars[i]->SetPosition(degrees);
  // After the slider's handler: a typed value beyond +-180 stays the phase while the
  // slider stands at its end and the edit shows the slider's value.
  Mixer.SetPhaseDegrees(i, degrees);
}

void Tmixplay::ShowBankControls() {
  for (int i = 1; i <= ToneMixer::kBankSize; ++i) {
    AmpBars[i]->SetPosition(Mixer.AmpPosition(i));
    AmpBars[i]->SetSelection(AmpBars[i]->Position(), 100);
    PhaseEdits[i]->SetText(QString::number(Mixer.PhaseDegrees(i)));
  }
}

void Tmixplay::frectimesRGClick() {
  Mixer.SetBank(frectimesRG->ItemIndex());
  ShowBankControls();
  PaintBox1Paint();
}

void Tmixplay::ShowAmplitudes() {
  for (int i = 1; i <= ToneMixer::kBankSize; ++i) {
    AmpBars[i]->SetPosition(Mixer.AmpPosition(i));
    AmpBars[i]->SetSelection(AmpBars[i]->Position(), 100);
  }
}

void Tmixplay::ResetControls() {
  frectimesRG->SetItemIndex(0);
  for (int i = 1; i <= ToneMixer::kBankSize; ++i) {
    AmpBars[i]->SetPosition(Mixer.AmpPosition(i));
    AmpBars[i]->SetSelection(AmpBars[i]->Position(), 100);
    PhaseEdits[i]->SetText(QStringLiteral("0"));
    PhaseBars[i]->SetPosition(0);
  }
}

void Tmixplay::resetClick() {
  Mixer.ResetAll();
  ResetControls();
}

void Tmixplay::reserphaseClick() {
  Mixer.ResetPhases();
  ResetControls();
}

// ---- Sound ----

void Tmixplay::TransmitClick() { GenerateAndPlay(); }

void Tmixplay::GenerateAndPlay() {
  noteBuild_.stop();  // a waiting note is built here, at the frequency it set
  // The block is resized and rewritten below: the device must have given it back first.
  host_.StopPlayback();
  switch (Mixer.Resize(TBmixtime->Position())) {
    case ToneMixer::Rebuild::Done: break;
    case ToneMixer::Rebuild::NoMemory:
      Report(QStringLiteral("No Memory"), QStringLiteral("ERROR"));
      return;
    case ToneMixer::Rebuild::NoBlock:  // the sound was given up (the window goes with it)
      return;
  }
  Mixer.Synthesize();
  host_.Session().Rebuilt();
  host_.ShowRebuiltSound();
  host_.PlayFromStart();
}

void Tmixplay::PlayNote(int hz) {
  if (closed_) return;
  freq->SetPosition(hz);
  Edfreq->SetText(QString::number(freq->Position()));
  Label2->setText(QString::number(volume->Position()));
  noteBuild_.start();
}

void Tmixplay::FormKeyPress(const QString& typed) {
  const QList<uint> chars = typed.toUcs4();
  if (chars.size() != 1) return;
  if (const auto hz = NoteForKey(char32_t(chars.front()))) PlayNote(*hz);
}

void Tmixplay::TakeOverPeaks() {
  frectimesRG->SetItemIndex(0);
  const SpectrumAnalysis& a = host_.LastAnalysis();
  Mixer.TakeOver({a.PeakCount, a.PeakHarmonic, a.PeakLevel, a.PeakValue});
  // Harmonics 1 .. 30 go through the phase edit and slider, whose handlers leave them at
  // whole degrees; 31 .. 120 keep the exact angle.
  const int shown = std::min(Mixer.Set().VisitedCount(), ToneMixer::kBankSize);
  for (int k = 1; k <= shown; ++k) {
    if (Mixer.Set().Amplitude[k] == 0) continue;
    const int degrees = Mixer.PhaseDegrees(k);
    PhaseEdits[k]->SetText(QString::number(degrees));
    PhaseBars[k]->SetPosition(degrees);
  }
  freq->SetPosition(a.BaseFreq);
  Edfreq->SetText(QString::number(freq->Position()));
  Mixer.Synthesize();
  host_.Session().TakenOver();
  // The views move from the analysed sound to the rebuilt one.
  host_.ShowRebuiltSound();
}

// ---- Paint boxes ----

void Tmixplay::PaintBox1Paint() {
  ImageCanvas& c = PaintBox1->Canvas();
  c.SetBrushColor(Rgb{0xC0, 0xC0, 0xC0});
  c.FillRect(0, 0, PaintBox1->Width(), PaintBox1->Height());
  c.SetFontColor(Colors::Black);
  const int width = PaintBox1->Width();
  for (const ScaleLabel& l : FrequencyScaleLabels(width, freq->Position(), Mixer.Bank()))
    c.TextOut(l.x, 0, l.text);
}

void Tmixplay::PaintBox2Paint() {
  ImageCanvas& c = PaintBox2->Canvas();
  c.SetPenColor(Colors::Black);
  c.SetPenStyle(PenStyle::Solid);
  for (int i = 0; i <= 14; ++i) {
    const int x = PhaseGridX(PaintBox2->Width(), i);
    c.MoveTo(x, 0);
    c.LineTo(x, PaintBox2->Height());
  }
}

void Tmixplay::Report(const QString& text, const QString& caption) {
  host_.Ask().Message(this, text, caption, Prompts::Buttons::Ok);
}
