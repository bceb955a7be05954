<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BasicFunctionPage</name>
    <message>
        <source>触发参数</source>
        <translation>Trigger</translation>
    </message>
    <message>
        <source>触发开</source>
        <translation>Trigger on</translation>
    </message>
    <message>
        <source>触发关</source>
        <translation>Trigger off</translation>
    </message>
    <message>
        <source>触发延时工作时间</source>
        <translation>Work time</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>自动关机延时时间</source>
        <translation>Power-off</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>清除残留数据</source>
        <translation>Clear data</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>继电器参数</source>
        <translation>Relays</translation>
    </message>
    <message>
        <source>识别卡继电器1自动闭合</source>
        <translation>Close relay 1 on a tag</translation>
    </message>
    <message>
        <source>识别卡继电器2自动闭合</source>
        <translation>Close relay 2 on a tag</translation>
    </message>
    <message>
        <source>继电器1自动延时断开</source>
        <translation>Open relay 1</translation>
    </message>
    <message>
        <source>延时时间</source>
        <translation>Delay</translation>
    </message>
    <message>
        <source>20</source>
        <translation>20</translation>
    </message>
    <message>
        <source>继电器2自动延时断开</source>
        <translation>Open relay 2</translation>
    </message>
    <message>
        <source>用户编码</source>
        <translation>User code</translation>
    </message>
    <message>
        <source>蜂鸣器</source>
        <translation>Buzzer</translation>
    </message>
    <message>
        <source>标签刷新间隔</source>
        <translation>Tag refresh interval</translation>
    </message>
    <message>
        <source>60</source>
        <translation>60</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>ID匹配/失配</source>
        <translation>ID match/mismatch</translation>
    </message>
    <message>
        <source>使能匹配功能</source>
        <translation>Match</translation>
    </message>
    <message>
        <source>使能失配功能</source>
        <translation>Mismatch</translation>
    </message>
    <message>
        <source>失配检测时间间隔</source>
        <translation>Check every</translation>
    </message>
    <message>
        <source>继电器1自动闭合</source>
        <translation>Relay 1</translation>
    </message>
    <message>
        <source>继电器2自动闭合</source>
        <translation>Relay 2</translation>
    </message>
    <message>
        <source>持续报警</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>一次报警</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>设置触发参数失败 !</source>
        <translation>Setting the trigger failed!</translation>
    </message>
    <message>
        <source>设置触发延时工作时间参数失败 !</source>
        <translation>Setting the trigger work time failed!</translation>
    </message>
    <message>
        <source>设置触发自动关机延时参数失败 !</source>
        <translation>Setting the auto power-off delay failed!</translation>
    </message>
    <message>
        <source>设置触发残留数据清除使能参数失败 !</source>
        <translation>Setting residual data clearing failed!</translation>
    </message>
    <message>
        <source>设置触发残留数据清除等待时间参数失败 !</source>
        <translation>Setting the residual data wait time failed!</translation>
    </message>
    <message>
        <source>设置蜂鸣器参数失败 !</source>
        <translation>Setting the buzzer failed!</translation>
    </message>
    <message>
        <source>设置用户编码参数失败 !</source>
        <translation>Setting the user code failed!</translation>
    </message>
    <message>
        <source>设置标签刷新时间间隔参数失败 !</source>
        <translation>Setting the tag refresh interval failed!</translation>
    </message>
    <message>
        <source>设置继电器自动闭合参数失败 ! </source>
        <translation>Setting relay auto-close failed! </translation>
    </message>
    <message>
        <source>设置继电器自动断开参数失败 ! </source>
        <translation>Setting relay auto-open failed! </translation>
    </message>
    <message>
        <source>设置继电器1延时参数失败 !</source>
        <translation>Setting the relay 1 delay failed!</translation>
    </message>
    <message>
        <source>设置继电器2延时参数失败 !</source>
        <translation>Setting the relay 2 delay failed!</translation>
    </message>
    <message>
        <source>设置ID匹配控制参数失败 !</source>
        <translation>Setting ID matching failed!</translation>
    </message>
    <message>
        <source>设置ID匹配检测时间间隔参数失败 !</source>
        <translation>Setting the ID match check interval failed!</translation>
    </message>
    <message>
        <source>设置读写器参数成功 !</source>
        <translation>Reader parameters set!</translation>
    </message>
    <message>
        <source>设置读写器参数失败 !</source>
        <translation>Setting reader parameters failed!</translation>
    </message>
    <message>
        <source>查询触发参数失败 !</source>
        <translation>Querying the trigger failed!</translation>
    </message>
    <message>
        <source>查询触发延时工作时间参数失败 !</source>
        <translation>Querying the trigger work time failed!</translation>
    </message>
    <message>
        <source>查询触发自动关机延时参数失败 !</source>
        <translation>Querying the auto power-off delay failed!</translation>
    </message>
    <message>
        <source>查询触发清除残留数据使能参数失败 !</source>
        <translation>Querying residual data clearing failed!</translation>
    </message>
    <message>
        <source>查询触发清除残留数据等待时间参数失败 !</source>
        <translation>Querying the residual data wait time failed!</translation>
    </message>
    <message>
        <source>查询蜂鸣器参数失败 !</source>
        <translation>Querying the buzzer failed!</translation>
    </message>
    <message>
        <source>查询用户编码参数失败 !</source>
        <translation>Querying the user code failed!</translation>
    </message>
    <message>
        <source>查询标签刷新时间间隔参数失败 !</source>
        <translation>Querying the tag refresh interval failed!</translation>
    </message>
    <message>
        <source>查询继电器自动闭合参数失败 ! </source>
        <translation>Querying relay auto-close failed! </translation>
    </message>
    <message>
        <source>查询继电器自动断开参数失败 ! </source>
        <translation>Querying relay auto-open failed! </translation>
    </message>
    <message>
        <source>查询继电器1延时参数失败！</source>
        <translation>Querying the relay 1 delay failed!</translation>
    </message>
    <message>
        <source>查询继电器2延时参数失败！</source>
        <translation>Querying the relay 2 delay failed!</translation>
    </message>
    <message>
        <source>查询ID匹配检测时间间隔参数失败 !</source>
        <translation>Querying the ID match check interval failed!</translation>
    </message>
    <message>
        <source>查询ID匹配控制参数失败 !</source>
        <translation>Querying ID matching failed!</translation>
    </message>
    <message>
        <source>查询读写器参数成功 !</source>
        <translation>Reader parameters queried!</translation>
    </message>
    <message>
        <source>查询读写器参数失败 !</source>
        <translation>Querying reader parameters failed!</translation>
    </message>
</context>
<context>
    <name>CommPortPage</name>
    <message>
        <source>MAC地址</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>TCP/IP 参数</source>
        <translation>TCP/IP</translation>
    </message>
    <message>
        <source>自动获取IP</source>
        <translation>Auto IP</translation>
    </message>
    <message>
        <source>端口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>IP地址</source>
        <translation>IP</translation>
    </message>
    <message>
        <source>子网</source>
        <translation>Subnet</translation>
    </message>
    <message>
        <source>网关</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>服务器保活时间</source>
        <translation>Keep-alive time</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>客户端模式</source>
        <translation>Client mode</translation>
    </message>
    <message>
        <source>目标端口</source>
        <translation>To port</translation>
    </message>
    <message>
        <source>目标IP</source>
        <translation>To IP</translation>
    </message>
    <message>
        <source>485 参数</source>
        <translation>RS-485</translation>
    </message>
    <message>
        <source>485波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>ID应答传输</source>
        <translation>ID reply transfer</translation>
    </message>
    <message>
        <source>Wiegand参数</source>
        <translation>Wiegand</translation>
    </message>
    <message>
        <source>通信协议</source>
        <translation>Protocol</translation>
    </message>
    <message>
        <source>输出间隔</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>脉冲宽度</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>X10us</source>
        <translation>X10us</translation>
    </message>
    <message>
        <source>脉冲周期</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>X100us</source>
        <translation>X100us</translation>
    </message>
    <message>
        <source>起始字节</source>
        <translation>First byte</translation>
    </message>
    <message>
        <source>设置TCP/IP参数失败!</source>
        <translation>Setting TCP/IP parameters failed!</translation>
    </message>
    <message>
        <source>查询TCP/IP参数失败 !</source>
        <translation>Querying TCP/IP parameters failed!</translation>
    </message>
    <message>
        <source>设置TCP/IP参数失败! </source>
        <translation>Setting TCP/IP parameters failed! </translation>
    </message>
    <message>
        <source>设置RS-485波特率参数失败! </source>
        <translation>Setting the RS-485 baud rate failed! </translation>
    </message>
    <message>
        <source>查询RS-485波特率参数失败！</source>
        <translation>Querying the RS-485 baud rate failed!</translation>
    </message>
    <message>
        <source>设置ID应答传输参数失败! </source>
        <translation>Setting ID reply transfer failed! </translation>
    </message>
    <message>
        <source>查询ID应答传输参数失败！</source>
        <translation>Querying ID reply transfer failed!</translation>
    </message>
    <message>
        <source>设置Wiegand协议参数失败！</source>
        <translation>Setting the Wiegand protocol failed!</translation>
    </message>
    <message>
        <source>查询Wiegand协议参数失败！</source>
        <translation>Querying the Wiegand protocol failed!</translation>
    </message>
    <message>
        <source>设置Wiegand输出间隔参数失败！</source>
        <translation>Setting the Wiegand output interval failed!</translation>
    </message>
    <message>
        <source>查询Wiegand输出间隔参数失败！</source>
        <translation>Querying the Wiegand output interval failed!</translation>
    </message>
    <message>
        <source>设置Wiegand输出脉冲宽度参数失败！</source>
        <translation>Setting the Wiegand pulse width failed!</translation>
    </message>
    <message>
        <source>查询Wiegand输出脉冲宽度参数失败！</source>
        <translation>Querying the Wiegand pulse width failed!</translation>
    </message>
    <message>
        <source>设置Wiegand输出脉冲周期参数失败！</source>
        <translation>Setting the Wiegand pulse period failed!</translation>
    </message>
    <message>
        <source>查询Wiegand输出脉冲周期参数失败！</source>
        <translation>Querying the Wiegand pulse period failed!</translation>
    </message>
    <message>
        <source>设置Wiegand输出起始字节参数失败！</source>
        <translation>Setting the Wiegand start byte failed!</translation>
    </message>
    <message>
        <source>查询Wiegand输出起始字节参数失败！</source>
        <translation>Querying the Wiegand start byte failed!</translation>
    </message>
    <message>
        <source>设置通信口参数成功 !</source>
        <translation>Communication port set!</translation>
    </message>
    <message>
        <source>设置通信口参数失败 !</source>
        <translation>Setting the communication port failed!</translation>
    </message>
    <message>
        <source>查询通信口参数成功!</source>
        <translation>Communication port queried!</translation>
    </message>
    <message>
        <source>查询通信口参数失败!</source>
        <translation>Querying the communication port failed!</translation>
    </message>
</context>
<context>
    <name>ConnectionGroup</name>
    <message>
        <source>选用查找到的读写器：站%1，%2 bps !</source>
        <translation>Using the reader found: station %1, %2 bps !</translation>
    </message>
    <message>
        <source>通信设置</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>通信口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Rate</translation>
    </message>
    <message>
        <source>站地址</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>联机</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>断开连接</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>更新数据</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>任意站</source>
        <translation>Any station</translation>
    </message>
    <message>
        <source>站%1</source>
        <translation>Station %1</translation>
    </message>
    <message>
        <source>IP地址</source>
        <translation>IP</translation>
    </message>
    <message>
        <source>打开读写器不成功 !</source>
        <translation>Opening the reader failed!</translation>
    </message>
    <message>
        <source>:Closed</source>
        <translation>:Closed</translation>
    </message>
    <message>
        <source>打开读写器成功 !</source>
        <translation>Reader opened!</translation>
    </message>
    <message>
        <source>:打开</source>
        <translation>:On</translation>
    </message>
    <message>
        <source>设置波特率不成功 !</source>
        <translation>Setting the baud rate failed!</translation>
    </message>
    <message>
        <source>通信异常</source>
        <translation>Link error</translation>
    </message>
    <message>
        <source>:关闭</source>
        <translation>:Off</translation>
    </message>
    <message>
        <source>设置波特率成功 !</source>
        <translation>Baud rate set!</translation>
    </message>
    <message>
        <source>通信正常</source>
        <translation>Link OK</translation>
    </message>
    <message>
        <source>读写器固件程序版本是V</source>
        <translation>Reader firmware version V</translation>
    </message>
    <message>
        <source>读写器SDK版本是V</source>
        <translation>Reader SDK version V</translation>
    </message>
    <message>
        <source>更新读写器工作参数成功 !</source>
        <translation>Reader working parameters updated!</translation>
    </message>
    <message>
        <source>更新读写器工作参数不成功 !</source>
        <translation>Updating reader working parameters failed!</translation>
    </message>
    <message>
        <source>无串口设备</source>
        <translation>No serial device</translation>
    </message>
    <message>
        <source>无USB设备</source>
        <translation>No USB device</translation>
    </message>
    <message>
        <source>站地址“%1”无效，仍为“%2” !</source>
        <translation>Station address “%1” is invalid; it stays “%2”!</translation>
    </message>
</context>
<context>
    <name>ConversionError</name>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>&apos;%1&apos; is not a valid integer value</translation>
    </message>
</context>
<context>
    <name>DataFormatPage</name>
    <message>
        <source>主动上传</source>
        <translation>Upload</translation>
    </message>
    <message>
        <source>数据格式</source>
        <translation>Data format</translation>
    </message>
    <message>
        <source>设置数据帧参数成功 !</source>
        <translation>Data frame set!</translation>
    </message>
    <message>
        <source>设置数据帧参数失败 !</source>
        <translation>Setting the data frame failed!</translation>
    </message>
    <message>
        <source>查询数据帧参数成功 !</source>
        <translation>Data frame queried!</translation>
    </message>
    <message>
        <source>查询数据帧参数失败 !</source>
        <translation>Querying the data frame failed!</translation>
    </message>
</context>
<context>
    <name>DataFramePage</name>
    <message>
        <source>HEX 格式</source>
        <translation>HEX</translation>
    </message>
    <message>
        <source>ASCII 格式</source>
        <translation>ASCII</translation>
    </message>
    <message>
        <source>前导码</source>
        <translation>Preamble</translation>
    </message>
    <message>
        <source>数据：</source>
        <translation>Data:</translation>
    </message>
    <message>
        <source>读写器编号</source>
        <translation>Reader no.</translation>
    </message>
    <message>
        <source>标签 ID</source>
        <translation>Tag ID</translation>
    </message>
    <message>
        <source>字节数：</source>
        <translation>Bytes:</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>起始字节：</source>
        <translation>First byte:</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>结束码</source>
        <translation>End code</translation>
    </message>
    <message>
        <source>设置输出数据格式参数失败 !</source>
        <translation>Setting the output data format failed!</translation>
    </message>
    <message>
        <source>查询输出数据格式参数失败 !</source>
        <translation>Querying the output data format failed!</translation>
    </message>
    <message>
        <source>设置数据格式标志参数失败 !</source>
        <translation>Setting the data format flags failed!</translation>
    </message>
    <message>
        <source>查询数据格式标志参数失败 !</source>
        <translation>Querying the data format flags failed!</translation>
    </message>
    <message>
        <source>设置输出标签起始字节和字节数参数失败 !</source>
        <translation>Setting the tag first byte and byte count failed!</translation>
    </message>
    <message>
        <source>查询输出标签起始字节和字节数参数失败 !</source>
        <translation>Querying the tag first byte and byte count failed!</translation>
    </message>
    <message>
        <source>设置前导码参数失败 !</source>
        <translation>Setting the preamble failed!</translation>
    </message>
    <message>
        <source>查询前导码参数失败 !</source>
        <translation>Querying the preamble failed!</translation>
    </message>
    <message>
        <source>设置结束码参数失败 !</source>
        <translation>Setting the end code failed!</translation>
    </message>
    <message>
        <source>查询结束码参数失败 !</source>
        <translation>Querying the end code failed!</translation>
    </message>
</context>
<context>
    <name>ExtendedFunctionPage</name>
    <message>
        <source>离线功能</source>
        <translation>Offline function</translation>
    </message>
    <message>
        <source>使能离线功能</source>
        <translation>Enable offline</translation>
    </message>
    <message>
        <source>保存记录间隔</source>
        <translation>Save interval</translation>
    </message>
    <message>
        <source>65535</source>
        <translation>65535</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>读写器属性</source>
        <translation>Reader properties</translation>
    </message>
    <message>
        <source>加密模式</source>
        <translation>Encrypt</translation>
    </message>
    <message>
        <source>无加密模式</source>
        <translation>None</translation>
    </message>
    <message>
        <source>厂家加密模式</source>
        <translation>Manufacturer</translation>
    </message>
    <message>
        <source>分享加密模式</source>
        <translation>Shared</translation>
    </message>
    <message>
        <source>客户尊享模式</source>
        <translation>Customer</translation>
    </message>
    <message>
        <source>密钥</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>静态存储</source>
        <translation>Static store</translation>
    </message>
    <message>
        <source>标签过滤</source>
        <translation>Tag filter</translation>
    </message>
    <message>
        <source>标签抑制因子</source>
        <translation>Suppression</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>9</source>
        <translation>9</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>标签值区间</source>
        <translation>Value range</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>读写器安装属性</source>
        <translation>Reader mounting</translation>
    </message>
    <message>
        <source>门外侧位置</source>
        <translation>Outside door</translation>
    </message>
    <message>
        <source>门内侧位置</source>
        <translation>Inside door</translation>
    </message>
    <message>
        <source>设置离线功能使能参数失败 !</source>
        <translation>Setting offline enabling failed!</translation>
    </message>
    <message>
        <source>查询离线功能使能参数失败 !</source>
        <translation>Querying offline enabling failed!</translation>
    </message>
    <message>
        <source>设置离线功能保存记录时间间隔参数失败 !</source>
        <translation>Setting the offline record save interval failed!</translation>
    </message>
    <message>
        <source>查询离线功能保存记录时间间隔参数失败 !</source>
        <translation>Querying the offline record save interval failed!</translation>
    </message>
    <message>
        <source>设置ID加密模式参数失败 !</source>
        <translation>Setting the ID encryption mode failed!</translation>
    </message>
    <message>
        <source>查询ID加密模式参数失败 !</source>
        <translation>Querying the ID encryption mode failed!</translation>
    </message>
    <message>
        <source>设置密钥参数失败 !</source>
        <translation>Setting the key failed!</translation>
    </message>
    <message>
        <source>设置标签抑制因子参数失败 !</source>
        <translation>Setting the tag suppression factor failed!</translation>
    </message>
    <message>
        <source>查询标签抑制因子参数失败 !</source>
        <translation>Querying the tag suppression factor failed!</translation>
    </message>
    <message>
        <source>设置标签过滤标志参数失败 !</source>
        <translation>Setting the tag filter flag failed!</translation>
    </message>
    <message>
        <source>查询标签过滤标志参数失败 !</source>
        <translation>Querying the tag filter flag failed!</translation>
    </message>
    <message>
        <source>设置标签最小和最大值失败 !</source>
        <translation>Setting the tag minimum and maximum failed!</translation>
    </message>
    <message>
        <source>查询标签最小和最大值参数失败 !</source>
        <translation>Querying the tag minimum and maximum failed!</translation>
    </message>
    <message>
        <source>设置读写器安装属性参数失败 !</source>
        <translation>Setting the reader mounting failed!</translation>
    </message>
    <message>
        <source>查询读写器安装属性参数失败 !</source>
        <translation>Querying the reader mounting failed!</translation>
    </message>
    <message>
        <source>设置读写器参数成功 !</source>
        <translation>Reader parameters set!</translation>
    </message>
    <message>
        <source>设置读写器参数失败 !</source>
        <translation>Setting reader parameters failed!</translation>
    </message>
    <message>
        <source>查询读写器参数成功 !</source>
        <translation>Reader parameters queried!</translation>
    </message>
    <message>
        <source>查询读写器参数失败 !</source>
        <translation>Querying reader parameters failed!</translation>
    </message>
</context>
<context>
    <name>PositioningPage</name>
    <message>
        <source>普通读卡</source>
        <translation>Normal read</translation>
    </message>
    <message>
        <source>定位读卡</source>
        <translation>Positioning</translation>
    </message>
    <message>
        <source>定位灵敏度：</source>
        <translation>Sensitivity:</translation>
    </message>
    <message>
        <source>失效判定：</source>
        <translation>Tag lost after:</translation>
    </message>
    <message>
        <source>查询读写器读卡模式参数失败！</source>
        <translation>Querying the reading mode failed!</translation>
    </message>
    <message>
        <source>设置定位灵敏读参数失败！</source>
        <translation>Setting the positioning sensitivity failed!</translation>
    </message>
    <message>
        <source>查询定位灵敏读参数失败！</source>
        <translation>Querying the positioning sensitivity failed!</translation>
    </message>
    <message>
        <source>设置标签失效判定灵敏度参数失败！</source>
        <translation>Setting the tag-lost judgement failed!</translation>
    </message>
    <message>
        <source>查询标签失效判定灵敏度参数失败！</source>
        <translation>Querying the tag-lost judgement failed!</translation>
    </message>
    <message>
        <source>设置Kelvarn参数成功！</source>
        <translation>Kelvarn parameters set!</translation>
    </message>
    <message>
        <source>设置Kelvarn参数失败！</source>
        <translation>Setting Kelvarn parameters failed!</translation>
    </message>
    <message>
        <source>查询Kelvarn参数成功！</source>
        <translation>Kelvarn parameters queried!</translation>
    </message>
    <message>
        <source>查询Kelvarn参数失败！</source>
        <translation>Querying Kelvarn parameters failed!</translation>
    </message>
</context>
<context>
    <name>ProductPage</name>
    <message>
        <source>产品标识设置</source>
        <translation>Product identity</translation>
    </message>
    <message>
        <source>产品型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>QLX-7311E</source>
        <translation>QLX-7311E</translation>
    </message>
    <message>
        <source>QLX-7321E</source>
        <translation>QLX-7321E</translation>
    </message>
    <message>
        <source>QLX-7331</source>
        <translation>QLX-7331</translation>
    </message>
    <message>
        <source>QLX-7311R</source>
        <translation>QLX-7311R</translation>
    </message>
    <message>
        <source>QLX-7321R</source>
        <translation>QLX-7321R</translation>
    </message>
    <message>
        <source>QLX-7331R</source>
        <translation>QLX-7331R</translation>
    </message>
    <message>
        <source>产品序列号</source>
        <translation>Serial no.</translation>
    </message>
    <message>
        <source>0001</source>
        <translation>0001</translation>
    </message>
    <message>
        <source>读写器幻数</source>
        <translation>Magic no.</translation>
    </message>
    <message>
        <source>6461</source>
        <translation>6461</translation>
    </message>
    <message>
        <source>PCB设置</source>
        <translation>PCB</translation>
    </message>
    <message>
        <source>PCB标志</source>
        <translation>PCB identity</translation>
    </message>
    <message>
        <source>QLX_PCB_018</source>
        <translation>QLX_PCB_018</translation>
    </message>
    <message>
        <source>QLX_PCB_020</source>
        <translation>QLX_PCB_020</translation>
    </message>
    <message>
        <source>QLX_PCB_031</source>
        <translation>QLX_PCB_031</translation>
    </message>
    <message>
        <source>QLX_PCB_032</source>
        <translation>QLX_PCB_032</translation>
    </message>
    <message>
        <source>QLX_PCB_034</source>
        <translation>QLX_PCB_034</translation>
    </message>
    <message>
        <source>QLX_PCB_035</source>
        <translation>QLX_PCB_035</translation>
    </message>
    <message>
        <source>PCB版本</source>
        <translation>PCB version</translation>
    </message>
    <message>
        <source>V1.0</source>
        <translation>V1.0</translation>
    </message>
    <message>
        <source>V1.1</source>
        <translation>V1.1</translation>
    </message>
    <message>
        <source>V1.2</source>
        <translation>V1.2</translation>
    </message>
    <message>
        <source>V1.3</source>
        <translation>V1.3</translation>
    </message>
    <message>
        <source>V1.4</source>
        <translation>V1.4</translation>
    </message>
    <message>
        <source>V1.5</source>
        <translation>V1.5</translation>
    </message>
    <message>
        <source>V1.6</source>
        <translation>V1.6</translation>
    </message>
    <message>
        <source>V1.7</source>
        <translation>V1.7</translation>
    </message>
    <message>
        <source>V1.8</source>
        <translation>V1.8</translation>
    </message>
    <message>
        <source>V1.9</source>
        <translation>V1.9</translation>
    </message>
    <message>
        <source>设置PCB主板标识参数失败 !</source>
        <translation>Setting the PCB identity failed!</translation>
    </message>
    <message>
        <source>查询PCB主板标识参数失败 !</source>
        <translation>Querying the PCB identity failed!</translation>
    </message>
    <message>
        <source>设置PCB主板版本参数失败 !</source>
        <translation>Setting the PCB version failed!</translation>
    </message>
    <message>
        <source>查询PCB板版本参数失败 !</source>
        <translation>Querying the PCB version failed!</translation>
    </message>
    <message>
        <source>设置产品序列号参数失败 !</source>
        <translation>Setting the serial number failed!</translation>
    </message>
    <message>
        <source>设置产品参数成功 !</source>
        <translation>Product parameters set!</translation>
    </message>
    <message>
        <source>设置产品参数失败 !</source>
        <translation>Setting product parameters failed!</translation>
    </message>
    <message>
        <source>查询产品标志参数失败 !</source>
        <translation>Querying the product identity failed!</translation>
    </message>
    <message>
        <source>产品标志参数无效 !</source>
        <translation>Invalid product identity!</translation>
    </message>
    <message>
        <source>查询产品参数成功 !</source>
        <translation>Product parameters queried!</translation>
    </message>
    <message>
        <source>查询产品参数失败 !</source>
        <translation>Querying product parameters failed!</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>参数配置程序</source>
        <translation>Reader Configuration</translation>
    </message>
</context>
<context>
    <name>ReaderLibrary</name>
    <message>
        <source>原因: %1</source>
        <translation>Reason: %1</translation>
    </message>
</context>
<context>
    <name>ReaderParametersPage</name>
    <message>
        <source>基本功能</source>
        <translation>Basic</translation>
    </message>
    <message>
        <source>扩展功能</source>
        <translation>Extended</translation>
    </message>
</context>
<context>
    <name>RfBasicPage</name>
    <message>
        <source>衰减系数</source>
        <translation>Attenuation</translation>
    </message>
    <message>
        <source>通道一系数</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <source>通道二系数</source>
        <translation>Channel 2</translation>
    </message>
    <message>
        <source>RSSI 参数</source>
        <translation>RSSI</translation>
    </message>
    <message>
        <source>设置衰减系数失败 !</source>
        <translation>Setting the attenuation failed!</translation>
    </message>
    <message>
        <source>查询通道衰减系数失败 !</source>
        <translation>Querying the channel attenuation failed!</translation>
    </message>
    <message>
        <source>设置RSSI参数失败！</source>
        <translation>Setting RSSI failed!</translation>
    </message>
    <message>
        <source>查询RSSI参数失败！</source>
        <translation>Querying RSSI failed!</translation>
    </message>
    <message>
        <source>%1 dB</source>
        <translation>%1 dB</translation>
    </message>
</context>
<context>
    <name>RfChannelPage</name>
    <message>
        <source>模块%1</source>
        <translation>Module %1</translation>
    </message>
    <message>
        <source>设置频率参数失败！</source>
        <translation>Setting the frequency failed!</translation>
    </message>
    <message>
        <source>查询频率参数失败！</source>
        <translation>Querying the frequency failed!</translation>
    </message>
    <message>
        <source>设置功率和速率参数失败！</source>
        <translation>Setting the power and rate failed!</translation>
    </message>
    <message>
        <source>查询功率和速率参数失败！</source>
        <translation>Querying the power and rate failed!</translation>
    </message>
    <message>
        <source>设置标签类型参数失败！</source>
        <translation>Setting the tag type failed!</translation>
    </message>
    <message>
        <source>查询标签类型参数失败！</source>
        <translation>Querying the tag type failed!</translation>
    </message>
    <message>
        <source>%1 MHz</source>
        <translation>%1 MHz</translation>
    </message>
</context>
<context>
    <name>RfModuleGroup</name>
    <message>
        <source>模块</source>
        <translation>Module</translation>
    </message>
    <message>
        <source>频率</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>功率</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>Level 0</source>
        <translation>Level 0</translation>
    </message>
    <message>
        <source>Level 1</source>
        <translation>Level 1</translation>
    </message>
    <message>
        <source>Level 2</source>
        <translation>Level 2</translation>
    </message>
    <message>
        <source>Level 3</source>
        <translation>Level 3</translation>
    </message>
    <message>
        <source>Level 4</source>
        <translation>Level 4</translation>
    </message>
    <message>
        <source>Level 5</source>
        <translation>Level 5</translation>
    </message>
    <message>
        <source>Level 6</source>
        <translation>Level 6</translation>
    </message>
    <message>
        <source>Level 7</source>
        <translation>Level 7</translation>
    </message>
    <message>
        <source>Level 8</source>
        <translation>Level 8</translation>
    </message>
    <message>
        <source>Level 9</source>
        <translation>Level 9</translation>
    </message>
    <message>
        <source>Level 10</source>
        <translation>Level 10</translation>
    </message>
    <message>
        <source>Level 11</source>
        <translation>Level 11</translation>
    </message>
    <message>
        <source>Level 12</source>
        <translation>Level 12</translation>
    </message>
    <message>
        <source>Level 13</source>
        <translation>Level 13</translation>
    </message>
    <message>
        <source>Level 14</source>
        <translation>Level 14</translation>
    </message>
    <message>
        <source>Level 15</source>
        <translation>Level 15</translation>
    </message>
    <message>
        <source>速率</source>
        <translation>Rate</translation>
    </message>
    <message>
        <source>250  Kbps</source>
        <translation>250  Kbps</translation>
    </message>
    <message>
        <source>500  Kbps</source>
        <translation>500  Kbps</translation>
    </message>
    <message>
        <source>1000 Kbps</source>
        <translation>1000 Kbps</translation>
    </message>
    <message>
        <source>2000 Kbps</source>
        <translation>2000 Kbps</translation>
    </message>
    <message>
        <source>标签</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>Type 1</source>
        <translation>Type 1</translation>
    </message>
    <message>
        <source>Type 2</source>
        <translation>Type 2</translation>
    </message>
    <message>
        <source>Type 3</source>
        <translation>Type 3</translation>
    </message>
    <message>
        <source>Type 4</source>
        <translation>Type 4</translation>
    </message>
    <message>
        <source>Type 5</source>
        <translation>Type 5</translation>
    </message>
    <message>
        <source>Type 6</source>
        <translation>Type 6</translation>
    </message>
    <message>
        <source>Type 7</source>
        <translation>Type 7</translation>
    </message>
    <message>
        <source>Type 8</source>
        <translation>Type 8</translation>
    </message>
    <message>
        <source>Type 9</source>
        <translation>Type 9</translation>
    </message>
    <message>
        <source>Type 10</source>
        <translation>Type 10</translation>
    </message>
    <message>
        <source>Type 11</source>
        <translation>Type 11</translation>
    </message>
    <message>
        <source>Type 12</source>
        <translation>Type 12</translation>
    </message>
    <message>
        <source>Type 13</source>
        <translation>Type 13</translation>
    </message>
    <message>
        <source>Type 14</source>
        <translation>Type 14</translation>
    </message>
    <message>
        <source>Type 15</source>
        <translation>Type 15</translation>
    </message>
    <message>
        <source>Type 16</source>
        <translation>Type 16</translation>
    </message>
    <message>
        <source>Type 17</source>
        <translation>Type 17</translation>
    </message>
    <message>
        <source>Type 18</source>
        <translation>Type 18</translation>
    </message>
    <message>
        <source>Type 19</source>
        <translation>Type 19</translation>
    </message>
    <message>
        <source>Type 20</source>
        <translation>Type 20</translation>
    </message>
</context>
<context>
    <name>RfPage</name>
    <message>
        <source>基本参数</source>
        <translation>Basic</translation>
    </message>
    <message>
        <source>通道一设置</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <source>通道二设置</source>
        <translation>Channel 2</translation>
    </message>
    <message>
        <source>设置射频参数成功！</source>
        <translation>RF parameters set!</translation>
    </message>
    <message>
        <source>设置射频参数失败！</source>
        <translation>Setting RF parameters failed!</translation>
    </message>
    <message>
        <source>查询射频参数成功！</source>
        <translation>RF parameters queried!</translation>
    </message>
    <message>
        <source>查询射频参数失败！</source>
        <translation>Querying RF parameters failed!</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>读写器参数配置程序（V1.4.2.1）</source>
        <translation>Reader Configuration (V1.4.2.1)</translation>
    </message>
    <message>
        <source>清除操作提示</source>
        <translation>Clear log</translation>
    </message>
    <message>
        <source>默认参数</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>查询参数</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>设置参数</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>产品参数</source>
        <translation>Product</translation>
    </message>
    <message>
        <source>读写器参数</source>
        <translation>Reader</translation>
    </message>
    <message>
        <source>通信口参数</source>
        <translation>Comm port</translation>
    </message>
    <message>
        <source>数据格式</source>
        <translation>Data format</translation>
    </message>
    <message>
        <source>射频参数</source>
        <translation>RF</translation>
    </message>
    <message>
        <source>Kelvarn</source>
        <translation>Kelvarn</translation>
    </message>
    <message>
        <source>COM1:关闭</source>
        <translation>COM1:Off</translation>
    </message>
    <message>
        <source>程序正常运行 !</source>
        <translation>Program running normally!</translation>
    </message>
</context>
<context>
    <name>TForm2</name>
    <message>
        <source>选择端口</source>
        <translation>Select port</translation>
    </message>
    <message>
        <source>端口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TForm3</name>
    <message>
        <source>批量配置参数</source>
        <translation>Batch configuration</translation>
    </message>
    <message>
        <source>从文件导入</source>
        <translation>Load from file</translation>
    </message>
    <message>
        <source>保存到文件</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>从读写器导出</source>
        <translation>Export from reader</translation>
    </message>
    <message>
        <source>导入到读写器</source>
        <translation>Import into reader</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>从读写器导出参数成功!</source>
        <translation>Parameters exported from the reader!</translation>
    </message>
    <message>
        <source>从读写器导出参数失败!</source>
        <translation>Exporting parameters from the reader failed!</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>导入参数到读写器成功!</source>
        <translation>Parameters imported into the reader!</translation>
    </message>
    <message>
        <source>导入参数到读写器失败!</source>
        <translation>Importing parameters into the reader failed!</translation>
    </message>
    <message>
        <source>无效行: %1</source>
        <translation>Invalid lines: %1</translation>
    </message>
</context>
<context>
    <name>UploadPage</name>
    <message>
        <source>即时上传</source>
        <translation>Immediate</translation>
    </message>
    <message>
        <source>定时上传</source>
        <translation>Timed</translation>
    </message>
    <message>
        <source>定时时间：</source>
        <translation>Interval:</translation>
    </message>
    <message>
        <source>20</source>
        <translation>20</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>Wiegand</source>
        <translation>Wiegand</translation>
    </message>
    <message>
        <source>RS-232</source>
        <translation>RS-232</translation>
    </message>
    <message>
        <source>RS-485</source>
        <translation>RS-485</translation>
    </message>
    <message>
        <source>TCP/IP</source>
        <translation>TCP/IP</translation>
    </message>
    <message>
        <source>USB</source>
        <translation>USB</translation>
    </message>
    <message>
        <source>CAN</source>
        <translation>CAN</translation>
    </message>
    <message>
        <source>USB-Keyboard</source>
        <translation>USB-Keyboard</translation>
    </message>
    <message>
        <source>COM-Keyboard</source>
        <translation>COM-Keyboard</translation>
    </message>
    <message>
        <source>设置即时/定时发送参数失败 !</source>
        <translation>Setting immediate/timed upload failed!</translation>
    </message>
    <message>
        <source>查询即时/定时发送参数失败！</source>
        <translation>Querying immediate/timed upload failed!</translation>
    </message>
    <message>
        <source>定时发送时间参数失败 !</source>
        <translation>Setting the upload interval failed!</translation>
    </message>
    <message>
        <source>查询定时发送时间参数失败 !</source>
        <translation>Querying the upload interval failed!</translation>
    </message>
    <message>
        <source>设置通信口参数失败 !</source>
        <translation>Setting the comm port failed!</translation>
    </message>
    <message>
        <source>查询通信口参数失败！</source>
        <translation>Querying the comm port failed!</translation>
    </message>
</context>
<context>
    <name>batchfile</name>
    <message>
        <source>Unable to create backup file.</source>
        <translation>Unable to create backup file.</translation>
    </message>
    <message>
        <source>Cannot write file &quot;%1&quot;. %2</source>
        <translation>Cannot write file &quot;%1&quot;. %2</translation>
    </message>
    <message>
        <source>Cannot open file &quot;%1&quot;. %2</source>
        <translation>Cannot open file &quot;%1&quot;. %2</translation>
    </message>
    <message>
        <source>File &quot;%1&quot; is too large for a batch text.</source>
        <translation>File &quot;%1&quot; is too large for a batch text.</translation>
    </message>
    <message>
        <source>Cannot tell whether file &quot;%1&quot; exists. %2</source>
        <translation>Cannot tell whether file &quot;%1&quot; exists. %2</translation>
    </message>
    <message>
        <source>Unable to create backup file. &quot;%1&quot; holds the new text; its previous content is in &quot;%2&quot;.</source>
        <translation>Unable to create backup file. &quot;%1&quot; holds the new text; its previous content is in &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was saved, but may not have reached the disk. %2</source>
        <translation>&quot;%1&quot; was saved, but may not have reached the disk. %2</translation>
    </message>
</context>
<context>
    <name>WindowLanguage</name>
    <message>
        <location filename="../params/ModelItems.cpp" line="10"/>
        <source>zh</source>
        <comment>The language of the window&apos;s texts: en for English.</comment>
        <translation>en</translation>
    </message>
</context>
<context>
    <name>TrafficMonitor</name>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>保存…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>通信监视</source>
        <translation>Traffic monitor</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>链路</source>
        <translation>Link</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Dir.</translation>
    </message>
    <message>
        <source>字节</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>含义</source>
        <translation>Meaning</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Request</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>（%1 ms）</source>
        <translation> (%1 ms)</translation>
    </message>
    <message>
        <source>保存通信记录</source>
        <translation>Save the traffic</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>无法保存到“%1” !</source>
        <translation>Cannot save to “%1”.</translation>
    </message>
</context>
<context>
    <name>FindReaderDialog</name>
    <message>
        <source>站%1超出本程序的站地址（1-%2）!</source>
        <translation>Station %1 is beyond this program's stations (1-%2)!</translation>
    </message>
    <message>
        <source>开始查找</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>选用</source>
        <translation>Use</translation>
    </message>
    <message>
        <source>查找读写器</source>
        <translation>Find a reader</translation>
    </message>
    <message>
        <source>站号</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Rate</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>串口：%1</source>
        <translation>Port: %1</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>站号范围</source>
        <translation>Stations</translation>
    </message>
    <message>
        <source>请先在通信口中选择一个串口 !</source>
        <translation>Choose a serial port in the link box first !</translation>
    </message>
    <message>
        <source>正在查找…</source>
        <translation>Searching…</translation>
    </message>
    <message>
        <source>正在停止…</source>
        <translation>Stopping…</translation>
    </message>
    <message>
        <source>正在查找：站%1，%2 bps</source>
        <translation>Searching: station %1, %2 bps</translation>
    </message>
    <message>
        <source>查找失败：%1</source>
        <translation>Search failed: %1</translation>
    </message>
    <message>
        <source>已停止，找到%1台读写器</source>
        <translation>Stopped: %1 reader(s) found</translation>
    </message>
    <message>
        <source>查找完成，找到%1台读写器</source>
        <translation>Done: %1 reader(s) found</translation>
    </message>
</context>
</TS>
