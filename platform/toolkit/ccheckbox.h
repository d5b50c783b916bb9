#pragma once

#include <QCheckBox>

namespace OrvoGUIToolkit {

class CCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit CCheckBox(QWidget *parent = nullptr);
    CCheckBox(const QString &text, QWidget *parent = nullptr);
};

} // namespace OrvoGUIToolkit
