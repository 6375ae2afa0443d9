#pragma once
// The About box: product, version and comments (with a line on the sound devices in
// use, cut to the box with the whole text as a tooltip). Modal; OK closes it. GUI thread
// only.

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
  // `text` as it fits word-wrapped into `box` in `fm`'s font: whole, or its longest start
  // that fits followed by an ellipsis.
  static QString FitText(const QFontMetrics& fm, const QRect& box, const QString& text);
};
