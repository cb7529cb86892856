#include "gui/shell/WindowPlacer.h"

#include "core/shell/AppState.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace ekaldo {

void WindowPlacer::Restore(QWidget& window, const WindowPlacement& placement, Size size) {
    QSize inner = size == Size::Restore ? QSize(placement.w, placement.h) : window.size();
    QPoint corner(placement.x, placement.y);
    const QScreen* screen = QGuiApplication::screenAt(corner);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        if (!area.contains(corner) || inner.width() > area.width() || inner.height() > area.height()) {
            inner = inner.boundedTo(area.size());
            corner.setX(
                std::clamp(corner.x(), area.left(), std::max(area.left(), area.right() - inner.width())));
            corner.setY(
                std::clamp(corner.y(), area.top(), std::max(area.top(), area.bottom() - inner.height())));
        }
    }
    if (size == Size::Restore)
        window.resize(inner);
    // The frame's corner, not the inner area's: setGeometry() would put the
    // title bar above the requested corner. A window whose platform window
    // is made but not yet shown knows no frame, and its move() alone would
    // place the inner area: the platform window is told about the frame too.
    window.move(corner);
    if (QWindow* handle = window.windowHandle(); handle && !window.isVisible())
        handle->setFramePosition(corner);
}

WindowPlacement WindowPlacer::Save(const QWidget& window) {
    // pos() is the frame's corner, size() the inner area: the two halves of Restore.
    return {window.pos().x(), window.pos().y(), window.width(), window.height()};
}

} // namespace ekaldo
