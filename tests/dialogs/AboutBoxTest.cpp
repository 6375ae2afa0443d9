// Version and Help: the About box with its texts, and the home page box.

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "FormHarness.h"
#include "ModalDriver.h"
#include "dialogs/about.h"

class AboutBoxTest : public QObject {
  Q_OBJECT
private slots:
  void Version_showsModalAboutBox_okClosesIt() {
    FormHarness h;
    QString title, product, version, comments;
    QSize size;
    QSize iconSize;
    bool modal = false, closable = true, okDefault = false;
    ModalDriver<TAboutBox> about(
        [&](TAboutBox& box) {
          modal = box.isModal();
          title = box.windowTitle();
          size = box.size();
          product = box.ProductName->text();
          version = box.Version->text();
          comments = box.Comments->text();
          closable = box.windowFlags().testFlag(Qt::WindowCloseButtonHint);
          iconSize = box.ProgramIcon->size();
          okDefault = box.OKButton->isDefault();
        },
        [](TAboutBox& box) { box.OKButton->click(); });
    h->VersionClick();
    QVERIFY(about.Shown());
    QVERIFY2(about.Problem().isEmpty(), qPrintable(about.Problem()));
    QVERIFY(modal);
    QCOMPARE(title, QString("バージョン情報"));
    QCOMPARE(size, QSize(148, 132));
    QCOMPARE(product, QString("Orvandis"));
    QCOMPARE(version, QString("Version 0.991"));
    QVERIFY(comments.contains(QString::fromStdString(h.devices.Description())));
    QVERIFY(!closable);
    QCOMPARE(iconSize, QSize(33, 33));
    QVERIFY(okDefault);
    QVERIFY(h.prompts.Boxes().empty());
  }

  void Icon_is32x32With16Colours() {
    const QImage icon = TAboutBox::MakeIcon();
    QCOMPARE(icon.size(), QSize(32, 32));
    QCOMPARE(icon.colorCount(), 16);
  }

  void Help_showsHomePage() {
    FormHarness h;
    h->Help1Click();
    QCOMPARE(h.prompts.Captions(), QStringList{"Help"});
    QVERIFY(h.prompts.Texts().front().startsWith("https://"));
  }
};

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
