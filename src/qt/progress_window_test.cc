#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "qt/progress_window.h"

using zarn::qt::ProgressWindow;

class ProgressWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void FrameAndControls() {
    ProgressWindow window;
    QCOMPARE(window.windowTitle(), QString("ZARN - Parsing"));
    QCOMPARE(window.size(), QSize(396, 88));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                       Qt::WindowSystemMenuHint)));

    auto* status = window.findChild<QLabel*>("status");
    auto* func = window.findChild<QLabel*>("func");
    auto* bar = window.findChild<QProgressBar*>("progress");
    QVERIFY(status && func && bar);
    QCOMPARE(status->pos(), QPoint(12, 11));
    QVERIFY(status->font().bold());
    QVERIFY(status->text().isEmpty());
    QCOMPARE(func->pos(), QPoint(12, 31));
    QVERIFY(!func->font().bold());
    QCOMPARE(bar->geometry(), QRect(12, 50, 370, 30));
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->value(), 0);
  }

  void BarFollowsReports_data() {
    QTest::addColumn<QList<int>>("reports");
    QTest::addColumn<int>("shown");
    QTest::newRow("plain value") << QList<int>{10} << 10;
    QTest::newRow("block parser moves it back") << QList<int>{80, 50} << 50;
    QTest::newRow("closing report fills it") << QList<int>{100, 110} << 100;
    QTest::newRow("done report fills it") << QList<int>{110, 120} << 100;
    QTest::newRow("from empty straight to 120") << QList<int>{120} << 100;
  }
  void BarFollowsReports() {
    QFETCH(QList<int>, reports);
    QFETCH(int, shown);
    ProgressWindow window;
    for (int value : reports) window.SetProgress("Stage: WORKING...", value);
    QCOMPARE(window.findChild<QProgressBar*>("progress")->value(), shown);
  }

  void BarIsSetBeforeText() {
    ProgressWindow window;
    auto* status = window.findChild<QLabel*>("status");
    window.SetProgress("Opening archive: WORKING...", 10);
    QString text_when_bar_moved;
    connect(window.findChild<QProgressBar*>("progress"), &QProgressBar::valueChanged, this,
            [&] { text_when_bar_moved = status->text(); });
    window.SetProgress("Parsing spaces: WORKING...", 30);
    QCOMPARE(text_when_bar_moved, QString("Opening archive: WORKING..."));
    QCOMPARE(status->text(), QString("Parsing spaces: WORKING..."));
    QVERIFY(status->width() >= status->sizeHint().width());

    window.SetFunctionName("InitTrig_Melee", false);
    QCOMPARE(window.findChild<QLabel*>("func")->text(), QString("InitTrig_Melee"));
  }

  void UserCannotCloseIt() {
    ProgressWindow window;
    window.show();
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
  }
};

int RunProgressWindowTests(int argc, char** argv) {
  ProgressWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "progress_window_test.moc"
