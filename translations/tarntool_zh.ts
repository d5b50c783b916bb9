<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>AboutClass</name>
    <message>
        <location filename="../src/aptui/cdlgabout.ui" line="+14"/>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <location line="+57"/>
        <location line="+75"/>
        <location line="+11"/>
        <source>PushButton</source>
        <translation>按钮</translation>
    </message>
    <message>
        <location line="-60"/>
        <location line="+15"/>
        <location line="+7"/>
        <source>TextLabel</source>
        <translation>文本标签</translation>
    </message>
</context>
<context>
    <name>AboutDialog</name>
    <message>
        <location filename="../src/aptui/aboutdialog.cpp" line="+16"/>
        <source>TARN</source>
        <translation>TARN</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>User Help</source>
        <translation>用户帮助</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>v3.0.0.1build</source>
        <translation>v3.0.0.1build</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>Hint</source>
        <translation>提示</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>No user manual found.</source>
        <translation>未找到用户手册。</translation>
    </message>
</context>
<context>
    <name>BaseDialog</name>
    <message>
        <location filename="../src/aptui/basedialog.ui" line="+14"/>
        <source>BaseDialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <location line="+57"/>
        <source>null content</source>
        <translation>无内容</translation>
    </message>
    <message>
        <location line="+73"/>
        <source>Confirm</source>
        <translation>确定</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>DevicesInfoSavePage</name>
    <message>
        <location filename="../src/export/devicesinfosavepage.ui" line="+14"/>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>File name:</source>
        <translation>文件名：</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>File path:</source>
        <translation>文件路径：</translation>
    </message>
</context>
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
    <message>
        <location filename="../src/export/devicesinfosavepage.cpp" line="+35"/>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Export to Excel</source>
        <translation>导出为Excel</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Save the list as an Excel workbook (.xls)</source>
        <translation>将设备列表保存为Excel工作簿（.xls）</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Save the list as a CSV file (.csv)</source>
        <translation>将设备列表保存为CSV文件（.csv）</translation>
    </message>
    <message>
        <location line="+77"/>
        <source>Please input file name.</source>
        <translation>请输入文件名。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Please input file path.</source>
        <translation>请输入文件路径。</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>The file name has been used, please change it</source>
        <translation>该文件名已被使用，请更换</translation>
    </message>
    <message>
        <location line="+23"/>
        <location line="+15"/>
        <source>Saving failed.</source>
        <translation>保存失败。</translation>
    </message>
    <message>
        <location line="-12"/>
        <location line="+15"/>
        <source>Saving succeed.</source>
        <translation>保存成功。</translation>
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
<context>
    <name>TipDialog</name>
    <message>
        <location filename="../src/aptui/tipdialog.ui" line="+14"/>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>sure</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>WarningDialog</name>
    <message>
        <location filename="../src/aptui/warningdialog.ui" line="+26"/>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
</context>
<context>
    <name>aptui::CDlgAbout</name>
    <message>
        <location filename="../src/aptui/cdlgabout.cpp" line="+19"/>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <location line="+6"/>
        <source> v2.0.0.3</source>
        <translation> v2.0.0.3</translation>
    </message>
    <message>
        <location line="+0"/>
        <source> Build</source>
        <translation> 构建</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>Name: </source>
        <translation>名称：</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Version: </source>
        <translation>版本：</translation>
    </message>
</context>
</TS>
