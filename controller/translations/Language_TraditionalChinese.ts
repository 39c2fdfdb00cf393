<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW" sourcelanguage="en">
<context>
    <name>BrowseDialog</name>
    <message>
        <source>Open Directory</source>
        <translation>開啟目錄</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Make New Folder</source>
        <translation>新增資料夾</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>Browse For Folder</source>
        <translation>瀏覽資料夾</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>新增資料夾</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>建立目錄</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>無法建立目錄。</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>New Folder</source>
        <translation>新增資料夾</translation>
    </message>
    <message>
        <source>Welcome to Tessaly Sync!</source>
        <translation>歡迎使用 Tessaly Sync！</translation>
    </message>
    <message>
        <source>Please select the folders you want to backup</source>
        <translation>請選擇要備份的資料夾</translation>
    </message>
    <message>
        <source>Please specify the extension which will be included</source>
        <translation>請指定要包含的副檔名</translation>
    </message>
    <message>
        <source>e.g: *.txt</source>
        <translation>例如：*.txt</translation>
    </message>
    <message>
        <source>Please select a backup destination device</source>
        <translation>請選擇備份目的地裝置</translation>
    </message>
    <message>
        <source>Please enter user name and password</source>
        <translation>請輸入使用者名稱和密碼</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密碼</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>使用者名稱</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>排程</translation>
    </message>
    <message>
        <source>  Manually</source>
        <translation>  手動</translation>
    </message>
    <message>
        <source>  Monthly</source>
        <translation>  每月</translation>
    </message>
    <message>
        <source>  Weekly</source>
        <translation>  每週</translation>
    </message>
    <message>
        <source>  Daily</source>
        <translation>  每天</translation>
    </message>
    <message>
        <source>Backup action</source>
        <translation>備份方式</translation>
    </message>
    <message>
        <source>Incremental Backup</source>
        <translation>增量備份</translation>
    </message>
    <message>
        <source>Full Backup</source>
        <translation>完整備份</translation>
    </message>
    <message>
        <source>Sun</source>
        <translation>週日</translation>
    </message>
    <message>
        <source>Mon</source>
        <translation>週一</translation>
    </message>
    <message>
        <source>Tue</source>
        <translation>週二</translation>
    </message>
    <message>
        <source>Wed</source>
        <translation>週三</translation>
    </message>
    <message>
        <source>Thu</source>
        <translation>週四</translation>
    </message>
    <message>
        <source>Fri</source>
        <translation>週五</translation>
    </message>
    <message>
        <source>Sat</source>
        <translation>週六</translation>
    </message>
    <message>
        <source>Please select the backup action and the schedule</source>
        <translation>請選擇備份方式和排程</translation>
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
        <translation>新增</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>Please select a backup destination folder</source>
        <translation>請選擇備份目的地資料夾</translation>
    </message>
    <message>
        <source>New Backup</source>
        <translation>新增備份</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP 位址</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名稱</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>所有檔案</translation>
    </message>
    <message>
        <source>Specify Extensions</source>
        <translation>指定副檔名</translation>
    </message>
    <message>
        <source>Video (*.avi,*.wmv,*.mp4......)</source>
        <translation>影片 (*.avi,*.wmv,*.mp4......)</translation>
    </message>
    <message>
        <source>Picture (*.jpg,*.bmp,*.gif......)</source>
        <translation>圖片 (*.jpg,*.bmp,*.gif......)</translation>
    </message>
    <message>
        <source>Audio (*.mp3,*.wma,*.wav......)</source>
        <translation>音訊 (*.mp3,*.wma,*.wav......)</translation>
    </message>
    <message>
        <source>Customize</source>
        <translation>自訂</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>重新整理</translation>
    </message>
    <message>
        <source>An incremental backup preserves data of source folder(s) based on the differences in those data. You can get your previous versions of the same file(s) from previous backups.</source>
        <translation>增量備份會依據來源資料夾中資料的變更來保存資料。您可以從先前的備份取回同一檔案的舊版本。</translation>
    </message>
    <message>
        <source>A full backup is a backup of the source folder(s), whether that file has changed or not.There is only the last copy of your file(s) in destination.</source>
        <translation>完整備份會備份來源資料夾中的所有檔案，不論檔案是否有變更。目的地只保留檔案的最新副本。</translation>
    </message>
    <message>
        <source>User Account</source>
        <translation>使用者帳戶</translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation>裝置型號</translation>
    </message>
    <message>
        <source>This wizard will guide you through setting up a new backup task.  Begin by entering the name of the backup task: </source>
        <translation>本精靈將引導您設定新的備份工作。首先請輸入備份工作的名稱：</translation>
    </message>
    <message>
        <source>The summary of destination</source>
        <translation>目的地摘要</translation>
    </message>
    <message>
        <source>Edit the name of the backup task</source>
        <translation>編輯備份工作的名稱</translation>
    </message>
    <message>
        <source>Create Folder</source>
        <translation>建立資料夾</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>狀態</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>目的地</translation>
    </message>
    <message>
        <source>Backup Now</source>
        <translation>立即備份</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>還原</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>刪除</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>來源</translation>
    </message>
    <message>
        <source>Please select where you want to restore:</source>
        <translation>請選擇還原位置：</translation>
    </message>
    <message>
        <source>Please select the version you want to restore:</source>
        <translation>請選擇要還原的版本：</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>瀏覽</translation>
    </message>
    <message>
        <source>Original path</source>
        <translation>原始路徑</translation>
    </message>
    <message>
        <source>New path</source>
        <translation>新路徑</translation>
    </message>
    <message>
        <source>Clear Logs</source>
        <translation>清除記錄</translation>
    </message>
    <message>
        <source>Backup Name</source>
        <translation>備份名稱</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>開始時間</translation>
    </message>
    <message>
        <source>Finish Time</source>
        <translation>結束時間</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>描述</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>儲存</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>預設值</translation>
    </message>
    <message>
        <source>Backup Configuration</source>
        <translation>備份組態</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>語言</translation>
    </message>
    <message>
        <source>Email Notification</source>
        <translation>電子郵件通知</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>記錄</translation>
    </message>
    <message>
        <source>Backup/Restore</source>
        <translation>備份/還原</translation>
    </message>
    <message>
        <source>Misc.</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>If you want to import a backup task configuration, please click Import</source>
        <translation>若要匯入備份工作組態，請按一下「匯入」</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>匯出</translation>
    </message>
    <message>
        <source>If you want to export your backup task configuration, please click Export</source>
        <translation>若要匯出您的備份工作組態，請按一下「匯出」</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>匯入</translation>
    </message>
    <message>
        <source>  Every Month</source>
        <translation>  每月</translation>
    </message>
    <message>
        <source>  Every Week</source>
        <translation>  每週</translation>
    </message>
    <message>
        <source>  Every Day</source>
        <translation>  每天</translation>
    </message>
    <message>
        <source>Send email log summary</source>
        <translation>以電子郵件傳送記錄摘要</translation>
    </message>
    <message>
        <source>SMTP Server needs security connection - SSL</source>
        <translation>SMTP 伺服器需要安全連線 - SSL</translation>
    </message>
    <message>
        <source>Anonymous</source>
        <translation>匿名</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>帳戶</translation>
    </message>
    <message>
        <source>SMTP Server</source>
        <translation>SMTP 伺服器</translation>
    </message>
    <message>
        <source>Login Method</source>
        <translation>登入方式</translation>
    </message>
    <message>
        <source>Send email notification when backup task is complete</source>
        <translation>備份工作完成時傳送電子郵件通知</translation>
    </message>
    <message>
        <source>Sender E-mail</source>
        <translation>寄件者電子郵件</translation>
    </message>
    <message>
        <source>Receiver E-mail</source>
        <translation>收件者電子郵件</translation>
    </message>
    <message>
        <source>  Sun</source>
        <translation>  週日</translation>
    </message>
    <message>
        <source>  Mon</source>
        <translation>  週一</translation>
    </message>
    <message>
        <source>  Tue</source>
        <translation>  週二</translation>
    </message>
    <message>
        <source>  Wed</source>
        <translation>  週三</translation>
    </message>
    <message>
        <source>  Thu</source>
        <translation>  週四</translation>
    </message>
    <message>
        <source>  Fri</source>
        <translation>  週五</translation>
    </message>
    <message>
        <source>  Sat</source>
        <translation>  週六</translation>
    </message>
    <message>
        <source>Stop log record when Max limitation has occured</source>
        <translation>達到上限時停止記錄</translation>
    </message>
    <message>
        <source>Replace the oldest log with the new one after Max limitation has occured</source>
        <translation>達到上限後以新記錄取代最舊的記錄</translation>
    </message>
    <message>
        <source>Max 1000 log records</source>
        <translation>最多 1000 筆記錄</translation>
    </message>
    <message>
        <source>Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup</source>
        <translation>還原時刪除在對應備份中不存在的本機檔案</translation>
    </message>
    <message>
        <source>Shutdown Computer when Backup is complete</source>
        <translation>備份完成後關閉電腦</translation>
    </message>
    <message>
        <source>Auto-start Tessaly Sync on Computer startup</source>
        <translation>電腦啟動時自動執行 Tessaly Sync</translation>
    </message>
    <message>
        <source>Backups</source>
        <translation>備份</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>記錄</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>未啟動</translation>
    </message>
    <message>
        <source>Backup is running</source>
        <translation>正在備份</translation>
    </message>
    <message>
        <source>Restore is running</source>
        <translation>正在還原</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Another TessalySync is running on this computer and receives the answers of the service. The states of the backup tasks will not update in this window.</source>
        <translation>此電腦上正在執行另一個 TessalySync，由它接收服務的回應。此視窗中備份工作的狀態將不會更新。</translation>
    </message>
    <message>
        <source>Are you sure you want to clear all logs?</source>
        <translation>確定要清除所有記錄嗎？</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>Click here if no device is shown</source>
        <translation>如果沒有顯示任何裝置，請按一下這裡</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>The backup tasks cannot be read: %1</source>
        <translation>無法讀取備份工作：%1</translation>
    </message>
    <message>
        <source>Task: %1</source>
        <translation>工作：%1</translation>
    </message>
    <message>
        <source>File Types: %1</source>
        <translation>檔案類型：%1</translation>
    </message>
    <message>
        <source>Destination: %1</source>
        <translation>目的地：%1</translation>
    </message>
    <message>
        <source>Account: %1</source>
        <translation>帳戶：%1</translation>
    </message>
    <message>
        <source>Model: %1</source>
        <translation>型號：%1</translation>
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
        <translation>手動</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>每月</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>每週</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>每天</translation>
    </message>
    <message>
        <source>Schedule: %1</source>
        <translation>排程：%1</translation>
    </message>
    <message>
        <source>Stop Backup</source>
        <translation>停止備份</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this backup?</source>
        <translation>確定要刪除此備份嗎？</translation>
    </message>
    <message>
        <source>Backup Result</source>
        <translation>備份結果</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>錯誤：%1</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>上一頁</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>下一頁</translation>
    </message>
    <message>
        <source>Please enter a user name!</source>
        <translation>請輸入使用者名稱！</translation>
    </message>
    <message>
        <source>Please enter a password!</source>
        <translation>請輸入密碼！</translation>
    </message>
    <message>
        <source>Please enter a SMTP Server!</source>
        <translation>請輸入 SMTP 伺服器！</translation>
    </message>
    <message>
        <source>Please enter a Sender E-mail!</source>
        <translation>請輸入寄件者電子郵件！</translation>
    </message>
    <message>
        <source>Sender E-mail must contain &quot;@&quot;!</source>
        <translation>寄件者電子郵件必須包含 &quot;@&quot;！</translation>
    </message>
    <message>
        <source>Please enter a Receiver E-mail!</source>
        <translation>請輸入收件者電子郵件！</translation>
    </message>
    <message>
        <source>Receiver E-mail must contain &quot;@&quot;!</source>
        <translation>收件者電子郵件必須包含 &quot;@&quot;！</translation>
    </message>
    <message>
        <source>Are you sure you want to restore to default settings?</source>
        <translation>確定要還原為預設設定嗎？</translation>
    </message>
    <message>
        <source>The settings could not be saved: %1</source>
        <translation>無法儲存設定：%1</translation>
    </message>
    <message>
        <source>The automatic start could not be changed: %1</source>
        <translation>無法變更自動啟動：%1</translation>
    </message>
    <message>
        <source>Export Configuration</source>
        <translation>匯出組態</translation>
    </message>
    <message>
        <source>The backup configuration could not be exported: %1</source>
        <translation>無法匯出備份組態：%1</translation>
    </message>
    <message>
        <source>Import Configuration</source>
        <translation>匯入組態</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>訊息</translation>
    </message>
    <message>
        <source>Import successfully!</source>
        <translation>匯入成功！</translation>
    </message>
    <message>
        <source>Please select a correct file!</source>
        <translation>請選擇正確的檔案！</translation>
    </message>
    <message>
        <source>The backup configuration could not be imported: %1</source>
        <translation>無法匯入備份組態：%1</translation>
    </message>
    <message>
        <source>Please create the name of the backup task!</source>
        <translation>請為備份工作命名！</translation>
    </message>
    <message>
        <source>The name of the backup task can not contain ~`^&amp;{}[]|&quot;</source>
        <translation>備份工作的名稱不得包含 ~`^&amp;{}[]|&quot;</translation>
    </message>
    <message>
        <source>The backup task could not be saved: %1</source>
        <translation>無法儲存備份工作：%1</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any folder for backup!</source>
        <translation>您尚未選擇要備份的資料夾！</translation>
    </message>
    <message>
        <source>Please do not select network drive as source folder!</source>
        <translation>請勿選擇網路磁碟機作為來源資料夾！</translation>
    </message>
    <message>
        <source>Please enter the extension!</source>
        <translation>請輸入副檔名！</translation>
    </message>
    <message>
        <source>Invalid extension! Correct extension should like *.txt.</source>
        <translation>副檔名無效！正確的副檔名應類似 *.txt。</translation>
    </message>
    <message>
        <source>Please select a extension to remove!</source>
        <translation>請選擇要移除的副檔名！</translation>
    </message>
    <message>
        <source>You haven&apos;t specified any extension for backup!</source>
        <translation>您尚未指定要備份的副檔名！</translation>
    </message>
    <message>
        <source>Please select at least a day for the schedule!</source>
        <translation>請為排程至少選擇一天！</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any device!</source>
        <translation>您尚未選擇任何裝置！</translation>
    </message>
    <message>
        <source>Invalid device!</source>
        <translation>裝置無效！</translation>
    </message>
    <message>
        <source>To detect your NAS, please make sure Tessaly Sync has been permitted to pass through the firewall in your computer.</source>
        <translation>若要偵測您的 NAS，請確認電腦的防火牆允許 Tessaly Sync 通過。</translation>
    </message>
    <message>
        <source>The network path was not found!</source>
        <translation>找不到網路路徑！</translation>
    </message>
    <message>
        <source>Invalid user name or password.</source>
        <translation>使用者名稱或密碼無效。</translation>
    </message>
    <message>
        <source>Please select a backup destination folder!</source>
        <translation>請選擇備份目的地資料夾！</translation>
    </message>
    <message>
        <source>Please enter user name!</source>
        <translation>請輸入使用者名稱！</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>建立目錄</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>無法建立目錄。</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup device!</source>
        <translation>找不到備份裝置！</translation>
    </message>
    <message>
        <source>Please select a backup!</source>
        <translation>請選擇一個備份！</translation>
    </message>
    <message>
        <source>Please enter a path where you want to restore!</source>
        <translation>請輸入要還原到的路徑！</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup files!</source>
        <translation>找不到備份檔案！</translation>
    </message>
    <message>
        <source>Backup is running, can&apos;t restore now!</source>
        <translation>備份正在進行，現在無法還原！</translation>
    </message>
    <message>
        <source>The configuration folder %1 cannot be used: %2. No backup task and no setting can be saved until it can be made.</source>
        <translation>設定資料夾 %1 無法使用：%2。在能夠建立它之前，無法儲存任何備份工作和設定。</translation>
    </message>
    <message>
        <source>The TessalySync service is not running. Start it with: systemctl start TessalySync</source>
        <translation>TessalySync 服務未執行。請用以下命令啟動：systemctl start TessalySync</translation>
    </message>
    <message>
        <source>TessalySync service is not running</source>
        <translation>TessalySync 服務未執行</translation>
    </message>
    <message>
        <source>Delete file(s) in the backup if the file(s) do NOT exist in the source folder(s)</source>
        <translation>備份時刪除來源資料夾中已不存在的檔案</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>副檔名</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>副檔名清單</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>小時</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>分鐘</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>日</translation>
    </message>
    <message>
        <source>Result of the last backup</source>
        <translation>上次備份的結果</translation>
    </message>
    <message>
        <source>Last backup completed</source>
        <translation>上次備份已完成</translation>
    </message>
    <message>
        <source>Last backup did not succeed</source>
        <translation>上次備份未成功</translation>
    </message>
</context>
<context>
    <name>GetSessionVersion</name>
    <message>
        <source>No list to fill.</source>
        <translation>沒有要填入的清單。</translation>
    </message>
    <message>
        <source>The SQLite driver of Qt (QSQLITE) is not installed.</source>
        <translation>未安裝 Qt 的 SQLite 驅動程式 (QSQLITE)。</translation>
    </message>
    <message>
        <source>Another reading of versions is under way.</source>
        <translation>另一個版本讀取作業正在進行中。</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; is neither a share \\server\share nor a local folder.</source>
        <translation>目的地「%1」既不是共用 \\server\share，也不是本機資料夾。</translation>
    </message>
    <message>
        <source>The task uuid &quot;%1&quot; is not a uuid.</source>
        <translation>工作 uuid「%1」不是有效的 uuid。</translation>
    </message>
    <message>
        <source>No thread could be started to read the destination.</source>
        <translation>無法啟動讀取目的地的執行緒。</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; did not answer within %2 seconds.</source>
        <translation>目的地「%1」在 %2 秒內沒有回應。</translation>
    </message>
    <message>
        <source>The account of this task cannot be used (%1).</source>
        <translation>無法使用此工作的帳戶 (%1)。</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; refused the account of this task.</source>
        <translation>目的地「%1」拒絕了此工作的帳戶。</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; was not found.</source>
        <translation>找不到目的地「%1」。</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; cannot be reached (%2).</source>
        <translation>無法存取目的地「%1」(%2)。</translation>
    </message>
    <message>
        <source>No backup of this task was found on &quot;%1&quot;.</source>
        <translation>在「%1」上找不到此工作的備份。</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be read (%1).</source>
        <translation>無法讀取此工作的備份記錄 (%1)。</translation>
    </message>
    <message>
        <source>No temporary folder could be made for the backup records.</source>
        <translation>無法為備份記錄建立暫存資料夾。</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be copied (%1).</source>
        <translation>無法複製此工作的備份記錄 (%1)。</translation>
    </message>
    <message>
        <source>The versions of this task cannot be read: its backup records on the destination are damaged (%1).</source>
        <translation>無法讀取此工作的版本：目的地上的備份記錄已損毀 (%1)。</translation>
    </message>
</context>
</TS>
