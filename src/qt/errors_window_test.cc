#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "core/pipeline.h"
#include "platform/paths.h"
#include "qt/errors_window.h"

using zarn::qt::ErrorsWindow;

Q_DECLARE_METATYPE(zarn::Lines)

namespace {

QString SelectedText(ErrorsWindow& window) {
  return window.findChild<QPlainTextEdit*>("scriptFile")->textCursor().selectedText();
}
QString LineField(ErrorsWindow& window) { return window.findChild<QLineEdit*>("LINE")->text(); }
QListWidget* List(ErrorsWindow& window) { return window.findChild<QListWidget*>("LIST"); }

void ClickEntry(ErrorsWindow& window, int row) {
  QListWidget* list = List(window);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

const zarn::Lines kThreeMarkers = {"globals", "//!ZARN Error:var x = 1", "endglobals", "//!ZARN Error:free y",
                                   "//!ZARN Error:var z"};

}  // namespace

class ErrorsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void FrameAndControls() {
    ErrorsWindow window;
    QCOMPARE(window.windowTitle(), QString("ZARN"));
    QCOMPARE(window.size(), QSize(847, 652));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY((window.windowFlags() & Qt::WindowType_Mask) == Qt::Tool);
    QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);

    const struct {
      const char* name;
      QRect geometry;
    } controls[] = {{"LIST", {8, 16, 828, 97}},
                    {"OK", {779, 619, 57, 25}},
                    {"LINE", {40, 622, 57, 21}},
                    {"ABOUT", {700, 619, 73, 25}},
                    {"scriptFile", {8, 131, 829, 480}}};
    for (const auto& control : controls) {
      auto* widget = window.findChild<QWidget*>(control.name);
      QVERIFY2(widget, control.name);
      QCOMPARE(widget->geometry(), control.geometry);
    }
    QCOMPARE(window.findChild<QLabel*>("Label3")->text(), QString("Line: "));
    QCOMPARE(window.findChild<QLabel*>("Label3")->pos(), QPoint(8, 625));
    QCOMPARE(window.findChild<QPushButton*>("OK")->text(), QString("Ok"));
    QCOMPARE(window.findChild<QPushButton*>("ABOUT")->text(), QString("About ..."));
    QCOMPARE(List(window)->selectionMode(), QAbstractItemView::SingleSelection);

    auto* line = window.findChild<QLineEdit*>("LINE");
    QVERIFY(line->isReadOnly());
    QVERIFY(line->alignment() & Qt::AlignRight);
    auto* script = window.findChild<QPlainTextEdit*>("scriptFile");
    QVERIFY(script->isReadOnly());
    QCOMPARE(script->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(script->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(script->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(QFontInfo(script->font()).fixedPitch());
  }

  void Presentation_data() {
    QTest::addColumn<zarn::Lines>("lines");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("line_field");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("current_row");
    QTest::newRow("one marker on line 0") << zarn::Lines{"//!ZARN Error:var x", "call A()"} << "ZARN: 1 error found!"
                                          << "0"
                                          << "var x" << 1 << 0;
    QTest::newRow("three markers") << kThreeMarkers << "ZARN: 3 errors found!"
                                   << "1"
                                   << "var x = 1" << 3 << 0;
    // The first entry belongs to line 2; selecting it by program must not
    // move the view or the line field away from the first marker line.
    QTest::newRow("unknown kind first") << zarn::Lines{"//!ZARN Error:odd thing", "set a = 1", "//!ZARN Error:free y"}
                                        << "ZARN: 2 errors found!"
                                        << "0"
                                        << "odd thing" << 1 << 0;
    QTest::newRow("no entries") << zarn::Lines{"call A()", "//!ZARN Error:weird //!ZARN Error:again"}
                                << "ZARN: 1 error found!"
                                << "1"
                                << "weird again" << 0 << -1;
  }
  void Presentation() {
    QFETCH(zarn::Lines, lines);
    ErrorsWindow window;
    window.Prepare(zarn::ScanForMarkers(lines));
    QTEST(window.windowTitle(), "caption");
    QTEST(LineField(window), "line_field");
    QTEST(SelectedText(window), "selected");
    QTEST(List(window)->count(), "entries");
    QTEST(List(window)->currentRow(), "current_row");
    auto* script = window.findChild<QPlainTextEdit*>("scriptFile");
    QVERIFY(!script->toPlainText().contains("//!ZARN Error:"));
    QCOMPARE(script->document()->blockCount(), static_cast<int>(lines.size()) + 1);
    QCOMPARE(window.focusWidget(), script);
  }

  void UserChoosesEntries() {
    ErrorsWindow window;
    window.Prepare(zarn::ScanForMarkers(kThreeMarkers));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ClickEntry(window, 1);
    QCOMPARE(LineField(window), QString("3"));
    QCOMPARE(SelectedText(window), QString("free y"));
    QTest::keyClick(List(window), Qt::Key_Down);
    QCOMPARE(LineField(window), QString("4"));
    QCOMPARE(SelectedText(window), QString("var z"));
  }

  // The hint is the last entry, without a line number, and picking it leaves
  // the view where it was.
  void HintIsTheLastEntryAndJumpsNowhere() {
    ErrorsWindow window;
    zarn::ErrorReport report = zarn::ScanForMarkers(kThreeMarkers);
    report.hint = "Hint: names in this script hold keywords";
    window.Prepare(report);
    QCOMPARE(window.windowTitle(), QString("ZARN: 3 errors found!"));
    QCOMPARE(List(window)->count(), 4);
    QCOMPARE(List(window)->item(3)->text(), QString("Hint: names in this script hold keywords"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ClickEntry(window, 1);
    ClickEntry(window, 3);
    QCOMPARE(LineField(window), QString("3"));
    QCOMPARE(SelectedText(window), QString("free y"));

    // A report whose markers make no entry: the hint alone, not selected.
    report = zarn::ScanForMarkers({"call A()", "//!ZARN Error:weird"});
    report.hint = "Hint: x";
    window.Prepare(report);
    QCOMPARE(List(window)->count(), 1);
    QCOMPARE(List(window)->currentRow(), -1);
  }

  void FiveDigitLineNumber() {
    zarn::Lines lines(12346, "call DoNothing()");
    lines[3] = "//!ZARN Error:free a";
    lines[12345] = "//!ZARN Error:var far_away";
    ErrorsWindow window;
    window.Prepare(zarn::ScanForMarkers(lines));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ClickEntry(window, 1);
    QCOMPARE(LineField(window), QString("12345"));
    QCOMPARE(SelectedText(window), QString("var far_away"));
    auto* script = window.findChild<QPlainTextEdit*>("scriptFile");
    QVERIFY(script->viewport()->rect().contains(script->cursorRect()));
  }

  void AboutStartsThisProgram() {
    ErrorsWindow window;
    std::vector<std::pair<std::string, std::vector<std::string>>> started;
    window.SetProcessStarter([&](const std::string& program, const std::vector<std::string>& args) {
      started.emplace_back(program, args);
      return true;
    });
    window.Prepare(zarn::ScanForMarkers(kThreeMarkers));
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>("ABOUT"), Qt::LeftButton);
    QCOMPARE(started.size(), std::size_t{1});
    QCOMPARE(started[0].first, zarn::ExecutablePath());
    QVERIFY(started[0].first.front() == '/');
    QVERIFY(started[0].second.empty());
    QVERIFY(window.isVisible());
    QCOMPARE(LineField(window), QString("1"));
  }

  void AboutThatCannotStartIsToldAndTheWindowStays() {
    ErrorsWindow window;
    window.SetProcessStarter([](const std::string&, const std::vector<std::string>&) { return false; });
    std::vector<std::pair<std::string, bool>> told;
    window.SetMessageShower([&](const std::string& text, bool error) { told.emplace_back(text, error); });
    window.Prepare(zarn::ScanForMarkers(kThreeMarkers));
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>("ABOUT"), Qt::LeftButton);
    QCOMPARE(told.size(), std::size_t{1});
    QCOMPARE(told[0].first, zarn::AboutNotStartedMessage(zarn::ExecutablePath()));
    QVERIFY(told[0].second);
    QVERIFY(window.isVisible());
  }

  void PresentHidesProgressAndWaitsForOk() {
    QWidget progress;
    progress.show();
    ErrorsWindow window(&progress);
    bool progress_hidden = false, shown_modally = false;
    QTimer::singleShot(0, &window, [&] {
      progress_hidden = !progress.isVisible();
      shown_modally = window.isVisible() && window.isModal();
      QTest::mouseClick(window.findChild<QPushButton*>("OK"), Qt::LeftButton);
    });
    window.PresentErrors(zarn::ScanForMarkers(kThreeMarkers));
    QVERIFY(progress_hidden);
    QVERIFY(shown_modally);
    QVERIFY(!window.isVisible());
  }
};

int RunErrorsWindowTests(int argc, char** argv) {
  ErrorsWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "errors_window_test.moc"
