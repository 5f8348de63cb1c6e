#include "OneLineValidator.h"

#include "PlainText.h"

#include <algorithm>

QValidator::State OneLineValidator::validate(QString& input, int& position) const
{
    const std::string text = input.toStdString();
    if (!CheckOneLine(text)) {
        // One UTF-16 unit for one: the cursor stays where it was.
        input = QString::fromStdString(WithControlCharactersShown(text));
        position = std::min(position, static_cast<int>(input.size()));
    }
    return Acceptable;
}
