#pragma once

#include <QStandardItem>

namespace aptui {

// A table cell holding a dotted IPv4 text that sorts by its numbers: 9.0.0.1 before 10.0.0.2, and
// 192.168.1.9 before 192.168.1.10.
class CIpStandardItem : public QStandardItem
{
public:
    explicit CIpStandardItem(const QString &text);
    ~CIpStandardItem() override;

    bool operator<(const QStandardItem &other) const override;

    // Four groups of three digits from the first four dot-separated pieces, each read by its
    // leading decimal digits. Missing pieces count as 0; a piece above 999 counts as 999, so the
    // key keeps its width whatever the text holds.
    static QString sortKey(const QString &text);
};

} // namespace aptui
