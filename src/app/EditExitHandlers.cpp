#include "EditExitHandlers.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>

namespace {

class EditExitFilter final : public QObject {
public:
    EditExitFilter(QLineEdit* edit, std::function<void()> onExit)
        : edit_(edit)
        , onExit_(std::move(onExit))
    {
        edit_->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != edit_ || event->type() != QEvent::FocusOut || !FocusMovedWithinTheWindow()) {
            return false;
        }
        // The edit's own focus-out (caret, selection) first, so that it happens even when the
        // handler throws.
        static_cast<QObject*>(edit_)->event(event);
        onExit_();
        return true;
    }

private:
    bool FocusMovedWithinTheWindow() const
    {
        const QWidget* now = QApplication::focusWidget();
        return now != nullptr && now != edit_ && now->window() == edit_->window();
    }

    QLineEdit* edit_;
    std::function<void()> onExit_;
};

}  // namespace

EditExitHandlers::EditExitHandlers() = default;

EditExitHandlers::~EditExitHandlers() = default;

void EditExitHandlers::Attach(QLineEdit* edit, std::function<void()> onExit)
{
    filters_.push_back(std::make_unique<EditExitFilter>(edit, std::move(onExit)));
}
