#pragma once
// Names a control (its objectName) and fixes it at `place` in its parent's client pixels
// (left, top, width x height). GUI thread only.

#include <QRect>
#include <QWidget>

inline void PlaceControl(QWidget* w, const QString& name, const QRect& place) {
  w->setObjectName(name);
  w->setGeometry(place);
  w->setFixedSize(place.size());
}
