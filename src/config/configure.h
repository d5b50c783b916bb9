#pragma once

#include <QString>

namespace apt {

// One entry of Setup.xml: the element name of a child of the root, and the text of its "Value".
class Configure
{
public:
    virtual ~Configure() = default;

    QString name;
    QString value;
};

} // namespace apt
