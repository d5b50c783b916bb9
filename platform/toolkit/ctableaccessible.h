#pragma once

class QAbstractItemModel;
class QModelIndex;

namespace OrvoGUIToolkit {

// Screen readers see every CTableView as a flat table: the column headers, then one cell per
// model cell, each named by its Qt::AccessibleTextRole or else its text. A checkable cell's action
// flips its check; Qt's own item-view interface only selects the row, and for a tree view used as
// a table it lists no rows at all. Installed once by the first CTableView.
void installTableAccessibility();

// Flips the check of a checkable, enabled item; false when there is none to flip.
bool toggleItemCheck(QAbstractItemModel *model, const QModelIndex &index);

} // namespace OrvoGUIToolkit
