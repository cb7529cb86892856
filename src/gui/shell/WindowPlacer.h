#pragma once

class QWidget;

namespace ekaldo {

struct WindowPlacement;

// Every window keeps its place between openings the same way: X and Y are
// the top-left corner of its frame (title bar included), W and H the size of
// its inner area. Restoring asks for exactly that and saving reads exactly
// that back, so that opening and closing a window any number of times leaves
// it where it was, whatever the window manager draws around it.
class WindowPlacer {
public:
    enum class Size { Restore, Keep };

    // Before the window is shown. A place off every screen is brought back
    // into the screen nearest to it, so that the title bar stays in reach.
    static void Restore(QWidget& window, const WindowPlacement& placement, Size size = Size::Restore);
    static WindowPlacement Save(const QWidget& window);
};

} // namespace ekaldo
