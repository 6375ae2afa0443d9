#pragma once
// The About box: product, version and comments (with a line on the sound devices in
// use). Modal; OK closes it. GUI thread only.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
  Q_OBJECT
public:
  TAboutBox(QWidget* owner, const QString& deviceLine);

  QFrame* Panel1;
  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* Comments;
  QPushButton* OKButton;

  static QImage MakeIcon();  // 32 x 32, 16 colours
};
