#include "QtEventDispatcher.h"

#include <QCoreApplication>

void QtEventDispatcher::ProcessEvents()
{
    QCoreApplication::processEvents();
}
