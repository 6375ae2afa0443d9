#pragma once
// Everything modal the forms ask the user goes through one Prompts object: message boxes
// and the file-open and file-save dialogs. The program uses QtPrompts; tests install a
// scripted one that records every box and answers from a script. GUI thread only.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class QWidget;

class Prompts {
public:
  enum class Buttons { Ok, OkCancel };

  virtual ~Prompts() = default;

  // Shows a modal box with `text` and `caption`; true when the user answered OK.
  virtual bool Message(QWidget* parent, const QString& text, const QString& caption,
                       Buttons buttons = Buttons::Ok) = 0;
  // Modal file dialogs; `filter` in Qt's form ("wav (*.wav);;all (*)"). Nothing on cancel.
  virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& filter) = 0;
  virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& filter) = 0;

  // A long read or save in progress: shown as a box with a Cancel button once the work has
  // taken half a second, until the object goes. Step returns false once the user has
  // cancelled; `done` and `total` are bytes.
  class Progress {
  public:
    virtual ~Progress() = default;
    virtual bool Step(std::int64_t done, std::int64_t total) = 0;
  };
  // Null when progress is not shown (the work then cannot be cancelled).
  virtual std::unique_ptr<Progress> StartProgress(QWidget* parent, const QString& label) {
    (void)parent, (void)label;
    return nullptr;
  }
};
