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
    <name>ResetPasswordDialog</name>
    <message>
        <location filename="../src/recovery/resetpassworddialog.ui" line="+29"/>
        <source>The first step, please use the two-dimensional code or directly export the key application documents, contact and send to the software manufacturer to obtain the key;</source>
        <translation>第一步：请使用二维码或直接导出密钥申请文件，联系并发送给软件厂商以获取密钥；</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>QR code</source>
        <translation>二维码</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Second step, import the key information from the manufacturer;</source>
        <translation>第二步：导入厂商提供的密钥信息；</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>ManualInput</source>
        <translation>手动输入</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>AutoInput</source>
        <translation>导入文件</translation>
    </message>
    <message>
        <location line="+46"/>
        <source>New Password:</source>
        <translation>新密码：</translation>
    </message>
    <message>
        <location line="+62"/>
        <source>Confirm Password:</source>
        <translation>确认密码：</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>Reset IPC</source>
        <translation>同时重置 IPC</translation>
    </message>
</context>
<context>
    <name>ResrotePasswordDialog</name>
    <message>
        <location filename="../src/recovery/restorepassworddialog.ui" line="+20"/>
        <source>Reset Default Password</source>
        <translation>恢复默认密码</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Security Code:</source>
        <translation>安全码：</translation>
    </message>
</context>
<context>
    <name>TarnTool::DeviceActivePage</name>
    <message>
        <location filename="../src/configpanel/deviceactivepage.cpp" line="+106"/>
        <source>Device not activated</source>
        <translation>设备未激活</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The network parameters can be modified after the device is activated</source>
        <translation>设备激活后才能修改网络参数</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Active now</source>
        <translation>立即激活</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Device active</source>
        <translation>设备激活</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Batch devices active</source>
        <translation>批量激活设备</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Batch devices network parameters</source>
        <translation>批量设备网络参数</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sorry,the devices you have chosen has not activated devices</source>
        <translation>抱歉，您选择的设备中有未激活的设备</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Note: please activate</source>
        <translation>注意：请先激活</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the device</source>
        <translation>设备</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>to perform other operations</source>
        <translation>后再进行其他操作</translation>
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
        <location line="+221"/>
        <source>Succeed</source>
        <translation>成功</translation>
    </message>
</context>
<context>
    <name>TarnTool::DeviceInfoModel</name>
    <message>
        <location filename="../src/devicelist/deviceinfomodel.cpp" line="+71"/>
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
    <name>TarnTool::DeviceModifyPage</name>
    <message>
        <location filename="../src/common/addressplan.cpp" line="+76"/>
        <source>IP Address not correct.</source>
        <translation>IP地址不正确。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Subnet Mask not correct.</source>
        <translation>子网掩码不正确。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The start address is not a host address of its subnet.</source>
        <translation>起始地址不是其子网中的主机地址。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Only %1 of the %2 devices fit between the start address and the end of its subnet. Nothing was changed.</source>
        <translation>从起始地址到其子网末尾只能容纳%2台设备中的%1台。未做任何修改。</translation>
    </message>
    <message>
        <location filename="../src/configpanel/devicemodifypage.cpp" line="+264"/>
        <source>New Password:</source>
        <translation>新密码：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Confirm Password:</source>
        <translation>确认密码：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Active</source>
        <translation>激活</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Admin Password:</source>
        <translation>管理员密码：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Modify</source>
        <translation>修改</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Forget Password</source>
        <translation>忘记密码</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <location line="+150"/>
        <source>Weak</source>
        <translation>弱</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Medium</source>
        <translation>中</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Strong</source>
        <translation>强</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>The password holds a character that cannot be sent to the device.</source>
        <translation>密码中含有无法发送给设备的字符。</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Device %1 of %2: %3</source>
        <translation>第%1台，共%2台：%3</translation>
    </message>
    <message>
        <location line="+31"/>
        <source>(stopping after this device)</source>
        <translation>（本台设备完成后停止）</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Device deny.</source>
        <translation>设备拒绝。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Time out.</source>
        <translation>超时。</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+19"/>
        <location line="+19"/>
        <source>Error%1:others</source>
        <translation>错误%1：其他</translation>
    </message>
    <message>
        <location line="-31"/>
        <location line="+19"/>
        <location line="+51"/>
        <location line="+146"/>
        <source>Succeed</source>
        <translation>成功</translation>
    </message>
    <message>
        <location line="-214"/>
        <source>Not changed: the batch was stopped</source>
        <translation>未修改：批量操作已停止</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+19"/>
        <source>Error%1:no answer, result unknown</source>
        <translation>错误%1：无应答，结果未知</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>Error%1:device deny</source>
        <translation>错误%1：设备拒绝</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Error%1:time out</source>
        <translation>错误%1：超时</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Not activated: the batch was stopped</source>
        <translation>未激活：批量操作已停止</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Error%1:Device deny.</source>
        <translation>错误%1：设备拒绝。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Error%1:reactive</source>
        <translation>错误%1：重复激活</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Sorry, please select the equipment.</source>
        <translation>抱歉，请选择设备。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Sorry, please enter the administrator password.</source>
        <translation>抱歉，请输入管理员密码。</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>Modify network parameters succeed.</source>
        <translation>修改网络参数成功。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Time out. The device has not announced whether it took the change; refresh the list to see its current values.</source>
        <translation>超时。设备尚未告知是否已接受修改，请刷新列表查看其当前参数。</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>These devices cannot be given addresses from a start address. Check Enable DHCP, or modify them one at a time.</source>
        <translation>这些设备不能按起始地址分配地址。请勾选“启用DHCP”，或逐台修改。</translation>
    </message>
    <message>
        <location line="+58"/>
        <location line="+120"/>
        <source>Please select a device.</source>
        <translation>请选择设备。</translation>
    </message>
    <message>
        <location line="-116"/>
        <source>The password can not be empty.</source>
        <translation>密码不能为空。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The password you typed do not match.</source>
        <translation>两次输入的密码不一致。</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Valid password range [8-16]. You can use a combination of numbers,lowercase, uppercase and special character for your password with at least two kinds of them contained.</source>
        <translation>密码长度范围[8-16]。密码可由数字、小写字母、大写字母和特殊字符组合而成，且至少包含其中两种。</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>Activate Succeed.</source>
        <translation>激活成功。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Time out. The device has not announced whether it was activated; refresh the list to see its current state.</source>
        <translation>超时。设备尚未告知是否已激活，请刷新列表查看其当前状态。</translation>
    </message>
    <message>
        <location line="+49"/>
        <source>Activation</source>
        <translation>激活</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Batch activate devices</source>
        <translation>批量激活设备数</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Activate fail numbers</source>
        <translation>激活失败数</translation>
    </message>
</context>
<context>
    <name>TarnTool::DeviceModifyResultPage</name>
    <message>
        <location filename="../src/configpanel/devicemodifyresultpage.cpp" line="+40"/>
        <source>Devices Number:</source>
        <translation>设备数：</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Failed Number:</source>
        <translation>失败数：</translation>
    </message>
    <message>
        <location line="+18"/>
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
        <source>IPv4 Address</source>
        <translation>IPv4地址</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Serial Number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Modification</source>
        <translation>修改结果</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Confirmation List</source>
        <translation>确认列表</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>Succeed</source>
        <translation>成功</translation>
    </message>
</context>
<context>
    <name>TarnTool::DeviceNetParaPage</name>
    <message>
        <location filename="../src/common/netparamcheck.cpp" line="+33"/>
        <source>Please input IP Address.</source>
        <translation>请输入IP地址。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IP Address not correct.</source>
        <translation>IP地址不正确。</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Subnet mask can not be empty.</source>
        <translation>子网掩码不能为空。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Subnet Mask not correct.</source>
        <translation>子网掩码不正确。</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Gateway can not be empty</source>
        <translation>网关不能为空</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Gateway not correct.</source>
        <translation>网关不正确。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Device port ranges from 2000 to 65535.</source>
        <translation>设备端口范围为2000到65535。</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Http port ranges from 1 to 65535.</source>
        <translation>HTTP端口范围为1到65535。</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>IPv6 Address not correct.</source>
        <translation>IPv6地址不正确。</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>IPv6 gateway not correct.</source>
        <translation>IPv6网关不正确。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>IPv6 prefix length ranges from 0 to 127.</source>
        <translation>IPv6前缀长度范围为0到127。</translation>
    </message>
    <message>
        <location filename="../src/configpanel/devicenetparapage.cpp" line="+176"/>
        <source>Inport DevciePara</source>
        <translation>导入设备参数</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+1"/>
        <source>Enable DHCP</source>
        <translation>启用DHCP</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>StartIp:</source>
        <translation>起始IP：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Please set the start Ip address,then add one</source>
        <translation>请设置起始IP地址，之后依次加一</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Device Serial:</source>
        <translation>设备序列号：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IP Address:</source>
        <translation>IP地址：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Subnet Mask:</source>
        <translation>子网掩码：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Gateway:</source>
        <translation>网关：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IPv6 Address:</source>
        <translation>IPv6地址：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IPv6 Gateway:</source>
        <translation>IPv6网关：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IPv6 Prefix Length:</source>
        <translation>IPv6前缀长度：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Http Port:</source>
        <translation>HTTP端口：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Security Verification</source>
        <translation>安全验证</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Modify Network parameters</source>
        <translation>修改网络参数</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Batch Modify Network parameters</source>
        <translation>批量修改网络参数</translation>
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
    <name>TarnTool::ResetPasswordDialog</name>
    <message>
        <location filename="../src/recovery/resetpassworddialog.cpp" line="+60"/>
        <source>Reset Password</source>
        <translation>重置密码</translation>
    </message>
    <message>
        <location line="+114"/>
        <source>Generate QR code error.</source>
        <translation>生成二维码失败。</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>Get key error.</source>
        <translation>获取密钥申请失败。</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Create device key file error.</source>
        <translation>创建设备密钥申请文件失败。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Exported.</source>
        <translation>已导出。</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>Weak</source>
        <translation>弱</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Medium</source>
        <translation>中</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Strong</source>
        <translation>强</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Please input the secret key.</source>
        <translation>请输入密钥。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The password can not be empty.</source>
        <translation>密码不能为空。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The password you typed do not match.</source>
        <translation>两次输入的密码不一致。</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Valid password range [8-16]. You can use a combination of numbers, lowercase, uppercase and special character for your password with at least two kinds of them contained.</source>
        <translation>密码长度范围为 [8-16] 位。密码可由数字、小写字母、大写字母和特殊字符组合而成，且至少包含其中两种。</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>The device cannot take this password: it is too long, or it holds characters the device does not know.</source>
        <translation>设备无法接受此密码：密码过长，或包含设备无法识别的字符。</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>The key file cannot be read.</source>
        <translation>无法读取密钥文件。</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+34"/>
        <source>The key file cannot be copied to the data folder.</source>
        <translation>无法将密钥文件复制到数据文件夹。</translation>
    </message>
    <message>
        <location line="-24"/>
        <source>The secret key is not valid.</source>
        <translation>密钥无效。</translation>
    </message>
    <message>
        <location line="+29"/>
        <source>Reset password failed.</source>
        <translation>重置密码失败。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Reset password Succeed.</source>
        <translation>重置密码成功。</translation>
    </message>
</context>
<context>
    <name>TarnTool::RestorePasswordDialog</name>
    <message>
        <location filename="../src/recovery/restorepassworddialog.cpp" line="+21"/>
        <source>Reset Default Password</source>
        <translation>恢复默认密码</translation>
    </message>
    <message>
        <location line="+40"/>
        <source>Please input security code.</source>
        <translation>请输入安全码。</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Restore password failed.</source>
        <translation>恢复密码失败。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Restore password succeed.</source>
        <translation>恢复密码成功。</translation>
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
        <location line="+67"/>
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
