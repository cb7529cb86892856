#include "gui/widgets/ToolBarBuilder.h"

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

QToolButton* ToolBarBuilder::Button(const QString& name) const {
    for (QToolButton* button : m_buttons) {
        if (button->objectName() == name)
            return button;
    }
    return nullptr;
}

} // namespace ekaldo
