#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QLineEdit;

// The exit handlers of a window's edits. An edit's handler runs when the keyboard focus leaves
// the edit for another control of the same window, whether or not its text changed; a popup
// menu or another window taking the focus is no exit. The edit finishes its own focus-out
// first, so that it lets go of the focus even when the handler throws.
//
// Handlers run only while this object lives. A window declares it after every member its
// handlers use, so that it goes first: no handler then runs on a window being taken apart,
// whatever has the focus at that moment.
class EditExitHandlers {
public:
    EditExitHandlers();
    ~EditExitHandlers();
    EditExitHandlers(const EditExitHandlers&) = delete;
    EditExitHandlers& operator=(const EditExitHandlers&) = delete;

    void Attach(QLineEdit* edit, std::function<void()> onExit);

private:
    std::vector<std::unique_ptr<QObject>> filters_;
};
