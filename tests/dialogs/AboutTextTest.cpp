// The About box's comments fit their label whatever the device line says; what is cut
// stays readable as the tooltip.

#include <QLabel>
#include <QtTest>

#include "FormHarness.h"
#include "dialogs/about.h"

class AboutTextTest : public QObject {
  Q_OBJECT
private slots:
  void Comments_fitTheLabel_wholeTextInTheTooltip() {
    FormHarness h;  // the owner gives the box the window's face
    const QString lines[] = {
        QString(),
        QString::fromStdString(h.devices.Description()),
        "No sound device found: playback and recording are simulated and silent",
        "PortAudio V19.6.0-devel, revision 396fe4b6699ae929d3a685b3ef8a7e97396139a4: output "
        "\u201cdefault\u201d (ALSA), input \u201cpulse\u201d (ALSA)",
        QString(300, QChar('x')),
    };
    for (const QString& line : lines) {
      TAboutBox box(h.form.get(), line);
      const QLabel* c = box.Comments;
      const QRect area = c->contentsRect();
      const QRect used = QFontMetrics(c->font()).boundingRect(
          area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, c->text());
      QVERIFY2(area.contains(used), qPrintable(c->text()));
      const QString whole = c->toolTip().isEmpty() ? c->text() : c->toolTip();
      QVERIFY(whole.endsWith(line));
      if (!c->toolTip().isEmpty()) {
        QVERIFY(c->text().endsWith(QChar(0x2026)));
        QVERIFY(whole.startsWith(c->text().chopped(1)));
      }
    }
  }

  void FitText_keepsWhatFitsAndCutsTheRest() {
    const QFont face(QStringLiteral("IPAPGothic"));
    const QFontMetrics fm(face);
    // Exactly the room "abc def" needs on one line.
    const QRect oneLine =
        fm.boundingRect(QRect(0, 0, 1000, 1000), Qt::AlignLeft | Qt::AlignTop, "abc def");
    QCOMPARE(TAboutBox::FitText(fm, oneLine, "abc def"), QString("abc def"));
    const QString cut = TAboutBox::FitText(fm, oneLine, "abc def ghi jkl");
    QVERIFY(cut.startsWith("abc"));
    QVERIFY(cut.endsWith(QChar(0x2026)));
    QVERIFY(cut.size() < 15);
    QCOMPARE(TAboutBox::FitText(fm, QRect(0, 0, 1, 1), "abc"), QString(QChar(0x2026)));
  }
};

QTEST_MAIN(AboutTextTest)
#include "AboutTextTest.moc"
