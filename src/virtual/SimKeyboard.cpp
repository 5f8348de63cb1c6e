#include "SimKeyboard.h"

#include "TrackingRun.h"

void SimKeyboard::ProcessEvents()
{
    ++dispatches_;
    while (run_ != nullptr && !queue_.empty()) {
        const KeyChange change = queue_.front();
        queue_.pop_front();
        if (change.Down) {
            run_->KeyDown(change.Key);
        } else {
            run_->KeyUp(change.Key);
        }
    }
}
