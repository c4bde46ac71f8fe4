<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>AlarmMessageDialog</name>
    <message>
        <source>消息</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>闹钟 %1</source>
        <translation>Alarm %1</translation>
    </message>
</context>
<context>
    <name>AlarmNotices</name>
    <message>
        <source>闹钟 %1</source>
        <translation>Alarm %1</translation>
    </message>
    <message>
        <source>（晚了 %1 分钟）</source>
        <translation> (%1 min late)</translation>
    </message>
    <message>
        <source>错过的闹钟</source>
        <translation>Missed alarms</translation>
    </message>
    <message>
        <source>Zelka! 已退出：下一个闹钟 %1 不会响</source>
        <translation>Zelka! has quit: the next alarm, %1, will not ring</translation>
    </message>
    <message>
        <source>闹钟只在 Zelka! 运行时响。</source>
        <translation>Alarms ring only while Zelka! is running.</translation>
    </message>
    <message>
        <source>此电脑睡眠时无法唤醒</source>
        <translation>This computer cannot be woken from sleep</translation>
    </message>
    <message>
        <source>闹钟只在电脑醒着时响。要让它从睡眠中唤醒电脑，请安装 Zelka! 的 Debian 软件包，或运行：
sudo setcap cap_wake_alarm+ep %1</source>
        <translation>Alarms ring only while the computer is awake. To let them wake it from sleep, install the Zelka! Debian package, or run:
sudo setcap cap_wake_alarm+ep %1</translation>
    </message>
    <message>
        <source>闹钟可能听不见：声音输出已静音</source>
        <translation>The alarm may not be heard: the sound output is muted</translation>
    </message>
    <message>
        <source>闹钟可能听不见：声音输出的音量低于 10%</source>
        <translation>The alarm may not be heard: the sound output&apos;s volume is below 10%</translation>
    </message>
    <message>
        <source>闹钟可能听不见：没有声音输出设备</source>
        <translation>The alarm may not be heard: there is no sound output device</translation>
    </message>
</context>
<context>
    <name>AlarmSetDialog</name>
    <message>
        <source>闹钟列表:</source>
        <translation>Alarms:</translation>
    </message>
    <message>
        <source>新建(&amp;N)</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>设置(&amp;S)</source>
        <translation>&amp;Set</translation>
    </message>
    <message>
        <source>移除(&amp;R)</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>显示消息:</source>
        <translation>Show message:</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>时间:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>浏览(&amp;B)</source>
        <translation>&amp;Browse</translation>
    </message>
    <message>
        <source>声音:</source>
        <translation>Sound:</translation>
    </message>
    <message>
        <source>设置闹钟</source>
        <translation>Set Alarms</translation>
    </message>
    <message>
        <source>&lt;新建&gt;</source>
        <translation>&lt;New&gt;</translation>
    </message>
    <message>
        <source>没有选择!</source>
        <translation>Nothing selected!</translation>
    </message>
    <message>
        <source>日</source>
        <translation>Su</translation>
    </message>
    <message>
        <source>一</source>
        <translation>Mo</translation>
    </message>
    <message>
        <source>二</source>
        <translation>Tu</translation>
    </message>
    <message>
        <source>三</source>
        <translation>We</translation>
    </message>
    <message>
        <source>四</source>
        <translation>Th</translation>
    </message>
    <message>
        <source>五</source>
        <translation>Fr</translation>
    </message>
    <message>
        <source>六</source>
        <translation>Sa</translation>
    </message>
    <message>
        <source>仅一次</source>
        <translation>Once only</translation>
    </message>
    <message>
        <source>星期日</source>
        <translation>Sunday</translation>
    </message>
    <message>
        <source>星期一</source>
        <translation>Monday</translation>
    </message>
    <message>
        <source>星期二</source>
        <translation>Tuesday</translation>
    </message>
    <message>
        <source>星期三</source>
        <translation>Wednesday</translation>
    </message>
    <message>
        <source>星期四</source>
        <translation>Thursday</translation>
    </message>
    <message>
        <source>星期五</source>
        <translation>Friday</translation>
    </message>
    <message>
        <source>星期六</source>
        <translation>Saturday</translation>
    </message>
    <message>
        <source>从不</source>
        <translation>never</translation>
    </message>
    <message>
        <source>已关</source>
        <translation>off</translation>
    </message>
    <message>
        <source>一次</source>
        <translation>once</translation>
    </message>
    <message>
        <source>请至少选择一天。</source>
        <translation>Please choose at least one day.</translation>
    </message>
    <message>
        <source>小时</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>分钟</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>消息</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>跳过下一次</source>
        <translation>Skip the next ring</translation>
    </message>
    <message>
        <source>暂停至</source>
        <translation>Pause until</translation>
    </message>
    <message>
        <source>跳过至 %1</source>
        <translation>skip to %1</translation>
    </message>
    <message>
        <source>暂停至 %1</source>
        <translation>paused to %1</translation>
    </message>
    <message>
        <source>暂停到的日期</source>
        <translation>Date the pause ends</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>多余的参数：%1</source>
        <translation>unexpected argument: %1</translation>
    </message>
    <message>
        <source>%1 只能给一次</source>
        <translation>%1 can be given only once</translation>
    </message>
    <message>
        <source>%1 和 %2 不能一起用</source>
        <translation>%1 and %2 cannot be used together</translation>
    </message>
    <message>
        <source>没有要做的事：见 --help</source>
        <translation>nothing to do: see --help</translation>
    </message>
    <message>
        <source>%1 只能和 %2 一起用</source>
        <translation>%1 only goes with %2</translation>
    </message>
    <message>
        <source>%1：时间“%2”不对，应为 HH:MM（如 07:30）</source>
        <translation>%1: the time “%2” is not HH:MM (such as 07:30)</translation>
    </message>
    <message>
        <source>--days：“%1”不是星期几（mon tue wed thu fri sat sun，可用 - 和 ,）</source>
        <translation>--days: “%1” is not a set of days (mon tue wed thu fri sat sun, joined by - and ,)</translation>
    </message>
    <message>
        <source>--pause 需要 --until</source>
        <translation>--pause needs --until</translation>
    </message>
    <message>
        <source>--until：日期“%1”不对，应为 YYYY-MM-DD</source>
        <translation>--until: the date “%1” is not YYYY-MM-DD</translation>
    </message>
    <message>
        <source>--in：“%1”不是 1 到 1440 之间的分钟数</source>
        <translation>--in: “%1” is not a number of minutes from 1 to 1440</translation>
    </message>
    <message>
        <source>用法：zelka [命令]
不带命令时启动闹钟；闹钟已在运行时，命令交给它执行。

  --list [--json]                       列出全部闹钟
  --add HH:MM [--days 天] [--once] [--message 文字]
                                        设置闹钟（同一分钟的闹钟被替换）
  --remove HH:MM                        删除闹钟
  --skip-next HH:MM                     跳过下一次
  --pause HH:MM --until YYYY-MM-DD      暂停至该日
  --in 分钟 [--message 文字]            若干分钟后响一次
  --stop                                停止正在响的闹钟
  --snooze                              贪睡
  --next                                显示下一次响铃的时间
  --help                                显示本说明
  --version                             显示版本

天：mon tue wed thu fri sat sun，可写成 mon-fri 或 sat,sun。
出错时退出状态为 1，参数不对时为 64。
</source>
        <translation>Usage: zelka [command]
Without a command, starts the clock; with the clock running, the command goes to it.

  --list [--json]                       list every alarm
  --add HH:MM [--days DAYS] [--once] [--message TEXT]
                                        set an alarm (one at the same minute is replaced)
  --remove HH:MM                        remove an alarm
  --skip-next HH:MM                     skip its next ring
  --pause HH:MM --until YYYY-MM-DD      pause it until that day
  --in MINUTES [--message TEXT]         ring once so many minutes from now
  --stop                                stop the ringing alarm
  --snooze                              snooze the ringing alarm
  --next                                print when the next alarm rings
  --help                                show this text
  --version                             show the version

DAYS: mon tue wed thu fri sat sun, as mon-fri or sat,sun.
The exit status is 1 on a failure, 64 on a bad argument.
</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>没有 %1 的闹钟
</source>
        <translation>No alarm at %1
</translation>
    </message>
    <message>
        <source>没有正在响的闹钟
</source>
        <translation>No alarm is ringing
</translation>
    </message>
    <message>
        <source>没有会响的闹钟
</source>
        <translation>No alarm will ring
</translation>
    </message>
    <message>
        <source>这个命令不改闹钟
</source>
        <translation>This command does not change the alarms
</translation>
    </message>
</context>
<context>
    <name>DataExchange</name>
    <message>
        <source>请输入一个整数。</source>
        <translation>Please enter an integer.</translation>
    </message>
    <message>
        <source>请输入一个介于 %1 和 %2 之间的整数。</source>
        <translation>Please enter an integer between %1 and %2.</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>贪睡</source>
        <translation>Snooze</translation>
    </message>
</context>
<context>
    <name>FaceLabels</name>
    <message>
        <source>设置闹钟</source>
        <translation>Alarm settings</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>星期日</source>
        <translation>Sunday</translation>
    </message>
    <message>
        <source>星期一</source>
        <translation>Monday</translation>
    </message>
    <message>
        <source>星期二</source>
        <translation>Tuesday</translation>
    </message>
    <message>
        <source>星期三</source>
        <translation>Wednesday</translation>
    </message>
    <message>
        <source>星期四</source>
        <translation>Thursday</translation>
    </message>
    <message>
        <source>星期五</source>
        <translation>Friday</translation>
    </message>
    <message>
        <source>星期六</source>
        <translation>Saturday</translation>
    </message>
    <message>
        <source>%1年%2月%3日 %4 %5:%6</source>
        <translation>%4 %3/%2/%1 %5:%6</translation>
    </message>
    <message>
        <source>贪睡</source>
        <translation>Snooze</translation>
    </message>
    <message>
        <source>停止响铃，稍后再响</source>
        <translation>Stop ringing and ring again later</translation>
    </message>
    <message>
        <source>右键或按 S 键：贪睡</source>
        <translation>Right button or S: snooze</translation>
    </message>
    <message>
        <source>方向键或 Tab 键选择，回车键或空格键按下</source>
        <translation>Arrow keys or Tab: choose; Return or Space: press</translation>
    </message>
    <message>
        <source>睡眠时可唤醒</source>
        <translation>Wakes the computer from sleep</translation>
    </message>
    <message>
        <source>此电脑睡眠时无法唤醒</source>
        <translation>This computer cannot be woken from sleep</translation>
    </message>
    <message>
        <source>周日</source>
        <translation>Sun</translation>
    </message>
    <message>
        <source>周一</source>
        <translation>Mon</translation>
    </message>
    <message>
        <source>周二</source>
        <translation>Tue</translation>
    </message>
    <message>
        <source>周三</source>
        <translation>Wed</translation>
    </message>
    <message>
        <source>周四</source>
        <translation>Thu</translation>
    </message>
    <message>
        <source>周五</source>
        <translation>Fri</translation>
    </message>
    <message>
        <source>周六</source>
        <translation>Sat</translation>
    </message>
    <message>
        <source>没有将要响的闹钟</source>
        <translation>No alarm will ring</translation>
    </message>
    <message>
        <source>%1 天 %2 小时</source>
        <translation>%1 d %2 h</translation>
    </message>
    <message>
        <source>%1 小时 %2 分钟</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 分钟</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>下一个闹钟：%1 %2:%3（还有 %4）</source>
        <translation>Next alarm: %1 %2:%3 (in %4)</translation>
    </message>
</context>
<context>
    <name>FaceWindow</name>
    <message>
        <source>无法更改登录时启动的设置：%1</source>
        <translation>Cannot change the start-at-login setting: %1</translation>
    </message>
</context>
<context>
    <name>FilePicker</name>
    <message>
        <source>声音 (*.wav)</source>
        <translation>Sounds (*.wav)</translation>
    </message>
    <message>
        <source>压缩声音 (*.ogg *.oga *.opus *.flac *.mp3)</source>
        <translation>Compressed sounds (*.ogg *.oga *.opus *.flac *.mp3)</translation>
    </message>
</context>
<context>
    <name>LogoDialog</name>
    <message>
        <source>关于 Zelka!</source>
        <translation>About Zelka!</translation>
    </message>
</context>
<context>
    <name>OptionsSheet</name>
    <message>
        <source>总在最前面</source>
        <translation>Always on top</translation>
    </message>
    <message>
        <source>从任务栏中隐藏</source>
        <translation>Hide from the taskbar</translation>
    </message>
    <message>
        <source>登录时启动</source>
        <translation>Start at login</translation>
    </message>
    <message>
        <source>你需重新运行程序，上述修改才能生效。</source>
        <translation>Restart the program for these changes to take effect.</translation>
    </message>
    <message>
        <source>禁用闹钟功能</source>
        <translation>Turn all alarms off</translation>
    </message>
    <message>
        <source>闹钟最大响铃时间</source>
        <translation>Limit the ringing time</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>播放声音间隔时间</source>
        <translation>Chime every</translation>
    </message>
    <message>
        <source>分</source>
        <translation>min</translation>
    </message>
    <message>
        <source>声音:</source>
        <translation>Sound:</translation>
    </message>
    <message>
        <source>浏览(&amp;B)</source>
        <translation>&amp;Browse</translation>
    </message>
    <message>
        <source>( 在1小时内 )</source>
        <translation>(within an hour)</translation>
    </message>
    <message>
        <source>界面</source>
        <translation>Interface</translation>
    </message>
    <message>
        <source>高级</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source>常规响铃</source>
        <translation>Chime</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>应用(&amp;A)</source>
        <translation>&amp;Apply</translation>
    </message>
    <message>
        <source>贪睡时间:</source>
        <translation>Snooze:</translation>
    </message>
    <message>
        <source>分钟</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>渐强:</source>
        <translation>Fade in:</translation>
    </message>
    <message>
        <source>最大响铃秒数</source>
        <translation>Maximum ringing seconds</translation>
    </message>
    <message>
        <source>间隔分钟数</source>
        <translation>Minutes between chimes</translation>
    </message>
    <message>
        <source>选项页</source>
        <translation>Option pages</translation>
    </message>
</context>
<context>
    <name>RingingGuard</name>
    <message>
        <source>闹钟正在响</source>
        <translation>An alarm is ringing</translation>
    </message>
    <message>
        <source>闹钟即将响起</source>
        <translation>An alarm is about to ring</translation>
    </message>
</context>
<context>
    <name>SdlSound</name>
    <message>
        <source>缺少 %1</source>
        <translation>missing %1</translation>
    </message>
    <message>
        <source>无法播放%1：%2</source>
        <translation>Cannot play %1: %2</translation>
    </message>
    <message>
        <source>不是可播放的 WAVE 文件</source>
        <translation>not a playable WAVE file</translation>
    </message>
    <message>
        <source>不是可播放的 WAVE 文件（%1）</source>
        <translation>not a playable WAVE file (%1)</translation>
    </message>
    <message>
        <source>不是可播放的声音文件（WAVE、Ogg、FLAC、MP3 或 Opus）</source>
        <translation>not a playable sound file (WAVE, Ogg, FLAC, MP3 or Opus)</translation>
    </message>
    <message>
        <source>无法解码（%1）</source>
        <translation>cannot be decoded (%1)</translation>
    </message>
    <message>
        <source>文件无法读取（%1）</source>
        <translation>the file cannot be read (%1)</translation>
    </message>
    <message>
        <source>不是普通文件</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>声道数 %1 超出范围</source>
        <translation>a channel count of %1 is out of range</translation>
    </message>
    <message>
        <source>采样率 %1 Hz 超出范围</source>
        <translation>a sample rate of %1 Hz is out of range</translation>
    </message>
    <message>
        <source>每秒字节数为 0</source>
        <translation>a byte rate of 0</translation>
    </message>
    <message>
        <source>块对齐为 0</source>
        <translation>a block alignment of 0</translation>
    </message>
    <message>
        <source>采样位数 %1 超出范围</source>
        <translation>a sample size of %1 bits is out of range</translation>
    </message>
    <message>
        <source>文件读取失败</source>
        <translation>reading the file failed</translation>
    </message>
    <message>
        <source>没有声音数据</source>
        <translation>no sound data</translation>
    </message>
    <message>
        <source>找不到声音库 %1（%2）</source>
        <translation>the sound library %1 cannot be found (%2)</translation>
    </message>
    <message>
        <source>打不开音频设备（%1）</source>
        <translation>the audio device cannot be opened (%1)</translation>
    </message>
    <message>
        <source>音频设备已断开，无法重新打开（%1）</source>
        <translation>the audio device was lost and cannot be opened again (%1)</translation>
    </message>
</context>
<context>
    <name>SettingsFile</name>
    <message>
        <source>%1
文件：%2
原因：%3</source>
        <translation>%1
File: %2
Cause: %3</translation>
    </message>
    <message>
        <source>无法创建设置文件。</source>
        <translation>The settings file cannot be created.</translation>
    </message>
    <message>
        <source>无法写入设置文件。</source>
        <translation>The settings file cannot be written.</translation>
    </message>
    <message>
        <source>无法保留损坏的设置文件的副本。</source>
        <translation>No copy of the damaged settings file can be kept.</translation>
    </message>
    <message>
        <source>它是一个不属于当前用户的符号链接</source>
        <translation>it is a symbolic link that does not belong to the current user</translation>
    </message>
    <message>
        <source>它是指向其他用户的文件的符号链接</source>
        <translation>it is a symbolic link to another user&apos;s file</translation>
    </message>
    <message>
        <source>无法打开声音文件。</source>
        <translation>The sound file cannot be opened.</translation>
    </message>
    <message>
        <source>无法打开设置文件。</source>
        <translation>The settings file cannot be opened.</translation>
    </message>
    <message>
        <source>读取设置文件时出错。</source>
        <translation>Reading the settings file failed.</translation>
    </message>
    <message>
        <source>读取设置文件时内存不足。</source>
        <translation>Out of memory reading the settings file.</translation>
    </message>
    <message>
        <source>无法更改设置文件的属性。</source>
        <translation>The settings file&apos;s permissions cannot be changed.</translation>
    </message>
    <message>
        <source>写入设置文件时内存不足。</source>
        <translation>Out of memory writing the settings file.</translation>
    </message>
    <message>
        <source>设置文件格式错误。</source>
        <translation>The settings file&apos;s format is wrong.</translation>
    </message>
    <message>
        <source>上一次保存在 %1 秒内没有完成。</source>
        <translation>The previous save did not finish within %1 seconds.</translation>
    </message>
</context>
<context>
    <name>SoundPicker</name>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>UpDown</name>
    <message>
        <source>增加</source>
        <translation>Increase</translation>
    </message>
    <message>
        <source>减少</source>
        <translation>Decrease</translation>
    </message>
</context>
<context>
    <name>ZelkaApp</name>
    <message>
        <source>ZELKA!.DAT 已损坏. 设置不会被载入。</source>
        <translation>ZELKA!.DAT is damaged. The settings will not be loaded.</translation>
    </message>
    <message>
        <source>另一个程序占用着 %1 的锁，一秒内没有应答，所以闹钟不能启动。
锁：%2
套接字：%3 (%4)</source>
        <translation>Another program holds the lock on %1 and did not answer within a second, so the clock cannot start.
Lock: %2
Socket: %3 (%4)</translation>
    </message>
    <message>
        <source>正在运行的闹钟没有应答（%1）
</source>
        <translation>The running clock did not answer (%1)
</translation>
    </message>
</context>
</TS>
