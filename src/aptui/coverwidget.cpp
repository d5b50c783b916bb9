#include "aptui/coverwidget.h"

#include <QHBoxLayout>

namespace aptui {

CoverWidget::CoverWidget(QWidget *parent)
    : Widget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_cover = new QWidget(this);
    m_cover->setObjectName(QStringLiteral("m_cover"));
    layout->addWidget(m_cover);
}

} // namespace aptui
