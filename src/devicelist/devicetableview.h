#pragma once

#include "toolkit/ctableview.h"

namespace TarnTool {

// The device table's view. A row is chosen by its check box, and that has to work without a mouse
// too: Space flips the check of the current row (the check cell's accessible action does the same,
// see toolkit/ctableaccessible.h).
class DeviceTableView : public OrvoGUIToolkit::CTableView
{
    Q_OBJECT

public:
    explicit DeviceTableView(QWidget *parent = nullptr);

    // Flips the check of the row's checkable cell; false when the row has none.
    bool toggleRowCheck(int row);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace TarnTool
