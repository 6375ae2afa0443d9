#include "ui/HeldStartMessages.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::string Str(const char* s) { return s ? s : ""; }
}  // namespace

HeldStartMessages::HeldStartMessages() { previous_ = qInstallMessageHandler(&Hold); }

HeldStartMessages::~HeldStartMessages() {
  qInstallMessageHandler(previous_);
  std::lock_guard lock(mutex_);
  for (const Held& m : held_) {
    const QMessageLogContext context(m.file.c_str(), m.line, m.function.c_str(),
                                     m.category.c_str());
    previous_(m.type, context, m.text);
  }
  held_.clear();
}

void HeldStartMessages::Hold(QtMsgType type, const QMessageLogContext& context,
                             const QString& text) {
  std::lock_guard lock(mutex_);
  if (type != QtFatalMsg) {
    held_.push_back({type, Str(context.file), Str(context.function), Str(context.category),
                     context.line, text});
    return;
  }
  // Qt aborts once this returns: the program ends here instead, with the cause Qt gave
  // first (which plugin, which display) rather than its advice to reinstall.
  QString cause;
  bool noServer = false;
  for (const Held& m : held_) {
    noServer |= m.text.contains(QLatin1String("connect to display"));
    if (cause.isEmpty() && m.category.starts_with("qt.qpa")) cause = m.text;
  }
  if (cause.isEmpty()) cause = text.section(QLatin1Char('\n'), 0, 0);
  if (noServer) {
    std::fprintf(stderr,
                 "kelvor: cannot connect to the display \"%s\"; run it in a desktop session "
                 "or under xvfb-run\n",
                 Str(std::getenv("DISPLAY")).c_str());
  } else {
    std::fprintf(stderr, "kelvor: the window system could not be started: %s\n", qPrintable(cause));
  }
  std::fflush(stderr);
  std::_Exit(1);
}
