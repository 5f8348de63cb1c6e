#pragma once

#include "SharedState.h"

#include <QDialog>

class QLabel;
class QLineEdit;

// "Listener details…": the listener's ID, date of birth and the examiner, which every run
// writes to the session record beside the subject name and the report shows. OK keeps them
// in the shared state once they pass CheckListenerDetails; otherwise the dialog stays open and
// says what is wrong.
class ListenerDetailsDialog : public QDialog {
    Q_OBJECT

public:
    ListenerDetailsDialog(SharedState& state, QWidget* parent = nullptr);

    // What OK does: the edits' details into the state and the dialog closed, or the reason
    // they are refused shown in the dialog.
    void OkClick();

private:
    SharedState& state_;
    QLineEdit* IdEdit = nullptr;
    QLineEdit* BirthDateEdit = nullptr;
    QLineEdit* ExaminerEdit = nullptr;
    QLabel* ProblemLabel = nullptr;
};
