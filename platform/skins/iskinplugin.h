#pragma once

#include <QStringList>
#include <QtPlugin>

// The interface of a skin plug-in in plugins/skins/. Loading the library registers the skin's
// images under ":/<skin name>/"; the plug-in object only says which skins it offers.
class ISkinPlugin
{
public:
    virtual ~ISkinPlugin() = default;
    // The names of the skins this plug-in offers, compared case-sensitively.
    virtual QStringList skinNames() const = 0;
};

#define ISkinPlugin_iid "com.ISkinPlugin/1.1"
Q_DECLARE_INTERFACE(ISkinPlugin, ISkinPlugin_iid)
