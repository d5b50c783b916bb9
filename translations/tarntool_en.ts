<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>TarnCli::TarnCommand</name>
    <message numerus="yes">
        <location filename="../src/cli/listcommand.cpp" line="+166"/>
        <source>%n device(s) found.</source>
        <translation>
            <numerusform>%n device found.</numerusform>
            <numerusform>%n devices found.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../src/cli/exportcommand.cpp" line="+71"/>
        <source>%n device(s) written to %1.</source>
        <translation>
            <numerusform>%n device written to %1.</numerusform>
            <numerusform>%n devices written to %1.</numerusform>
        </translation>
    </message>
</context>
</TS>
