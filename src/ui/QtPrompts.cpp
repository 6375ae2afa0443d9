#include "ui/QtPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "ui/ProgressBox.h"

bool QtPrompts::Message(QWidget* parent, const QString& text, const QString& caption,
                        Buttons buttons) {
  QMessageBox box(parent);
  box.setWindowTitle(caption);
  // Texts name files: a name such as "<b>x</b>.f2t" is shown as it is, never as markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
  if (buttons == Buttons::OkCancel) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  return box.exec() == QMessageBox::Ok;
}

std::optional<QString> QtPrompts::OpenFileName(QWidget* parent, const QString& filter) {
  const QString path = QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> QtPrompts::SaveFileName(QWidget* parent, const QString& filter) {
  // No overwrite question here: the name the user typed gets ".wav" appended afterwards,
  // so the file written is never the one the dialog would ask about; the window asks
  // about the name it writes (ConfirmReplace).
  const QString path = QFileDialog::getSaveFileName(parent, QString(), QString(), filter, nullptr,
                                                    QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::unique_ptr<Prompts::Progress> QtPrompts::StartProgress(QWidget* parent, const QString& label) {
  return std::make_unique<ProgressBox>(parent, label);
}
