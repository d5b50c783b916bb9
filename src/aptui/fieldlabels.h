#pragma once

class QWidget;

namespace aptui {

// Gives every input field under `root` the label beside it as its buddy: screen readers then read
// the label as the field's name, and a label's mnemonic moves the focus to it. A label counts as
// a field's when it stands just left of it in a grid row or a horizontal box. Labels that already
// have a buddy, and fields that already have a name, are left as they are.
void linkFieldLabels(QWidget *root);

} // namespace aptui
