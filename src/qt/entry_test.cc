#include <StormLib.h>

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/files.h"
#include "platform/isolated_process.h"
#include "platform/paths.h"
#include "qt/entry.h"
#include "text/script.h"

using zarn::qt::RunKind;

namespace {

bool WriteArchive(const std::string& path, const std::string& script) {
  HANDLE archive = nullptr;
  if (!SFileCreateArchive(path.c_str(), MPQ_CREATE_LISTFILE | MPQ_CREATE_ATTRIBUTES, 16, &archive)) return false;
  HANDLE file = nullptr;
  bool ok = SFileCreateFile(archive, "war3map.j", 0, static_cast<DWORD>(script.size()), 0,
                            MPQ_FILE_COMPRESS | MPQ_FILE_REPLACEEXISTING, &file) &&
            SFileWriteFile(file, script.data(), static_cast<DWORD>(script.size()), MPQ_COMPRESSION_ZLIB) &&
            SFileFinishFile(file);
  return SFileCloseArchive(archive) && ok;
}

// The archive's script, or nothing when it cannot be read.
std::optional<std::string> ReadScript(const std::string& path, bool* has_attributes) {
  HANDLE archive = nullptr;
  if (!SFileOpenArchive(path.c_str(), 0, STREAM_FLAG_READ_ONLY, &archive)) return std::nullopt;
  *has_attributes = SFileHasFile(archive, "(attributes)");
  std::optional<std::string> script;
  HANDLE file = nullptr;
  if (SFileOpenFileEx(archive, "war3map.j", 0, &file)) {
    std::string bytes(SFileGetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (bytes.empty() || SFileReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
      script = bytes.substr(0, read);
    SFileCloseFile(file);
  }
  SFileCloseArchive(archive);
  return script;
}

}  // namespace

class EntryTest : public QObject {
  Q_OBJECT

 private slots:
  void CleanMapIsUpdated_data() {
    QTest::addColumn<QStringList>("options");
    QTest::newRow("keep working files") << QStringList{};
    QTest::newRow("--delete") << QStringList{"--delete"};
    QTest::newRow("--words") << QStringList{"--words"};
    QTest::newRow("--delete --words") << QStringList{"--delete", "--words"};
    QTest::newRow("--words --delete") << QStringList{"--words", "--delete"};
  }
  void CleanMapIsUpdated() {
    QFETCH(QStringList, options);
    const bool delete_files = options.contains("--delete");
    // In word mode a name holding a keyword comes through as written.
    const std::string name = options.contains("--words") ? "s__T_flush" : "main";
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString program = dir.filePath("zarn");
    QVERIFY(QFile::copy(ZARN_QT_PROGRAM, program));
    const std::string map = dir.filePath("test.w3x").toStdString();
    QVERIFY(WriteArchive(map, "function " + name +
                                  " takes nothing returns nothing\r\n"
                                  "    call   DoNothing()   // a comment\r\n"
                                  "endfunction\r\n"));

    QProcess zarn;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    zarn.setProcessEnvironment(env);
    zarn.setWorkingDirectory(dir.path());
    QStringList args{"--map", QString::fromStdString(map)};
    args << options;
    zarn.start(program, args);
    if (!zarn.waitForFinished(30000)) {
      zarn.kill();
      zarn.waitForFinished();
      QFAIL(qPrintable("zarn did not finish (waiting for input?): " + zarn.readAllStandardError()));
    }
    QCOMPARE(zarn.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zarn.exitCode(), 0);

    bool has_attributes = true;
    std::optional<std::string> script = ReadScript(map, &has_attributes);
    QVERIFY(script);
    QVERIFY(script->find("call DoNothing()") != std::string::npos);
    QVERIFY(script->find("function " + name + " takes nothing returns nothing\r\n") != std::string::npos);
    QVERIFY(script->find("comment") == std::string::npos);
    QVERIFY(!has_attributes);
    QCOMPARE(QFile::exists(dir.filePath("war3map.j")), !delete_files);
    QCOMPARE(QFile::exists(dir.filePath("war3map_parsed.j")), !delete_files);
    if (!delete_files) {
      QFile parsed(dir.filePath("war3map_parsed.j"));
      QVERIFY(parsed.open(QIODevice::ReadOnly));
      QCOMPARE(parsed.readAll().toStdString(), *script);
    }
  }

  // Maps given alone, as a file manager passes them: each is translated in
  // turn, then one box has a line for each; a text file given alone is About.
  void DroppedMapsEndWithOneBox() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string first = dir.filePath("first.w3x").toStdString();
    const std::string second = dir.filePath("SECOND.W3X").toStdString();
    const std::string text_file = dir.filePath("notes.txt").toStdString();
    const char* script = "function main takes nothing returns nothing\r\n    call   DoNothing()\r\nendfunction\r\n";
    QVERIFY(WriteArchive(first, script));
    QVERIFY(WriteArchive(second, script));
    zarn::WriteFileBytes(text_file, "not a map\n");
    QCOMPARE(zarn::ChooseRun({text_file}).kind, RunKind::kAbout);
    const zarn::qt::RunChoice choice = zarn::ChooseRun({first, second});
    QCOMPARE(choice.kind, RunKind::kDroppedMaps);

    QStringList shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shown << box->windowTitle() + "|" + box->text();
        box->accept();
      }
    });
    closer.start(20);
    // The runs work in the program's folder, here the test's own.
    const std::string working_dir = zarn::WorkingDir();
    const bool had_files = QFile::exists(QString::fromStdString(zarn::PathJoin(working_dir, "war3map.j")));
    const int code = zarn::qt::PerformRun(choice);
    closer.stop();
    if (!had_files) {
      QFile::remove(QString::fromStdString(zarn::PathJoin(working_dir, "war3map.j")));
      QFile::remove(QString::fromStdString(zarn::PathJoin(working_dir, "war3map_parsed.j")));
    }
    QCOMPARE(code, 0);
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].startsWith("ZARN|first.w3x: translated, checked against the 1.24 API (the map's version is "
                                 "unknown)\nSECOND.W3X: translated, checked against the 1.24 API (the map's version "
                                 "is unknown)"),
             qPrintable(shown[0]));
    for (const std::string& map : {first, second}) {
      bool has_attributes = true;
      std::optional<std::string> now = ReadScript(map, &has_attributes);
      QVERIFY(now);
      QVERIFY(now->find("call DoNothing()") != std::string::npos);
    }
  }

  // A fault of the archive library ends the run with the message in the
  // usual error box, not with the program.
  void ArchiveLibraryFaultIsShownInTheErrorBox() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string map = dir.filePath("test.w3x").toStdString();
    QVERIFY(WriteArchive(map, "function main takes nothing returns nothing\r\nendfunction\r\n"));
    const std::string before = zarn::ReadFileBytes(map);
    QString shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shown = box->text();
        box->accept();
      }
    });
    closer.start(20);
    // The run works in the program's folder, here the test's own.
    const std::string extracted = zarn::PathJoin(zarn::WorkingDir(), "war3map.j");
    const bool had_extracted = QFile::exists(QString::fromStdString(extracted));
    zarn::SetIsolatedFaultForTesting(zarn::IsolatedFault::kSegfault);
    zarn::qt::RunChoice choice;
    choice.kind = RunKind::kProcessMap;
    choice.map_path = map;
    const int code = zarn::qt::PerformRun(choice);
    zarn::SetIsolatedFaultForTesting(zarn::IsolatedFault::kNone);
    closer.stop();
    if (!had_extracted) QFile::remove(QString::fromStdString(extracted));
    QCOMPARE(code, 1);
    QCOMPARE(shown, QString("Error reading archive: the archive library stopped on this file "
                            "(SIGSEGV, Segmentation fault)"));
    QVERIFY(zarn::ReadFileBytes(map) == before);
  }
};

int RunEntryTests(int argc, char** argv) {
  EntryTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "entry_test.moc"
