#pragma once
// Qt's messages while the application object connects to the window system, held back
// for the lifetime of this object. When the platform plugin cannot start (DISPLAY names a
// server nobody answers at, an unknown QT_QPA_PLATFORM), Qt prints several lines and
// aborts (exit 134); instead one line on stderr names the cause and the program ends
// with exit code 1. A start that works gets its messages passed on to the handler that
// was installed before. Create it on the main thread, before the application object.

#include <QString>
#include <QtGlobal>
#include <mutex>
#include <string>
#include <vector>

class HeldStartMessages {
public:
  HeldStartMessages();
  ~HeldStartMessages();
  HeldStartMessages(const HeldStartMessages&) = delete;
  HeldStartMessages& operator=(const HeldStartMessages&) = delete;

private:
  struct Held {
    QtMsgType type;
    std::string file, function, category;
    int line;
    QString text;
  };
  static void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text);

  static inline QtMessageHandler previous_ = nullptr;
  static inline std::mutex mutex_;  // Qt may log from its own threads meanwhile
  static inline std::vector<Held> held_;
};
