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
    <name>DeviceDisplayPage</name>
    <message>
        <location filename="../src/devicelist/devicedisplaypage.ui" line="+14"/>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
    <message>
        <location line="+77"/>
        <source>Total number of online devices:</source>
        <translation>在线设备总数：</translation>
    </message>
    <message>
        <location line="+62"/>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Refresh</source>
        <translation>刷新</translation>
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
    <name>QObject</name>
    <message>
        <location filename="../src/app/main.cpp" line="+13"/>
        <source>TARNTool</source>
        <translation>TARNTool</translation>
    </message>
</context>
<context>
    <name>TarnTool::DeviceDisplayPage</name>
    <message>
        <location filename="../src/devicelist/devicedisplaypage.cpp" line="+65"/>
        <source>Devices</source>
        <translation>设备</translation>
    </message>
    <message>
        <location line="+212"/>
        <source>Succeed</source>
        <translation>成功</translation>
    </message>
</context>
<context>
    <name>TarnTool::DeviceInfoModel</name>
    <message>
        <location filename="../src/devicelist/deviceinfomodel.cpp" line="+67"/>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Device Type</source>
        <translation>设备型号</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Activate</source>
        <translation>激活状态</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IPv4 Address</source>
        <translation>IPv4地址</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Soft Vision</source>
        <translation>软件版本</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IPv4 GateWay</source>
        <translation>IPv4网关</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>HttpPort</source>
        <translation>HTTP端口</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Serial Number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IPv4 Mask</source>
        <translation>IPv4子网掩码</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>MAC</source>
        <translation>MAC地址</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Channel NO</source>
        <translation>通道数</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>DSP Vision</source>
        <translation>DSP版本</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Start Time</source>
        <translation>启动时间</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IPv6 Address</source>
        <translation>IPv6地址</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IPv6 GateWay</source>
        <translation>IPv6网关</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IPv6 Prefix Length</source>
        <translation>IPv6前缀长度</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Is Support IPv6</source>
        <translation>是否支持IPv6</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Is Support Mod IPv6</source>
        <translation>是否支持修改IPv6</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Is Support DHCP</source>
        <translation>是否支持DHCP</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IPv4 DHCP</source>
        <translation>IPv4 DHCP</translation>
    </message>
    <message>
        <location line="+126"/>
        <source>Not activated</source>
        <translation>未激活</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Activated</source>
        <translation>已激活</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>N/A</source>
        <translation>无</translation>
    </message>
    <message>
        <location line="+17"/>
        <location line="+5"/>
        <location line="+1"/>
        <source>No</source>
        <translation>否</translation>
    </message>
    <message>
        <location line="-4"/>
        <location line="+3"/>
        <location line="+1"/>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ON</source>
        <translation>开启</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>OFF</source>
        <translation>关闭</translation>
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
    <name>TarnTool::TARNToolMainPage</name>
    <message>
        <location filename="../src/app/tarntoolmainpage.cpp" line="+60"/>
        <source>Fold or unfold the modify panel</source>
        <translation>收起或展开修改面板</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>TARN Tool</source>
        <translation>TARN工具</translation>
    </message>
    <message>
        <location line="+58"/>
        <source>Hint</source>
        <translation>提示</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Initialization failed.</source>
        <translation>初始化失败。</translation>
    </message>
    <message>
        <location line="+94"/>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Exit the TARN software?</source>
        <translation>确定退出TARN软件？</translation>
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
    <name>apt::ToolsApplication</name>
    <message>
        <location filename="../src/app/toolsapplication.cpp" line="+51"/>
        <source>TARN is already running.</source>
        <translation>TARN已在运行。</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Display resolution less than 1024*768,are you sure to start the program?</source>
        <translation>显示分辨率低于1024*768，确定要启动程序吗？</translation>
    </message>
    <message>
        <location line="+97"/>
        <source>Hint</source>
        <translation>提示</translation>
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
<context>
    <name>aptui::WindowTitle</name>
    <message>
        <location filename="../src/aptui/windowtitle.cpp" line="+49"/>
        <source>Minimize</source>
        <translation>最小化</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Maximize or restore</source>
        <translation>最大化或还原</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Menu</source>
        <translation>菜单</translation>
    </message>
</context>
</TS>
