<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>BrowseDialog</name>
    <message>
        <source>Open Directory</source>
        <translation>打开目录</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Make New Folder</source>
        <translation>新建文件夹</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Browse For Folder</source>
        <translation>浏览文件夹</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>新建文件夹</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>创建目录</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>无法创建目录。</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>New Folder</source>
        <translation>新建文件夹</translation>
    </message>
    <message>
        <source>Welcome to Tessaly Sync!</source>
        <translation>欢迎使用 Tessaly Sync！</translation>
    </message>
    <message>
        <source>Please select the folders you want to backup</source>
        <translation>请选择要备份的文件夹</translation>
    </message>
    <message>
        <source>Please specify the extension which will be included</source>
        <translation>请指定要包含的扩展名</translation>
    </message>
    <message>
        <source>e.g: *.txt</source>
        <translation>例如：*.txt</translation>
    </message>
    <message>
        <source>Please select a backup destination device</source>
        <translation>请选择备份目标设备</translation>
    </message>
    <message>
        <source>Please enter user name and password</source>
        <translation>请输入用户名和密码</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>计划</translation>
    </message>
    <message>
        <source>  Manually</source>
        <translation>  手动</translation>
    </message>
    <message>
        <source>  Monthly</source>
        <translation>  每月</translation>
    </message>
    <message>
        <source>  Weekly</source>
        <translation>  每周</translation>
    </message>
    <message>
        <source>  Daily</source>
        <translation>  每天</translation>
    </message>
    <message>
        <source>Backup action</source>
        <translation>备份方式</translation>
    </message>
    <message>
        <source>Incremental Backup</source>
        <translation>增量备份</translation>
    </message>
    <message>
        <source>Full Backup</source>
        <translation>完整备份</translation>
    </message>
    <message>
        <source>Sun</source>
        <translation>周日</translation>
    </message>
    <message>
        <source>Mon</source>
        <translation>周一</translation>
    </message>
    <message>
        <source>Tue</source>
        <translation>周二</translation>
    </message>
    <message>
        <source>Wed</source>
        <translation>周三</translation>
    </message>
    <message>
        <source>Thu</source>
        <translation>周四</translation>
    </message>
    <message>
        <source>Fri</source>
        <translation>周五</translation>
    </message>
    <message>
        <source>Sat</source>
        <translation>周六</translation>
    </message>
    <message>
        <source>Please select the backup action and the schedule</source>
        <translation>请选择备份方式和计划</translation>
    </message>
    <message>
        <source>Next &gt;&gt;</source>
        <translation>下一步 &gt;&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>&lt;&lt; Back</source>
        <translation>&lt;&lt; 上一步</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>Please select a backup destination folder</source>
        <translation>请选择备份目标文件夹</translation>
    </message>
    <message>
        <source>New Backup</source>
        <translation>新建备份</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>所有文件</translation>
    </message>
    <message>
        <source>Specify Extensions</source>
        <translation>指定扩展名</translation>
    </message>
    <message>
        <source>Video (*.avi,*.wmv,*.mp4......)</source>
        <translation>视频 (*.avi,*.wmv,*.mp4......)</translation>
    </message>
    <message>
        <source>Picture (*.jpg,*.bmp,*.gif......)</source>
        <translation>图片 (*.jpg,*.bmp,*.gif......)</translation>
    </message>
    <message>
        <source>Audio (*.mp3,*.wma,*.wav......)</source>
        <translation>音频 (*.mp3,*.wma,*.wav......)</translation>
    </message>
    <message>
        <source>Customize</source>
        <translation>自定义</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>刷新</translation>
    </message>
    <message>
        <source>An incremental backup preserves data of source folder(s) based on the differences in those data. You can get your previous versions of the same file(s) from previous backups.</source>
        <translation>增量备份根据源文件夹中数据的变化来保存数据。您可以从以前的备份中取回同一文件的早期版本。</translation>
    </message>
    <message>
        <source>A full backup is a backup of the source folder(s), whether that file has changed or not.There is only the last copy of your file(s) in destination.</source>
        <translation>完整备份会备份源文件夹中的所有文件，无论文件是否有更改。目标位置只保留文件的最新副本。</translation>
    </message>
    <message>
        <source>User Account</source>
        <translation>用户账户</translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation>设备型号</translation>
    </message>
    <message>
        <source>This wizard will guide you through setting up a new backup task.  Begin by entering the name of the backup task: </source>
        <translation>本向导将引导您设置新的备份任务。首先请输入备份任务的名称：</translation>
    </message>
    <message>
        <source>The summary of destination</source>
        <translation>目标摘要</translation>
    </message>
    <message>
        <source>Edit the name of the backup task</source>
        <translation>编辑备份任务的名称</translation>
    </message>
    <message>
        <source>Create Folder</source>
        <translation>创建文件夹</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>目标</translation>
    </message>
    <message>
        <source>Backup Now</source>
        <translation>立即备份</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>还原</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>来源</translation>
    </message>
    <message>
        <source>Please select where you want to restore:</source>
        <translation>请选择还原位置：</translation>
    </message>
    <message>
        <source>Please select the version you want to restore:</source>
        <translation>请选择要还原的版本：</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>浏览</translation>
    </message>
    <message>
        <source>Original path</source>
        <translation>原始路径</translation>
    </message>
    <message>
        <source>New path</source>
        <translation>新路径</translation>
    </message>
    <message>
        <source>Clear Logs</source>
        <translation>清除日志</translation>
    </message>
    <message>
        <source>Backup Name</source>
        <translation>备份名称</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>Finish Time</source>
        <translation>结束时间</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>描述</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>默认</translation>
    </message>
    <message>
        <source>Backup Configuration</source>
        <translation>备份配置</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>Email Notification</source>
        <translation>电子邮件通知</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>日志</translation>
    </message>
    <message>
        <source>Backup/Restore</source>
        <translation>备份/还原</translation>
    </message>
    <message>
        <source>Misc.</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>If you want to import a backup task configuration, please click Import</source>
        <translation>如需导入备份任务配置，请单击“导入”</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>If you want to export your backup task configuration, please click Export</source>
        <translation>如需导出您的备份任务配置，请单击“导出”</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>导入</translation>
    </message>
    <message>
        <source>  Every Month</source>
        <translation>  每月</translation>
    </message>
    <message>
        <source>  Every Week</source>
        <translation>  每周</translation>
    </message>
    <message>
        <source>  Every Day</source>
        <translation>  每天</translation>
    </message>
    <message>
        <source>Send email log summary</source>
        <translation>通过电子邮件发送日志摘要</translation>
    </message>
    <message>
        <source>SMTP Server needs security connection - SSL</source>
        <translation>SMTP 服务器需要安全连接 - SSL</translation>
    </message>
    <message>
        <source>Anonymous</source>
        <translation>匿名</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>账户</translation>
    </message>
    <message>
        <source>SMTP Server</source>
        <translation>SMTP 服务器</translation>
    </message>
    <message>
        <source>Login Method</source>
        <translation>登录方式</translation>
    </message>
    <message>
        <source>Send email notification when backup task is complete</source>
        <translation>备份任务完成时发送电子邮件通知</translation>
    </message>
    <message>
        <source>Sender E-mail</source>
        <translation>发件人邮箱</translation>
    </message>
    <message>
        <source>Receiver E-mail</source>
        <translation>收件人邮箱</translation>
    </message>
    <message>
        <source>  Sun</source>
        <translation>  周日</translation>
    </message>
    <message>
        <source>  Mon</source>
        <translation>  周一</translation>
    </message>
    <message>
        <source>  Tue</source>
        <translation>  周二</translation>
    </message>
    <message>
        <source>  Wed</source>
        <translation>  周三</translation>
    </message>
    <message>
        <source>  Thu</source>
        <translation>  周四</translation>
    </message>
    <message>
        <source>  Fri</source>
        <translation>  周五</translation>
    </message>
    <message>
        <source>  Sat</source>
        <translation>  周六</translation>
    </message>
    <message>
        <source>Stop log record when Max limitation has occured</source>
        <translation>达到最大限制时停止记录日志</translation>
    </message>
    <message>
        <source>Replace the oldest log with the new one after Max limitation has occured</source>
        <translation>达到最大限制后用新日志替换最旧的日志</translation>
    </message>
    <message>
        <source>Max 1000 log records</source>
        <translation>最多 1000 条日志记录</translation>
    </message>
    <message>
        <source>Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup</source>
        <translation>还原时删除在对应备份中不存在的本地文件</translation>
    </message>
    <message>
        <source>Shutdown Computer when Backup is complete</source>
        <translation>备份完成后关闭计算机</translation>
    </message>
    <message>
        <source>Auto-start Tessaly Sync on Computer startup</source>
        <translation>计算机启动时自动运行 Tessaly Sync</translation>
    </message>
    <message>
        <source>Backups</source>
        <translation>备份</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>日志</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>未启动</translation>
    </message>
    <message>
        <source>Backup is running</source>
        <translation>正在备份</translation>
    </message>
    <message>
        <source>Restore is running</source>
        <translation>正在还原</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Another TessalySync is running on this computer and receives the answers of the service. The states of the backup tasks will not update in this window.</source>
        <translation>此计算机上正在运行另一个 TessalySync，由它接收服务的应答。此窗口中备份任务的状态将不会更新。</translation>
    </message>
    <message>
        <source>Are you sure you want to clear all logs?</source>
        <translation>确定要清除所有日志吗？</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>Click here if no device is shown</source>
        <translation>如果未显示任何设备，请单击此处</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>The backup tasks cannot be read: %1</source>
        <translation>无法读取备份任务：%1</translation>
    </message>
    <message>
        <source>Task: %1</source>
        <translation>任务：%1</translation>
    </message>
    <message>
        <source>File Types: %1</source>
        <translation>文件类型：%1</translation>
    </message>
    <message>
        <source>Destination: %1</source>
        <translation>目标：%1</translation>
    </message>
    <message>
        <source>Account: %1</source>
        <translation>账户：%1</translation>
    </message>
    <message>
        <source>Model: %1</source>
        <translation>型号：%1</translation>
    </message>
    <message>
        <source>Brelkin NAS</source>
        <translation>Brelkin NAS</translation>
    </message>
    <message>
        <source>Last: %1</source>
        <translation>上次：%1</translation>
    </message>
    <message>
        <source>Next: %1</source>
        <translation>下次：%1</translation>
    </message>
    <message>
        <source>Manually</source>
        <translation>手动</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>每月</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>每周</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>每天</translation>
    </message>
    <message>
        <source>Schedule: %1</source>
        <translation>计划：%1</translation>
    </message>
    <message>
        <source>Stop Backup</source>
        <translation>停止备份</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this backup?</source>
        <translation>确定要删除此备份吗？</translation>
    </message>
    <message>
        <source>Backup Result</source>
        <translation>备份结果</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>错误：%1</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>上一页</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>下一页</translation>
    </message>
    <message>
        <source>Please enter a user name!</source>
        <translation>请输入用户名！</translation>
    </message>
    <message>
        <source>Please enter a password!</source>
        <translation>请输入密码！</translation>
    </message>
    <message>
        <source>Please enter a SMTP Server!</source>
        <translation>请输入 SMTP 服务器！</translation>
    </message>
    <message>
        <source>Please enter a Sender E-mail!</source>
        <translation>请输入发件人邮箱！</translation>
    </message>
    <message>
        <source>Sender E-mail must contain &quot;@&quot;!</source>
        <translation>发件人邮箱必须包含 &quot;@&quot;！</translation>
    </message>
    <message>
        <source>Please enter a Receiver E-mail!</source>
        <translation>请输入收件人邮箱！</translation>
    </message>
    <message>
        <source>Receiver E-mail must contain &quot;@&quot;!</source>
        <translation>收件人邮箱必须包含 &quot;@&quot;！</translation>
    </message>
    <message>
        <source>Are you sure you want to restore to default settings?</source>
        <translation>确定要恢复默认设置吗？</translation>
    </message>
    <message>
        <source>The settings could not be saved: %1</source>
        <translation>无法保存设置：%1</translation>
    </message>
    <message>
        <source>The automatic start could not be changed: %1</source>
        <translation>无法更改自动启动：%1</translation>
    </message>
    <message>
        <source>Export Configuration</source>
        <translation>导出配置</translation>
    </message>
    <message>
        <source>The backup configuration could not be exported: %1</source>
        <translation>无法导出备份配置：%1</translation>
    </message>
    <message>
        <source>Import Configuration</source>
        <translation>导入配置</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>消息</translation>
    </message>
    <message>
        <source>Import successfully!</source>
        <translation>导入成功！</translation>
    </message>
    <message>
        <source>Please select a correct file!</source>
        <translation>请选择正确的文件！</translation>
    </message>
    <message>
        <source>The backup configuration could not be imported: %1</source>
        <translation>无法导入备份配置：%1</translation>
    </message>
    <message>
        <source>Please create the name of the backup task!</source>
        <translation>请为备份任务命名！</translation>
    </message>
    <message>
        <source>The name of the backup task can not contain ~`^&amp;{}[]|&quot;</source>
        <translation>备份任务的名称不能包含 ~`^&amp;{}[]|&quot;</translation>
    </message>
    <message>
        <source>The backup task could not be saved: %1</source>
        <translation>无法保存备份任务：%1</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any folder for backup!</source>
        <translation>您尚未选择要备份的文件夹！</translation>
    </message>
    <message>
        <source>Please do not select network drive as source folder!</source>
        <translation>请不要选择网络驱动器作为源文件夹！</translation>
    </message>
    <message>
        <source>Please enter the extension!</source>
        <translation>请输入扩展名！</translation>
    </message>
    <message>
        <source>Invalid extension! Correct extension should like *.txt.</source>
        <translation>扩展名无效！正确的扩展名应类似于 *.txt。</translation>
    </message>
    <message>
        <source>Please select a extension to remove!</source>
        <translation>请选择要移除的扩展名！</translation>
    </message>
    <message>
        <source>You haven&apos;t specified any extension for backup!</source>
        <translation>您尚未指定要备份的扩展名！</translation>
    </message>
    <message>
        <source>Please select at least a day for the schedule!</source>
        <translation>请为计划至少选择一天！</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any device!</source>
        <translation>您尚未选择任何设备！</translation>
    </message>
    <message>
        <source>Invalid device!</source>
        <translation>设备无效！</translation>
    </message>
    <message>
        <source>To detect your NAS, please make sure Tessaly Sync has been permitted to pass through the firewall in your computer.</source>
        <translation>要检测到您的 NAS，请确保计算机的防火墙允许 Tessaly Sync 通过。</translation>
    </message>
    <message>
        <source>The network path was not found!</source>
        <translation>找不到网络路径！</translation>
    </message>
    <message>
        <source>Invalid user name or password.</source>
        <translation>用户名或密码无效。</translation>
    </message>
    <message>
        <source>Please select a backup destination folder!</source>
        <translation>请选择备份目标文件夹！</translation>
    </message>
    <message>
        <source>Please enter user name!</source>
        <translation>请输入用户名！</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>创建目录</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>无法创建目录。</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup device!</source>
        <translation>找不到备份设备！</translation>
    </message>
    <message>
        <source>Please select a backup!</source>
        <translation>请选择一个备份！</translation>
    </message>
    <message>
        <source>Please enter a path where you want to restore!</source>
        <translation>请输入要还原到的路径！</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup files!</source>
        <translation>找不到备份文件！</translation>
    </message>
    <message>
        <source>Backup is running, can&apos;t restore now!</source>
        <translation>备份正在进行，现在无法还原！</translation>
    </message>
    <message>
        <source>The configuration folder %1 cannot be used: %2. No backup task and no setting can be saved until it can be made.</source>
        <translation>配置文件夹 %1 无法使用：%2。在能够创建它之前，无法保存任何备份任务和设置。</translation>
    </message>
    <message>
        <source>The TessalySync service is not running. Start it with: systemctl start TessalySync</source>
        <translation>TessalySync 服务未运行。请用以下命令启动：systemctl start TessalySync</translation>
    </message>
    <message>
        <source>TessalySync service is not running</source>
        <translation>TessalySync 服务未运行</translation>
    </message>
    <message>
        <source>Delete file(s) in the backup if the file(s) do NOT exist in the source folder(s)</source>
        <translation>备份时删除源文件夹中已不存在的文件</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>扩展名</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>扩展名列表</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>小时</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>分钟</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>日</translation>
    </message>
    <message>
        <source>Result of the last backup</source>
        <translation>上次备份的结果</translation>
    </message>
    <message>
        <source>Last backup completed</source>
        <translation>上次备份已完成</translation>
    </message>
    <message>
        <source>Last backup did not succeed</source>
        <translation>上次备份未成功</translation>
    </message>
</context>
<context>
    <name>GetSessionVersion</name>
    <message>
        <source>No list to fill.</source>
        <translation>没有要填充的列表。</translation>
    </message>
    <message>
        <source>The SQLite driver of Qt (QSQLITE) is not installed.</source>
        <translation>未安装 Qt 的 SQLite 驱动程序 (QSQLITE)。</translation>
    </message>
    <message>
        <source>Another reading of versions is under way.</source>
        <translation>另一个版本读取操作正在进行。</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; is neither a share \\server\share nor a local folder.</source>
        <translation>目标“%1”既不是共享 \\server\share，也不是本地文件夹。</translation>
    </message>
    <message>
        <source>The task uuid &quot;%1&quot; is not a uuid.</source>
        <translation>任务 uuid“%1”不是有效的 uuid。</translation>
    </message>
    <message>
        <source>No thread could be started to read the destination.</source>
        <translation>无法启动读取目标的线程。</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; did not answer within %2 seconds.</source>
        <translation>目标“%1”在 %2 秒内没有响应。</translation>
    </message>
    <message>
        <source>The account of this task cannot be used (%1).</source>
        <translation>无法使用此任务的账户 (%1)。</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; refused the account of this task.</source>
        <translation>目标“%1”拒绝了此任务的账户。</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; was not found.</source>
        <translation>找不到目标“%1”。</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; cannot be reached (%2).</source>
        <translation>无法访问目标“%1”(%2)。</translation>
    </message>
    <message>
        <source>No backup of this task was found on &quot;%1&quot;.</source>
        <translation>在“%1”上找不到此任务的备份。</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be read (%1).</source>
        <translation>无法读取此任务的备份记录 (%1)。</translation>
    </message>
    <message>
        <source>No temporary folder could be made for the backup records.</source>
        <translation>无法为备份记录创建临时文件夹。</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be copied (%1).</source>
        <translation>无法复制此任务的备份记录 (%1)。</translation>
    </message>
    <message>
        <source>The versions of this task cannot be read: its backup records on the destination are damaged (%1).</source>
        <translation>无法读取此任务的版本：目标位置上的备份记录已损坏 (%1)。</translation>
    </message>
</context>
</TS>
