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
        <source>Site Credentials</source>
        <translation>站点凭据</translation>
    </message>
    <message>
        <location line="+16"/>
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
        <location filename="../src/exportdialog/devicesinfosavepage.ui" line="+14"/>
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
        <location filename="../src/app/main.cpp" line="+16"/>
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
    <name>TarnCli::NetPlan</name>
    <message>
        <location filename="../src/cli/netplan.cpp" line="+142"/>
        <source>line %1: %2</source>
        <translation>第 %1 行：%2</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>the ONVIF device %1 could not be read: give its user name with --user and the password that opens it.</source>
        <translation>无法读取 ONVIF 设备 %1：请用 --user 给出其用户名，并提供能打开它的密码。</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>The plan file is not UTF-8 text.</source>
        <translation>计划文件不是 UTF-8 文本。</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>a quoted field is not closed.</source>
        <translation>引号括起的字段没有结束。</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>unknown column &quot;%1&quot;.</source>
        <translation>未知的列“%1”。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the column &quot;%1&quot; is given twice.</source>
        <translation>列“%1”出现了两次。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>the header names neither a serial nor a mac column.</source>
        <translation>表头既没有 serial 列，也没有 mac 列。</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>a plan holds at most %1 devices.</source>
        <translation>一个计划最多包含 %1 台设备。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>the row has %1 fields, the header %2.</source>
        <translation>该行有 %1 个字段，表头只有 %2 个。</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>the row names no device: give its serial or its mac.</source>
        <translation>该行没有指明设备：请填写 serial 或 mac。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>dhcp is &quot;%1&quot;; write on or off.</source>
        <translation>dhcp 为“%1”；请填写 on 或 off。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>a device under DHCP takes its addresses from the server: leave ip, mask and gateway empty.</source>
        <translation>启用 DHCP 的设备从服务器获取地址：请将 ip、mask 和 gateway 留空。</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>The plan file has no header line.</source>
        <translation>计划文件没有表头行。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the plan names no devices.</source>
        <translation>计划中没有任何设备。</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>no device with the serial number %1 was found.</source>
        <translation>没有找到序列号为 %1 的设备。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>no device with the MAC address %1 was found.</source>
        <translation>没有找到 MAC 地址为 %1 的设备。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>the serial number %1 and the MAC address %2 are two different devices.</source>
        <translation>序列号 %1 与 MAC 地址 %2 属于两台不同的设备。</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>the device %1 is already planned on line %2.</source>
        <translation>设备 %1 已在第 %2 行出现。</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>the device %1 is not activated yet: activate it first.</source>
        <translation>设备 %1 尚未激活：请先激活。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>the ONVIF device %1 has no device port: leave port empty.</source>
        <translation>ONVIF 设备 %1 没有设备端口：请将 port 留空。</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>the device %1 does not support DHCP.</source>
        <translation>设备 %1 不支持 DHCP。</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>the device %1 has no web page: leave http_port empty.</source>
        <translation>设备 %1 没有网页：请将 http_port 留空。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>the device %1 cannot change its IPv6 settings.</source>
        <translation>设备 %1 不能修改 IPv6 参数。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>an IPv6 text is longer than a device takes.</source>
        <translation>IPv6 文本超过设备可接受的长度。</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>%1 is not an address a device takes in the subnet %2 (it is the subnet&apos;s network or broadcast address, ends in .0 or .255, or is the gateway).</source>
        <translation>%1 不是设备在子网 %2 中可用的地址（它是子网的网络地址或广播地址、以 .0 或 .255 结尾，或与网关相同）。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>the address %1 is outside the subnet of the gateway %2 with the mask %3.</source>
        <translation>地址 %1 不在网关 %2 按掩码 %3 划分的子网内。</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>the device %1, which the plan leaves alone</source>
        <translation>计划未涉及的设备 %1</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>the address %1 is also given to %2.</source>
        <translation>地址 %1 也分配给了%2。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>line %1</source>
        <translation>第 %1 行</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>The device %1 is not activated yet: activate it first.</source>
        <translation>设备 %1 尚未激活：请先激活。</translation>
    </message>
</context>
<context>
    <name>TarnCli::SecretInput</name>
    <message>
        <location filename="../src/cli/secretinput.cpp" line="+85"/>
        <source>No terminal to ask for the password on: give --password-file FILE, or - to read it from standard input.</source>
        <translation>没有可询问密码的终端：请使用 --password-file FILE，或用 - 从标准输入读取。</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Again: </source>
        <translation>再次输入：</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>The password file %1 cannot be read: %2</source>
        <translation>无法读取密码文件 %1：%2</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The password file %1 is too large to hold a password.</source>
        <translation>密码文件 %1 过大，不是密码文件。</translation>
    </message>
</context>
<context>
    <name>TarnCli::TarnCommand</name>
    <message>
        <location filename="../src/cli/tarncommand.cpp" line="+14"/>
        <source>Usage: tarn COMMAND [options]
Finds the cameras and recorders on the local network and configures them.

Commands:
  list [--wait SECONDS] [--json | --csv]     the devices found
  activate (--serial S... | --all-new) --password-file FILE
                                             gives new devices their admin password
  set-net --plan FILE.csv [--dry-run]        applies a network plan
  set-net --start-address A --mask M --gateway G --serial S... [--dry-run]
                                             consecutive addresses, as in the window
  key-request SERIAL (-o FILE | --qr)        the key request for the device maker
  reset SERIAL --key FILE --password-file FILE
                                             a new admin password with the maker&apos;s key
  restore SERIAL --code CODE                 the default password with a security code
  export -o FILE.csv|FILE.xls                the device list as a file

Every command takes --iface NAME (the interfaces to use, comma-separated) and --wait
SECONDS (how long to look for devices at most, default 10); tarn COMMAND --help tells more.
Passwords are read from a file (--password-file FILE), from standard input
(--password-file -), or asked for without echo; never from the command line.

A plan file has a header line and one row per device, named by serial or mac;
an empty cell keeps what the device holds:
  serial,ip,mask,gateway,port
  TN011095845-0,10.1.0.11,255.255.255.0,10.1.0.1,8000
  TN013994432-1,10.1.0.12,255.255.255.0,10.1.0.1,
Other columns: mac, http_port, dhcp (on/off), ipv6, ipv6_gateway, ipv6_prefix.
The whole plan is checked before anything is sent.

Exit codes:
  0  all done
  1  some devices failed, whether they took the change is unknown, or discovery
     could not start
  2  bad input (arguments, plan, password, a device not found): nothing was sent
</source>
        <translation>用法：tarn 命令 [选项]
查找局域网中的摄像机和录像机，并对其进行配置。

命令：
  list [--wait SECONDS] [--json | --csv]     列出找到的设备
  activate (--serial S... | --all-new) --password-file FILE
                                             为新设备设置管理员密码
  set-net --plan FILE.csv [--dry-run]        应用网络计划
  set-net --start-address A --mask M --gateway G --serial S... [--dry-run]
                                             连续地址，与窗口中相同
  key-request SERIAL (-o FILE | --qr)        给设备厂商的密钥请求
  reset SERIAL --key FILE --password-file FILE
                                             用厂商的密钥设置新的管理员密码
  restore SERIAL --code CODE                 用安全码恢复默认密码
  export -o FILE.csv|FILE.xls                将设备列表写入文件

每个命令都接受 --iface NAME（要使用的网络接口，以逗号分隔）和 --wait
SECONDS（搜索设备的最长时间，默认 10 秒）；tarn 命令 --help 给出更多说明。
密码从文件（--password-file FILE）或标准输入（--password-file -）读取，
或在不回显的提示下输入；绝不从命令行读取。

计划文件有一行表头，每台设备一行，用 serial 或 mac 指明设备；
空单元格表示保留设备现有的值：
  serial,ip,mask,gateway,port
  TN011095845-0,10.1.0.11,255.255.255.0,10.1.0.1,8000
  TN013994432-1,10.1.0.12,255.255.255.0,10.1.0.1,
其他列：mac、http_port、dhcp（on/off）、ipv6、ipv6_gateway、ipv6_prefix。
发送任何请求之前先检查整个计划。

退出码：
  0  全部完成
  1  部分设备失败，无法确定设备是否接受了修改，或无法启动设备搜索
  2  输入有误（参数、计划、密码、找不到设备）：未发送任何请求
</translation>
    </message>
    <message>
        <location line="+63"/>
        <source>Unknown command &quot;%1&quot;; tarn --help lists the commands.</source>
        <translation>未知命令“%1”；tarn --help 列出所有命令。</translation>
    </message>
    <message>
        <location filename="../src/cli/command.cpp" line="+93"/>
        <source>Interfaces to look for devices on, comma-separated.</source>
        <translation>搜索设备所用的网络接口，以逗号分隔。</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Usage: tarn %1</source>
        <translation>用法：tarn %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Exit codes: 0 all done, 1 some devices failed, 2 bad input.</source>
        <translation>退出码：0 全部完成，1 部分设备失败，2 输入有误。</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>--wait takes whole seconds from 1 to %1.</source>
        <translation>--wait 取 1 到 %1 之间的整秒数。</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Discovery cannot start (error %1): is the interface there?</source>
        <translation>无法启动设备搜索（错误 %1）：网络接口是否存在？</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Devices in other subnets than this computer&apos;s (such as new cameras at their factory address) may be missed: receiving at the link layer is not permitted (%1). Fix: %2</source>
        <translation>可能找不到与本机不在同一子网的设备（例如仍处于出厂地址的新摄像机）：不允许在链路层接收（%1）。解决方法：%2</translation>
    </message>
    <message>
        <location line="+29"/>
        <source>No device with the serial number %1 was found.</source>
        <translation>没有找到序列号为 %1 的设备。</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>The serial number %1 is given twice.</source>
        <translation>序列号 %1 出现了两次。</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>New admin password: </source>
        <translation>新的管理员密码：</translation>
    </message>
    <message>
        <location line="+26"/>
        <source>the device refused the password</source>
        <translation>设备拒绝了密码</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the device is locked after wrong passwords</source>
        <translation>密码错误次数过多，设备已锁定</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>no answer</source>
        <translation>无应答</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the device refused the values</source>
        <translation>设备拒绝了这些参数</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the device is not activated</source>
        <translation>设备未激活</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the device is already activated</source>
        <translation>设备已激活</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the device&apos;s key is not the one first seen for it</source>
        <translation>设备的密钥与首次见到的不同</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the key is not the maker&apos;s answer to this device&apos;s request</source>
        <translation>该密钥不是厂商对此设备请求的答复</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the key request has expired: make a new one</source>
        <translation>密钥请求已过期：请重新导出</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>no open key request: it was used, or a newer one replaced it</source>
        <translation>没有待处理的密钥请求：已被使用，或已被更新的请求取代</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the key file holds no key</source>
        <translation>密钥文件中没有密钥</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>the device does not support this</source>
        <translation>设备不支持此操作</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>error %1</source>
        <translation>错误 %1</translation>
    </message>
    <message>
        <location line="+97"/>
        <source>The user name for ONVIF devices (default admin); the password is the one read from --password-file or asked for.</source>
        <translation>ONVIF 设备的用户名（默认 admin）；密码为从 --password-file 读取或提示输入的密码。</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>With --user: the site password&apos;s file, or - for standard input.</source>
        <translation>与 --user 一起使用：站点密码文件，或用 - 表示标准输入。</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Site password: </source>
        <translation>站点密码：</translation>
    </message>
    <message>
        <location line="+40"/>
        <source>activated</source>
        <translation>已激活</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>changed</source>
        <translation>已修改</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>No journal of this batch can be written (%1); it runs without one.</source>
        <translation>无法写入本批次的日志（%1）；批次将在没有日志的情况下运行。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Journal of this batch: %1</source>
        <translation>本批次的日志：%1</translation>
    </message>
    <message>
        <location line="-23"/>
        <source>not activated</source>
        <translation>未激活</translation>
    </message>
    <message>
        <location line="-310"/>
        <source>Seconds to look for devices at most (default %1): the search ends sooner once it has the devices named, or no new device answers.</source>
        <translation>搜索设备的最长秒数（默认 %1）：找到所指定的设备，或不再有新设备应答时，搜索会提前结束。</translation>
    </message>
    <message>
        <location line="+219"/>
        <source>Stopping once the devices being worked on have answered.</source>
        <translation>正在处理的设备应答后即停止。</translation>
    </message>
    <message>
        <location line="+66"/>
        <source>Devices worked on at once, 1 to %1 (default: TaskThread in Setup.xml, or 8).</source>
        <translation>同时处理的设备数，1 到 %1（默认：Setup.xml 中的 TaskThread，或 8）。</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>--jobs takes a number from 1 to %1.</source>
        <translation>--jobs 的取值为 1 到 %1。</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>not changed</source>
        <translation>未修改</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>no change (the device holds these settings already)</source>
        <translation>无变化（设备已是这些设置）</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>unknown (no answer, and the device has not announced itself since)</source>
        <translation>未知（无应答，且设备此后未再通告）</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <location line="-82"/>
        <source>%1 of %2 devices done.</source>
        <translation>%2 台设备中完成 %1 台。</translation>
    </message>
    <message>
        <location filename="../src/cli/listcommand.cpp" line="+91"/>
        <source>Lists the devices found: a table, or JSON or CSV for scripts, in the order of their addresses. JSON objects and CSV columns: %1.</source>
        <translation>按地址顺序列出找到的设备：表格，或供脚本使用的 JSON、CSV。JSON 对象的键和 CSV 的列：%1。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>One JSON array of devices.</source>
        <translation>以一个 JSON 数组输出设备。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Comma-separated values with a header line.</source>
        <translation>带表头行的逗号分隔值。</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Give --json or --csv, not both.</source>
        <translation>请给出 --json 或 --csv，不能同时给出。</translation>
    </message>
    <message numerus="yes">
        <location line="+64"/>
        <source>%n device(s) found.</source>
        <translation>
            <numerusform>找到 %n 台设备。</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/cli/activatecommand.cpp" line="+16"/>
        <source>Gives new devices their first admin password.</source>
        <translation>为新设备设置首个管理员密码。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A device to activate; repeat for more.</source>
        <translation>要激活的设备；可重复给出多个。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Every device found that is not activated.</source>
        <translation>找到的所有未激活设备。</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../src/cli/resetcommand.cpp" line="+19"/>
        <source>The new password&apos;s file, or - for standard input.</source>
        <translation>新密码所在的文件，或用 - 表示标准输入。</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Name the devices with --serial, or give --all-new.</source>
        <translation>请用 --serial 指定设备，或给出 --all-new。</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>The device %1 is already activated.</source>
        <translation>设备 %1 已激活。</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>No device waits for activation.</source>
        <translation>没有等待激活的设备。</translation>
    </message>
    <message>
        <location filename="../src/cli/setnetcommand.cpp" line="+19"/>
        <source>Changes the network settings of devices: from a plan file, or consecutive addresses from a start address.</source>
        <translation>修改设备的网络参数：按计划文件，或从起始地址起分配连续地址。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The plan file (CSV).</source>
        <translation>计划文件（CSV）。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The first address.</source>
        <translation>起始地址。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The subnet mask.</source>
        <translation>子网掩码。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The gateway.</source>
        <translation>网关。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A device, in address order; repeat for more.</source>
        <translation>设备，按地址顺序；可重复给出多个。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The admin password&apos;s file, or - for standard input.</source>
        <translation>管理员密码所在的文件，或用 - 表示标准输入。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Shows what would change; sends nothing.</source>
        <translation>只显示将要修改的内容，不发送任何请求。</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Give --plan FILE, or --start-address, --mask, --gateway and --serial.</source>
        <translation>请给出 --plan FILE，或 --start-address、--mask、--gateway 和 --serial。</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>The plan file %1 cannot be read: %2</source>
        <translation>无法读取计划文件 %1：%2</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The plan file %1 is too large.</source>
        <translation>计划文件 %1 过大。</translation>
    </message>
    <message>
        <location line="+6"/>
        <location line="+53"/>
        <source>The plan is refused; nothing was sent.</source>
        <translation>计划被拒绝；未发送任何请求。</translation>
    </message>
    <message>
        <location line="-38"/>
        <source>Admin password: </source>
        <translation>管理员密码：</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>--user needs the password too: give --password-file, or leave out --dry-run.</source>
        <translation>--user 还需要密码：请给出 --password-file，或去掉 --dry-run。</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>no change</source>
        <translation>无变化</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Dry run: nothing was sent.</source>
        <translation>试运行：未发送任何请求。</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>the address %1 is held now by the device %2, which the plan leaves alone</source>
        <translation>地址 %1 现在被计划未涉及的设备 %2 占用</translation>
    </message>
    <message>
        <location filename="../src/cli/keyrequestcommand.cpp" line="+38"/>
        <source>Exports a device&apos;s key request for the device maker, who answers it with a key for tarn reset.</source>
        <translation>导出设备的密钥请求，交给设备厂商；厂商答复的密钥用于 tarn reset。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The request file, or a folder to write it into under its usual name.</source>
        <translation>请求文件，或以默认文件名写入的文件夹。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Prints the request as a QR code on the terminal.</source>
        <translation>在终端上以二维码显示请求。</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../src/cli/resetcommand.cpp" line="+4"/>
        <location filename="../src/cli/restorecommand.cpp" line="+17"/>
        <source>The device&apos;s serial number.</source>
        <translation>设备的序列号。</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Give one serial number, and -o FILE or --qr.</source>
        <translation>请给出一个序列号，以及 -o FILE 或 --qr。</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>The device %1 takes no key: reset it with a security code (tarn restore).</source>
        <translation>设备 %1 不接受密钥：请用安全码恢复（tarn restore）。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The device %1 cannot give its key request as a QR code; use -o FILE.</source>
        <translation>设备 %1 不能以二维码给出密钥请求；请使用 -o FILE。</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>The device did not give its key request: %1.</source>
        <translation>设备没有给出密钥请求：%1。</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>The key request file %1 cannot be written: %2</source>
        <translation>无法写入密钥请求文件 %1：%2</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Key request written to %1.</source>
        <translation>密钥请求已写入 %1。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The key request does not fit in a QR code.</source>
        <translation>密钥请求无法放入二维码。</translation>
    </message>
    <message>
        <location filename="../src/cli/resetcommand.cpp" line="-7"/>
        <source>Gives a device a new admin password with the key its maker sent.</source>
        <translation>用厂商发来的密钥为设备设置新的管理员密码。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The maker&apos;s key file.</source>
        <translation>厂商的密钥文件。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Also resets the password of the cameras on a recorder&apos;s channels.</source>
        <translation>同时重置录像机各通道上摄像机的密码。</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Give one serial number and --key FILE.</source>
        <translation>请给出一个序列号和 --key FILE。</translation>
    </message>
    <message>
        <location line="+37"/>
        <source>The device %1 has no cameras to reset with it.</source>
        <translation>设备 %1 没有可一并重置的摄像机。</translation>
    </message>
    <message>
        <location filename="../src/cli/restorecommand.cpp" line="-4"/>
        <source>Restores a device&apos;s default password with the security code from its maker.</source>
        <translation>用厂商提供的安全码恢复设备的默认密码。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The security code.</source>
        <translation>安全码。</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Give one serial number and --code CODE.</source>
        <translation>请给出一个序列号和 --code CODE。</translation>
    </message>
    <message>
        <location filename="../src/cli/exportcommand.cpp" line="+17"/>
        <source>Writes the devices found to a new file, as the window&apos;s export does.</source>
        <translation>将找到的设备写入新文件，与窗口的导出相同。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The new file: FILE.csv or FILE.xls.</source>
        <translation>新文件：FILE.csv 或 FILE.xls。</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Give -o FILE.csv or -o FILE.xls.</source>
        <translation>请给出 -o FILE.csv 或 -o FILE.xls。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Give the file a name before .csv or .xls.</source>
        <translation>请在 .csv 或 .xls 之前给出文件名。</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>%1 exists already; it is not replaced.</source>
        <translation>%1 已存在；不会覆盖。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The folder %1 does not exist.</source>
        <translation>文件夹 %1 不存在。</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>%1 was not written: %2</source>
        <translation>%1 未写入：%2</translation>
    </message>
    <message numerus="yes">
        <location line="+3"/>
        <source>%n device(s) written to %1.</source>
        <translation>
            <numerusform>已将 %n 台设备写入 %1。</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TarnTool::DeviceActivePage</name>
    <message>
        <location filename="../src/configpanel/deviceactivepage.cpp" line="+102"/>
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
        <location filename="../src/devicelist/devicedisplaypage.cpp" line="+67"/>
        <source>Devices</source>
        <translation>设备</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>The user name and password of the site&apos;s ONVIF devices</source>
        <translation>本站点 ONVIF 设备的用户名和密码</translation>
    </message>
    <message>
        <location line="+100"/>
        <source>Certificate SHA-256: %1</source>
        <translation>证书 SHA-256：%1</translation>
    </message>
    <message>
        <location line="+120"/>
        <source>Succeed</source>
        <translation>成功</translation>
    </message>
</context>
<context>
    <name>TarnTool::DeviceInfoModel</name>
    <message>
        <location filename="../src/devicelist/deviceinfomodel.cpp" line="+75"/>
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
        <location line="+0"/>
        <source>Protocol</source>
        <translation>协议</translation>
    </message>
    <message>
        <location line="+192"/>
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
        <location line="+39"/>
        <source>N/A</source>
        <translation>无</translation>
    </message>
    <message>
        <location line="-35"/>
        <source>Select %1</source>
        <translation>选择 %1</translation>
    </message>
    <message>
        <location line="+16"/>
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
    <message>
        <location line="+5"/>
        <source>identity not verified, no credentials</source>
        <translation>身份未验证，无凭据</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>identity not verified, credentials refused</source>
        <translation>身份未验证，凭据被拒绝</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>identity not verified, no answer</source>
        <translation>身份未验证，无应答</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>identity not verified, not contacted</source>
        <translation>身份未验证，未联系</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>identity not verified</source>
        <translation>身份未验证</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ONVIF (%1)</source>
        <translation>ONVIF（%1）</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Found by WS-Discovery, which anyone on the network can answer: no maker&apos;s certificate shows this is the device it claims to be.</source>
        <translation>通过 WS-Discovery 发现，网络中任何人都可以应答：没有厂商证书证明它就是所声称的设备。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>TARN</source>
        <translation>TARN</translation>
    </message>
</context>
<context>
    <name>TarnTool::DeviceModifyPage</name>
    <message>
        <location filename="../src/common/addressplan.cpp" line="+104"/>
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
        <source>No device takes the start address: it ends in .0 or .255, or is the gateway. Choose another start address.</source>
        <translation>起始地址不能分配给设备：它以 .0 或 .255 结尾，或者是网关。请选择其他起始地址。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Only %1 of the %2 devices fit between the start address and the end of its subnet. Nothing was changed.</source>
        <translation>从起始地址到其子网末尾只能容纳%2台设备中的%1台。未做任何修改。</translation>
    </message>
    <message>
        <location filename="../src/configpanel/devicemodifypage.cpp" line="+213"/>
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
        <location line="+118"/>
        <source>Password recovery needs the maker&apos;s key or security code, which ONVIF devices do not take: reset an ONVIF device on the device itself.</source>
        <translation>找回密码需要厂商的密钥或安全码，而 ONVIF 设备不支持：请在设备本身上重置 ONVIF 设备。</translation>
    </message>
    <message>
        <location line="+41"/>
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
        <location filename="../src/cli/secretinput.cpp" line="+7"/>
        <location filename="../src/configpanel/devicemodifypage.cpp" line="+12"/>
        <source>The password holds a character that cannot be sent to the device.</source>
        <translation>密码中含有无法发送给设备的字符。</translation>
    </message>
    <message>
        <location filename="../src/configpanel/devicemodifypage.cpp" line="+49"/>
        <source>(stopping once the devices being worked on have answered)</source>
        <translation>（正在处理的设备应答后即停止）</translation>
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
        <location line="+44"/>
        <location line="+20"/>
        <source>Error%1:others</source>
        <translation>错误%1：其他</translation>
    </message>
    <message>
        <location line="-57"/>
        <source>DHCP</source>
        <translation>DHCP</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>address %1</source>
        <translation>地址 %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>mask %1</source>
        <translation>掩码 %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>gateway %1</source>
        <translation>网关 %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>port %1</source>
        <translation>端口 %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>HTTP port %1</source>
        <translation>HTTP端口 %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IPv6 %1/%2</source>
        <translation>IPv6 %1/%2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IPv6 gateway %1</source>
        <translation>IPv6网关 %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Error%1:the device refused these values: %2</source>
        <translation>错误%1：设备拒绝了这些参数：%2</translation>
    </message>
    <message>
        <location line="+8"/>
        <location line="+24"/>
        <location line="+51"/>
        <location line="+194"/>
        <source>Succeed</source>
        <translation>成功</translation>
    </message>
    <message>
        <location line="-267"/>
        <source>Not changed: the batch was stopped</source>
        <translation>未修改：批量操作已停止</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+24"/>
        <source>Error%1:no answer, result unknown</source>
        <translation>错误%1：无应答，结果未知</translation>
    </message>
    <message>
        <location line="-19"/>
        <source>Not changed: %1</source>
        <translation>未修改：%1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Error%1:device deny</source>
        <translation>错误%1：设备拒绝</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Error%1:time out</source>
        <translation>错误%1：超时</translation>
    </message>
    <message>
        <location line="+13"/>
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
        <location line="+34"/>
        <source>These devices cannot be given addresses from a start address. Check Enable DHCP, or modify them one at a time.</source>
        <translation>这些设备不能按起始地址分配地址。请勾选“启用DHCP”，或逐台修改。</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>The address %1 is held by the device %2, which is not in this batch. Choose another start address.</source>
        <translation>地址 %1 已被不在本批次中的设备 %2 占用。请选择其他起始地址。</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>The device %1 would keep its gateway %2, which is not in the subnet %3. Enter a gateway for the batch.</source>
        <translation>设备 %1 将保留其网关 %2，但该网关不在子网 %3 内。请为本批设备输入网关。</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>the address %1 is held now by the device %2</source>
        <translation>地址 %1 现在被设备 %2 占用</translation>
    </message>
    <message>
        <location line="+29"/>
        <location line="+120"/>
        <source>Please select a device.</source>
        <translation>请选择设备。</translation>
    </message>
    <message>
        <location filename="../src/cli/secretinput.cpp" line="+5"/>
        <location filename="../src/configpanel/devicemodifypage.cpp" line="-116"/>
        <source>The password can not be empty.</source>
        <translation>密码不能为空。</translation>
    </message>
    <message>
        <location line="-27"/>
        <location filename="../src/configpanel/devicemodifypage.cpp" line="+5"/>
        <source>The password you typed do not match.</source>
        <translation>两次输入的密码不一致。</translation>
    </message>
    <message>
        <location filename="../src/cli/command.cpp" line="-124"/>
        <location filename="../src/configpanel/devicemodifypage.cpp" line="+7"/>
        <source>Valid password range [8-16]. You can use a combination of numbers,lowercase, uppercase and special character for your password with at least two kinds of them contained.</source>
        <translation>密码长度范围[8-16]。密码可由数字、小写字母、大写字母和特殊字符组合而成，且至少包含其中两种。</translation>
    </message>
    <message>
        <location filename="../src/configpanel/devicemodifypage.cpp" line="+36"/>
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
    <message>
        <location filename="../src/cli/progressline.cpp" line="+25"/>
        <location filename="../src/configpanel/devicemodifypage.cpp" line="-404"/>
        <location line="+5"/>
        <source>%1 of %2 done: %3</source>
        <translation>已完成 %1/%2：%3</translation>
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
        <location line="+13"/>
        <source>Results</source>
        <translation>结果</translation>
    </message>
    <message>
        <location line="+6"/>
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
    <message>
        <location line="+12"/>
        <source>Succeeded</source>
        <translation>成功</translation>
    </message>
</context>
<context>
    <name>TarnTool::DeviceNetParaPage</name>
    <message>
        <location filename="../src/common/netparamcheck.cpp" line="+34"/>
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
        <location line="+10"/>
        <source>The gateway %1 is not in the subnet %2.</source>
        <translation>网关 %1 不在子网 %2 内。</translation>
    </message>
    <message>
        <location line="+6"/>
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
        <location filename="../src/configpanel/devicenetparapage.cpp" line="+167"/>
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
    <message>
        <location line="+110"/>
        <source>ONVIF devices have no device port.</source>
        <translation>ONVIF 设备没有设备端口。</translation>
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
        <location filename="../src/exportdialog/devicesinfosavepage.cpp" line="+50"/>
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
        <location line="+80"/>
        <source>Please input file name.</source>
        <translation>请输入文件名。</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>The file name cannot hold / or \, nor be . or ..: the file goes into the folder chosen below.</source>
        <translation>文件名不能包含 / 或 \，也不能是 . 或 ..：文件将保存在下方选择的文件夹中。</translation>
    </message>
    <message>
        <location line="+6"/>
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
        <source>Saving failed: %1</source>
        <translation>保存失败：%1</translation>
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
        <location filename="../src/recovery/resetpassworddialog.cpp" line="+61"/>
        <source>Reset Password</source>
        <translation>重置密码</translation>
    </message>
    <message>
        <location line="+78"/>
        <source>Key</source>
        <translation>密钥</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Key file</source>
        <translation>密钥文件</translation>
    </message>
    <message>
        <location line="+45"/>
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
        <location filename="../src/cli/resetcommand.cpp" line="-28"/>
        <location filename="../src/recovery/resetpassworddialog.cpp" line="+13"/>
        <source>The device cannot take this password: it is too long, or it holds characters the device does not know.</source>
        <translation>设备无法接受此密码：密码过长，或包含设备无法识别的字符。</translation>
    </message>
    <message>
        <location line="+15"/>
        <location filename="../src/recovery/resetpassworddialog.cpp" line="+19"/>
        <source>The key file cannot be read.</source>
        <translation>无法读取密钥文件。</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+19"/>
        <location filename="../src/recovery/resetpassworddialog.cpp" line="+2"/>
        <location line="+34"/>
        <source>The key file cannot be copied to the data folder.</source>
        <translation>无法将密钥文件复制到数据文件夹。</translation>
    </message>
    <message>
        <location filename="../src/recovery/resetpassworddialog.cpp" line="-24"/>
        <source>The secret key is not valid.</source>
        <translation>密钥无效。</translation>
    </message>
    <message>
        <location filename="../src/cli/resetcommand.cpp" line="+4"/>
        <location filename="../src/recovery/resetpassworddialog.cpp" line="+29"/>
        <source>Reset password failed.</source>
        <translation>重置密码失败。</translation>
    </message>
    <message>
        <location line="+4"/>
        <location filename="../src/recovery/resetpassworddialog.cpp" line="+3"/>
        <source>Reset password Succeed.</source>
        <translation>重置密码成功。</translation>
    </message>
</context>
<context>
    <name>TarnTool::RestorePasswordDialog</name>
    <message>
        <location filename="../src/recovery/restorepassworddialog.cpp" line="+22"/>
        <source>Reset Default Password</source>
        <translation>恢复默认密码</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>Please input security code.</source>
        <translation>请输入安全码。</translation>
    </message>
    <message>
        <location filename="../src/cli/restorecommand.cpp" line="+11"/>
        <location filename="../src/recovery/restorepassworddialog.cpp" line="+12"/>
        <source>Restore password failed.</source>
        <translation>恢复密码失败。</translation>
    </message>
    <message>
        <location line="+4"/>
        <location filename="../src/recovery/restorepassworddialog.cpp" line="+3"/>
        <source>Restore password succeed.</source>
        <translation>恢复密码成功。</translation>
    </message>
</context>
<context>
    <name>TarnTool::SiteCredentialsDialog</name>
    <message>
        <location filename="../src/devicelist/sitecredentialsdialog.cpp" line="+17"/>
        <source>ONVIF devices are read and changed with this user name and password. They are kept until the program ends, never saved.</source>
        <translation>将使用此用户名和密码读取和修改 ONVIF 设备。它们只保留到程序结束，绝不保存。</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>User name:</source>
        <translation>用户名：</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Site Credentials</source>
        <translation>站点凭据</translation>
    </message>
</context>
<context>
    <name>TarnTool::TARNToolMainPage</name>
    <message>
        <location filename="../src/app/tarntoolmainpage.cpp" line="+65"/>
        <source>Fold or unfold the modify panel</source>
        <translation>收起或展开修改面板</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>TARN Tool</source>
        <translation>TARN工具</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>User Help</source>
        <translation>用户帮助</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Menu</source>
        <translation>菜单</translation>
    </message>
    <message>
        <location line="+62"/>
        <source>Devices in other subnets than this computer&apos;s, such as new cameras at their factory address, may be missing from the list: this program is not permitted to receive at the link layer (%1). To fix it, run once: %2</source>
        <translation>列表中可能缺少与本机不在同一子网的设备（例如仍处于出厂地址的新摄像机）：本程序不允许在链路层接收（%1）。解决方法，执行一次：%2</translation>
    </message>
    <message>
        <location line="+20"/>
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
    <name>TarnTool::WarningDialog</name>
    <message>
        <location filename="../src/aptui/warningdialog.cpp" line="+77"/>
        <source>Succeeded</source>
        <translation>成功</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Hint</source>
        <translation>提示</translation>
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
        <location line="+5"/>
        <source>TARN cannot start: %1</source>
        <translation>TARN 无法启动：%1</translation>
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
    <name>aptui::BaseTitle</name>
    <message>
        <location filename="../src/aptui/basetitle.cpp" line="+20"/>
        <source>Application icon</source>
        <translation>应用程序图标</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Options</source>
        <translation>选项</translation>
    </message>
    <message>
        <location line="+1"/>
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
    <name>aptui::FilePathButton</name>
    <message>
        <location filename="../src/aptui/filepathbutton.cpp" line="+9"/>
        <source>Browse</source>
        <translation>浏览</translation>
    </message>
</context>
<context>
    <name>aptui::PasswordLevel</name>
    <message>
        <location filename="../src/aptui/passwordlevel.cpp" line="+35"/>
        <source>Strength bar %1</source>
        <translation>强度条 %1</translation>
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
    <message>
        <location line="+1"/>
        <source>Application icon</source>
        <translation>应用程序图标</translation>
    </message>
</context>
</TS>
