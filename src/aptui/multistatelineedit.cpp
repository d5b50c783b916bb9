#include "aptui/multistatelineedit.h"

#include <QStyle>

namespace aptui {

MultiStateLineEdit::MultiStateLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
    qRegisterMetaType<MultiStateLineEdit::State>("aptui::MultiStateLineEdit::State");
}

const QHash<QString, MultiStateLineEdit::State> &MultiStateLineEdit::nameMap()
{
    static const QHash<QString, State> map{
        {QStringLiteral("NORMAL"), NORMAL}, {QStringLiteral("3"), NORMAL},
        {QStringLiteral("ERROR"), ERROR},   {QStringLiteral("1"), ERROR},
        {QStringLiteral("TIP"), TIP},       {QStringLiteral("2"), TIP},
    };
    return map;
}

QString MultiStateLineEdit::stateName(State state)
{
    switch (state) {
    case ERROR:
        return QStringLiteral("Error");
    case TIP:
        return QStringLiteral("Tip");
    case NORMAL:
        break;
    }
    return QStringLiteral("Normal");
}

QString MultiStateLineEdit::state() const
{
    return stateName(m_state);
}

void MultiStateLineEdit::setState(const QString &name)
{
    m_state = nameMap().value(name.toUpper(), ERROR);
    Q_EMIT stateChanged(stateName(m_state));
}

void MultiStateLineEdit::setLineEditState(aptui::MultiStateLineEdit::State _state)
{
    setState(stateName(_state));
    // The refusal's text stays readable while the field is marked, not only while its box shows.
    if (_state == NORMAL)
        setAccessibleDescription(QString());
    style()->unpolish(this);
    style()->polish(this);
    update();
}

} // namespace aptui
