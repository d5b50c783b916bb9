#pragma once

#include "toolkit/cabstractitemview.h"

namespace OrvoGUIToolkit {

// A flat table: no tree decoration, uniform rows, whole-row focus.
class CTableView : public CAbstractItemView
{
    Q_OBJECT

public:
    explicit CTableView(QWidget *parent = nullptr);
};

} // namespace OrvoGUIToolkit
