// Runs the window test suites in one QApplication. A first argument that
// names a suite runs only that suite, with the remaining QtTest arguments.
#include <QApplication>
#include <cstring>

int RunAboutWindowTests(int argc, char** argv);
int RunEntryTests(int argc, char** argv);
int RunErrorsWindowTests(int argc, char** argv);
int RunProgressWindowTests(int argc, char** argv);

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  const struct {
    const char* name;
    int (*run)(int, char**);
  } suites[] = {{"ProgressWindowTest", RunProgressWindowTests},
                {"ErrorsWindowTest", RunErrorsWindowTests},
                {"AboutWindowTest", RunAboutWindowTests},
                {"EntryTest", RunEntryTests}};
  for (const auto& suite : suites) {
    if (argc > 1 && std::strcmp(argv[1], suite.name) == 0) {
      argv[1] = argv[0];
      return suite.run(argc - 1, argv + 1) == 0 ? 0 : 1;
    }
  }
  int failed = 0;
  for (const auto& suite : suites) failed += suite.run(argc, argv);
  return failed == 0 ? 0 : 1;
}
