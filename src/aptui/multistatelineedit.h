#pragma once

#include <QHash>
#include <QLineEdit>

namespace aptui {

// A line edit with a named state that the style sheet selects on through the property `state`
// ("Error", "Tip" or "Normal"). Every validated input field of the tool is one.
class MultiStateLineEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QString state READ state WRITE setState NOTIFY stateChanged)

public:
    enum State { ERROR = 1, TIP = 2, NORMAL = 3 };
    Q_ENUM(State)

    explicit MultiStateLineEdit(QWidget *parent = nullptr);

    State lineEditState() const { return m_state; }

    // The name of the current state: "Error", "Tip" or "Normal".
    QString state() const;
    // Looks `name` up upper-cased ("ERROR", "1", "TIP", "2", "NORMAL", "3"); anything else is an
    // error. Always emits stateChanged, even when the state does not change.
    void setState(const QString &name);

    static QString stateName(State state);

Q_SIGNALS:
    void stateChanged(QString _state);

public Q_SLOTS:
    // Sets the state and re-polishes, so the style sheet shows the new look at once.
    void setLineEditState(aptui::MultiStateLineEdit::State _state);

private:
    static const QHash<QString, State> &nameMap();

    State m_state = NORMAL;
};

} // namespace aptui
