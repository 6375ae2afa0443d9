#pragma once
// The application object: names the program, sets the Japanese Gothic face of the forms,
// and catches an error that escapes an event handler, showing its text in one box while
// the program goes on. GUI thread only.

#include <QApplication>

class Prompts;

class KelvorApplication : public QApplication {
  Q_OBJECT
public:
  KelvorApplication(int& argc, char** argv);

  // Where escaped errors are shown; null shows them on stderr only.
  void SetPrompts(Prompts* prompts) { prompts_ = prompts; }

  bool notify(QObject* receiver, QEvent* event) override;

private:
  Prompts* prompts_ = nullptr;
};
