#include "dialogs/DialogArt.h"

#include <QtGlobal>

void initDialogArt()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(dialogart);
        return true;
    }();
    Q_UNUSED(done);
}
