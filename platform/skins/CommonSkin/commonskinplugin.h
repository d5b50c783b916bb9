#pragma once

#include <QObject>

#include "skins/iskinplugin.h"

// The default skin: the images under ":/CommonSkin/" that the tool's style sheets name.
class CommonSkinPlugin : public QObject, public ISkinPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ISkinPlugin_iid)
    Q_INTERFACES(ISkinPlugin)

public:
    explicit CommonSkinPlugin(QObject *parent = nullptr);

    QStringList skinNames() const override;
};
