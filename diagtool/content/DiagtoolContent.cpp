#include "diagtool/content/DiagtoolContent.h"

#include <QtGlobal>

// Q_INIT_RESOURCE names a function of the global namespace.
void registerDiagtoolContent() {
    Q_INIT_RESOURCE(diagtool);
}
