#pragma once

#include <QValidator>

// Keeps an edit's text to one line of plain text: a control character typed or pasted (a line
// break, a tab) is replaced by U+FFFD, the replacement character, so that the operator sees
// where it was and nothing that would break a line of a results file gets into the text.
class OneLineValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override;
};
