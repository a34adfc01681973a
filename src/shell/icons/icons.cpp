#include "shell/icons/icons.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE names a function in the global namespace, so it must be used from there.
void InitBlenvarIcons() {
    Q_INIT_RESOURCE(icons);
}
