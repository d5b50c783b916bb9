#pragma once

#include <QString>

class QLabel;
class QLineEdit;

namespace aptui {

// Paints the strength of a new password: the three bars grey, then red (level 1), two yellow
// (level 2) or three green (level 3), and the level word, empty for level 0. The caller passes the
// word translated in its own context ("Weak", "Medium", "Strong"), since screens translate it apart.
void paintPasswordLevel(int level, QLabel *bar1, QLabel *bar2, QLabel *bar3, QLabel *word,
                        const QString &levelWord);

// Names the three bars for screen readers and makes the level word a label of the password field,
// so the strength is read with the field. The field keeps the name its own label gives it.
void tiePasswordLevel(QLineEdit *field, QLabel *bar1, QLabel *bar2, QLabel *bar3, QLabel *word);

} // namespace aptui
