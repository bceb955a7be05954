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
        <translation>MAC address</translation>
    </message>
</context>
<context>
    <name>ConnectionGroup</name>
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
        <translation>IP address</translation>
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
</context>
<context>
    <name>QObject</name>
    <message>
        <source>参数配置程序</source>
        <translation>Reader Configuration</translation>
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
        <translation>Port number</translation>
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
</context>
</TS>
