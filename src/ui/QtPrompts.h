#pragma once
// Prompts shown with real Qt dialogs. Each runs its own event loop (exec), so device
// notices and timer ticks keep being handled while it is open.

#include "ui/Prompts.h"

class QtPrompts : public Prompts {
public:
  bool Message(QWidget* parent, const QString& text, const QString& caption,
               Buttons buttons) override;
  std::optional<QString> OpenFileName(QWidget* parent, const QString& filter) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& filter) override;
  std::unique_ptr<Progress> StartProgress(QWidget* parent, const QString& label) override;
};
