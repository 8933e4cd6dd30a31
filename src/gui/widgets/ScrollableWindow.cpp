#include "widgets/ScrollableWindow.h"

#include <QLayout>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>

namespace tem::gui {

void MakeScrollable(QWidget* window)
{
    QLayout* content = window->layout();
    if (!content)
        return;
    // setLayout takes the layout away from the window, with every control it manages.
    auto* inner = new QWidget;
    inner->setObjectName(window->objectName() + "Content");
    inner->setLayout(content);
    auto* scroll = new QScrollArea;
    scroll->setObjectName(window->objectName() + "ScrollArea");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(inner);
    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
}

} // namespace tem::gui
