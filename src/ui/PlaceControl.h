#pragma once
// Names a control (its objectName) and fixes it at its place in its parent's client
// pixels: left, top, width x height. GUI thread only.

#include <QWidget>

inline void PlaceControl(QWidget* w, const QString& name, int left, int top, int width,
                         int height) {
  w->setObjectName(name);
  w->setGeometry(left, top, width, height);
  w->setFixedSize(width, height);
}
