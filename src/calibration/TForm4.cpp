#include "TForm4.h"

#include <QLabel>

TForm4::TForm4(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("Form4");
    setWindowTitle("Calibration");
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 176, 94, 37);
}

void TForm4::SetLevelText(const QString& text)
{
    Label1->setText(text);
}
