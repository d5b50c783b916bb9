#pragma once

#include <QToolButton>

namespace aptui {

// The folder button beside a path field. Owners give it the folder-icon style sheet; its own
// meta-object lets style sheets select it as aptui--FilePathButton.
class FilePathButton : public QToolButton
{
    Q_OBJECT

public:
    explicit FilePathButton(QWidget *parent = nullptr);
};

} // namespace aptui
