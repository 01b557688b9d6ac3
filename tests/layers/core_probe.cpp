// The same with QtCore alone, which every layer builds: the Widgets probe fails for its include only.
#include <QString>

int probe()
{
    return QString().isEmpty() ? 0 : 1;
}
