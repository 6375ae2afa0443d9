#pragma once
// The progress of a long read or save: a window-modal box with a bar and a Cancel button
// that appears once the work has taken, or is seen to take, more than half a second
// (shorter work never shows it). Each
// Step lets the event loop run, so the Cancel click, device notices and timer ticks are
// handled in turn, as in any modal box. GUI thread only.

#include <QProgressDialog>

#include "ui/Prompts.h"

class ProgressBox final : public Prompts::Progress {
public:
  static constexpr int kShowAfterMs = 500;

  ProgressBox(QWidget* parent, const QString& label);
  bool Step(std::int64_t done, std::int64_t total) override;

  QProgressDialog& Dialog() { return dialog_; }

private:
  QProgressDialog dialog_;
};
