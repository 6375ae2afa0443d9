#pragma once
// Everything modal the forms ask the user goes through one Prompts object: message boxes
// and the file-open and file-save dialogs. The program uses QtPrompts; tests install a
// scripted one that records every box and answers from a script. GUI thread only.

#include <QString>
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
};
