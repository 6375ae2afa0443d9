#pragma once
// Prompts for tests: records every box (text, caption, buttons) in order and answers
// from a script. Unscripted boxes answer OK; unscripted file dialogs are cancelled.
// An optional hook runs while a box is "open", as a modal loop would let events run.

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "ui/Prompts.h"

class ScriptedPrompts : public Prompts {
public:
  struct Box {
    QString text;
    QString caption;
    Buttons buttons;
  };

  bool Message(QWidget* parent, const QString& text, const QString& caption,
               Buttons buttons) override;
  std::optional<QString> OpenFileName(QWidget* parent, const QString& filter) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& filter) override;
  // Progress that counts its steps and cancels at step `CancelProgressAt` (1 = the first;
  // 0 never), as a user's click on Cancel would.
  std::unique_ptr<Progress> StartProgress(QWidget* parent, const QString& label) override;
  int CancelProgressAt = 0;
  QStringList ProgressLabels;  // in the order the work started
  int ProgressSteps = 0;       // over all of it

  // Answers for the next boxes, oldest first: true = OK, false = Cancel.
  void AnswerNext(bool ok) { answers_.push_back(ok); }
  // Answers for the next file dialogs: a path, or std::nullopt for Cancel.
  void ChooseNext(std::optional<QString> path) { files_.push_back(path ? *path : QString()); }

  const std::vector<Box>& Boxes() const { return boxes_; }
  QStringList Texts() const;     // the boxes' texts, in order
  QStringList Captions() const;  // their captions
  void Clear() {
    boxes_.clear();
    dialogs_ = 0;
  }
  int DialogsShown() const { return dialogs_; }
  QString LastFilter() const { return lastFilter_; }

  std::function<void(const Box&)> WhileOpen;

private:
  std::vector<Box> boxes_;
  std::deque<bool> answers_;
  std::deque<QString> files_;  // a null QString stands for Cancel
  int dialogs_ = 0;
  QString lastFilter_;
};
