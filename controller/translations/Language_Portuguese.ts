<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt" sourcelanguage="en">
<context>
    <name>BrowseDialog</name>
    <message>
        <source>Open Directory</source>
        <translation>Abrir pasta</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Make New Folder</source>
        <translation>Nova pasta</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fechar</translation>
    </message>
    <message>
        <source>Browse For Folder</source>
        <translation>Procurar pasta</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Nova pasta</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Criar pasta</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Não foi possível criar a pasta.</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>Warning</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>Another TessalySync is running on this computer and receives the answers of the service. The states of the backup tasks will not update in this window.</source>
        <translation>Está em execução neste computador outro TessalySync, que recebe as respostas do serviço. O estado das tarefas de cópia de segurança não será atualizado nesta janela.</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimizar</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fechar</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Nova pasta</translation>
    </message>
    <message>
        <source>Welcome to Tessaly Sync!</source>
        <translation>Bem-vindo ao Tessaly Sync!</translation>
    </message>
    <message>
        <source>Please select the folders you want to backup</source>
        <translation>Selecione as pastas de que pretende fazer cópia de segurança</translation>
    </message>
    <message>
        <source>Please specify the extension which will be included</source>
        <translation>Indique as extensões a incluir</translation>
    </message>
    <message>
        <source>e.g: *.txt</source>
        <translation>ex.: *.txt</translation>
    </message>
    <message>
        <source>Please select a backup destination device</source>
        <translation>Selecione o dispositivo de destino da cópia de segurança</translation>
    </message>
    <message>
        <source>Please enter user name and password</source>
        <translation>Introduza o nome de utilizador e a palavra-passe</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Palavra-passe</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>Nome de utilizador</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>Agendamento</translation>
    </message>
    <message>
        <source>  Manually</source>
        <translation>  Manual</translation>
    </message>
    <message>
        <source>  Monthly</source>
        <translation>  Mensal</translation>
    </message>
    <message>
        <source>  Weekly</source>
        <translation>  Semanal</translation>
    </message>
    <message>
        <source>  Daily</source>
        <translation>  Diário</translation>
    </message>
    <message>
        <source>Backup action</source>
        <translation>Tipo de cópia</translation>
    </message>
    <message>
        <source>Incremental Backup</source>
        <translation>Cópia incremental</translation>
    </message>
    <message>
        <source>Full Backup</source>
        <translation>Cópia completa</translation>
    </message>
    <message>
        <source>Sun</source>
        <translation>Dom</translation>
    </message>
    <message>
        <source>Mon</source>
        <translation>Seg</translation>
    </message>
    <message>
        <source>Tue</source>
        <translation>Ter</translation>
    </message>
    <message>
        <source>Wed</source>
        <translation>Qua</translation>
    </message>
    <message>
        <source>Thu</source>
        <translation>Qui</translation>
    </message>
    <message>
        <source>Fri</source>
        <translation>Sex</translation>
    </message>
    <message>
        <source>Sat</source>
        <translation>Sáb</translation>
    </message>
    <message>
        <source>Please select the backup action and the schedule</source>
        <translation>Selecione o tipo de cópia e o agendamento</translation>
    </message>
    <message>
        <source>Next &gt;&gt;</source>
        <translation>Seguinte &gt;&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>&lt;&lt; Back</source>
        <translation>&lt;&lt; Anterior</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Adicionar</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Remover</translation>
    </message>
    <message>
        <source>Please select a backup destination folder</source>
        <translation>Selecione a pasta de destino da cópia de segurança</translation>
    </message>
    <message>
        <source>New Backup</source>
        <translation>Nova cópia</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>Endereço IP</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nome</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Todos os ficheiros</translation>
    </message>
    <message>
        <source>Specify Extensions</source>
        <translation>Indicar extensões</translation>
    </message>
    <message>
        <source>Video (*.avi,*.wmv,*.mp4......)</source>
        <translation>Vídeo (*.avi,*.wmv,*.mp4......)</translation>
    </message>
    <message>
        <source>Picture (*.jpg,*.bmp,*.gif......)</source>
        <translation>Imagem (*.jpg,*.bmp,*.gif......)</translation>
    </message>
    <message>
        <source>Audio (*.mp3,*.wma,*.wav......)</source>
        <translation>Áudio (*.mp3,*.wma,*.wav......)</translation>
    </message>
    <message>
        <source>Customize</source>
        <translation>Personalizar</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Atualizar</translation>
    </message>
    <message>
        <source>An incremental backup preserves data of source folder(s) based on the differences in those data. You can get your previous versions of the same file(s) from previous backups.</source>
        <translation>Uma cópia incremental preserva os dados das pastas de origem com base nas diferenças desses dados. Pode obter versões anteriores dos mesmos ficheiros a partir de cópias anteriores.</translation>
    </message>
    <message>
        <source>A full backup is a backup of the source folder(s), whether that file has changed or not.There is only the last copy of your file(s) in destination.</source>
        <translation>Uma cópia completa copia as pastas de origem, quer os ficheiros tenham sido alterados quer não. No destino fica apenas a última cópia dos seus ficheiros.</translation>
    </message>
    <message>
        <source>User Account</source>
        <translation>Conta de utilizador</translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation>Modelo do dispositivo</translation>
    </message>
    <message>
        <source>This wizard will guide you through setting up a new backup task.  Begin by entering the name of the backup task: </source>
        <translation>Este assistente vai guiá-lo na configuração de uma nova tarefa de cópia de segurança. Comece por introduzir o nome da tarefa: </translation>
    </message>
    <message>
        <source>The summary of destination</source>
        <translation>Resumo do destino</translation>
    </message>
    <message>
        <source>Edit the name of the backup task</source>
        <translation>Edite o nome da tarefa de cópia de segurança</translation>
    </message>
    <message>
        <source>Create Folder</source>
        <translation>Criar pasta</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Estado</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Destino</translation>
    </message>
    <message>
        <source>Backup Now</source>
        <translation>Copiar agora</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restaurar</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Eliminar</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Origem</translation>
    </message>
    <message>
        <source>Please select where you want to restore:</source>
        <translation>Selecione onde pretende restaurar:</translation>
    </message>
    <message>
        <source>Please select the version you want to restore:</source>
        <translation>Selecione a versão que pretende restaurar:</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Procurar</translation>
    </message>
    <message>
        <source>Original path</source>
        <translation>Caminho original</translation>
    </message>
    <message>
        <source>New path</source>
        <translation>Novo caminho</translation>
    </message>
    <message>
        <source>Clear Logs</source>
        <translation>Limpar registo</translation>
    </message>
    <message>
        <source>Backup Name</source>
        <translation>Nome da cópia</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Hora de início</translation>
    </message>
    <message>
        <source>Finish Time</source>
        <translation>Hora de fim</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Descrição</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Guardar</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Predefinição</translation>
    </message>
    <message>
        <source>Backup Configuration</source>
        <translation>Configuração das cópias</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Idioma</translation>
    </message>
    <message>
        <source>Email Notification</source>
        <translation>Notificação por e-mail</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Registo</translation>
    </message>
    <message>
        <source>Backup/Restore</source>
        <translation>Cópia/Restauro</translation>
    </message>
    <message>
        <source>Misc.</source>
        <translation>Diversos</translation>
    </message>
    <message>
        <source>If you want to import a backup task configuration, please click Import</source>
        <translation>Para importar uma configuração de tarefas de cópia de segurança, clique em Importar</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportar</translation>
    </message>
    <message>
        <source>If you want to export your backup task configuration, please click Export</source>
        <translation>Para exportar a configuração das suas tarefas de cópia de segurança, clique em Exportar</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importar</translation>
    </message>
    <message>
        <source>  Every Month</source>
        <translation>  Todos os meses</translation>
    </message>
    <message>
        <source>  Every Week</source>
        <translation>  Todas as semanas</translation>
    </message>
    <message>
        <source>  Every Day</source>
        <translation>  Todos os dias</translation>
    </message>
    <message>
        <source>Send email log summary</source>
        <translation>Enviar resumo do registo por e-mail</translation>
    </message>
    <message>
        <source>SMTP Server needs security connection - SSL</source>
        <translation>O servidor SMTP exige ligação segura - SSL</translation>
    </message>
    <message>
        <source>Anonymous</source>
        <translation>Anónimo</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Conta</translation>
    </message>
    <message>
        <source>SMTP Server</source>
        <translation>Servidor SMTP</translation>
    </message>
    <message>
        <source>Login Method</source>
        <translation>Método de início de sessão</translation>
    </message>
    <message>
        <source>Send email notification when backup task is complete</source>
        <translation>Enviar notificação por e-mail quando a tarefa de cópia de segurança terminar</translation>
    </message>
    <message>
        <source>Sender E-mail</source>
        <translation>E-mail do remetente</translation>
    </message>
    <message>
        <source>Receiver E-mail</source>
        <translation>E-mail do destinatário</translation>
    </message>
    <message>
        <source>  Sun</source>
        <translation>  Dom</translation>
    </message>
    <message>
        <source>  Mon</source>
        <translation>  Seg</translation>
    </message>
    <message>
        <source>  Tue</source>
        <translation>  Ter</translation>
    </message>
    <message>
        <source>  Wed</source>
        <translation>  Qua</translation>
    </message>
    <message>
        <source>  Thu</source>
        <translation>  Qui</translation>
    </message>
    <message>
        <source>  Fri</source>
        <translation>  Sex</translation>
    </message>
    <message>
        <source>  Sat</source>
        <translation>  Sáb</translation>
    </message>
    <message>
        <source>Stop log record when Max limitation has occured</source>
        <translation>Parar o registo ao atingir o limite máximo</translation>
    </message>
    <message>
        <source>Replace the oldest log with the new one after Max limitation has occured</source>
        <translation>Substituir a entrada mais antiga pela nova ao atingir o limite máximo</translation>
    </message>
    <message>
        <source>Max 1000 log records</source>
        <translation>Máximo de 1000 entradas no registo</translation>
    </message>
    <message>
        <source>Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup</source>
        <translation>Ao restaurar, eliminar os ficheiros locais que NÃO existam na cópia de segurança correspondente</translation>
    </message>
    <message>
        <source>Shutdown Computer when Backup is complete</source>
        <translation>Encerrar o computador quando a cópia de segurança terminar</translation>
    </message>
    <message>
        <source>Auto-start Tessaly Sync on Computer startup</source>
        <translation>Iniciar o Tessaly Sync no arranque do computador</translation>
    </message>
    <message>
        <source>Backups</source>
        <translation>Cópias de segurança</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>Registos</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Definições</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>Não iniciado</translation>
    </message>
    <message>
        <source>Backup is running</source>
        <translation>Cópia de segurança em curso</translation>
    </message>
    <message>
        <source>Restore is running</source>
        <translation>Restauro em curso</translation>
    </message>
    <message>
        <source>Are you sure you want to clear all logs?</source>
        <translation>Tem a certeza de que pretende limpar todos os registos?</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Concluir</translation>
    </message>
    <message>
        <source>Click here if no device is shown</source>
        <translation>Clique aqui se não for apresentado nenhum dispositivo</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erro</translation>
    </message>
    <message>
        <source>The backup tasks cannot be read: %1</source>
        <translation>Não é possível ler as tarefas de cópia de segurança: %1</translation>
    </message>
    <message>
        <source>Task: %1</source>
        <translation>Tarefa: %1</translation>
    </message>
    <message>
        <source>File Types: %1</source>
        <translation>Tipos de ficheiro: %1</translation>
    </message>
    <message>
        <source>Destination: %1</source>
        <translation>Destino: %1</translation>
    </message>
    <message>
        <source>Account: %1</source>
        <translation>Conta: %1</translation>
    </message>
    <message>
        <source>Model: %1</source>
        <translation>Modelo: %1</translation>
    </message>
    <message>
        <source>Brelkin NAS</source>
        <translation>Brelkin NAS</translation>
    </message>
    <message>
        <source>Last: %1</source>
        <translation>Última: %1</translation>
    </message>
    <message>
        <source>Next: %1</source>
        <translation>Próxima: %1</translation>
    </message>
    <message>
        <source>Manually</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>Mensal</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Semanal</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>Diário</translation>
    </message>
    <message>
        <source>Schedule: %1</source>
        <translation>Agendamento: %1</translation>
    </message>
    <message>
        <source>Stop Backup</source>
        <translation>Parar cópia</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this backup?</source>
        <translation>Tem a certeza de que pretende eliminar esta cópia de segurança?</translation>
    </message>
    <message>
        <source>Backup Result</source>
        <translation>Resultado da cópia de segurança</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Erro: %1</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Página anterior</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Página seguinte</translation>
    </message>
    <message>
        <source>Please enter a user name!</source>
        <translation>Introduza um nome de utilizador!</translation>
    </message>
    <message>
        <source>Please enter a password!</source>
        <translation>Introduza uma palavra-passe!</translation>
    </message>
    <message>
        <source>Please enter a SMTP Server!</source>
        <translation>Introduza um servidor SMTP!</translation>
    </message>
    <message>
        <source>Please enter a Sender E-mail!</source>
        <translation>Introduza o e-mail do remetente!</translation>
    </message>
    <message>
        <source>Sender E-mail must contain &quot;@&quot;!</source>
        <translation>O e-mail do remetente tem de conter &quot;@&quot;!</translation>
    </message>
    <message>
        <source>Please enter a Receiver E-mail!</source>
        <translation>Introduza o e-mail do destinatário!</translation>
    </message>
    <message>
        <source>Receiver E-mail must contain &quot;@&quot;!</source>
        <translation>O e-mail do destinatário tem de conter &quot;@&quot;!</translation>
    </message>
    <message>
        <source>Are you sure you want to restore to default settings?</source>
        <translation>Tem a certeza de que pretende repor as definições predefinidas?</translation>
    </message>
    <message>
        <source>The settings could not be saved: %1</source>
        <translation>Não foi possível guardar as definições: %1</translation>
    </message>
    <message>
        <source>The automatic start could not be changed: %1</source>
        <translation>Não foi possível alterar o arranque automático: %1</translation>
    </message>
    <message>
        <source>Export Configuration</source>
        <translation>Exportar configuração</translation>
    </message>
    <message>
        <source>The backup configuration could not be exported: %1</source>
        <translation>Não foi possível exportar a configuração das cópias: %1</translation>
    </message>
    <message>
        <source>Import Configuration</source>
        <translation>Importar configuração</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Mensagem</translation>
    </message>
    <message>
        <source>Import successfully!</source>
        <translation>Importação concluída com êxito!</translation>
    </message>
    <message>
        <source>Please select a correct file!</source>
        <translation>Selecione um ficheiro válido!</translation>
    </message>
    <message>
        <source>The backup configuration could not be imported: %1</source>
        <translation>Não foi possível importar a configuração das cópias: %1</translation>
    </message>
    <message>
        <source>Please create the name of the backup task!</source>
        <translation>Atribua um nome à tarefa de cópia de segurança!</translation>
    </message>
    <message>
        <source>The name of the backup task can not contain ~`^&amp;{}[]|&quot;</source>
        <translation>O nome da tarefa de cópia de segurança não pode conter ~`^&amp;{}[]|&quot;</translation>
    </message>
    <message>
        <source>The backup task could not be saved: %1</source>
        <translation>Não foi possível guardar a tarefa de cópia de segurança: %1</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any folder for backup!</source>
        <translation>Não selecionou nenhuma pasta para a cópia de segurança!</translation>
    </message>
    <message>
        <source>Please do not select network drive as source folder!</source>
        <translation>Não selecione uma unidade de rede como pasta de origem!</translation>
    </message>
    <message>
        <source>Please enter the extension!</source>
        <translation>Introduza a extensão!</translation>
    </message>
    <message>
        <source>Invalid extension! Correct extension should like *.txt.</source>
        <translation>Extensão inválida! Uma extensão correta tem a forma *.txt.</translation>
    </message>
    <message>
        <source>Please select a extension to remove!</source>
        <translation>Selecione uma extensão para remover!</translation>
    </message>
    <message>
        <source>You haven&apos;t specified any extension for backup!</source>
        <translation>Não indicou nenhuma extensão para a cópia de segurança!</translation>
    </message>
    <message>
        <source>Please select at least a day for the schedule!</source>
        <translation>Selecione pelo menos um dia para o agendamento!</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any device!</source>
        <translation>Não selecionou nenhum dispositivo!</translation>
    </message>
    <message>
        <source>Invalid device!</source>
        <translation>Dispositivo inválido!</translation>
    </message>
    <message>
        <source>To detect your NAS, please make sure Tessaly Sync has been permitted to pass through the firewall in your computer.</source>
        <translation>Para detetar o seu NAS, certifique-se de que a firewall do computador permite a passagem do Tessaly Sync.</translation>
    </message>
    <message>
        <source>The network path was not found!</source>
        <translation>O caminho de rede não foi encontrado!</translation>
    </message>
    <message>
        <source>Invalid user name or password.</source>
        <translation>Nome de utilizador ou palavra-passe inválidos.</translation>
    </message>
    <message>
        <source>Please select a backup destination folder!</source>
        <translation>Selecione a pasta de destino da cópia de segurança!</translation>
    </message>
    <message>
        <source>Please enter user name!</source>
        <translation>Introduza o nome de utilizador!</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Criar pasta</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Não foi possível criar a pasta.</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup device!</source>
        <translation>Não é possível encontrar o dispositivo da cópia de segurança!</translation>
    </message>
    <message>
        <source>Please select a backup!</source>
        <translation>Selecione uma cópia de segurança!</translation>
    </message>
    <message>
        <source>Please enter a path where you want to restore!</source>
        <translation>Introduza o caminho onde pretende restaurar!</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup files!</source>
        <translation>Não é possível encontrar os ficheiros da cópia de segurança!</translation>
    </message>
    <message>
        <source>Backup is running, can&apos;t restore now!</source>
        <translation>Está em curso uma cópia de segurança, não é possível restaurar agora!</translation>
    </message>
    <message>
        <source>The configuration folder %1 cannot be used: %2. No backup task and no setting can be saved until it can be made.</source>
        <translation>A pasta de configuração %1 não pode ser usada: %2. Nenhuma tarefa de cópia de segurança e nenhuma definição pode ser guardada até que ela possa ser criada.</translation>
    </message>
    <message>
        <source>The TessalySync service is not running. Start it with: systemctl start TessalySync</source>
        <translation>O serviço TessalySync não está em execução. Inicie-o com: systemctl start TessalySync</translation>
    </message>
    <message>
        <source>TessalySync service is not running</source>
        <translation>Serviço TessalySync não está em execução</translation>
    </message>
    <message>
        <source>Delete file(s) in the backup if the file(s) do NOT exist in the source folder(s)</source>
        <translation>Eliminar da cópia os ficheiros que NÃO existem nas pastas de origem</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>Extensão</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>Extensões</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Hora</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minuto</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Dia</translation>
    </message>
    <message>
        <source>Result of the last backup</source>
        <translation>Resultado da última cópia</translation>
    </message>
    <message>
        <source>Last backup completed</source>
        <translation>Última cópia concluída</translation>
    </message>
    <message>
        <source>Last backup did not succeed</source>
        <translation>A última cópia não foi bem-sucedida</translation>
    </message>
</context>
<context>
    <name>GetSessionVersion</name>
    <message>
        <source>No list to fill.</source>
        <translation>Nenhuma lista para preencher.</translation>
    </message>
    <message>
        <source>The SQLite driver of Qt (QSQLITE) is not installed.</source>
        <translation>O controlador SQLite do Qt (QSQLITE) não está instalado.</translation>
    </message>
    <message>
        <source>Another reading of versions is under way.</source>
        <translation>Já está em curso outra leitura de versões.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; is neither a share \\server\share nor a local folder.</source>
        <translation>O destino &quot;%1&quot; não é uma partilha \\server\share nem uma pasta local.</translation>
    </message>
    <message>
        <source>The task uuid &quot;%1&quot; is not a uuid.</source>
        <translation>O uuid da tarefa &quot;%1&quot; não é um uuid.</translation>
    </message>
    <message>
        <source>No thread could be started to read the destination.</source>
        <translation>Não foi possível iniciar um thread para ler o destino.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; did not answer within %2 seconds.</source>
        <translation>O destino &quot;%1&quot; não respondeu em %2 segundos.</translation>
    </message>
    <message>
        <source>The account of this task cannot be used (%1).</source>
        <translation>Não é possível utilizar a conta desta tarefa (%1).</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; refused the account of this task.</source>
        <translation>O destino &quot;%1&quot; recusou a conta desta tarefa.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; was not found.</source>
        <translation>O destino &quot;%1&quot; não foi encontrado.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; cannot be reached (%2).</source>
        <translation>O destino &quot;%1&quot; não está acessível (%2).</translation>
    </message>
    <message>
        <source>No backup of this task was found on &quot;%1&quot;.</source>
        <translation>Não foi encontrada nenhuma cópia de segurança desta tarefa em &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be read (%1).</source>
        <translation>Não é possível ler os registos de cópia de segurança desta tarefa (%1).</translation>
    </message>
    <message>
        <source>No temporary folder could be made for the backup records.</source>
        <translation>Não foi possível criar uma pasta temporária para os registos de cópia de segurança.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be copied (%1).</source>
        <translation>Não é possível copiar os registos de cópia de segurança desta tarefa (%1).</translation>
    </message>
    <message>
        <source>The versions of this task cannot be read: its backup records on the destination are damaged (%1).</source>
        <translation>Não é possível ler as versões desta tarefa: os seus registos de cópia de segurança no destino estão danificados (%1).</translation>
    </message>
</context>
</TS>
