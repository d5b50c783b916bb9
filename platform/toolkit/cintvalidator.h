#pragma once

#include <QIntValidator>

namespace OrvoGUIToolkit {

// Integer validator for line edits. Unlike QIntValidator it refuses, rather than lets through as
// intermediate, a typed value that can only grow further out of range: above a non-negative
// maximum, or a sign when negative values are out of range. Plain decimal digits only.
class CIntValidator : public QIntValidator
{
    Q_OBJECT

public:
    CIntValidator(int minimum, int maximum, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;
};

} // namespace OrvoGUIToolkit
