<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>BrowseDialog</name>
    <message>
        <source>Open Directory</source>
        <translation>Abrir carpeta</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Make New Folder</source>
        <translation>Nueva carpeta</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Browse For Folder</source>
        <translation>Buscar carpeta</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Nueva carpeta</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Crear carpeta</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>No se pudo crear la carpeta.</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>New Folder</source>
        <translation>Nueva carpeta</translation>
    </message>
    <message>
        <source>Welcome to Tessaly Sync!</source>
        <translation>¡Bienvenido a Tessaly Sync!</translation>
    </message>
    <message>
        <source>Please select the folders you want to backup</source>
        <translation>Seleccione las carpetas de las que desea hacer una copia de seguridad</translation>
    </message>
    <message>
        <source>Please specify the extension which will be included</source>
        <translation>Especifique las extensiones que se incluirán</translation>
    </message>
    <message>
        <source>e.g: *.txt</source>
        <translation>p. ej.: *.txt</translation>
    </message>
    <message>
        <source>Please select a backup destination device</source>
        <translation>Seleccione el dispositivo de destino de la copia de seguridad</translation>
    </message>
    <message>
        <source>Please enter user name and password</source>
        <translation>Introduzca el nombre de usuario y la contraseña</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Contraseña</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>Nombre de usuario</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>Programación</translation>
    </message>
    <message>
        <source>  Manually</source>
        <translation>  Manual</translation>
    </message>
    <message>
        <source>  Monthly</source>
        <translation>  Mensual</translation>
    </message>
    <message>
        <source>  Weekly</source>
        <translation>  Semanal</translation>
    </message>
    <message>
        <source>  Daily</source>
        <translation>  Diaria</translation>
    </message>
    <message>
        <source>Backup action</source>
        <translation>Tipo de copia</translation>
    </message>
    <message>
        <source>Incremental Backup</source>
        <translation>Copia incremental</translation>
    </message>
    <message>
        <source>Full Backup</source>
        <translation>Copia completa</translation>
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
        <translation>Mié</translation>
    </message>
    <message>
        <source>Thu</source>
        <translation>Jue</translation>
    </message>
    <message>
        <source>Fri</source>
        <translation>Vie</translation>
    </message>
    <message>
        <source>Sat</source>
        <translation>Sáb</translation>
    </message>
    <message>
        <source>Please select the backup action and the schedule</source>
        <translation>Seleccione el tipo de copia y la programación</translation>
    </message>
    <message>
        <source>Next &gt;&gt;</source>
        <translation>Siguiente &gt;&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>&lt;&lt; Back</source>
        <translation>&lt;&lt; Atrás</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Añadir</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Quitar</translation>
    </message>
    <message>
        <source>Please select a backup destination folder</source>
        <translation>Seleccione la carpeta de destino de la copia de seguridad</translation>
    </message>
    <message>
        <source>New Backup</source>
        <translation>Nueva copia</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>Dirección IP</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nombre</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Todos los archivos</translation>
    </message>
    <message>
        <source>Specify Extensions</source>
        <translation>Especificar extensiones</translation>
    </message>
    <message>
        <source>Video (*.avi,*.wmv,*.mp4......)</source>
        <translation>Vídeo (*.avi,*.wmv,*.mp4......)</translation>
    </message>
    <message>
        <source>Picture (*.jpg,*.bmp,*.gif......)</source>
        <translation>Imagen (*.jpg,*.bmp,*.gif......)</translation>
    </message>
    <message>
        <source>Audio (*.mp3,*.wma,*.wav......)</source>
        <translation>Audio (*.mp3,*.wma,*.wav......)</translation>
    </message>
    <message>
        <source>Customize</source>
        <translation>Personalizar</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Actualizar</translation>
    </message>
    <message>
        <source>An incremental backup preserves data of source folder(s) based on the differences in those data. You can get your previous versions of the same file(s) from previous backups.</source>
        <translation>Una copia incremental conserva los datos de las carpetas de origen según sus cambios. Puede recuperar versiones anteriores de los mismos archivos a partir de copias anteriores.</translation>
    </message>
    <message>
        <source>A full backup is a backup of the source folder(s), whether that file has changed or not.There is only the last copy of your file(s) in destination.</source>
        <translation>Una copia completa guarda las carpetas de origen, hayan cambiado los archivos o no. En el destino solo queda la última copia de sus archivos.</translation>
    </message>
    <message>
        <source>User Account</source>
        <translation>Cuenta de usuario</translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation>Modelo del dispositivo</translation>
    </message>
    <message>
        <source>This wizard will guide you through setting up a new backup task.  Begin by entering the name of the backup task: </source>
        <translation>Este asistente le guiará en la configuración de una nueva tarea de copia de seguridad. Empiece escribiendo el nombre de la tarea: </translation>
    </message>
    <message>
        <source>The summary of destination</source>
        <translation>Resumen del destino</translation>
    </message>
    <message>
        <source>Edit the name of the backup task</source>
        <translation>Edite el nombre de la tarea de copia de seguridad</translation>
    </message>
    <message>
        <source>Create Folder</source>
        <translation>Crear carpeta</translation>
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
        <translation>Copiar ahora</translation>
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
        <translation>Origen</translation>
    </message>
    <message>
        <source>Please select where you want to restore:</source>
        <translation>Seleccione dónde desea restaurar:</translation>
    </message>
    <message>
        <source>Please select the version you want to restore:</source>
        <translation>Seleccione la versión que desea restaurar:</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Examinar</translation>
    </message>
    <message>
        <source>Original path</source>
        <translation>Ruta original</translation>
    </message>
    <message>
        <source>New path</source>
        <translation>Ruta nueva</translation>
    </message>
    <message>
        <source>Clear Logs</source>
        <translation>Borrar registros</translation>
    </message>
    <message>
        <source>Backup Name</source>
        <translation>Nombre de la copia</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Hora de inicio</translation>
    </message>
    <message>
        <source>Finish Time</source>
        <translation>Hora de fin</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Descripción</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Guardar</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Predeterminado</translation>
    </message>
    <message>
        <source>Backup Configuration</source>
        <translation>Configuración de copias</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Idioma</translation>
    </message>
    <message>
        <source>Email Notification</source>
        <translation>Notificación por correo</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Registro</translation>
    </message>
    <message>
        <source>Backup/Restore</source>
        <translation>Copia/Restauración</translation>
    </message>
    <message>
        <source>Misc.</source>
        <translation>Varios</translation>
    </message>
    <message>
        <source>If you want to import a backup task configuration, please click Import</source>
        <translation>Si desea importar una configuración de tareas de copia de seguridad, haga clic en Importar</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportar</translation>
    </message>
    <message>
        <source>If you want to export your backup task configuration, please click Export</source>
        <translation>Si desea exportar su configuración de tareas de copia de seguridad, haga clic en Exportar</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importar</translation>
    </message>
    <message>
        <source>  Every Month</source>
        <translation>  Cada mes</translation>
    </message>
    <message>
        <source>  Every Week</source>
        <translation>  Cada semana</translation>
    </message>
    <message>
        <source>  Every Day</source>
        <translation>  Cada día</translation>
    </message>
    <message>
        <source>Send email log summary</source>
        <translation>Enviar resumen del registro por correo</translation>
    </message>
    <message>
        <source>SMTP Server needs security connection - SSL</source>
        <translation>El servidor SMTP requiere conexión segura - SSL</translation>
    </message>
    <message>
        <source>Anonymous</source>
        <translation>Anónimo</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Cuenta</translation>
    </message>
    <message>
        <source>SMTP Server</source>
        <translation>Servidor SMTP</translation>
    </message>
    <message>
        <source>Login Method</source>
        <translation>Método de inicio de sesión</translation>
    </message>
    <message>
        <source>Send email notification when backup task is complete</source>
        <translation>Enviar notificación por correo al terminar la tarea de copia de seguridad</translation>
    </message>
    <message>
        <source>Sender E-mail</source>
        <translation>Correo del remitente</translation>
    </message>
    <message>
        <source>Receiver E-mail</source>
        <translation>Correo del destinatario</translation>
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
        <translation>  Mié</translation>
    </message>
    <message>
        <source>  Thu</source>
        <translation>  Jue</translation>
    </message>
    <message>
        <source>  Fri</source>
        <translation>  Vie</translation>
    </message>
    <message>
        <source>  Sat</source>
        <translation>  Sáb</translation>
    </message>
    <message>
        <source>Stop log record when Max limitation has occured</source>
        <translation>Detener el registro al alcanzar el límite máximo</translation>
    </message>
    <message>
        <source>Replace the oldest log with the new one after Max limitation has occured</source>
        <translation>Sustituir el registro más antiguo por el nuevo al alcanzar el límite máximo</translation>
    </message>
    <message>
        <source>Max 1000 log records</source>
        <translation>Máximo 1000 registros</translation>
    </message>
    <message>
        <source>Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup</source>
        <translation>Al restaurar, eliminar los archivos locales que NO existan en la copia correspondiente</translation>
    </message>
    <message>
        <source>Shutdown Computer when Backup is complete</source>
        <translation>Apagar el equipo al terminar la copia de seguridad</translation>
    </message>
    <message>
        <source>Auto-start Tessaly Sync on Computer startup</source>
        <translation>Iniciar Tessaly Sync al arrancar el equipo</translation>
    </message>
    <message>
        <source>Backups</source>
        <translation>Copias</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>Registros</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Configuración</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimizar</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>No iniciado</translation>
    </message>
    <message>
        <source>Backup is running</source>
        <translation>Copia de seguridad en curso</translation>
    </message>
    <message>
        <source>Restore is running</source>
        <translation>Restauración en curso</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Advertencia</translation>
    </message>
    <message>
        <source>Another TessalySync is running on this computer and receives the answers of the service. The states of the backup tasks will not update in this window.</source>
        <translation>Hay otro TessalySync en ejecución en este equipo que recibe las respuestas del servicio. El estado de las tareas de copia de seguridad no se actualizará en esta ventana.</translation>
    </message>
    <message>
        <source>Are you sure you want to clear all logs?</source>
        <translation>¿Seguro que desea borrar todos los registros?</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Finalizar</translation>
    </message>
    <message>
        <source>Click here if no device is shown</source>
        <translation>Haga clic aquí si no aparece ningún dispositivo</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>The backup tasks cannot be read: %1</source>
        <translation>No se pueden leer las tareas de copia de seguridad: %1</translation>
    </message>
    <message>
        <source>Task: %1</source>
        <translation>Tarea: %1</translation>
    </message>
    <message>
        <source>File Types: %1</source>
        <translation>Tipos de archivo: %1</translation>
    </message>
    <message>
        <source>Destination: %1</source>
        <translation>Destino: %1</translation>
    </message>
    <message>
        <source>Account: %1</source>
        <translation>Cuenta: %1</translation>
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
        <translation>Mensual</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Semanal</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>Diaria</translation>
    </message>
    <message>
        <source>Schedule: %1</source>
        <translation>Programación: %1</translation>
    </message>
    <message>
        <source>Stop Backup</source>
        <translation>Detener copia</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this backup?</source>
        <translation>¿Seguro que desea eliminar esta copia de seguridad?</translation>
    </message>
    <message>
        <source>Backup Result</source>
        <translation>Resultado de la copia</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Error: %1</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Página anterior</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Página siguiente</translation>
    </message>
    <message>
        <source>Please enter a user name!</source>
        <translation>¡Introduzca un nombre de usuario!</translation>
    </message>
    <message>
        <source>Please enter a password!</source>
        <translation>¡Introduzca una contraseña!</translation>
    </message>
    <message>
        <source>Please enter a SMTP Server!</source>
        <translation>¡Introduzca un servidor SMTP!</translation>
    </message>
    <message>
        <source>Please enter a Sender E-mail!</source>
        <translation>¡Introduzca el correo del remitente!</translation>
    </message>
    <message>
        <source>Sender E-mail must contain &quot;@&quot;!</source>
        <translation>¡El correo del remitente debe contener &quot;@&quot;!</translation>
    </message>
    <message>
        <source>Please enter a Receiver E-mail!</source>
        <translation>¡Introduzca el correo del destinatario!</translation>
    </message>
    <message>
        <source>Receiver E-mail must contain &quot;@&quot;!</source>
        <translation>¡El correo del destinatario debe contener &quot;@&quot;!</translation>
    </message>
    <message>
        <source>Are you sure you want to restore to default settings?</source>
        <translation>¿Seguro que desea restablecer la configuración predeterminada?</translation>
    </message>
    <message>
        <source>The settings could not be saved: %1</source>
        <translation>No se pudo guardar la configuración: %1</translation>
    </message>
    <message>
        <source>The automatic start could not be changed: %1</source>
        <translation>No se pudo cambiar el inicio automático: %1</translation>
    </message>
    <message>
        <source>Export Configuration</source>
        <translation>Exportar configuración</translation>
    </message>
    <message>
        <source>The backup configuration could not be exported: %1</source>
        <translation>No se pudo exportar la configuración de copias: %1</translation>
    </message>
    <message>
        <source>Import Configuration</source>
        <translation>Importar configuración</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Mensaje</translation>
    </message>
    <message>
        <source>Import successfully!</source>
        <translation>¡Importación correcta!</translation>
    </message>
    <message>
        <source>Please select a correct file!</source>
        <translation>¡Seleccione un archivo válido!</translation>
    </message>
    <message>
        <source>The backup configuration could not be imported: %1</source>
        <translation>No se pudo importar la configuración de copias: %1</translation>
    </message>
    <message>
        <source>Please create the name of the backup task!</source>
        <translation>¡Asigne un nombre a la tarea de copia de seguridad!</translation>
    </message>
    <message>
        <source>The name of the backup task can not contain ~`^&amp;{}[]|&quot;</source>
        <translation>El nombre de la tarea de copia de seguridad no puede contener ~`^&amp;{}[]|&quot;</translation>
    </message>
    <message>
        <source>The backup task could not be saved: %1</source>
        <translation>No se pudo guardar la tarea de copia de seguridad: %1</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any folder for backup!</source>
        <translation>¡No ha seleccionado ninguna carpeta para la copia de seguridad!</translation>
    </message>
    <message>
        <source>Please do not select network drive as source folder!</source>
        <translation>¡No seleccione una unidad de red como carpeta de origen!</translation>
    </message>
    <message>
        <source>Please enter the extension!</source>
        <translation>¡Introduzca la extensión!</translation>
    </message>
    <message>
        <source>Invalid extension! Correct extension should like *.txt.</source>
        <translation>¡Extensión no válida! Una extensión correcta tiene la forma *.txt.</translation>
    </message>
    <message>
        <source>Please select a extension to remove!</source>
        <translation>¡Seleccione una extensión para quitar!</translation>
    </message>
    <message>
        <source>You haven&apos;t specified any extension for backup!</source>
        <translation>¡No ha especificado ninguna extensión para la copia de seguridad!</translation>
    </message>
    <message>
        <source>Please select at least a day for the schedule!</source>
        <translation>¡Seleccione al menos un día para la programación!</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any device!</source>
        <translation>¡No ha seleccionado ningún dispositivo!</translation>
    </message>
    <message>
        <source>Invalid device!</source>
        <translation>¡Dispositivo no válido!</translation>
    </message>
    <message>
        <source>To detect your NAS, please make sure Tessaly Sync has been permitted to pass through the firewall in your computer.</source>
        <translation>Para detectar su NAS, asegúrese de que el cortafuegos del equipo permite el paso de Tessaly Sync.</translation>
    </message>
    <message>
        <source>The network path was not found!</source>
        <translation>¡No se encontró la ruta de red!</translation>
    </message>
    <message>
        <source>Invalid user name or password.</source>
        <translation>Nombre de usuario o contraseña no válidos.</translation>
    </message>
    <message>
        <source>Please select a backup destination folder!</source>
        <translation>¡Seleccione la carpeta de destino de la copia de seguridad!</translation>
    </message>
    <message>
        <source>Please enter user name!</source>
        <translation>¡Introduzca el nombre de usuario!</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Crear carpeta</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>No se pudo crear la carpeta.</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup device!</source>
        <translation>¡No se encuentra el dispositivo de copia de seguridad!</translation>
    </message>
    <message>
        <source>Please select a backup!</source>
        <translation>¡Seleccione una copia de seguridad!</translation>
    </message>
    <message>
        <source>Please enter a path where you want to restore!</source>
        <translation>¡Introduzca la ruta donde desea restaurar!</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup files!</source>
        <translation>¡No se encuentran los archivos de copia de seguridad!</translation>
    </message>
    <message>
        <source>Backup is running, can&apos;t restore now!</source>
        <translation>Hay una copia de seguridad en curso, ¡no se puede restaurar ahora!</translation>
    </message>
    <message>
        <source>The configuration folder %1 cannot be used: %2. No backup task and no setting can be saved until it can be made.</source>
        <translation>La carpeta de configuración %1 no se puede usar: %2. No se puede guardar ninguna tarea de copia de seguridad ni ninguna configuración hasta que se pueda crear.</translation>
    </message>
    <message>
        <source>The TessalySync service is not running. Start it with: systemctl start TessalySync</source>
        <translation>El servicio TessalySync no se está ejecutando. Inícielo con: systemctl start TessalySync</translation>
    </message>
    <message>
        <source>TessalySync service is not running</source>
        <translation>El servicio TessalySync no está en ejecución</translation>
    </message>
    <message>
        <source>Delete file(s) in the backup if the file(s) do NOT exist in the source folder(s)</source>
        <translation>Eliminar de la copia los archivos que NO existan en las carpetas de origen</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>Extensión</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>Extensiones</translation>
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
        <translation>Día</translation>
    </message>
    <message>
        <source>Result of the last backup</source>
        <translation>Resultado de la última copia</translation>
    </message>
    <message>
        <source>Last backup completed</source>
        <translation>Última copia completada</translation>
    </message>
    <message>
        <source>Last backup did not succeed</source>
        <translation>La última copia no tuvo éxito</translation>
    </message>
</context>
<context>
    <name>GetSessionVersion</name>
    <message>
        <source>No list to fill.</source>
        <translation>No hay ninguna lista que rellenar.</translation>
    </message>
    <message>
        <source>The SQLite driver of Qt (QSQLITE) is not installed.</source>
        <translation>El controlador SQLite de Qt (QSQLITE) no está instalado.</translation>
    </message>
    <message>
        <source>Another reading of versions is under way.</source>
        <translation>Ya hay otra lectura de versiones en curso.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; is neither a share \\server\share nor a local folder.</source>
        <translation>El destino &quot;%1&quot; no es un recurso compartido \\server\share ni una carpeta local.</translation>
    </message>
    <message>
        <source>The task uuid &quot;%1&quot; is not a uuid.</source>
        <translation>El uuid de la tarea &quot;%1&quot; no es un uuid.</translation>
    </message>
    <message>
        <source>No thread could be started to read the destination.</source>
        <translation>No se pudo iniciar un hilo para leer el destino.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; did not answer within %2 seconds.</source>
        <translation>El destino &quot;%1&quot; no respondió en %2 segundos.</translation>
    </message>
    <message>
        <source>The account of this task cannot be used (%1).</source>
        <translation>No se puede usar la cuenta de esta tarea (%1).</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; refused the account of this task.</source>
        <translation>El destino &quot;%1&quot; rechazó la cuenta de esta tarea.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; was not found.</source>
        <translation>No se encontró el destino &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; cannot be reached (%2).</source>
        <translation>No se puede acceder al destino &quot;%1&quot; (%2).</translation>
    </message>
    <message>
        <source>No backup of this task was found on &quot;%1&quot;.</source>
        <translation>No se encontró ninguna copia de seguridad de esta tarea en &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be read (%1).</source>
        <translation>No se pueden leer los registros de copia de seguridad de esta tarea (%1).</translation>
    </message>
    <message>
        <source>No temporary folder could be made for the backup records.</source>
        <translation>No se pudo crear una carpeta temporal para los registros de copia de seguridad.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be copied (%1).</source>
        <translation>No se pueden copiar los registros de copia de seguridad de esta tarea (%1).</translation>
    </message>
    <message>
        <source>The versions of this task cannot be read: its backup records on the destination are damaged (%1).</source>
        <translation>No se pueden leer las versiones de esta tarea: sus registros de copia de seguridad en el destino están dañados (%1).</translation>
    </message>
</context>
</TS>
