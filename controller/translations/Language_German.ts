<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>BrowseDialog</name>
    <message>
        <source>Open Directory</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Make New Folder</source>
        <translation>Neuer Ordner</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Browse For Folder</source>
        <translation>Ordner suchen</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Neuer Ordner</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Ordner erstellen</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Der Ordner konnte nicht erstellt werden.</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>New Folder</source>
        <translation>Neuer Ordner</translation>
    </message>
    <message>
        <source>Welcome to Tessaly Sync!</source>
        <translation>Willkommen bei Tessaly Sync!</translation>
    </message>
    <message>
        <source>Please select the folders you want to backup</source>
        <translation>Bitte wählen Sie die Ordner, die gesichert werden sollen</translation>
    </message>
    <message>
        <source>Please specify the extension which will be included</source>
        <translation>Bitte geben Sie die Dateiendungen an, die einbezogen werden sollen</translation>
    </message>
    <message>
        <source>e.g: *.txt</source>
        <translation>z. B.: *.txt</translation>
    </message>
    <message>
        <source>Please select a backup destination device</source>
        <translation>Bitte wählen Sie das Zielgerät der Sicherung</translation>
    </message>
    <message>
        <source>Please enter user name and password</source>
        <translation>Bitte geben Sie Benutzername und Kennwort ein</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Kennwort</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>Zeitplan</translation>
    </message>
    <message>
        <source>  Manually</source>
        <translation>  Manuell</translation>
    </message>
    <message>
        <source>  Monthly</source>
        <translation>  Monatlich</translation>
    </message>
    <message>
        <source>  Weekly</source>
        <translation>  Wöchentlich</translation>
    </message>
    <message>
        <source>  Daily</source>
        <translation>  Täglich</translation>
    </message>
    <message>
        <source>Backup action</source>
        <translation>Sicherungsart</translation>
    </message>
    <message>
        <source>Incremental Backup</source>
        <translation>Inkrementelle Sicherung</translation>
    </message>
    <message>
        <source>Full Backup</source>
        <translation>Vollsicherung</translation>
    </message>
    <message>
        <source>Sun</source>
        <translation>So</translation>
    </message>
    <message>
        <source>Mon</source>
        <translation>Mo</translation>
    </message>
    <message>
        <source>Tue</source>
        <translation>Di</translation>
    </message>
    <message>
        <source>Wed</source>
        <translation>Mi</translation>
    </message>
    <message>
        <source>Thu</source>
        <translation>Do</translation>
    </message>
    <message>
        <source>Fri</source>
        <translation>Fr</translation>
    </message>
    <message>
        <source>Sat</source>
        <translation>Sa</translation>
    </message>
    <message>
        <source>Please select the backup action and the schedule</source>
        <translation>Bitte wählen Sie die Sicherungsart und den Zeitplan</translation>
    </message>
    <message>
        <source>Next &gt;&gt;</source>
        <translation>Weiter &gt;&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&lt;&lt; Back</source>
        <translation>&lt;&lt; Zurück</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Please select a backup destination folder</source>
        <translation>Bitte wählen Sie den Zielordner der Sicherung</translation>
    </message>
    <message>
        <source>New Backup</source>
        <translation>Neue Sicherung</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP-Adresse</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <source>Specify Extensions</source>
        <translation>Dateiendungen angeben</translation>
    </message>
    <message>
        <source>Video (*.avi,*.wmv,*.mp4......)</source>
        <translation>Video (*.avi,*.wmv,*.mp4......)</translation>
    </message>
    <message>
        <source>Picture (*.jpg,*.bmp,*.gif......)</source>
        <translation>Bild (*.jpg,*.bmp,*.gif......)</translation>
    </message>
    <message>
        <source>Audio (*.mp3,*.wma,*.wav......)</source>
        <translation>Audio (*.mp3,*.wma,*.wav......)</translation>
    </message>
    <message>
        <source>Customize</source>
        <translation>Benutzerdefiniert</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>An incremental backup preserves data of source folder(s) based on the differences in those data. You can get your previous versions of the same file(s) from previous backups.</source>
        <translation>Eine inkrementelle Sicherung bewahrt die Daten der Quellordner anhand ihrer Änderungen. Frühere Versionen derselben Dateien erhalten Sie aus früheren Sicherungen.</translation>
    </message>
    <message>
        <source>A full backup is a backup of the source folder(s), whether that file has changed or not.There is only the last copy of your file(s) in destination.</source>
        <translation>Eine Vollsicherung sichert die Quellordner, unabhängig davon, ob sich die Dateien geändert haben. Im Ziel liegt nur die letzte Kopie Ihrer Dateien.</translation>
    </message>
    <message>
        <source>User Account</source>
        <translation>Benutzerkonto</translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation>Gerätemodell</translation>
    </message>
    <message>
        <source>This wizard will guide you through setting up a new backup task.  Begin by entering the name of the backup task: </source>
        <translation>Dieser Assistent führt Sie durch das Einrichten einer neuen Sicherungsaufgabe. Geben Sie zuerst den Namen der Sicherungsaufgabe ein: </translation>
    </message>
    <message>
        <source>The summary of destination</source>
        <translation>Übersicht des Ziels</translation>
    </message>
    <message>
        <source>Edit the name of the backup task</source>
        <translation>Namen der Sicherungsaufgabe bearbeiten</translation>
    </message>
    <message>
        <source>Create Folder</source>
        <translation>Ordner erstellen</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Ziel</translation>
    </message>
    <message>
        <source>Backup Now</source>
        <translation>Jetzt sichern</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Please select where you want to restore:</source>
        <translation>Bitte wählen Sie, wohin wiederhergestellt werden soll:</translation>
    </message>
    <message>
        <source>Please select the version you want to restore:</source>
        <translation>Bitte wählen Sie die Version, die wiederhergestellt werden soll:</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>Original path</source>
        <translation>Ursprünglicher Pfad</translation>
    </message>
    <message>
        <source>New path</source>
        <translation>Neuer Pfad</translation>
    </message>
    <message>
        <source>Clear Logs</source>
        <translation>Protokoll leeren</translation>
    </message>
    <message>
        <source>Backup Name</source>
        <translation>Sicherungsname</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Startzeit</translation>
    </message>
    <message>
        <source>Finish Time</source>
        <translation>Endzeit</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Backup Configuration</source>
        <translation>Sicherungskonfiguration</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Email Notification</source>
        <translation>E-Mail-Benachrichtigung</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>Backup/Restore</source>
        <translation>Sichern/Wiederherstellen</translation>
    </message>
    <message>
        <source>Misc.</source>
        <translation>Sonstiges</translation>
    </message>
    <message>
        <source>If you want to import a backup task configuration, please click Import</source>
        <translation>Um eine Konfiguration von Sicherungsaufgaben zu importieren, klicken Sie auf Importieren</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>If you want to export your backup task configuration, please click Export</source>
        <translation>Um Ihre Konfiguration der Sicherungsaufgaben zu exportieren, klicken Sie auf Exportieren</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>  Every Month</source>
        <translation>  Jeden Monat</translation>
    </message>
    <message>
        <source>  Every Week</source>
        <translation>  Jede Woche</translation>
    </message>
    <message>
        <source>  Every Day</source>
        <translation>  Jeden Tag</translation>
    </message>
    <message>
        <source>Send email log summary</source>
        <translation>Protokollübersicht per E-Mail senden</translation>
    </message>
    <message>
        <source>SMTP Server needs security connection - SSL</source>
        <translation>SMTP-Server erfordert eine sichere Verbindung - SSL</translation>
    </message>
    <message>
        <source>Anonymous</source>
        <translation>Anonym</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Konto</translation>
    </message>
    <message>
        <source>SMTP Server</source>
        <translation>SMTP-Server</translation>
    </message>
    <message>
        <source>Login Method</source>
        <translation>Anmeldeverfahren</translation>
    </message>
    <message>
        <source>Send email notification when backup task is complete</source>
        <translation>E-Mail-Benachrichtigung senden, wenn die Sicherungsaufgabe abgeschlossen ist</translation>
    </message>
    <message>
        <source>Sender E-mail</source>
        <translation>Absender-E-Mail</translation>
    </message>
    <message>
        <source>Receiver E-mail</source>
        <translation>Empfänger-E-Mail</translation>
    </message>
    <message>
        <source>  Sun</source>
        <translation>  So</translation>
    </message>
    <message>
        <source>  Mon</source>
        <translation>  Mo</translation>
    </message>
    <message>
        <source>  Tue</source>
        <translation>  Di</translation>
    </message>
    <message>
        <source>  Wed</source>
        <translation>  Mi</translation>
    </message>
    <message>
        <source>  Thu</source>
        <translation>  Do</translation>
    </message>
    <message>
        <source>  Fri</source>
        <translation>  Fr</translation>
    </message>
    <message>
        <source>  Sat</source>
        <translation>  Sa</translation>
    </message>
    <message>
        <source>Stop log record when Max limitation has occured</source>
        <translation>Protokollierung beenden, wenn die Höchstgrenze erreicht ist</translation>
    </message>
    <message>
        <source>Replace the oldest log with the new one after Max limitation has occured</source>
        <translation>Nach Erreichen der Höchstgrenze den ältesten Eintrag durch den neuen ersetzen</translation>
    </message>
    <message>
        <source>Max 1000 log records</source>
        <translation>Höchstens 1000 Protokolleinträge</translation>
    </message>
    <message>
        <source>Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup</source>
        <translation>Beim Wiederherstellen lokale Dateien löschen, die in der zugehörigen Sicherung NICHT vorhanden sind</translation>
    </message>
    <message>
        <source>Shutdown Computer when Backup is complete</source>
        <translation>Computer nach Abschluss der Sicherung herunterfahren</translation>
    </message>
    <message>
        <source>Auto-start Tessaly Sync on Computer startup</source>
        <translation>Tessaly Sync beim Start des Computers automatisch starten</translation>
    </message>
    <message>
        <source>Backups</source>
        <translation>Sicherungen</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>Protokolle</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>Nicht gestartet</translation>
    </message>
    <message>
        <source>Backup is running</source>
        <translation>Sicherung läuft</translation>
    </message>
    <message>
        <source>Restore is running</source>
        <translation>Wiederherstellung läuft</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Another TessalySync is running on this computer and receives the answers of the service. The states of the backup tasks will not update in this window.</source>
        <translation>Auf diesem Computer läuft ein weiteres TessalySync, das die Antworten des Dienstes empfängt. Der Status der Sicherungsaufgaben wird in diesem Fenster nicht aktualisiert.</translation>
    </message>
    <message>
        <source>Are you sure you want to clear all logs?</source>
        <translation>Möchten Sie wirklich alle Protokolle löschen?</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Fertig stellen</translation>
    </message>
    <message>
        <source>Click here if no device is shown</source>
        <translation>Klicken Sie hier, wenn kein Gerät angezeigt wird</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>The backup tasks cannot be read: %1</source>
        <translation>Die Sicherungsaufgaben können nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Task: %1</source>
        <translation>Aufgabe: %1</translation>
    </message>
    <message>
        <source>File Types: %1</source>
        <translation>Dateitypen: %1</translation>
    </message>
    <message>
        <source>Destination: %1</source>
        <translation>Ziel: %1</translation>
    </message>
    <message>
        <source>Account: %1</source>
        <translation>Konto: %1</translation>
    </message>
    <message>
        <source>Model: %1</source>
        <translation>Modell: %1</translation>
    </message>
    <message>
        <source>Brelkin NAS</source>
        <translation>Brelkin NAS</translation>
    </message>
    <message>
        <source>Last: %1</source>
        <translation>Zuletzt: %1</translation>
    </message>
    <message>
        <source>Next: %1</source>
        <translation>Nächste: %1</translation>
    </message>
    <message>
        <source>Manually</source>
        <translation>Manuell</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>Monatlich</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Wöchentlich</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>Täglich</translation>
    </message>
    <message>
        <source>Schedule: %1</source>
        <translation>Zeitplan: %1</translation>
    </message>
    <message>
        <source>Stop Backup</source>
        <translation>Sicherung stoppen</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this backup?</source>
        <translation>Möchten Sie diese Sicherung wirklich löschen?</translation>
    </message>
    <message>
        <source>Backup Result</source>
        <translation>Sicherungsergebnis</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Fehler: %1</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Vorherige Seite</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Nächste Seite</translation>
    </message>
    <message>
        <source>Please enter a user name!</source>
        <translation>Bitte geben Sie einen Benutzernamen ein!</translation>
    </message>
    <message>
        <source>Please enter a password!</source>
        <translation>Bitte geben Sie ein Kennwort ein!</translation>
    </message>
    <message>
        <source>Please enter a SMTP Server!</source>
        <translation>Bitte geben Sie einen SMTP-Server ein!</translation>
    </message>
    <message>
        <source>Please enter a Sender E-mail!</source>
        <translation>Bitte geben Sie die Absender-E-Mail ein!</translation>
    </message>
    <message>
        <source>Sender E-mail must contain &quot;@&quot;!</source>
        <translation>Die Absender-E-Mail muss „@“ enthalten!</translation>
    </message>
    <message>
        <source>Please enter a Receiver E-mail!</source>
        <translation>Bitte geben Sie die Empfänger-E-Mail ein!</translation>
    </message>
    <message>
        <source>Receiver E-mail must contain &quot;@&quot;!</source>
        <translation>Die Empfänger-E-Mail muss „@“ enthalten!</translation>
    </message>
    <message>
        <source>Are you sure you want to restore to default settings?</source>
        <translation>Möchten Sie wirklich die Standardeinstellungen wiederherstellen?</translation>
    </message>
    <message>
        <source>The settings could not be saved: %1</source>
        <translation>Die Einstellungen konnten nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>The automatic start could not be changed: %1</source>
        <translation>Der automatische Start konnte nicht geändert werden: %1</translation>
    </message>
    <message>
        <source>Export Configuration</source>
        <translation>Konfiguration exportieren</translation>
    </message>
    <message>
        <source>The backup configuration could not be exported: %1</source>
        <translation>Die Sicherungskonfiguration konnte nicht exportiert werden: %1</translation>
    </message>
    <message>
        <source>Import Configuration</source>
        <translation>Konfiguration importieren</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
    <message>
        <source>Import successfully!</source>
        <translation>Import erfolgreich!</translation>
    </message>
    <message>
        <source>Please select a correct file!</source>
        <translation>Bitte wählen Sie eine gültige Datei!</translation>
    </message>
    <message>
        <source>The backup configuration could not be imported: %1</source>
        <translation>Die Sicherungskonfiguration konnte nicht importiert werden: %1</translation>
    </message>
    <message>
        <source>Please create the name of the backup task!</source>
        <translation>Bitte geben Sie der Sicherungsaufgabe einen Namen!</translation>
    </message>
    <message>
        <source>The name of the backup task can not contain ~`^&amp;{}[]|&quot;</source>
        <translation>Der Name der Sicherungsaufgabe darf diese Zeichen nicht enthalten: ~`^&amp;{}[]|&quot;</translation>
    </message>
    <message>
        <source>The backup task could not be saved: %1</source>
        <translation>Die Sicherungsaufgabe konnte nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any folder for backup!</source>
        <translation>Sie haben keinen Ordner zum Sichern ausgewählt!</translation>
    </message>
    <message>
        <source>Please do not select network drive as source folder!</source>
        <translation>Bitte wählen Sie kein Netzlaufwerk als Quellordner!</translation>
    </message>
    <message>
        <source>Please enter the extension!</source>
        <translation>Bitte geben Sie die Dateiendung ein!</translation>
    </message>
    <message>
        <source>Invalid extension! Correct extension should like *.txt.</source>
        <translation>Ungültige Dateiendung! Eine gültige Dateiendung sieht aus wie *.txt.</translation>
    </message>
    <message>
        <source>Please select a extension to remove!</source>
        <translation>Bitte wählen Sie eine Dateiendung zum Entfernen!</translation>
    </message>
    <message>
        <source>You haven&apos;t specified any extension for backup!</source>
        <translation>Sie haben keine Dateiendung zum Sichern angegeben!</translation>
    </message>
    <message>
        <source>Please select at least a day for the schedule!</source>
        <translation>Bitte wählen Sie mindestens einen Tag für den Zeitplan!</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any device!</source>
        <translation>Sie haben kein Gerät ausgewählt!</translation>
    </message>
    <message>
        <source>Invalid device!</source>
        <translation>Ungültiges Gerät!</translation>
    </message>
    <message>
        <source>To detect your NAS, please make sure Tessaly Sync has been permitted to pass through the firewall in your computer.</source>
        <translation>Damit Ihr NAS gefunden wird, muss die Firewall Ihres Computers Tessaly Sync zulassen.</translation>
    </message>
    <message>
        <source>The network path was not found!</source>
        <translation>Der Netzwerkpfad wurde nicht gefunden!</translation>
    </message>
    <message>
        <source>Invalid user name or password.</source>
        <translation>Ungültiger Benutzername oder ungültiges Kennwort.</translation>
    </message>
    <message>
        <source>Please select a backup destination folder!</source>
        <translation>Bitte wählen Sie den Zielordner der Sicherung!</translation>
    </message>
    <message>
        <source>Please enter user name!</source>
        <translation>Bitte geben Sie den Benutzernamen ein!</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Ordner erstellen</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Der Ordner konnte nicht erstellt werden.</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup device!</source>
        <translation>Das Sicherungsgerät wurde nicht gefunden!</translation>
    </message>
    <message>
        <source>Please select a backup!</source>
        <translation>Bitte wählen Sie eine Sicherung!</translation>
    </message>
    <message>
        <source>Please enter a path where you want to restore!</source>
        <translation>Bitte geben Sie einen Pfad ein, in den wiederhergestellt werden soll!</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup files!</source>
        <translation>Die Sicherungsdateien wurden nicht gefunden!</translation>
    </message>
    <message>
        <source>Backup is running, can&apos;t restore now!</source>
        <translation>Eine Sicherung läuft, die Wiederherstellung ist jetzt nicht möglich!</translation>
    </message>
    <message>
        <source>The configuration folder %1 cannot be used: %2. No backup task and no setting can be saved until it can be made.</source>
        <translation>Der Konfigurationsordner %1 kann nicht verwendet werden: %2. Solange er nicht angelegt werden kann, lassen sich weder Sicherungsaufgaben noch Einstellungen speichern.</translation>
    </message>
    <message>
        <source>The TessalySync service is not running. Start it with: systemctl start TessalySync</source>
        <translation>Der Dienst TessalySync läuft nicht. Starten Sie ihn mit: systemctl start TessalySync</translation>
    </message>
    <message>
        <source>TessalySync service is not running</source>
        <translation>Dienst TessalySync läuft nicht</translation>
    </message>
    <message>
        <source>Delete file(s) in the backup if the file(s) do NOT exist in the source folder(s)</source>
        <translation>Dateien in der Sicherung löschen, die in den Quellordnern NICHT vorhanden sind</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>Dateiendung</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>Dateiendungen</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Stunde</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>Result of the last backup</source>
        <translation>Ergebnis der letzten Sicherung</translation>
    </message>
    <message>
        <source>Last backup completed</source>
        <translation>Letzte Sicherung abgeschlossen</translation>
    </message>
    <message>
        <source>Last backup did not succeed</source>
        <translation>Letzte Sicherung nicht erfolgreich</translation>
    </message>
</context>
<context>
    <name>GetSessionVersion</name>
    <message>
        <source>No list to fill.</source>
        <translation>Keine Liste zum Füllen.</translation>
    </message>
    <message>
        <source>The SQLite driver of Qt (QSQLITE) is not installed.</source>
        <translation>Der SQLite-Treiber von Qt (QSQLITE) ist nicht installiert.</translation>
    </message>
    <message>
        <source>Another reading of versions is under way.</source>
        <translation>Es werden bereits Versionen gelesen.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; is neither a share \\server\share nor a local folder.</source>
        <translation>Das Ziel „%1“ ist weder eine Freigabe \\server\share noch ein lokaler Ordner.</translation>
    </message>
    <message>
        <source>The task uuid &quot;%1&quot; is not a uuid.</source>
        <translation>Die Aufgaben-UUID „%1“ ist keine UUID.</translation>
    </message>
    <message>
        <source>No thread could be started to read the destination.</source>
        <translation>Es konnte kein Thread zum Lesen des Ziels gestartet werden.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; did not answer within %2 seconds.</source>
        <translation>Das Ziel „%1“ hat nicht innerhalb von %2 Sekunden geantwortet.</translation>
    </message>
    <message>
        <source>The account of this task cannot be used (%1).</source>
        <translation>Das Konto dieser Aufgabe kann nicht verwendet werden (%1).</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; refused the account of this task.</source>
        <translation>Das Ziel „%1“ hat das Konto dieser Aufgabe abgelehnt.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; was not found.</source>
        <translation>Das Ziel „%1“ wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; cannot be reached (%2).</source>
        <translation>Das Ziel „%1“ ist nicht erreichbar (%2).</translation>
    </message>
    <message>
        <source>No backup of this task was found on &quot;%1&quot;.</source>
        <translation>Auf „%1“ wurde keine Sicherung dieser Aufgabe gefunden.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be read (%1).</source>
        <translation>Die Sicherungsdaten dieser Aufgabe können nicht gelesen werden (%1).</translation>
    </message>
    <message>
        <source>No temporary folder could be made for the backup records.</source>
        <translation>Für die Sicherungsdaten konnte kein temporärer Ordner angelegt werden.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be copied (%1).</source>
        <translation>Die Sicherungsdaten dieser Aufgabe können nicht kopiert werden (%1).</translation>
    </message>
    <message>
        <source>The versions of this task cannot be read: its backup records on the destination are damaged (%1).</source>
        <translation>Die Versionen dieser Aufgabe können nicht gelesen werden: Ihre Sicherungsdaten auf dem Ziel sind beschädigt (%1).</translation>
    </message>
</context>
</TS>
