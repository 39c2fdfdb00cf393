<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>BrowseDialog</name>
    <message>
        <source>Open Directory</source>
        <translation>Ouvrir un dossier</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Make New Folder</source>
        <translation>Nouveau dossier</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Browse For Folder</source>
        <translation>Rechercher un dossier</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Nouveau dossier</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Créer un dossier</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Impossible de créer le dossier.</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>New Folder</source>
        <translation>Nouveau dossier</translation>
    </message>
    <message>
        <source>Welcome to Tessaly Sync!</source>
        <translation>Bienvenue dans Tessaly Sync&#xa0;!</translation>
    </message>
    <message>
        <source>Please select the folders you want to backup</source>
        <translation>Veuillez sélectionner les dossiers à sauvegarder</translation>
    </message>
    <message>
        <source>Please specify the extension which will be included</source>
        <translation>Veuillez indiquer les extensions à inclure</translation>
    </message>
    <message>
        <source>e.g: *.txt</source>
        <translation>ex.&#xa0;: *.txt</translation>
    </message>
    <message>
        <source>Please select a backup destination device</source>
        <translation>Veuillez sélectionner le périphérique de destination de la sauvegarde</translation>
    </message>
    <message>
        <source>Please enter user name and password</source>
        <translation>Veuillez saisir le nom d&apos;utilisateur et le mot de passe</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Mot de passe</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>Nom d&apos;utilisateur</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>Planification</translation>
    </message>
    <message>
        <source>  Manually</source>
        <translation>  Manuelle</translation>
    </message>
    <message>
        <source>  Monthly</source>
        <translation>  Mensuelle</translation>
    </message>
    <message>
        <source>  Weekly</source>
        <translation>  Hebdomadaire</translation>
    </message>
    <message>
        <source>  Daily</source>
        <translation>  Quotidienne</translation>
    </message>
    <message>
        <source>Backup action</source>
        <translation>Type de sauvegarde</translation>
    </message>
    <message>
        <source>Incremental Backup</source>
        <translation>Sauvegarde incrémentielle</translation>
    </message>
    <message>
        <source>Full Backup</source>
        <translation>Sauvegarde complète</translation>
    </message>
    <message>
        <source>Sun</source>
        <translation>Dim</translation>
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
        <translation>Jeu</translation>
    </message>
    <message>
        <source>Fri</source>
        <translation>Ven</translation>
    </message>
    <message>
        <source>Sat</source>
        <translation>Sam</translation>
    </message>
    <message>
        <source>Please select the backup action and the schedule</source>
        <translation>Veuillez sélectionner le type de sauvegarde et la planification</translation>
    </message>
    <message>
        <source>Next &gt;&gt;</source>
        <translation>Suivant &gt;&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>&lt;&lt; Back</source>
        <translation>&lt;&lt; Précédent</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Ajouter</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Retirer</translation>
    </message>
    <message>
        <source>Please select a backup destination folder</source>
        <translation>Veuillez sélectionner le dossier de destination de la sauvegarde</translation>
    </message>
    <message>
        <source>New Backup</source>
        <translation>Nouvelle sauvegarde</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>Adresse IP</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Tous les fichiers</translation>
    </message>
    <message>
        <source>Specify Extensions</source>
        <translation>Choisir les extensions</translation>
    </message>
    <message>
        <source>Video (*.avi,*.wmv,*.mp4......)</source>
        <translation>Vidéo (*.avi,*.wmv,*.mp4......)</translation>
    </message>
    <message>
        <source>Picture (*.jpg,*.bmp,*.gif......)</source>
        <translation>Image (*.jpg,*.bmp,*.gif......)</translation>
    </message>
    <message>
        <source>Audio (*.mp3,*.wma,*.wav......)</source>
        <translation>Audio (*.mp3,*.wma,*.wav......)</translation>
    </message>
    <message>
        <source>Customize</source>
        <translation>Personnalisé</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Actualiser</translation>
    </message>
    <message>
        <source>An incremental backup preserves data of source folder(s) based on the differences in those data. You can get your previous versions of the same file(s) from previous backups.</source>
        <translation>Une sauvegarde incrémentielle conserve les données des dossiers source d&apos;après leurs modifications. Vous pouvez retrouver les versions précédentes des mêmes fichiers dans les sauvegardes précédentes.</translation>
    </message>
    <message>
        <source>A full backup is a backup of the source folder(s), whether that file has changed or not.There is only the last copy of your file(s) in destination.</source>
        <translation>Une sauvegarde complète copie les dossiers source, que les fichiers aient changé ou non. La destination ne contient que la dernière copie de vos fichiers.</translation>
    </message>
    <message>
        <source>User Account</source>
        <translation>Compte utilisateur</translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation>Modèle de l&apos;appareil</translation>
    </message>
    <message>
        <source>This wizard will guide you through setting up a new backup task.  Begin by entering the name of the backup task: </source>
        <translation>Cet assistant vous guide dans la création d&apos;une nouvelle tâche de sauvegarde. Commencez par saisir le nom de la tâche de sauvegarde&#xa0;: </translation>
    </message>
    <message>
        <source>The summary of destination</source>
        <translation>Récapitulatif de la destination</translation>
    </message>
    <message>
        <source>Edit the name of the backup task</source>
        <translation>Modifiez le nom de la tâche de sauvegarde</translation>
    </message>
    <message>
        <source>Create Folder</source>
        <translation>Créer un dossier</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Destination</translation>
    </message>
    <message>
        <source>Backup Now</source>
        <translation>Sauvegarder</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restaurer</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Please select where you want to restore:</source>
        <translation>Veuillez choisir l&apos;emplacement de la restauration&#xa0;:</translation>
    </message>
    <message>
        <source>Please select the version you want to restore:</source>
        <translation>Veuillez choisir la version à restaurer&#xa0;:</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Parcourir</translation>
    </message>
    <message>
        <source>Original path</source>
        <translation>Chemin d&apos;origine</translation>
    </message>
    <message>
        <source>New path</source>
        <translation>Nouveau chemin</translation>
    </message>
    <message>
        <source>Clear Logs</source>
        <translation>Effacer le journal</translation>
    </message>
    <message>
        <source>Backup Name</source>
        <translation>Nom de sauvegarde</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Heure de début</translation>
    </message>
    <message>
        <source>Finish Time</source>
        <translation>Heure de fin</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Par défaut</translation>
    </message>
    <message>
        <source>Backup Configuration</source>
        <translation>Configuration des sauvegardes</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Langue</translation>
    </message>
    <message>
        <source>Email Notification</source>
        <translation>Notification par e-mail</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Journal</translation>
    </message>
    <message>
        <source>Backup/Restore</source>
        <translation>Sauvegarde/Restauration</translation>
    </message>
    <message>
        <source>Misc.</source>
        <translation>Divers</translation>
    </message>
    <message>
        <source>If you want to import a backup task configuration, please click Import</source>
        <translation>Pour importer une configuration de tâches de sauvegarde, cliquez sur Importer</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exporter</translation>
    </message>
    <message>
        <source>If you want to export your backup task configuration, please click Export</source>
        <translation>Pour exporter votre configuration de tâches de sauvegarde, cliquez sur Exporter</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importer</translation>
    </message>
    <message>
        <source>  Every Month</source>
        <translation>  Tous les mois</translation>
    </message>
    <message>
        <source>  Every Week</source>
        <translation>  Toutes les semaines</translation>
    </message>
    <message>
        <source>  Every Day</source>
        <translation>  Tous les jours</translation>
    </message>
    <message>
        <source>Send email log summary</source>
        <translation>Envoyer un résumé du journal par e-mail</translation>
    </message>
    <message>
        <source>SMTP Server needs security connection - SSL</source>
        <translation>Le serveur SMTP exige une connexion sécurisée - SSL</translation>
    </message>
    <message>
        <source>Anonymous</source>
        <translation>Anonyme</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Compte</translation>
    </message>
    <message>
        <source>SMTP Server</source>
        <translation>Serveur SMTP</translation>
    </message>
    <message>
        <source>Login Method</source>
        <translation>Méthode de connexion</translation>
    </message>
    <message>
        <source>Send email notification when backup task is complete</source>
        <translation>Envoyer une notification par e-mail à la fin de la tâche de sauvegarde</translation>
    </message>
    <message>
        <source>Sender E-mail</source>
        <translation>E-mail de l&apos;expéditeur</translation>
    </message>
    <message>
        <source>Receiver E-mail</source>
        <translation>E-mail du destinataire</translation>
    </message>
    <message>
        <source>  Sun</source>
        <translation>  Dim</translation>
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
        <translation>  Jeu</translation>
    </message>
    <message>
        <source>  Fri</source>
        <translation>  Ven</translation>
    </message>
    <message>
        <source>  Sat</source>
        <translation>  Sam</translation>
    </message>
    <message>
        <source>Stop log record when Max limitation has occured</source>
        <translation>Arrêter la journalisation lorsque la limite maximale est atteinte</translation>
    </message>
    <message>
        <source>Replace the oldest log with the new one after Max limitation has occured</source>
        <translation>Remplacer l&apos;entrée la plus ancienne par la nouvelle lorsque la limite maximale est atteinte</translation>
    </message>
    <message>
        <source>Max 1000 log records</source>
        <translation>1000 entrées de journal au maximum</translation>
    </message>
    <message>
        <source>Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup</source>
        <translation>Lors de la restauration, supprimer les fichiers locaux qui n&apos;existent PAS dans la sauvegarde correspondante</translation>
    </message>
    <message>
        <source>Shutdown Computer when Backup is complete</source>
        <translation>Éteindre l&apos;ordinateur à la fin de la sauvegarde</translation>
    </message>
    <message>
        <source>Auto-start Tessaly Sync on Computer startup</source>
        <translation>Lancer Tessaly Sync au démarrage de l&apos;ordinateur</translation>
    </message>
    <message>
        <source>Backups</source>
        <translation>Sauvegardes</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>Journaux</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Réduire</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>Non démarré</translation>
    </message>
    <message>
        <source>Backup is running</source>
        <translation>Sauvegarde en cours</translation>
    </message>
    <message>
        <source>Restore is running</source>
        <translation>Restauration en cours</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>Another TessalySync is running on this computer and receives the answers of the service. The states of the backup tasks will not update in this window.</source>
        <translation>Un autre TessalySync est en cours d&apos;exécution sur cet ordinateur et reçoit les réponses du service. L&apos;état des tâches de sauvegarde ne sera pas mis à jour dans cette fenêtre.</translation>
    </message>
    <message>
        <source>Are you sure you want to clear all logs?</source>
        <translation>Voulez-vous vraiment effacer tout le journal&#xa0;?</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Terminer</translation>
    </message>
    <message>
        <source>Click here if no device is shown</source>
        <translation>Cliquez ici si aucun périphérique n&apos;apparaît</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>The backup tasks cannot be read: %1</source>
        <translation>Impossible de lire les tâches de sauvegarde&#xa0;: %1</translation>
    </message>
    <message>
        <source>Task: %1</source>
        <translation>Tâche&#xa0;: %1</translation>
    </message>
    <message>
        <source>File Types: %1</source>
        <translation>Types de fichiers&#xa0;: %1</translation>
    </message>
    <message>
        <source>Destination: %1</source>
        <translation>Destination&#xa0;: %1</translation>
    </message>
    <message>
        <source>Account: %1</source>
        <translation>Compte&#xa0;: %1</translation>
    </message>
    <message>
        <source>Model: %1</source>
        <translation>Modèle&#xa0;: %1</translation>
    </message>
    <message>
        <source>Brelkin NAS</source>
        <translation>Brelkin NAS</translation>
    </message>
    <message>
        <source>Last: %1</source>
        <translation>Dernière&#xa0;: %1</translation>
    </message>
    <message>
        <source>Next: %1</source>
        <translation>Prochaine&#xa0;: %1</translation>
    </message>
    <message>
        <source>Manually</source>
        <translation>Manuelle</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>Mensuelle</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Hebdomadaire</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>Quotidienne</translation>
    </message>
    <message>
        <source>Schedule: %1</source>
        <translation>Planification&#xa0;: %1</translation>
    </message>
    <message>
        <source>Stop Backup</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this backup?</source>
        <translation>Voulez-vous vraiment supprimer cette sauvegarde&#xa0;?</translation>
    </message>
    <message>
        <source>Backup Result</source>
        <translation>Résultat de la sauvegarde</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Erreur&#xa0;: %1</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Page précédente</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Page suivante</translation>
    </message>
    <message>
        <source>Please enter a user name!</source>
        <translation>Veuillez saisir un nom d&apos;utilisateur&#xa0;!</translation>
    </message>
    <message>
        <source>Please enter a password!</source>
        <translation>Veuillez saisir un mot de passe&#xa0;!</translation>
    </message>
    <message>
        <source>Please enter a SMTP Server!</source>
        <translation>Veuillez saisir un serveur SMTP&#xa0;!</translation>
    </message>
    <message>
        <source>Please enter a Sender E-mail!</source>
        <translation>Veuillez saisir l&apos;e-mail de l&apos;expéditeur&#xa0;!</translation>
    </message>
    <message>
        <source>Sender E-mail must contain &quot;@&quot;!</source>
        <translation>L&apos;e-mail de l&apos;expéditeur doit contenir «&#xa0;@&#xa0;»&#xa0;!</translation>
    </message>
    <message>
        <source>Please enter a Receiver E-mail!</source>
        <translation>Veuillez saisir l&apos;e-mail du destinataire&#xa0;!</translation>
    </message>
    <message>
        <source>Receiver E-mail must contain &quot;@&quot;!</source>
        <translation>L&apos;e-mail du destinataire doit contenir «&#xa0;@&#xa0;»&#xa0;!</translation>
    </message>
    <message>
        <source>Are you sure you want to restore to default settings?</source>
        <translation>Voulez-vous vraiment rétablir les paramètres par défaut&#xa0;?</translation>
    </message>
    <message>
        <source>The settings could not be saved: %1</source>
        <translation>Impossible d&apos;enregistrer les paramètres&#xa0;: %1</translation>
    </message>
    <message>
        <source>The automatic start could not be changed: %1</source>
        <translation>Impossible de modifier le démarrage automatique&#xa0;: %1</translation>
    </message>
    <message>
        <source>Export Configuration</source>
        <translation>Exporter la configuration</translation>
    </message>
    <message>
        <source>The backup configuration could not be exported: %1</source>
        <translation>Impossible d&apos;exporter la configuration des sauvegardes&#xa0;: %1</translation>
    </message>
    <message>
        <source>Import Configuration</source>
        <translation>Importer la configuration</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Import successfully!</source>
        <translation>Importation réussie&#xa0;!</translation>
    </message>
    <message>
        <source>Please select a correct file!</source>
        <translation>Veuillez sélectionner un fichier valide&#xa0;!</translation>
    </message>
    <message>
        <source>The backup configuration could not be imported: %1</source>
        <translation>Impossible d&apos;importer la configuration des sauvegardes&#xa0;: %1</translation>
    </message>
    <message>
        <source>Please create the name of the backup task!</source>
        <translation>Veuillez donner un nom à la tâche de sauvegarde&#xa0;!</translation>
    </message>
    <message>
        <source>The name of the backup task can not contain ~`^&amp;{}[]|&quot;</source>
        <translation>Le nom de la tâche de sauvegarde ne peut pas contenir ~`^&amp;{}[]|&quot;</translation>
    </message>
    <message>
        <source>The backup task could not be saved: %1</source>
        <translation>Impossible d&apos;enregistrer la tâche de sauvegarde&#xa0;: %1</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any folder for backup!</source>
        <translation>Vous n&apos;avez sélectionné aucun dossier à sauvegarder&#xa0;!</translation>
    </message>
    <message>
        <source>Please do not select network drive as source folder!</source>
        <translation>Veuillez ne pas choisir un lecteur réseau comme dossier source&#xa0;!</translation>
    </message>
    <message>
        <source>Please enter the extension!</source>
        <translation>Veuillez saisir l&apos;extension&#xa0;!</translation>
    </message>
    <message>
        <source>Invalid extension! Correct extension should like *.txt.</source>
        <translation>Extension non valide&#xa0;! Une extension correcte ressemble à *.txt.</translation>
    </message>
    <message>
        <source>Please select a extension to remove!</source>
        <translation>Veuillez sélectionner une extension à retirer&#xa0;!</translation>
    </message>
    <message>
        <source>You haven&apos;t specified any extension for backup!</source>
        <translation>Vous n&apos;avez indiqué aucune extension à sauvegarder&#xa0;!</translation>
    </message>
    <message>
        <source>Please select at least a day for the schedule!</source>
        <translation>Veuillez sélectionner au moins un jour pour la planification&#xa0;!</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any device!</source>
        <translation>Vous n&apos;avez sélectionné aucun périphérique&#xa0;!</translation>
    </message>
    <message>
        <source>Invalid device!</source>
        <translation>Périphérique non valide&#xa0;!</translation>
    </message>
    <message>
        <source>To detect your NAS, please make sure Tessaly Sync has been permitted to pass through the firewall in your computer.</source>
        <translation>Pour détecter votre NAS, assurez-vous que le pare-feu de votre ordinateur autorise Tessaly Sync.</translation>
    </message>
    <message>
        <source>The network path was not found!</source>
        <translation>Chemin réseau introuvable&#xa0;!</translation>
    </message>
    <message>
        <source>Invalid user name or password.</source>
        <translation>Nom d&apos;utilisateur ou mot de passe non valide.</translation>
    </message>
    <message>
        <source>Please select a backup destination folder!</source>
        <translation>Veuillez sélectionner le dossier de destination de la sauvegarde&#xa0;!</translation>
    </message>
    <message>
        <source>Please enter user name!</source>
        <translation>Veuillez saisir le nom d&apos;utilisateur&#xa0;!</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Créer un dossier</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Impossible de créer le dossier.</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup device!</source>
        <translation>Impossible de trouver le périphérique de sauvegarde&#xa0;!</translation>
    </message>
    <message>
        <source>Please select a backup!</source>
        <translation>Veuillez sélectionner une sauvegarde&#xa0;!</translation>
    </message>
    <message>
        <source>Please enter a path where you want to restore!</source>
        <translation>Veuillez saisir le chemin où vous souhaitez restaurer&#xa0;!</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup files!</source>
        <translation>Impossible de trouver les fichiers de sauvegarde&#xa0;!</translation>
    </message>
    <message>
        <source>Backup is running, can&apos;t restore now!</source>
        <translation>Une sauvegarde est en cours, la restauration est impossible pour le moment&#xa0;!</translation>
    </message>
    <message>
        <source>The configuration folder %1 cannot be used: %2. No backup task and no setting can be saved until it can be made.</source>
        <translation>Le dossier de configuration %1 ne peut pas être utilisé&#xa0;: %2. Aucune tâche de sauvegarde ni aucun paramètre ne peut être enregistré tant qu&apos;il ne peut pas être créé.</translation>
    </message>
    <message>
        <source>The TessalySync service is not running. Start it with: systemctl start TessalySync</source>
        <translation>Le service TessalySync n&apos;est pas en cours d&apos;exécution. Démarrez-le avec : systemctl start TessalySync</translation>
    </message>
    <message>
        <source>TessalySync service is not running</source>
        <translation>Le service TessalySync n&apos;est pas lancé</translation>
    </message>
    <message>
        <source>Delete file(s) in the backup if the file(s) do NOT exist in the source folder(s)</source>
        <translation>Supprimer de la sauvegarde les fichiers qui n&apos;existent PAS dans les dossiers source</translation>
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
        <translation>Heure</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Jour</translation>
    </message>
    <message>
        <source>Result of the last backup</source>
        <translation>Résultat de la dernière sauvegarde</translation>
    </message>
    <message>
        <source>Last backup completed</source>
        <translation>Dernière sauvegarde terminée</translation>
    </message>
    <message>
        <source>Last backup did not succeed</source>
        <translation>La dernière sauvegarde n&apos;a pas réussi</translation>
    </message>
</context>
<context>
    <name>GetSessionVersion</name>
    <message>
        <source>No list to fill.</source>
        <translation>Aucune liste à remplir.</translation>
    </message>
    <message>
        <source>The SQLite driver of Qt (QSQLITE) is not installed.</source>
        <translation>Le pilote SQLite de Qt (QSQLITE) n&apos;est pas installé.</translation>
    </message>
    <message>
        <source>Another reading of versions is under way.</source>
        <translation>Une autre lecture des versions est déjà en cours.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; is neither a share \\server\share nor a local folder.</source>
        <translation>La destination «&#xa0;%1&#xa0;» n&apos;est ni un partage \\server\share ni un dossier local.</translation>
    </message>
    <message>
        <source>The task uuid &quot;%1&quot; is not a uuid.</source>
        <translation>L&apos;uuid de tâche «&#xa0;%1&#xa0;» n&apos;est pas un uuid.</translation>
    </message>
    <message>
        <source>No thread could be started to read the destination.</source>
        <translation>Impossible de démarrer un thread pour lire la destination.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; did not answer within %2 seconds.</source>
        <translation>La destination «&#xa0;%1&#xa0;» n&apos;a pas répondu en %2&#xa0;secondes.</translation>
    </message>
    <message>
        <source>The account of this task cannot be used (%1).</source>
        <translation>Le compte de cette tâche ne peut pas être utilisé (%1).</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; refused the account of this task.</source>
        <translation>La destination «&#xa0;%1&#xa0;» a refusé le compte de cette tâche.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; was not found.</source>
        <translation>La destination «&#xa0;%1&#xa0;» est introuvable.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; cannot be reached (%2).</source>
        <translation>La destination «&#xa0;%1&#xa0;» est inaccessible (%2).</translation>
    </message>
    <message>
        <source>No backup of this task was found on &quot;%1&quot;.</source>
        <translation>Aucune sauvegarde de cette tâche n&apos;a été trouvée sur «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be read (%1).</source>
        <translation>Les enregistrements de sauvegarde de cette tâche ne peuvent pas être lus (%1).</translation>
    </message>
    <message>
        <source>No temporary folder could be made for the backup records.</source>
        <translation>Impossible de créer un dossier temporaire pour les enregistrements de sauvegarde.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be copied (%1).</source>
        <translation>Les enregistrements de sauvegarde de cette tâche ne peuvent pas être copiés (%1).</translation>
    </message>
    <message>
        <source>The versions of this task cannot be read: its backup records on the destination are damaged (%1).</source>
        <translation>Les versions de cette tâche ne peuvent pas être lues&#xa0;: ses enregistrements de sauvegarde sur la destination sont endommagés (%1).</translation>
    </message>
</context>
</TS>
