#include "NewProfileDialog.h"

#include "OneLineValidator.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

std::optional<NewProfile> AskForNewProfile(QWidget* parent, int intervalDays)
{
    QDialog dialog(parent);
    dialog.setObjectName("NewProfileDialog");
    dialog.setWindowTitle("Quorvex — New calibration profile");
    auto* name = new QLineEdit(&dialog);
    name->setObjectName("ProfileNameEdit");
    name->setAccessibleName("Profile name");
    name->setPlaceholderText("Booth A: RME card, amplifier, HDA 200");
    name->setValidator(new OneLineValidator(name));
    name->setMinimumWidth(260);
    auto* interval = new QSpinBox(&dialog);
    interval->setObjectName("IntervalBox");
    interval->setAccessibleName("Calibrate every (days)");
    interval->setRange(1, 3650);
    interval->setValue(intervalDays);
    interval->setSuffix(" days");
    auto* form = new QFormLayout;
    form->addRow("Name:", name);
    form->addRow("Calibrate every:", interval);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel("A profile is one hardware set-up: sound card, amplifier, headphones.", &dialog));
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return NewProfile{name->text().trimmed(), interval->value()};
}
