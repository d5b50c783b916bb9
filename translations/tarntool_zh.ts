<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>TarnTool::DevicesInfoSavePage</name>
    <message>
        <location filename="../src/export/csvwriter.cpp" line="+41"/>
        <source>Serial Number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Device Serial Number</source>
        <translation>设备序列号</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Index</source>
        <translation>序号</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Support Halyard</source>
        <translation>支持拉绳</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Halyard Status</source>
        <translation>拉绳状态</translation>
    </message>
</context>
<context>
    <name>TarnTool::ExcelManager</name>
    <message>
        <location filename="../src/export/excelmanager.cpp" line="+35"/>
        <source>Serial Number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Device Serial Number</source>
        <translation>设备序列号</translation>
    </message>
</context>
</TS>
