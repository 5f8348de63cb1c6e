#include "Controls.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include <algorithm>

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    geometry.setWidth(std::max(geometry.width(), CaptionWidth(button)));
    button->setGeometry(geometry);
    return button;
}

int CaptionWidth(const QPushButton* button)
{
    const QStyle* style = button->style();
    return button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width()
           + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button)
           + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
}

RadioGroup MakeRadioGroup(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                          const QStringList& items, int selected)
{
    RadioGroup group;
    group.Box = new QGroupBox(caption, parent);
    group.Box->setObjectName(name);
    group.Box->setAccessibleName(caption);
    auto* columns = new QGridLayout(group.Box);
    columns->setContentsMargins(8, 2, 8, 2);
    group.Buttons = new QButtonGroup(group.Box);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], group.Box);
        radio->setObjectName(QString(name) + "Item" + QString::number(i));
        radio->setAccessibleName(items[i]);
        radio->setChecked(i == selected);
        group.Buttons->addButton(radio, i);
        columns->addWidget(radio, i / 2, i % 2);
    }
    geometry.setWidth(std::max(geometry.width(), group.Box->minimumSizeHint().width()));
    group.Box->setGeometry(geometry);
    // The group is one tab stop: Tab enters it on the selected button, the arrow keys move
    // within it.
    const auto tabStopOnSelected = [buttons = group.Buttons] {
        for (QAbstractButton* button : buttons->buttons()) {
            button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
        }
    };
    QObject::connect(group.Buttons, &QButtonGroup::buttonToggled, group.Box, tabStopOnSelected);
    tabStopOnSelected();
    return group;
}
