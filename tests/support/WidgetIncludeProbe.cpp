// Built only by the core_rejects_widget_includes test, which expects this to fail.
#include <QtWidgets/QWidget>

int ProbeWidgetSize() {
    return sizeof(QWidget);
}
