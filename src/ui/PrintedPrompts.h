#pragma once
// Prompts for a run that nobody watches (kelvor --screenshot): every box is printed on
// stderr as "kelvor: [caption] text" and answered OK, file dialogs are cancelled, so
// start-up never waits for a click. GUI thread only.

#include "ui/Prompts.h"

class PrintedPrompts : public Prompts {
public:
  bool Message(QWidget* parent, const QString& text, const QString& caption,
               Buttons buttons) override;
  std::optional<QString> OpenFileName(QWidget* parent, const QString& filter) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& filter) override;
};
