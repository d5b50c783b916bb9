#pragma once

#include <QRadioButton>

namespace OrvoGUIToolkit {

class CRadioButton : public QRadioButton
{
    Q_OBJECT

public:
    explicit CRadioButton(QWidget *parent = nullptr);
    CRadioButton(const QString &text, QWidget *parent = nullptr);
};

} // namespace OrvoGUIToolkit
