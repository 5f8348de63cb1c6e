#pragma once

#include <QObject>

#include <functional>

class QLineEdit;

// Calls `onExit` whenever the edit loses the keyboard focus, whatever the reason and
// whether or not its text changed (QLineEdit::editingFinished skips unchanged edits).
class EditExitFilter : public QObject {
public:
    static void Attach(QLineEdit* edit, std::function<void()> onExit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EditExitFilter(QLineEdit* edit, std::function<void()> onExit);
    std::function<void()> onExit_;
};
