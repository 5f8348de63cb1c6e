#pragma once

#include <QObject>

class QMessageBox;
class QWidget;

// Keeps the SPACE bar away from a widget and everything in it for as long as it lives. A
// listener's held SPACE auto-repeats into whatever has the focus, and windows that only the
// operator should answer must not take it as a click. (X11 marks a repeat by looking at the
// next event, so not every repeat arrives marked as one: every SPACE is ignored.)
class SpaceProof : public QObject {
public:
    explicit SpaceProof(QWidget& guarded);
    ~SpaceProof() override;
    SpaceProof(const SpaceProof&) = delete;
    SpaceProof& operator=(const SpaceProof&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& guarded_;
};

// Shows a warning the operator answers with the mouse, RETURN or ESCAPE, never with SPACE.
void ShowOperatorWarning(QWidget* parent, const QString& message);
