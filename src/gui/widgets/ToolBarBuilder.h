#pragma once

#include "gui/TDatModImages.h"

#include <QList>
#include <QString>

class QAction;
class QToolBar;
class QToolButton;

namespace ekaldo {

// Makes the picture buttons of a window's tool bars, all alike: the tool
// picture at its own size, raised only under the mouse, the hint as tool tip.
// The window finds its buttons again by name.
class ToolBarBuilder {
public:
    // A button at the end of bar.
    QToolButton* Add(QToolBar* bar, const char* name, ToolImage image, const QString& hint = QString());
    // A button for an action the window also shows in its menu bar, so that
    // both are enabled together and run the same command; it takes the
    // action's name, picture and text. Reached by the Tab key, and then marked
    // so that the user sees where.
    QToolButton* Add(QToolBar* bar, QAction* action);
    // A button the caller places itself (in a layout of its own).
    QToolButton* Make(const char* name, ToolImage image, const QString& hint = QString());
    // The button of that object name, or null.
    QToolButton* Button(const QString& name) const;

private:
    QList<QToolButton*> m_buttons;
};

} // namespace ekaldo
