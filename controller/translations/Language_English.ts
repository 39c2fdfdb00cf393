<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>BrowseDialog</name>
    <message>
        <source>Open Directory</source>
        <translation>Open Directory</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Make New Folder</source>
        <translation>Make New Folder</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Browse For Folder</source>
        <translation>Browse For Folder</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>New Folder</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Create Directory</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Failed to create the directory.</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>New Folder</source>
        <translation>New Folder</translation>
    </message>
    <message>
        <source>Welcome to Tessaly Sync!</source>
        <translation>Welcome to Tessaly Sync!</translation>
    </message>
    <message>
        <source>Please select the folders you want to backup</source>
        <translation>Please select the folders you want to backup</translation>
    </message>
    <message>
        <source>Please specify the extension which will be included</source>
        <translation>Please specify the extension which will be included</translation>
    </message>
    <message>
        <source>e.g: *.txt</source>
        <translation>e.g: *.txt</translation>
    </message>
    <message>
        <source>Please select a backup destination device</source>
        <translation>Please select a backup destination device</translation>
    </message>
    <message>
        <source>Please enter user name and password</source>
        <translation>Please enter user name and password</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>User Name</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>  Manually</source>
        <translation>  Manually</translation>
    </message>
    <message>
        <source>  Monthly</source>
        <translation>  Monthly</translation>
    </message>
    <message>
        <source>  Weekly</source>
        <translation>  Weekly</translation>
    </message>
    <message>
        <source>  Daily</source>
        <translation>  Daily</translation>
    </message>
    <message>
        <source>Backup action</source>
        <translation>Backup action</translation>
    </message>
    <message>
        <source>Incremental Backup</source>
        <translation>Incremental Backup</translation>
    </message>
    <message>
        <source>Full Backup</source>
        <translation>Full Backup</translation>
    </message>
    <message>
        <source>Sun</source>
        <translation>Sun</translation>
    </message>
    <message>
        <source>Mon</source>
        <translation>Mon</translation>
    </message>
    <message>
        <source>Tue</source>
        <translation>Tue</translation>
    </message>
    <message>
        <source>Wed</source>
        <translation>Wed</translation>
    </message>
    <message>
        <source>Thu</source>
        <translation>Thu</translation>
    </message>
    <message>
        <source>Fri</source>
        <translation>Fri</translation>
    </message>
    <message>
        <source>Sat</source>
        <translation>Sat</translation>
    </message>
    <message>
        <source>Please select the backup action and the schedule</source>
        <translation>Please select the backup action and the schedule</translation>
    </message>
    <message>
        <source>Next &gt;&gt;</source>
        <translation>Next &gt;&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&lt;&lt; Back</source>
        <translation>&lt;&lt; Back</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Please select a backup destination folder</source>
        <translation>Please select a backup destination folder</translation>
    </message>
    <message>
        <source>New Backup</source>
        <translation>New Backup</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP Address</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>All Files</translation>
    </message>
    <message>
        <source>Specify Extensions</source>
        <translation>Specify Extensions</translation>
    </message>
    <message>
        <source>Video (*.avi,*.wmv,*.mp4......)</source>
        <translation>Video (*.avi,*.wmv,*.mp4......)</translation>
    </message>
    <message>
        <source>Picture (*.jpg,*.bmp,*.gif......)</source>
        <translation>Picture (*.jpg,*.bmp,*.gif......)</translation>
    </message>
    <message>
        <source>Audio (*.mp3,*.wma,*.wav......)</source>
        <translation>Audio (*.mp3,*.wma,*.wav......)</translation>
    </message>
    <message>
        <source>Customize</source>
        <translation>Customize</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>An incremental backup preserves data of source folder(s) based on the differences in those data. You can get your previous versions of the same file(s) from previous backups.</source>
        <translation>An incremental backup preserves data of source folder(s) based on the differences in those data. You can get your previous versions of the same file(s) from previous backups.</translation>
    </message>
    <message>
        <source>A full backup is a backup of the source folder(s), whether that file has changed or not.There is only the last copy of your file(s) in destination.</source>
        <translation>A full backup is a backup of the source folder(s), whether that file has changed or not.There is only the last copy of your file(s) in destination.</translation>
    </message>
    <message>
        <source>User Account</source>
        <translation>User Account</translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation>Device Model</translation>
    </message>
    <message>
        <source>This wizard will guide you through setting up a new backup task.  Begin by entering the name of the backup task: </source>
        <translation>This wizard will guide you through setting up a new backup task.  Begin by entering the name of the backup task: </translation>
    </message>
    <message>
        <source>The summary of destination</source>
        <translation>The summary of destination</translation>
    </message>
    <message>
        <source>Edit the name of the backup task</source>
        <translation>Edit the name of the backup task</translation>
    </message>
    <message>
        <source>Create Folder</source>
        <translation>Create Folder</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Destination</translation>
    </message>
    <message>
        <source>Backup Now</source>
        <translation>Backup Now</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Please select where you want to restore:</source>
        <translation>Please select where you want to restore:</translation>
    </message>
    <message>
        <source>Please select the version you want to restore:</source>
        <translation>Please select the version you want to restore:</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>Original path</source>
        <translation>Original path</translation>
    </message>
    <message>
        <source>New path</source>
        <translation>New path</translation>
    </message>
    <message>
        <source>Clear Logs</source>
        <translation>Clear Logs</translation>
    </message>
    <message>
        <source>Backup Name</source>
        <translation>Backup Name</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Start Time</translation>
    </message>
    <message>
        <source>Finish Time</source>
        <translation>Finish Time</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>Backup Configuration</source>
        <translation>Backup Configuration</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Email Notification</source>
        <translation>Email Notification</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>Backup/Restore</source>
        <translation>Backup/Restore</translation>
    </message>
    <message>
        <source>Misc.</source>
        <translation>Misc.</translation>
    </message>
    <message>
        <source>If you want to import a backup task configuration, please click Import</source>
        <translation>If you want to import a backup task configuration, please click Import</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>If you want to export your backup task configuration, please click Export</source>
        <translation>If you want to export your backup task configuration, please click Export</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>  Every Month</source>
        <translation>  Every Month</translation>
    </message>
    <message>
        <source>  Every Week</source>
        <translation>  Every Week</translation>
    </message>
    <message>
        <source>  Every Day</source>
        <translation>  Every Day</translation>
    </message>
    <message>
        <source>Send email log summary</source>
        <translation>Send email log summary</translation>
    </message>
    <message>
        <source>SMTP Server needs security connection - SSL</source>
        <translation>SMTP Server needs security connection - SSL</translation>
    </message>
    <message>
        <source>Anonymous</source>
        <translation>Anonymous</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Account</translation>
    </message>
    <message>
        <source>SMTP Server</source>
        <translation>SMTP Server</translation>
    </message>
    <message>
        <source>Login Method</source>
        <translation>Login Method</translation>
    </message>
    <message>
        <source>Send email notification when backup task is complete</source>
        <translation>Send email notification when backup task is complete</translation>
    </message>
    <message>
        <source>Sender E-mail</source>
        <translation>Sender E-mail</translation>
    </message>
    <message>
        <source>Receiver E-mail</source>
        <translation>Receiver E-mail</translation>
    </message>
    <message>
        <source>  Sun</source>
        <translation>  Sun</translation>
    </message>
    <message>
        <source>  Mon</source>
        <translation>  Mon</translation>
    </message>
    <message>
        <source>  Tue</source>
        <translation>  Tue</translation>
    </message>
    <message>
        <source>  Wed</source>
        <translation>  Wed</translation>
    </message>
    <message>
        <source>  Thu</source>
        <translation>  Thu</translation>
    </message>
    <message>
        <source>  Fri</source>
        <translation>  Fri</translation>
    </message>
    <message>
        <source>  Sat</source>
        <translation>  Sat</translation>
    </message>
    <message>
        <source>Stop log record when Max limitation has occured</source>
        <translation>Stop log record when Max limitation has occured</translation>
    </message>
    <message>
        <source>Replace the oldest log with the new one after Max limitation has occured</source>
        <translation>Replace the oldest log with the new one after Max limitation has occured</translation>
    </message>
    <message>
        <source>Max 1000 log records</source>
        <translation>Max 1000 log records</translation>
    </message>
    <message>
        <source>Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup</source>
        <translation>Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup</translation>
    </message>
    <message>
        <source>Shutdown Computer when Backup is complete</source>
        <translation>Shutdown Computer when Backup is complete</translation>
    </message>
    <message>
        <source>Auto-start Tessaly Sync on Computer startup</source>
        <translation>Auto-start Tessaly Sync on Computer startup</translation>
    </message>
    <message>
        <source>Backups</source>
        <translation>Backups</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>Logs</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>Not started</translation>
    </message>
    <message>
        <source>Backup is running</source>
        <translation>Backup is running</translation>
    </message>
    <message>
        <source>Restore is running</source>
        <translation>Restore is running</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Another TessalySync is running on this computer and receives the answers of the service. The states of the backup tasks will not update in this window.</source>
        <translation>Another TessalySync is running on this computer and receives the answers of the service. The states of the backup tasks will not update in this window.</translation>
    </message>
    <message>
        <source>Are you sure you want to clear all logs?</source>
        <translation>Are you sure you want to clear all logs?</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Finish</translation>
    </message>
    <message>
        <source>Click here if no device is shown</source>
        <translation>Click here if no device is shown</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>The backup tasks cannot be read: %1</source>
        <translation>The backup tasks cannot be read: %1</translation>
    </message>
    <message>
        <source>Task: %1</source>
        <translation>Task: %1</translation>
    </message>
    <message>
        <source>File Types: %1</source>
        <translation>File Types: %1</translation>
    </message>
    <message>
        <source>Destination: %1</source>
        <translation>Destination: %1</translation>
    </message>
    <message>
        <source>Account: %1</source>
        <translation>Account: %1</translation>
    </message>
    <message>
        <source>Model: %1</source>
        <translation>Model: %1</translation>
    </message>
    <message>
        <source>Brelkin NAS</source>
        <translation>Brelkin NAS</translation>
    </message>
    <message>
        <source>Last: %1</source>
        <translation>Last: %1</translation>
    </message>
    <message>
        <source>Next: %1</source>
        <translation>Next: %1</translation>
    </message>
    <message>
        <source>Manually</source>
        <translation>Manually</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>Monthly</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Weekly</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>Daily</translation>
    </message>
    <message>
        <source>Schedule: %1</source>
        <translation>Schedule: %1</translation>
    </message>
    <message>
        <source>Stop Backup</source>
        <translation>Stop Backup</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this backup?</source>
        <translation>Are you sure you want to delete this backup?</translation>
    </message>
    <message>
        <source>Backup Result</source>
        <translation>Backup Result</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Error: %1</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Next page</translation>
    </message>
    <message>
        <source>Please enter a user name!</source>
        <translation>Please enter a user name!</translation>
    </message>
    <message>
        <source>Please enter a password!</source>
        <translation>Please enter a password!</translation>
    </message>
    <message>
        <source>Please enter a SMTP Server!</source>
        <translation>Please enter a SMTP Server!</translation>
    </message>
    <message>
        <source>Please enter a Sender E-mail!</source>
        <translation>Please enter a Sender E-mail!</translation>
    </message>
    <message>
        <source>Sender E-mail must contain &quot;@&quot;!</source>
        <translation>Sender E-mail must contain &quot;@&quot;!</translation>
    </message>
    <message>
        <source>Please enter a Receiver E-mail!</source>
        <translation>Please enter a Receiver E-mail!</translation>
    </message>
    <message>
        <source>Receiver E-mail must contain &quot;@&quot;!</source>
        <translation>Receiver E-mail must contain &quot;@&quot;!</translation>
    </message>
    <message>
        <source>Are you sure you want to restore to default settings?</source>
        <translation>Are you sure you want to restore to default settings?</translation>
    </message>
    <message>
        <source>The settings could not be saved: %1</source>
        <translation>The settings could not be saved: %1</translation>
    </message>
    <message>
        <source>The automatic start could not be changed: %1</source>
        <translation>The automatic start could not be changed: %1</translation>
    </message>
    <message>
        <source>Export Configuration</source>
        <translation>Export Configuration</translation>
    </message>
    <message>
        <source>The backup configuration could not be exported: %1</source>
        <translation>The backup configuration could not be exported: %1</translation>
    </message>
    <message>
        <source>Import Configuration</source>
        <translation>Import Configuration</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Import successfully!</source>
        <translation>Import successfully!</translation>
    </message>
    <message>
        <source>Please select a correct file!</source>
        <translation>Please select a correct file!</translation>
    </message>
    <message>
        <source>The backup configuration could not be imported: %1</source>
        <translation>The backup configuration could not be imported: %1</translation>
    </message>
    <message>
        <source>Please create the name of the backup task!</source>
        <translation>Please create the name of the backup task!</translation>
    </message>
    <message>
        <source>The name of the backup task can not contain ~`^&amp;{}[]|&quot;</source>
        <translation>The name of the backup task can not contain ~`^&amp;{}[]|&quot;</translation>
    </message>
    <message>
        <source>The backup task could not be saved: %1</source>
        <translation>The backup task could not be saved: %1</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any folder for backup!</source>
        <translation>You haven&apos;t selected any folder for backup!</translation>
    </message>
    <message>
        <source>Please do not select network drive as source folder!</source>
        <translation>Please do not select network drive as source folder!</translation>
    </message>
    <message>
        <source>Please enter the extension!</source>
        <translation>Please enter the extension!</translation>
    </message>
    <message>
        <source>Invalid extension! Correct extension should like *.txt.</source>
        <translation>Invalid extension! Correct extension should like *.txt.</translation>
    </message>
    <message>
        <source>Please select a extension to remove!</source>
        <translation>Please select a extension to remove!</translation>
    </message>
    <message>
        <source>You haven&apos;t specified any extension for backup!</source>
        <translation>You haven&apos;t specified any extension for backup!</translation>
    </message>
    <message>
        <source>Please select at least a day for the schedule!</source>
        <translation>Please select at least a day for the schedule!</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any device!</source>
        <translation>You haven&apos;t selected any device!</translation>
    </message>
    <message>
        <source>Invalid device!</source>
        <translation>Invalid device!</translation>
    </message>
    <message>
        <source>To detect your NAS, please make sure Tessaly Sync has been permitted to pass through the firewall in your computer.</source>
        <translation>To detect your NAS, please make sure Tessaly Sync has been permitted to pass through the firewall in your computer.</translation>
    </message>
    <message>
        <source>The network path was not found!</source>
        <translation>The network path was not found!</translation>
    </message>
    <message>
        <source>Invalid user name or password.</source>
        <translation>Invalid user name or password.</translation>
    </message>
    <message>
        <source>Please select a backup destination folder!</source>
        <translation>Please select a backup destination folder!</translation>
    </message>
    <message>
        <source>Please enter user name!</source>
        <translation>Please enter user name!</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Create Directory</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Failed to create the directory.</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup device!</source>
        <translation>Can&apos;t find the backup device!</translation>
    </message>
    <message>
        <source>Please select a backup!</source>
        <translation>Please select a backup!</translation>
    </message>
    <message>
        <source>Please enter a path where you want to restore!</source>
        <translation>Please enter a path where you want to restore!</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup files!</source>
        <translation>Can&apos;t find the backup files!</translation>
    </message>
    <message>
        <source>Backup is running, can&apos;t restore now!</source>
        <translation>Backup is running, can&apos;t restore now!</translation>
    </message>
    <message>
        <source>The configuration folder %1 cannot be used: %2. No backup task and no setting can be saved until it can be made.</source>
        <translation>The configuration folder %1 cannot be used: %2. No backup task and no setting can be saved until it can be made.</translation>
    </message>
    <message>
        <source>The TessalySync service is not running. Start it with: systemctl start TessalySync</source>
        <translation>The TessalySync service is not running. Start it with: systemctl start TessalySync</translation>
    </message>
    <message>
        <source>TessalySync service is not running</source>
        <translation>TessalySync service is not running</translation>
    </message>
    <message>
        <source>Delete file(s) in the backup if the file(s) do NOT exist in the source folder(s)</source>
        <translation>Delete file(s) in the backup if the file(s) do NOT exist in the source folder(s)</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>Extension</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>Extensions</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>Result of the last backup</source>
        <translation>Result of the last backup</translation>
    </message>
    <message>
        <source>Last backup completed</source>
        <translation>Last backup completed</translation>
    </message>
    <message>
        <source>Last backup did not succeed</source>
        <translation>Last backup did not succeed</translation>
    </message>
</context>
<context>
    <name>GetSessionVersion</name>
    <message>
        <source>No list to fill.</source>
        <translation>No list to fill.</translation>
    </message>
    <message>
        <source>The SQLite driver of Qt (QSQLITE) is not installed.</source>
        <translation>The SQLite driver of Qt (QSQLITE) is not installed.</translation>
    </message>
    <message>
        <source>Another reading of versions is under way.</source>
        <translation>Another reading of versions is under way.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; is neither a share \\server\share nor a local folder.</source>
        <translation>The destination &quot;%1&quot; is neither a share \\server\share nor a local folder.</translation>
    </message>
    <message>
        <source>The task uuid &quot;%1&quot; is not a uuid.</source>
        <translation>The task uuid &quot;%1&quot; is not a uuid.</translation>
    </message>
    <message>
        <source>No thread could be started to read the destination.</source>
        <translation>No thread could be started to read the destination.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; did not answer within %2 seconds.</source>
        <translation>The destination &quot;%1&quot; did not answer within %2 seconds.</translation>
    </message>
    <message>
        <source>The account of this task cannot be used (%1).</source>
        <translation>The account of this task cannot be used (%1).</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; refused the account of this task.</source>
        <translation>The destination &quot;%1&quot; refused the account of this task.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; was not found.</source>
        <translation>The destination &quot;%1&quot; was not found.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; cannot be reached (%2).</source>
        <translation>The destination &quot;%1&quot; cannot be reached (%2).</translation>
    </message>
    <message>
        <source>No backup of this task was found on &quot;%1&quot;.</source>
        <translation>No backup of this task was found on &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be read (%1).</source>
        <translation>The backup records of this task cannot be read (%1).</translation>
    </message>
    <message>
        <source>No temporary folder could be made for the backup records.</source>
        <translation>No temporary folder could be made for the backup records.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be copied (%1).</source>
        <translation>The backup records of this task cannot be copied (%1).</translation>
    </message>
    <message>
        <source>The versions of this task cannot be read: its backup records on the destination are damaged (%1).</source>
        <translation>The versions of this task cannot be read: its backup records on the destination are damaged (%1).</translation>
    </message>
</context>
</TS>
