#include "EditExitFilter.h"

#include <QEvent>
#include <QLineEdit>

EditExitFilter::EditExitFilter(QLineEdit* edit, std::function<void()> onExit)
    : QObject(edit)
    , onExit_(std::move(onExit))
{
}

void EditExitFilter::Attach(QLineEdit* edit, std::function<void()> onExit)
{
    edit->installEventFilter(new EditExitFilter(edit, std::move(onExit)));  // owned by the edit
}

bool EditExitFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        onExit_();
    }
    return QObject::eventFilter(watched, event);
}
