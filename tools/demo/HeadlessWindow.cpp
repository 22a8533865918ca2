#include "HeadlessWindow.h"

HeadlessWindow::HeadlessWindow(qint32 folderKey) : m_folder(folderKey)
{
    // The grid's columns: the engine writes cells by position, so give it room.
    m_grid.setColumnCount(32);
}
