// The horizontal up-down: the right arrow is "next", the left one "previous".

#include <QToolButton>
#include <QtTest>

#include "ui/UpDown.h"

class UpDownTest : public QObject {
  Q_OBJECT
private slots:
  void Arrows_and_keys_tellDirection() {
    UpDown u(nullptr, "UpDownfftscale", QRect(468, 353, 35, 14));
    std::vector<UpDown::Button> seen;
    u.OnClick = [&](UpDown::Button b) { seen.push_back(b); };
    u.show();
    QVERIFY(QTest::qWaitForWindowExposed(&u));
    QVERIFY(u.NextButton()->x() > u.PreviousButton()->x());
    QTest::mouseClick(u.NextButton(), Qt::LeftButton);
    QTest::mouseClick(u.PreviousButton(), Qt::LeftButton);
    QTest::keyClick(&u, Qt::Key_Right);
    QCOMPARE(seen, (std::vector<UpDown::Button>{UpDown::Button::Next, UpDown::Button::Previous,
                                                UpDown::Button::Next}));
    QCOMPARE(u.size(), QSize(35, 14));
  }
};

QTEST_MAIN(UpDownTest)
#include "UpDownTest.moc"
