<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it" sourcelanguage="en">
<context>
    <name>BrowseDialog</name>
    <message>
        <source>Open Directory</source>
        <translation>Apri cartella</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Make New Folder</source>
        <translation>Nuova cartella</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Browse For Folder</source>
        <translation>Cerca cartella</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Nuova cartella</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Crea cartella</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Impossibile creare la cartella.</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>New Folder</source>
        <translation>Nuova cartella</translation>
    </message>
    <message>
        <source>Welcome to Tessaly Sync!</source>
        <translation>Benvenuto in Tessaly Sync!</translation>
    </message>
    <message>
        <source>Please select the folders you want to backup</source>
        <translation>Selezionare le cartelle di cui eseguire il backup</translation>
    </message>
    <message>
        <source>Please specify the extension which will be included</source>
        <translation>Specificare le estensioni da includere</translation>
    </message>
    <message>
        <source>e.g: *.txt</source>
        <translation>es.: *.txt</translation>
    </message>
    <message>
        <source>Please select a backup destination device</source>
        <translation>Selezionare il dispositivo di destinazione del backup</translation>
    </message>
    <message>
        <source>Please enter user name and password</source>
        <translation>Immettere nome utente e password</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>Nome utente</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>Pianificazione</translation>
    </message>
    <message>
        <source>  Manually</source>
        <translation>  Manuale</translation>
    </message>
    <message>
        <source>  Monthly</source>
        <translation>  Mensile</translation>
    </message>
    <message>
        <source>  Weekly</source>
        <translation>  Settimanale</translation>
    </message>
    <message>
        <source>  Daily</source>
        <translation>  Giornaliera</translation>
    </message>
    <message>
        <source>Backup action</source>
        <translation>Tipo di backup</translation>
    </message>
    <message>
        <source>Incremental Backup</source>
        <translation>Backup incrementale</translation>
    </message>
    <message>
        <source>Full Backup</source>
        <translation>Backup completo</translation>
    </message>
    <message>
        <source>Sun</source>
        <translation>Dom</translation>
    </message>
    <message>
        <source>Mon</source>
        <translation>Lun</translation>
    </message>
    <message>
        <source>Tue</source>
        <translation>Mar</translation>
    </message>
    <message>
        <source>Wed</source>
        <translation>Mer</translation>
    </message>
    <message>
        <source>Thu</source>
        <translation>Gio</translation>
    </message>
    <message>
        <source>Fri</source>
        <translation>Ven</translation>
    </message>
    <message>
        <source>Sat</source>
        <translation>Sab</translation>
    </message>
    <message>
        <source>Please select the backup action and the schedule</source>
        <translation>Selezionare il tipo di backup e la pianificazione</translation>
    </message>
    <message>
        <source>Next &gt;&gt;</source>
        <translation>Avanti &gt;&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>&lt;&lt; Back</source>
        <translation>&lt;&lt; Indietro</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Aggiungi</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Rimuovi</translation>
    </message>
    <message>
        <source>Please select a backup destination folder</source>
        <translation>Selezionare la cartella di destinazione del backup</translation>
    </message>
    <message>
        <source>New Backup</source>
        <translation>Nuovo backup</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>Indirizzo IP</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nome</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Tutti i file</translation>
    </message>
    <message>
        <source>Specify Extensions</source>
        <translation>Specifica estensioni</translation>
    </message>
    <message>
        <source>Video (*.avi,*.wmv,*.mp4......)</source>
        <translation>Video (*.avi,*.wmv,*.mp4......)</translation>
    </message>
    <message>
        <source>Picture (*.jpg,*.bmp,*.gif......)</source>
        <translation>Immagine (*.jpg,*.bmp,*.gif......)</translation>
    </message>
    <message>
        <source>Audio (*.mp3,*.wma,*.wav......)</source>
        <translation>Audio (*.mp3,*.wma,*.wav......)</translation>
    </message>
    <message>
        <source>Customize</source>
        <translation>Personalizza</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aggiorna</translation>
    </message>
    <message>
        <source>An incremental backup preserves data of source folder(s) based on the differences in those data. You can get your previous versions of the same file(s) from previous backups.</source>
        <translation>Un backup incrementale conserva i dati delle cartelle di origine in base alle loro modifiche. Le versioni precedenti degli stessi file si possono recuperare dai backup precedenti.</translation>
    </message>
    <message>
        <source>A full backup is a backup of the source folder(s), whether that file has changed or not.There is only the last copy of your file(s) in destination.</source>
        <translation>Un backup completo copia le cartelle di origine, che i file siano cambiati o no. Nella destinazione resta solo l&apos;ultima copia dei file.</translation>
    </message>
    <message>
        <source>User Account</source>
        <translation>Account utente</translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation>Modello dispositivo</translation>
    </message>
    <message>
        <source>This wizard will guide you through setting up a new backup task.  Begin by entering the name of the backup task: </source>
        <translation>Questa procedura guidata aiuta a configurare una nuova attività di backup. Per iniziare, immettere il nome dell&apos;attività di backup: </translation>
    </message>
    <message>
        <source>The summary of destination</source>
        <translation>Riepilogo della destinazione</translation>
    </message>
    <message>
        <source>Edit the name of the backup task</source>
        <translation>Modificare il nome dell&apos;attività di backup</translation>
    </message>
    <message>
        <source>Create Folder</source>
        <translation>Crea cartella</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Stato</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Destinazione</translation>
    </message>
    <message>
        <source>Backup Now</source>
        <translation>Esegui backup</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Ripristina</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Elimina</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Origine</translation>
    </message>
    <message>
        <source>Please select where you want to restore:</source>
        <translation>Selezionare dove eseguire il ripristino:</translation>
    </message>
    <message>
        <source>Please select the version you want to restore:</source>
        <translation>Selezionare la versione da ripristinare:</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Sfoglia</translation>
    </message>
    <message>
        <source>Original path</source>
        <translation>Percorso originale</translation>
    </message>
    <message>
        <source>New path</source>
        <translation>Nuovo percorso</translation>
    </message>
    <message>
        <source>Clear Logs</source>
        <translation>Cancella registro</translation>
    </message>
    <message>
        <source>Backup Name</source>
        <translation>Nome backup</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Ora di inizio</translation>
    </message>
    <message>
        <source>Finish Time</source>
        <translation>Ora di fine</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Descrizione</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Salva</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Predefinito</translation>
    </message>
    <message>
        <source>Backup Configuration</source>
        <translation>Configurazione backup</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Lingua</translation>
    </message>
    <message>
        <source>Email Notification</source>
        <translation>Notifica e-mail</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Registro</translation>
    </message>
    <message>
        <source>Backup/Restore</source>
        <translation>Backup/Ripristino</translation>
    </message>
    <message>
        <source>Misc.</source>
        <translation>Varie</translation>
    </message>
    <message>
        <source>If you want to import a backup task configuration, please click Import</source>
        <translation>Per importare una configurazione delle attività di backup, fare clic su Importa</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Esporta</translation>
    </message>
    <message>
        <source>If you want to export your backup task configuration, please click Export</source>
        <translation>Per esportare la configurazione delle attività di backup, fare clic su Esporta</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importa</translation>
    </message>
    <message>
        <source>  Every Month</source>
        <translation>  Ogni mese</translation>
    </message>
    <message>
        <source>  Every Week</source>
        <translation>  Ogni settimana</translation>
    </message>
    <message>
        <source>  Every Day</source>
        <translation>  Ogni giorno</translation>
    </message>
    <message>
        <source>Send email log summary</source>
        <translation>Invia riepilogo del registro per e-mail</translation>
    </message>
    <message>
        <source>SMTP Server needs security connection - SSL</source>
        <translation>Il server SMTP richiede una connessione protetta - SSL</translation>
    </message>
    <message>
        <source>Anonymous</source>
        <translation>Anonimo</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Account</translation>
    </message>
    <message>
        <source>SMTP Server</source>
        <translation>Server SMTP</translation>
    </message>
    <message>
        <source>Login Method</source>
        <translation>Metodo di accesso</translation>
    </message>
    <message>
        <source>Send email notification when backup task is complete</source>
        <translation>Invia una notifica e-mail al termine dell&apos;attività di backup</translation>
    </message>
    <message>
        <source>Sender E-mail</source>
        <translation>E-mail mittente</translation>
    </message>
    <message>
        <source>Receiver E-mail</source>
        <translation>E-mail destinatario</translation>
    </message>
    <message>
        <source>  Sun</source>
        <translation>  Dom</translation>
    </message>
    <message>
        <source>  Mon</source>
        <translation>  Lun</translation>
    </message>
    <message>
        <source>  Tue</source>
        <translation>  Mar</translation>
    </message>
    <message>
        <source>  Wed</source>
        <translation>  Mer</translation>
    </message>
    <message>
        <source>  Thu</source>
        <translation>  Gio</translation>
    </message>
    <message>
        <source>  Fri</source>
        <translation>  Ven</translation>
    </message>
    <message>
        <source>  Sat</source>
        <translation>  Sab</translation>
    </message>
    <message>
        <source>Stop log record when Max limitation has occured</source>
        <translation>Interrompi la registrazione al raggiungimento del limite massimo</translation>
    </message>
    <message>
        <source>Replace the oldest log with the new one after Max limitation has occured</source>
        <translation>Sostituisci la voce più vecchia con quella nuova al raggiungimento del limite massimo</translation>
    </message>
    <message>
        <source>Max 1000 log records</source>
        <translation>Massimo 1000 voci di registro</translation>
    </message>
    <message>
        <source>Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup</source>
        <translation>Durante il ripristino elimina i file locali che NON esistono nel backup corrispondente</translation>
    </message>
    <message>
        <source>Shutdown Computer when Backup is complete</source>
        <translation>Spegni il computer al termine del backup</translation>
    </message>
    <message>
        <source>Auto-start Tessaly Sync on Computer startup</source>
        <translation>Avvia Tessaly Sync all&apos;avvio del computer</translation>
    </message>
    <message>
        <source>Backups</source>
        <translation>Backup</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>Registri</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Impostazioni</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Riduci a icona</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>Non avviato</translation>
    </message>
    <message>
        <source>Backup is running</source>
        <translation>Backup in corso</translation>
    </message>
    <message>
        <source>Restore is running</source>
        <translation>Ripristino in corso</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avviso</translation>
    </message>
    <message>
        <source>Another TessalySync is running on this computer and receives the answers of the service. The states of the backup tasks will not update in this window.</source>
        <translation>Su questo computer è in esecuzione un altro TessalySync, che riceve le risposte del servizio. Lo stato delle attività di backup non verrà aggiornato in questa finestra.</translation>
    </message>
    <message>
        <source>Are you sure you want to clear all logs?</source>
        <translation>Cancellare davvero tutti i registri?</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Fine</translation>
    </message>
    <message>
        <source>Click here if no device is shown</source>
        <translation>Fare clic qui se non viene visualizzato alcun dispositivo</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Errore</translation>
    </message>
    <message>
        <source>The backup tasks cannot be read: %1</source>
        <translation>Impossibile leggere le attività di backup: %1</translation>
    </message>
    <message>
        <source>Task: %1</source>
        <translation>Attività: %1</translation>
    </message>
    <message>
        <source>File Types: %1</source>
        <translation>Tipi di file: %1</translation>
    </message>
    <message>
        <source>Destination: %1</source>
        <translation>Destinazione: %1</translation>
    </message>
    <message>
        <source>Account: %1</source>
        <translation>Account: %1</translation>
    </message>
    <message>
        <source>Model: %1</source>
        <translation>Modello: %1</translation>
    </message>
    <message>
        <source>Brelkin NAS</source>
        <translation>Brelkin NAS</translation>
    </message>
    <message>
        <source>Last: %1</source>
        <translation>Ultimo: %1</translation>
    </message>
    <message>
        <source>Next: %1</source>
        <translation>Prossimo: %1</translation>
    </message>
    <message>
        <source>Manually</source>
        <translation>Manuale</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>Mensile</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Settimanale</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>Giornaliera</translation>
    </message>
    <message>
        <source>Schedule: %1</source>
        <translation>Pianificazione: %1</translation>
    </message>
    <message>
        <source>Stop Backup</source>
        <translation>Interrompi backup</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this backup?</source>
        <translation>Eliminare davvero questo backup?</translation>
    </message>
    <message>
        <source>Backup Result</source>
        <translation>Risultato del backup</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Errore: %1</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Pagina precedente</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Pagina successiva</translation>
    </message>
    <message>
        <source>Please enter a user name!</source>
        <translation>Immettere un nome utente!</translation>
    </message>
    <message>
        <source>Please enter a password!</source>
        <translation>Immettere una password!</translation>
    </message>
    <message>
        <source>Please enter a SMTP Server!</source>
        <translation>Immettere un server SMTP!</translation>
    </message>
    <message>
        <source>Please enter a Sender E-mail!</source>
        <translation>Immettere l&apos;e-mail del mittente!</translation>
    </message>
    <message>
        <source>Sender E-mail must contain &quot;@&quot;!</source>
        <translation>L&apos;e-mail del mittente deve contenere &quot;@&quot;!</translation>
    </message>
    <message>
        <source>Please enter a Receiver E-mail!</source>
        <translation>Immettere l&apos;e-mail del destinatario!</translation>
    </message>
    <message>
        <source>Receiver E-mail must contain &quot;@&quot;!</source>
        <translation>L&apos;e-mail del destinatario deve contenere &quot;@&quot;!</translation>
    </message>
    <message>
        <source>Are you sure you want to restore to default settings?</source>
        <translation>Ripristinare davvero le impostazioni predefinite?</translation>
    </message>
    <message>
        <source>The settings could not be saved: %1</source>
        <translation>Impossibile salvare le impostazioni: %1</translation>
    </message>
    <message>
        <source>The automatic start could not be changed: %1</source>
        <translation>Impossibile modificare l&apos;avvio automatico: %1</translation>
    </message>
    <message>
        <source>Export Configuration</source>
        <translation>Esporta configurazione</translation>
    </message>
    <message>
        <source>The backup configuration could not be exported: %1</source>
        <translation>Impossibile esportare la configurazione dei backup: %1</translation>
    </message>
    <message>
        <source>Import Configuration</source>
        <translation>Importa configurazione</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Messaggio</translation>
    </message>
    <message>
        <source>Import successfully!</source>
        <translation>Importazione riuscita!</translation>
    </message>
    <message>
        <source>Please select a correct file!</source>
        <translation>Selezionare un file valido!</translation>
    </message>
    <message>
        <source>The backup configuration could not be imported: %1</source>
        <translation>Impossibile importare la configurazione dei backup: %1</translation>
    </message>
    <message>
        <source>Please create the name of the backup task!</source>
        <translation>Assegnare un nome all&apos;attività di backup!</translation>
    </message>
    <message>
        <source>The name of the backup task can not contain ~`^&amp;{}[]|&quot;</source>
        <translation>Il nome dell&apos;attività di backup non può contenere ~`^&amp;{}[]|&quot;</translation>
    </message>
    <message>
        <source>The backup task could not be saved: %1</source>
        <translation>Impossibile salvare l&apos;attività di backup: %1</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any folder for backup!</source>
        <translation>Non è stata selezionata alcuna cartella per il backup!</translation>
    </message>
    <message>
        <source>Please do not select network drive as source folder!</source>
        <translation>Non selezionare un&apos;unità di rete come cartella di origine!</translation>
    </message>
    <message>
        <source>Please enter the extension!</source>
        <translation>Immettere l&apos;estensione!</translation>
    </message>
    <message>
        <source>Invalid extension! Correct extension should like *.txt.</source>
        <translation>Estensione non valida! Un&apos;estensione corretta è del tipo *.txt.</translation>
    </message>
    <message>
        <source>Please select a extension to remove!</source>
        <translation>Selezionare un&apos;estensione da rimuovere!</translation>
    </message>
    <message>
        <source>You haven&apos;t specified any extension for backup!</source>
        <translation>Non è stata specificata alcuna estensione per il backup!</translation>
    </message>
    <message>
        <source>Please select at least a day for the schedule!</source>
        <translation>Selezionare almeno un giorno per la pianificazione!</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any device!</source>
        <translation>Non è stato selezionato alcun dispositivo!</translation>
    </message>
    <message>
        <source>Invalid device!</source>
        <translation>Dispositivo non valido!</translation>
    </message>
    <message>
        <source>To detect your NAS, please make sure Tessaly Sync has been permitted to pass through the firewall in your computer.</source>
        <translation>Per rilevare il NAS, assicurarsi che il firewall del computer consenta il passaggio a Tessaly Sync.</translation>
    </message>
    <message>
        <source>The network path was not found!</source>
        <translation>Percorso di rete non trovato!</translation>
    </message>
    <message>
        <source>Invalid user name or password.</source>
        <translation>Nome utente o password non validi.</translation>
    </message>
    <message>
        <source>Please select a backup destination folder!</source>
        <translation>Selezionare la cartella di destinazione del backup!</translation>
    </message>
    <message>
        <source>Please enter user name!</source>
        <translation>Immettere il nome utente!</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Crea cartella</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Impossibile creare la cartella.</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup device!</source>
        <translation>Impossibile trovare il dispositivo di backup!</translation>
    </message>
    <message>
        <source>Please select a backup!</source>
        <translation>Selezionare un backup!</translation>
    </message>
    <message>
        <source>Please enter a path where you want to restore!</source>
        <translation>Inserire il percorso in cui ripristinare!</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup files!</source>
        <translation>Impossibile trovare i file di backup!</translation>
    </message>
    <message>
        <source>Backup is running, can&apos;t restore now!</source>
        <translation>Backup in corso, impossibile ripristinare ora!</translation>
    </message>
    <message>
        <source>The configuration folder %1 cannot be used: %2. No backup task and no setting can be saved until it can be made.</source>
        <translation>La cartella di configurazione %1 non può essere usata: %2. Nessuna attività di backup e nessuna impostazione può essere salvata finché non può essere creata.</translation>
    </message>
    <message>
        <source>The TessalySync service is not running. Start it with: systemctl start TessalySync</source>
        <translation>Il servizio TessalySync non è in esecuzione. Avviarlo con: systemctl start TessalySync</translation>
    </message>
    <message>
        <source>TessalySync service is not running</source>
        <translation>Servizio TessalySync non in esecuzione</translation>
    </message>
    <message>
        <source>Delete file(s) in the backup if the file(s) do NOT exist in the source folder(s)</source>
        <translation>Elimina dal backup i file che NON esistono nelle cartelle di origine</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>Estensione</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>Estensioni</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Ora</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minuto</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Giorno</translation>
    </message>
    <message>
        <source>Result of the last backup</source>
        <translation>Risultato dell&apos;ultimo backup</translation>
    </message>
    <message>
        <source>Last backup completed</source>
        <translation>Ultimo backup completato</translation>
    </message>
    <message>
        <source>Last backup did not succeed</source>
        <translation>L&apos;ultimo backup non è riuscito</translation>
    </message>
</context>
<context>
    <name>GetSessionVersion</name>
    <message>
        <source>No list to fill.</source>
        <translation>Nessun elenco da riempire.</translation>
    </message>
    <message>
        <source>The SQLite driver of Qt (QSQLITE) is not installed.</source>
        <translation>Il driver SQLite di Qt (QSQLITE) non è installato.</translation>
    </message>
    <message>
        <source>Another reading of versions is under way.</source>
        <translation>È già in corso un&apos;altra lettura delle versioni.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; is neither a share \\server\share nor a local folder.</source>
        <translation>La destinazione &quot;%1&quot; non è né una condivisione \\server\share né una cartella locale.</translation>
    </message>
    <message>
        <source>The task uuid &quot;%1&quot; is not a uuid.</source>
        <translation>L&apos;uuid dell&apos;attività &quot;%1&quot; non è un uuid.</translation>
    </message>
    <message>
        <source>No thread could be started to read the destination.</source>
        <translation>Impossibile avviare un thread per leggere la destinazione.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; did not answer within %2 seconds.</source>
        <translation>La destinazione &quot;%1&quot; non ha risposto entro %2 secondi.</translation>
    </message>
    <message>
        <source>The account of this task cannot be used (%1).</source>
        <translation>Impossibile usare l&apos;account di questa attività (%1).</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; refused the account of this task.</source>
        <translation>La destinazione &quot;%1&quot; ha rifiutato l&apos;account di questa attività.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; was not found.</source>
        <translation>Destinazione &quot;%1&quot; non trovata.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; cannot be reached (%2).</source>
        <translation>La destinazione &quot;%1&quot; non è raggiungibile (%2).</translation>
    </message>
    <message>
        <source>No backup of this task was found on &quot;%1&quot;.</source>
        <translation>Nessun backup di questa attività trovato su &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be read (%1).</source>
        <translation>Impossibile leggere i dati di backup di questa attività (%1).</translation>
    </message>
    <message>
        <source>No temporary folder could be made for the backup records.</source>
        <translation>Impossibile creare una cartella temporanea per i dati di backup.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be copied (%1).</source>
        <translation>Impossibile copiare i dati di backup di questa attività (%1).</translation>
    </message>
    <message>
        <source>The versions of this task cannot be read: its backup records on the destination are damaged (%1).</source>
        <translation>Impossibile leggere le versioni di questa attività: i suoi dati di backup sulla destinazione sono danneggiati (%1).</translation>
    </message>
</context>
</TS>
