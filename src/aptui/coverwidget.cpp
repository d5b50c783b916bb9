#include "aptui/coverwidget.h"

#include <QDebug>
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

void connectCoverSlots(QObject *page, QWidget *parent)
{
    if (!page || !parent)
        return;
    const QMetaObject *meta = parent->metaObject();
    if (meta->indexOfMethod("enableCover()") < 0 || meta->indexOfMethod("disableCover()") < 0) {
        qWarning() << "[Tool]" << page->metaObject()->className() << ": parent" << meta->className()
                   << "has no cover slots";
        return;
    }
    QObject::connect(page, SIGNAL(signalCoverMainPage()), parent, SLOT(enableCover()), Qt::DirectConnection);
    QObject::connect(page, SIGNAL(signalDisCoverMainPage()), parent, SLOT(disableCover()), Qt::DirectConnection);
}

} // namespace aptui
