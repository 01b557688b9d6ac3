// Built against one lower layer's usage requirements only: this include must not be found.
#include <QWidget>

int probe()
{
    return sizeof(QWidget) > 0 ? 0 : 1;
}
