#include "SpaceProof.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>

SpaceProof::SpaceProof(QWidget& guarded)
    : guarded_(guarded)
{
    // On the application: key events go to the focused child, which may change at any time.
    QCoreApplication::instance()->installEventFilter(this);
}

SpaceProof::~SpaceProof()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool SpaceProof::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
        return false;
    }
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget != nullptr && (widget == &guarded_ || guarded_.isAncestorOf(widget));
}

void ShowOperatorWarning(QWidget* parent, const QString& message)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), message, QMessageBox::Ok, parent);
    const SpaceProof proof(box);
    box.exec();
}
