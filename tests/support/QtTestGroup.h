#pragma once
// Force-included (tests/CMakeLists.txt) into every source of a grouped Qt test executable:
// QTEST_MAIN(Class) registers the class with the executable's one main (QtTestMain.cpp)
// instead of defining a main of its own, so a test file reads as if it stood alone.
// A class with a static initMain() has it called before the application is made, as
// QTEST_MAIN does.

#include <QtTest/qtest.h>
#include <QApplication>

namespace qttestgroup {

using Run = int (*)(int argc, char** argv);

// Called during static initialisation; `name` must outlive the program.
bool Register(const char* name, Run run);

template <class Test>
int RunTest(int argc, char** argv, const char* file) {
  if constexpr (requires { Test::initMain(); }) Test::initMain();
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  Test test;
#ifdef QT_TESTCASE_BUILDDIR
  QTest::setMainSourcePath(file, QT_TESTCASE_BUILDDIR);
#else
  QTest::setMainSourcePath(file);
#endif
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qttestgroup

#undef QTEST_MAIN
#define QTEST_MAIN(Test)                                                                    \
  [[maybe_unused]] static const bool kelvorQtTestRegistered_##Test = qttestgroup::Register( \
      #Test,                                                                                \
      [](int argc, char** argv) { return qttestgroup::RunTest<Test>(argc, argv, __FILE__); });
