#include "ListenerDetailsDialog.h"

#include "OneLineValidator.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& accessibleName, const std::string& text)
{
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setObjectName(name);
    edit->setAccessibleName(accessibleName);
    edit->setValidator(new OneLineValidator(edit));
    edit->setMinimumWidth(220);
    return edit;
}

}  // namespace

ListenerDetailsDialog::ListenerDetailsDialog(SharedState& state, QWidget* parent)
    : QDialog(parent), state_(state)
{
    setObjectName("ListenerDetailsDialog");
    setWindowTitle("Quorvex — Listener details");
    IdEdit = MakeEdit(this, "ListenerIdEdit", "Listener ID", state.Listener.Id);
    BirthDateEdit = MakeEdit(this, "BirthDateEdit", "Date of birth", state.Listener.BirthDate);
    BirthDateEdit->setPlaceholderText("YYYY-MM-DD");
    ExaminerEdit = MakeEdit(this, "ExaminerEdit", "Examiner", state.Listener.Examiner);

    auto* form = new QFormLayout;
    form->addRow("Listener ID:", IdEdit);
    form->addRow("Date of birth:", BirthDateEdit);
    form->addRow("Examiner:", ExaminerEdit);
    ProblemLabel = new QLabel(this);
    ProblemLabel->setObjectName("ProblemLabel");
    ProblemLabel->setAccessibleName("Problem");
    ProblemLabel->setWordWrap(true);
    ProblemLabel->setStyleSheet("color: #b00020");
    ProblemLabel->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("OkButton");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("CancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &ListenerDetailsDialog::OkClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Written with every run in the session record, and shown in the report.", this));
    layout->addLayout(form);
    layout->addWidget(ProblemLabel);
    layout->addWidget(buttons);
}

void ListenerDetailsDialog::OkClick()
{
    const ListenerDetails details{IdEdit->text().trimmed().toStdString(), BirthDateEdit->text().trimmed().toStdString(),
                                  ExaminerEdit->text().trimmed().toStdString()};
    if (const Result<> checked = CheckListenerDetails(details); !checked) {
        QString reason = QString::fromStdString(checked.Reason());
        ProblemLabel->setText(reason.left(1).toUpper() + reason.mid(1) + ".");
        ProblemLabel->show();
        return;
    }
    state_.Listener = details;
    accept();
}
