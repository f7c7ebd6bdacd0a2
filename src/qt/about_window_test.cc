#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "qt/about_window.h"

using zarn::qt::AboutWindow;

class AboutWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void FrameAndControls() {
    AboutWindow window;
    QCOMPARE(window.windowTitle(), QString("ZARN - About"));
    QCOMPARE(window.size(), QSize(266, 145));
    QVERIFY(window.minimumSize() != window.maximumSize());
    QVERIFY(!(window.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                                      Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint)));
    QVERIFY(!window.windowIcon().isNull());

    auto* image = window.findChild<QLabel*>("Image1");
    QCOMPARE(image->geometry(), QRect(8, 24, 48, 48));
    QCOMPARE(image->pixmap().size(), QSize(48, 48));

    const struct {
      const char* name;
      const char* text;
      QPoint pos;
    } labels[] = {{"about_lbl01", "Small preprocessor that extends", {62, 30}},
                  {"about_lbl02", " Jass 2 language of Blizzard", {71, 52}},
                  {"Label3", ZARN_PROJECT_URL, {16, 117}}};
    for (const auto& expected : labels) {
      auto* label = window.findChild<QLabel*>(expected.name);
      QVERIFY2(label, expected.name);
      QCOMPARE(label->text(), QString(expected.text));
      QCOMPARE(label->pos(), expected.pos);
      QVERIFY2(label->width() >= label->sizeHint().width(), expected.name);
    }
    auto* link = window.findChild<QLabel*>("Label3");
    QVERIFY(link->font().underline());
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link->foregroundRole(), QPalette::Link);

    auto* exit = window.findChild<QPushButton*>("Exit");
    QCOMPARE(exit->text(), QString("Exit"));
    QCOMPARE(exit->geometry(), QRect(178, 112, 80, 25));
    QCOMPARE(window.nextInFocusChain(), exit);
  }

  void LinkOpensCommunitySiteEachClick() {
    AboutWindow window;
    std::vector<std::string> opened;
    window.SetUrlOpener([&](const std::string& url) {
      opened.push_back(url);
      return false;
    });
    window.show();
    auto* link = window.findChild<QLabel*>("Label3");
    QTest::mouseClick(link, Qt::LeftButton);
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(opened, (std::vector<std::string>{ZARN_COMMUNITY_URL, ZARN_COMMUNITY_URL}));
    QVERIFY(window.isVisible());
  }

  void OnlyExitCloses() {
    AboutWindow window;
    window.open();
    QVERIFY(!window.close());
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.isVisible());
    QTest::mouseClick(window.findChild<QPushButton*>("Exit"), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));
  }
};

int RunAboutWindowTests(int argc, char** argv) {
  AboutWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "about_window_test.moc"
