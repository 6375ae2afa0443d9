#pragma once
// Where a second top-level window goes: beside its owner, on the owner's screen. Frames
// included, in screen pixels. GUI thread only (plain arithmetic on Qt's value types).

#include <QPoint>
#include <QRect>
#include <QSize>
#include <algorithm>

// The top-left corner for a window of `size` next to `owner`: to its right, top edges
// level, else to its left; moved as little as needed to lie within `screen`. When neither
// side has room, the side where it covers less of the owner.
inline QPoint PlaceBeside(const QRect& owner, QSize size, const QRect& screen) {
  auto within = [&](int x) {
    const int right = std::max(screen.left(), screen.right() - size.width() + 1);
    const int bottom = std::max(screen.top(), screen.bottom() - size.height() + 1);
    return QPoint(std::clamp(x, screen.left(), right),
                  std::clamp(owner.top(), screen.top(), bottom));
  };
  const QPoint right = within(owner.right() + 1), left = within(owner.left() - size.width());
  auto covered = [&](QPoint at) { return QRect(at, size).intersected(owner).width(); };
  return covered(left) < covered(right) ? left : right;
}
