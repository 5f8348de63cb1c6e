#include "TForm2.h"

TForm2::TForm2(SharedState& state, QWidget* parent)
    : QDialog(parent)
    , state_(state)
{
    setObjectName("Form2");
    setWindowTitle("RunPTC");
}
