// The main window's controls, menu and handler bindings: positions and sizes in client
// pixels of the fixed 638 x 392 area below the menu bar.

#include <QEvent>
#include <QFrame>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include "app/main.h"
#include "ui/PaintBox.h"
#include "ui/PlaceControl.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"
#include "ui/UpDown.h"

namespace {
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->move(left, top);
  l->adjustSize();
  return l;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, int left,
                        int top) {
  auto* b = new QPushButton(text, parent);
  PlaceControl(b, name, QRect(left, top, 110, 38));
  return b;
}
}  // namespace

void TFormMain::CreateControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  client->setFixedSize(638, 392);
  setCentralWidget(client);
  const QColor face = palette().color(QPalette::Button);

  PaintBoxGra = new PaintBox(client, "PaintBoxGra", QRect(8, 0, 393, 169), face);
  PaintBoxFft = new PaintBox(client, "PaintBoxFft", QRect(8, 192, 393, 177), face);
  PaintBoxfftfilter = new PaintBox(client, "PaintBoxfftfilter", QRect(8, 371, 393, 14), face);

  Bevel1 = new QFrame(client);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(511, 294, 114, 91);
  wavedatafmt = new PaintBox(client, "wavedatafmt", QRect(519, 300, 98, 77), face);

  PlayScrollBar =
      new ScrollBar(client, "PlayScrollBar", Qt::Horizontal, QRect(7, 172, 394, 15),
                    {.min = 0, .max = 100, .position = 0, .largeChange = 10, .smallChange = 2});
  ScrollBarWaveTimes =
      new ScrollBar(client, "ScrollBarWaveTimes", Qt::Vertical, QRect(409, 0, 16, 165),
                    {.min = 1, .max = 9, .position = 1, .largeChange = 1});
  ScrollBarFftTimes =
      new ScrollBar(client, "ScrollBarFftTimes", Qt::Vertical, QRect(409, 192, 16, 177),
                    {.min = 1, .max = 200, .position = 1, .largeChange = 1});

  Label2 = new QLabel(client);
  PlaceControl(Label2, "Label2", QRect(432, 0, 193, 97));
  Label2->setAlignment(Qt::AlignCenter);
  Label2->setAutoFillBackground(true);
  {
    QPalette p = Label2->palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label2->setPalette(p);
    // Half-width fixed-pitch digits: "1999" fits the 193-pixel box at 96 pixels.
    QFont big(QStringLiteral("IPAGothic"));
    big.setPixelSize(96);
    Label2->setFont(big);
  }

  Choicedatanum = new RadioGroup(client, "Choicedatanum", "DataNum", QRect(440, 104, 65, 105),
                                 {"256", "512", "1024", "2048", "4096"});
  Choicedatanum->SetItemIndex(1);
  ScaleGraph =
      new RadioGroup(client, "ScaleGraph", "ms", QRect(440, 210, 65, 65), {"1", "5", "10"});
  ScaleGraph->SetItemIndex(2);
  ScaleFft = new RadioGroup(client, "ScaleFft", "Hz", QRect(439, 277, 66, 74),
                            {"100", "200", "500", "1000"});
  ScaleFft->SetItemIndex(0);

  Label4 = MakeLabel(client, "Label4", "Scale", 433, 354);
  UpDownfftscale = new UpDown(client, "UpDownfftscale", QRect(468, 353, 35, 14));
  Label5 = MakeLabel(client, "Label5", "Filter", 434, 371);
  LbFilter = new QLabel(client);
  PlaceControl(LbFilter, "LbFilter", QRect(474, 371, 26, 12));

  LBAorFFT = MakeLabel(client, "LBAorFFT", "BASE", 404, 173);
  {
    LBAorFFT->setAutoFillBackground(true);
    QPalette p = LBAorFFT->palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    LBAorFFT->setPalette(p);
  }
  LBAorFFT->hide();

  PlayButton = MakeButton(client, "PlayButton", "PLAY", 515, 110);
  RepButton = MakeButton(client, "RepButton", "REC", 515, 156);
  Mixer = MakeButton(client, "Mixer", "Mixer", 515, 202);
  fftmix = MakeButton(client, "fftmix", "fftmix", 515, 248);
  Label1 = MakeLabel(client, "Label1", "0.000s", 522, 363);

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(200);

  for (QWidget* w : {static_cast<QWidget*>(PaintBoxGra), static_cast<QWidget*>(PaintBoxFft),
                     static_cast<QWidget*>(PaintBoxfftfilter), static_cast<QWidget*>(wavedatafmt)})
    w->setFocusPolicy(Qt::NoFocus);

  // Tab order of the focusable controls.
  QList<QWidget*> order{PlayScrollBar, PlayButton, ScrollBarWaveTimes, ScrollBarFftTimes, Mixer};
  for (RadioGroup* g : {Choicedatanum, ScaleGraph, ScaleFft})
    for (int i = 0; i < g->Count(); ++i) order.push_back(g->Button(i));
  order << fftmix << RepButton << UpDownfftscale;
  for (int i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void TFormMain::CreateMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");
  auto item = [this](QMenu* menu, const QString& name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    return a;
  };
  File1 = bar->addMenu("File");
  File1->setObjectName("File1");
  Open = item(File1, "Open", "Open");
  AddFile1 = item(File1, "AddFile1", "AddFile");
  Save = item(File1, "Save", "Save");
  New = item(File1, "New", "New");
  Exit1 = item(File1, "Exit1", "Exit");
  // Scoped to this window: the tone mixer is a window of its own, where typed keys play
  // notes, and these must not act there.
  for (auto [action, keys] :
       {std::pair{Open, "Ctrl+O"}, {Save, "Ctrl+S"}, {New, "Ctrl+N"}, {Exit1, "Ctrl+Q"}}) {
    action->setShortcut(QKeySequence(QString::fromLatin1(keys)));
    action->setShortcutContext(Qt::WindowShortcut);
  }
  Delay1 = bar->addMenu("Option");
  Delay1->setObjectName("Delay1");
  FormatData = item(Delay1, "FormatData", "FormatData");
  SlowRecTime = item(Delay1, "SlowRecTime", "SlowRecTime");
  Version = bar->addAction("Version");
  Version->setObjectName("Version");
  Help1 = bar->addAction("Help");
  Help1->setObjectName("Help1");
}

void TFormMain::BindHandlers() {
  connect(Open, &QAction::triggered, this, [this] { OpenClick(); });
  connect(AddFile1, &QAction::triggered, this, [this] { AddFile1Click(); });
  connect(Save, &QAction::triggered, this, [this] { SaveClick(); });
  connect(New, &QAction::triggered, this, [this] { NewClick(); });
  connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
  connect(FormatData, &QAction::triggered, this, [this] { FormatDataClick(); });
  connect(SlowRecTime, &QAction::triggered, this, [this] { SlowRecTimeClick(); });
  connect(Version, &QAction::triggered, this, [this] { VersionClick(); });
  connect(Help1, &QAction::triggered, this, [this] { Help1Click(); });

  PaintBoxGra->OnPaint = [this] { PaintBoxGraPaint(); };
  PaintBoxFft->OnPaint = [this] { PaintBoxFftPaint(); };
  PaintBoxfftfilter->OnPaint = [this] { PaintBoxfftfilterPaint(); };
  wavedatafmt->OnPaint = [this] { wavedatafmtPaint(); };
  PaintBoxFft->OnMouseDown = [this](Qt::MouseButton, int x, int y) { PaintBoxFftMouseDown(x, y); };
  PaintBoxfftfilter->OnMouseDown = [this](Qt::MouseButton, int x, int y) {
    PaintBoxfftfilterMouseDown(x, y);
  };

  PlayScrollBar->OnScroll = [this](int& pos) { PlayScrollBarScroll(pos); };
  ScrollBarWaveTimes->OnScroll = [this](int& pos) { ScrollBarWaveTimesScroll(pos); };
  ScrollBarFftTimes->OnScroll = [this](int& pos) { ScrollBarFftTimesScroll(pos); };
  Choicedatanum->OnClick = [this] { ChoicedatanumClick(); };
  ScaleGraph->OnClick = [this] { ScaleGraphClick(); };
  ScaleFft->OnClick = [this] { ScaleFftClick(); };
  UpDownfftscale->OnClick = [this](UpDown::Button b) {
    UpDownfftscaleClick(b == UpDown::Button::Next);
  };

  connect(PlayButton, &QPushButton::clicked, this, [this] { PlayButtonClick(); });
  connect(RepButton, &QPushButton::clicked, this, [this] { RepButtonClick(); });
  connect(Mixer, &QPushButton::clicked, this, [this] { MixerClick(); });
  connect(fftmix, &QPushButton::clicked, this, [this] { fftmixClick(); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  LBAorFFT->installEventFilter(this);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LBAorFFT && event->type() == QEvent::MouseButtonDblClick) {
    LBAorFFTDblClick();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}
