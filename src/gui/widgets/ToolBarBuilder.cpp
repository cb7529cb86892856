#include "gui/widgets/ToolBarBuilder.h"

#include <QAction>
#include <QToolBar>
#include <QToolButton>

namespace ekaldo {

QToolButton* ToolBarBuilder::Make(const char* name, ToolImage image, const QString& hint) {
    auto* button = new QToolButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(TDatModImages::ToolIcon(image));
    button->setIconSize(QSize(TDatModImages::ToolSize, TDatModImages::ToolSize));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    m_buttons.append(button);
    return button;
}

QToolButton* ToolBarBuilder::Add(QToolBar* bar, const char* name, ToolImage image, const QString& hint) {
    QToolButton* button = Make(name, image, hint);
    bar->addWidget(button);
    return button;
}

QToolButton* ToolBarBuilder::Add(QToolBar* bar, QAction* action) {
    auto* button = new QToolButton(bar);
    button->setObjectName(action->objectName());
    button->setDefaultAction(action);
    button->setIconSize(QSize(TDatModImages::ToolSize, TDatModImages::ToolSize));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(
        QStringLiteral("QToolButton:focus { border: 2px solid #000080; border-radius: 3px; }"));
    bar->addWidget(button);
    m_buttons.append(button);
    return button;
}

QToolButton* ToolBarBuilder::Button(const QString& name) const {
    for (QToolButton* button : m_buttons) {
        if (button->objectName() == name)
            return button;
    }
    return nullptr;
}

} // namespace ekaldo
