#include "ScriptedPrompts.h"

bool ScriptedPrompts::Message(QWidget*, const QString& text, const QString& caption,
                              Buttons buttons) {
  boxes_.push_back({text, caption, buttons});
  if (WhileOpen) WhileOpen(boxes_.back());
  if (answers_.empty()) return true;
  const bool ok = answers_.front();
  answers_.pop_front();
  return ok;
}

std::optional<QString> ScriptedPrompts::OpenFileName(QWidget*, const QString& filter) {
  ++dialogs_;
  lastFilter_ = filter;
  if (files_.empty() || files_.front().isNull()) {
    if (!files_.empty()) files_.pop_front();
    return std::nullopt;
  }
  const QString path = files_.front();
  files_.pop_front();
  return path;
}

std::optional<QString> ScriptedPrompts::SaveFileName(QWidget* parent, const QString& filter) {
  return OpenFileName(parent, filter);
}

QStringList ScriptedPrompts::Texts() const {
  QStringList out;
  for (const auto& b : boxes_) out << b.text;
  return out;
}

QStringList ScriptedPrompts::Captions() const {
  QStringList out;
  for (const auto& b : boxes_) out << b.caption;
  return out;
}

namespace {
class CountingProgress final : public Prompts::Progress {
public:
  explicit CountingProgress(ScriptedPrompts& owner) : owner_(owner) {}
  bool Step(std::int64_t, std::int64_t) override {
    ++owner_.ProgressSteps;
    ++steps_;
    return owner_.CancelProgressAt == 0 || steps_ < owner_.CancelProgressAt;
  }

private:
  ScriptedPrompts& owner_;
  int steps_ = 0;
};
}  // namespace

std::unique_ptr<Prompts::Progress> ScriptedPrompts::StartProgress(QWidget*, const QString& label) {
  ProgressLabels << label;
  return std::make_unique<CountingProgress>(*this);
}
