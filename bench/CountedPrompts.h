#pragma once
// Prompts for the whole-program benchmarks: every box is counted and printed on stderr
// (a benchmark that meets a box measures something else), file dialogs are cancelled.

#include <cstdio>

#include "ui/Prompts.h"

class CountedPrompts : public Prompts {
public:
  int boxes = 0;
  bool Message(QWidget*, const QString& text, const QString& caption, Buttons) override {
    ++boxes;
    std::fprintf(stderr, "[%s] %s\n", qPrintable(caption), qPrintable(text));
    return true;
  }
  std::optional<QString> OpenFileName(QWidget*, const QString&) override { return {}; }
  std::optional<QString> SaveFileName(QWidget*, const QString&) override { return {}; }
};
