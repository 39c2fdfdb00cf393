<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru" sourcelanguage="en">
<context>
    <name>BrowseDialog</name>
    <message>
        <source>Open Directory</source>
        <translation>Открыть папку</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Make New Folder</source>
        <translation>Создать папку</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>Browse For Folder</source>
        <translation>Обзор папок</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Новая папка</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Создание папки</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Не удалось создать папку.</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>New Folder</source>
        <translation>Новая папка</translation>
    </message>
    <message>
        <source>Welcome to Tessaly Sync!</source>
        <translation>Добро пожаловать в Tessaly Sync!</translation>
    </message>
    <message>
        <source>Please select the folders you want to backup</source>
        <translation>Выберите папки для резервного копирования</translation>
    </message>
    <message>
        <source>Please specify the extension which will be included</source>
        <translation>Укажите расширения файлов, которые нужно включить</translation>
    </message>
    <message>
        <source>e.g: *.txt</source>
        <translation>например: *.txt</translation>
    </message>
    <message>
        <source>Please select a backup destination device</source>
        <translation>Выберите устройство для хранения резервных копий</translation>
    </message>
    <message>
        <source>Please enter user name and password</source>
        <translation>Введите имя пользователя и пароль</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Пароль</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>Имя пользователя</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>Расписание</translation>
    </message>
    <message>
        <source>  Manually</source>
        <translation>  Вручную</translation>
    </message>
    <message>
        <source>  Monthly</source>
        <translation>  Ежемесячно</translation>
    </message>
    <message>
        <source>  Weekly</source>
        <translation>  Еженедельно</translation>
    </message>
    <message>
        <source>  Daily</source>
        <translation>  Ежедневно</translation>
    </message>
    <message>
        <source>Backup action</source>
        <translation>Тип копирования</translation>
    </message>
    <message>
        <source>Incremental Backup</source>
        <translation>Инкрементное копирование</translation>
    </message>
    <message>
        <source>Full Backup</source>
        <translation>Полное копирование</translation>
    </message>
    <message>
        <source>Sun</source>
        <translation>Вс</translation>
    </message>
    <message>
        <source>Mon</source>
        <translation>Пн</translation>
    </message>
    <message>
        <source>Tue</source>
        <translation>Вт</translation>
    </message>
    <message>
        <source>Wed</source>
        <translation>Ср</translation>
    </message>
    <message>
        <source>Thu</source>
        <translation>Чт</translation>
    </message>
    <message>
        <source>Fri</source>
        <translation>Пт</translation>
    </message>
    <message>
        <source>Sat</source>
        <translation>Сб</translation>
    </message>
    <message>
        <source>Please select the backup action and the schedule</source>
        <translation>Выберите тип копирования и расписание</translation>
    </message>
    <message>
        <source>Next &gt;&gt;</source>
        <translation>Далее &gt;&gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>&lt;&lt; Back</source>
        <translation>&lt;&lt; Назад</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Убрать</translation>
    </message>
    <message>
        <source>Please select a backup destination folder</source>
        <translation>Выберите папку для хранения резервных копий</translation>
    </message>
    <message>
        <source>New Backup</source>
        <translation>Новая копия</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP-адрес</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Имя</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Все файлы</translation>
    </message>
    <message>
        <source>Specify Extensions</source>
        <translation>Указать расширения</translation>
    </message>
    <message>
        <source>Video (*.avi,*.wmv,*.mp4......)</source>
        <translation>Видео (*.avi,*.wmv,*.mp4......)</translation>
    </message>
    <message>
        <source>Picture (*.jpg,*.bmp,*.gif......)</source>
        <translation>Изображения (*.jpg,*.bmp,*.gif......)</translation>
    </message>
    <message>
        <source>Audio (*.mp3,*.wma,*.wav......)</source>
        <translation>Аудио (*.mp3,*.wma,*.wav......)</translation>
    </message>
    <message>
        <source>Customize</source>
        <translation>Настроить</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>An incremental backup preserves data of source folder(s) based on the differences in those data. You can get your previous versions of the same file(s) from previous backups.</source>
        <translation>Инкрементное копирование сохраняет данные исходных папок по их изменениям. Предыдущие версии тех же файлов можно получить из предыдущих резервных копий.</translation>
    </message>
    <message>
        <source>A full backup is a backup of the source folder(s), whether that file has changed or not.There is only the last copy of your file(s) in destination.</source>
        <translation>Полное копирование сохраняет исходные папки целиком, независимо от того, изменились файлы или нет. В месте назначения хранится только последняя копия ваших файлов.</translation>
    </message>
    <message>
        <source>User Account</source>
        <translation>Учётная запись</translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation>Модель устройства</translation>
    </message>
    <message>
        <source>This wizard will guide you through setting up a new backup task.  Begin by entering the name of the backup task: </source>
        <translation>Этот мастер поможет настроить новое задание резервного копирования. Для начала введите имя задания: </translation>
    </message>
    <message>
        <source>The summary of destination</source>
        <translation>Сводка о месте назначения</translation>
    </message>
    <message>
        <source>Edit the name of the backup task</source>
        <translation>Измените имя задания резервного копирования</translation>
    </message>
    <message>
        <source>Create Folder</source>
        <translation>Создать папку</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Состояние</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Назначение</translation>
    </message>
    <message>
        <source>Backup Now</source>
        <translation>Создать копию</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Восстановить</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Источник</translation>
    </message>
    <message>
        <source>Please select where you want to restore:</source>
        <translation>Выберите, куда восстановить:</translation>
    </message>
    <message>
        <source>Please select the version you want to restore:</source>
        <translation>Выберите версию для восстановления:</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Обзор</translation>
    </message>
    <message>
        <source>Original path</source>
        <translation>Исходный путь</translation>
    </message>
    <message>
        <source>New path</source>
        <translation>Новый путь</translation>
    </message>
    <message>
        <source>Clear Logs</source>
        <translation>Очистить журнал</translation>
    </message>
    <message>
        <source>Backup Name</source>
        <translation>Имя копии</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Время начала</translation>
    </message>
    <message>
        <source>Finish Time</source>
        <translation>Время окончания</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Описание</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>По умолчанию</translation>
    </message>
    <message>
        <source>Backup Configuration</source>
        <translation>Конфигурация копирования</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Язык</translation>
    </message>
    <message>
        <source>Email Notification</source>
        <translation>Уведомления по почте</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Журнал</translation>
    </message>
    <message>
        <source>Backup/Restore</source>
        <translation>Копирование/восстановление</translation>
    </message>
    <message>
        <source>Misc.</source>
        <translation>Прочее</translation>
    </message>
    <message>
        <source>If you want to import a backup task configuration, please click Import</source>
        <translation>Чтобы импортировать конфигурацию заданий резервного копирования, нажмите «Импорт»</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Экспорт</translation>
    </message>
    <message>
        <source>If you want to export your backup task configuration, please click Export</source>
        <translation>Чтобы экспортировать конфигурацию заданий резервного копирования, нажмите «Экспорт»</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Импорт</translation>
    </message>
    <message>
        <source>  Every Month</source>
        <translation>  Каждый месяц</translation>
    </message>
    <message>
        <source>  Every Week</source>
        <translation>  Каждую неделю</translation>
    </message>
    <message>
        <source>  Every Day</source>
        <translation>  Каждый день</translation>
    </message>
    <message>
        <source>Send email log summary</source>
        <translation>Отправлять сводку журнала по почте</translation>
    </message>
    <message>
        <source>SMTP Server needs security connection - SSL</source>
        <translation>SMTP-сервер требует защищённого соединения - SSL</translation>
    </message>
    <message>
        <source>Anonymous</source>
        <translation>Анонимно</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Учётная запись</translation>
    </message>
    <message>
        <source>SMTP Server</source>
        <translation>SMTP-сервер</translation>
    </message>
    <message>
        <source>Login Method</source>
        <translation>Способ входа</translation>
    </message>
    <message>
        <source>Send email notification when backup task is complete</source>
        <translation>Отправлять уведомление по почте по завершении задания</translation>
    </message>
    <message>
        <source>Sender E-mail</source>
        <translation>Адрес отправителя</translation>
    </message>
    <message>
        <source>Receiver E-mail</source>
        <translation>Адрес получателя</translation>
    </message>
    <message>
        <source>  Sun</source>
        <translation>  Вс</translation>
    </message>
    <message>
        <source>  Mon</source>
        <translation>  Пн</translation>
    </message>
    <message>
        <source>  Tue</source>
        <translation>  Вт</translation>
    </message>
    <message>
        <source>  Wed</source>
        <translation>  Ср</translation>
    </message>
    <message>
        <source>  Thu</source>
        <translation>  Чт</translation>
    </message>
    <message>
        <source>  Fri</source>
        <translation>  Пт</translation>
    </message>
    <message>
        <source>  Sat</source>
        <translation>  Сб</translation>
    </message>
    <message>
        <source>Stop log record when Max limitation has occured</source>
        <translation>Прекращать запись в журнал при достижении максимума</translation>
    </message>
    <message>
        <source>Replace the oldest log with the new one after Max limitation has occured</source>
        <translation>Заменять самую старую запись новой при достижении максимума</translation>
    </message>
    <message>
        <source>Max 1000 log records</source>
        <translation>Не более 1000 записей журнала</translation>
    </message>
    <message>
        <source>Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup</source>
        <translation>При восстановлении удалять локальные файлы, которых НЕТ в соответствующей резервной копии</translation>
    </message>
    <message>
        <source>Shutdown Computer when Backup is complete</source>
        <translation>Выключать компьютер по завершении копирования</translation>
    </message>
    <message>
        <source>Auto-start Tessaly Sync on Computer startup</source>
        <translation>Запускать Tessaly Sync при загрузке компьютера</translation>
    </message>
    <message>
        <source>Backups</source>
        <translation>Резервные копии</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>Журналы</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Свернуть</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>Не запущено</translation>
    </message>
    <message>
        <source>Backup is running</source>
        <translation>Выполняется резервное копирование</translation>
    </message>
    <message>
        <source>Restore is running</source>
        <translation>Выполняется восстановление</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Предупреждение</translation>
    </message>
    <message>
        <source>Another TessalySync is running on this computer and receives the answers of the service. The states of the backup tasks will not update in this window.</source>
        <translation>На этом компьютере уже работает другой экземпляр TessalySync, который получает ответы службы. Состояние заданий резервного копирования в этом окне обновляться не будет.</translation>
    </message>
    <message>
        <source>Are you sure you want to clear all logs?</source>
        <translation>Вы действительно хотите очистить весь журнал?</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Готово</translation>
    </message>
    <message>
        <source>Click here if no device is shown</source>
        <translation>Нажмите здесь, если устройства не отображаются</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>The backup tasks cannot be read: %1</source>
        <translation>Не удаётся прочитать задания резервного копирования: %1</translation>
    </message>
    <message>
        <source>Task: %1</source>
        <translation>Задание: %1</translation>
    </message>
    <message>
        <source>File Types: %1</source>
        <translation>Типы файлов: %1</translation>
    </message>
    <message>
        <source>Destination: %1</source>
        <translation>Назначение: %1</translation>
    </message>
    <message>
        <source>Account: %1</source>
        <translation>Учётная запись: %1</translation>
    </message>
    <message>
        <source>Model: %1</source>
        <translation>Модель: %1</translation>
    </message>
    <message>
        <source>Brelkin NAS</source>
        <translation>Brelkin NAS</translation>
    </message>
    <message>
        <source>Last: %1</source>
        <translation>Последний: %1</translation>
    </message>
    <message>
        <source>Next: %1</source>
        <translation>Следующий: %1</translation>
    </message>
    <message>
        <source>Manually</source>
        <translation>Вручную</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>Ежемесячно</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Еженедельно</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>Ежедневно</translation>
    </message>
    <message>
        <source>Schedule: %1</source>
        <translation>Расписание: %1</translation>
    </message>
    <message>
        <source>Stop Backup</source>
        <translation>Остановить</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this backup?</source>
        <translation>Вы действительно хотите удалить эту резервную копию?</translation>
    </message>
    <message>
        <source>Backup Result</source>
        <translation>Результат копирования</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Ошибка: %1</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Предыдущая страница</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Следующая страница</translation>
    </message>
    <message>
        <source>Please enter a user name!</source>
        <translation>Введите имя пользователя!</translation>
    </message>
    <message>
        <source>Please enter a password!</source>
        <translation>Введите пароль!</translation>
    </message>
    <message>
        <source>Please enter a SMTP Server!</source>
        <translation>Введите SMTP-сервер!</translation>
    </message>
    <message>
        <source>Please enter a Sender E-mail!</source>
        <translation>Введите адрес отправителя!</translation>
    </message>
    <message>
        <source>Sender E-mail must contain &quot;@&quot;!</source>
        <translation>Адрес отправителя должен содержать «@»!</translation>
    </message>
    <message>
        <source>Please enter a Receiver E-mail!</source>
        <translation>Введите адрес получателя!</translation>
    </message>
    <message>
        <source>Receiver E-mail must contain &quot;@&quot;!</source>
        <translation>Адрес получателя должен содержать «@»!</translation>
    </message>
    <message>
        <source>Are you sure you want to restore to default settings?</source>
        <translation>Вы действительно хотите восстановить настройки по умолчанию?</translation>
    </message>
    <message>
        <source>The settings could not be saved: %1</source>
        <translation>Не удалось сохранить настройки: %1</translation>
    </message>
    <message>
        <source>The automatic start could not be changed: %1</source>
        <translation>Не удалось изменить автозапуск: %1</translation>
    </message>
    <message>
        <source>Export Configuration</source>
        <translation>Экспорт конфигурации</translation>
    </message>
    <message>
        <source>The backup configuration could not be exported: %1</source>
        <translation>Не удалось экспортировать конфигурацию копирования: %1</translation>
    </message>
    <message>
        <source>Import Configuration</source>
        <translation>Импорт конфигурации</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Сообщение</translation>
    </message>
    <message>
        <source>Import successfully!</source>
        <translation>Импорт выполнен успешно!</translation>
    </message>
    <message>
        <source>Please select a correct file!</source>
        <translation>Выберите правильный файл!</translation>
    </message>
    <message>
        <source>The backup configuration could not be imported: %1</source>
        <translation>Не удалось импортировать конфигурацию копирования: %1</translation>
    </message>
    <message>
        <source>Please create the name of the backup task!</source>
        <translation>Задайте имя задания резервного копирования!</translation>
    </message>
    <message>
        <source>The name of the backup task can not contain ~`^&amp;{}[]|&quot;</source>
        <translation>Имя задания резервного копирования не может содержать ~`^&amp;{}[]|&quot;</translation>
    </message>
    <message>
        <source>The backup task could not be saved: %1</source>
        <translation>Не удалось сохранить задание резервного копирования: %1</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any folder for backup!</source>
        <translation>Не выбрано ни одной папки для резервного копирования!</translation>
    </message>
    <message>
        <source>Please do not select network drive as source folder!</source>
        <translation>Не выбирайте сетевой диск в качестве исходной папки!</translation>
    </message>
    <message>
        <source>Please enter the extension!</source>
        <translation>Введите расширение!</translation>
    </message>
    <message>
        <source>Invalid extension! Correct extension should like *.txt.</source>
        <translation>Недопустимое расширение! Правильное расширение выглядит как *.txt.</translation>
    </message>
    <message>
        <source>Please select a extension to remove!</source>
        <translation>Выберите расширение, которое нужно убрать!</translation>
    </message>
    <message>
        <source>You haven&apos;t specified any extension for backup!</source>
        <translation>Не указано ни одного расширения для резервного копирования!</translation>
    </message>
    <message>
        <source>Please select at least a day for the schedule!</source>
        <translation>Выберите хотя бы один день для расписания!</translation>
    </message>
    <message>
        <source>You haven&apos;t selected any device!</source>
        <translation>Не выбрано ни одного устройства!</translation>
    </message>
    <message>
        <source>Invalid device!</source>
        <translation>Недопустимое устройство!</translation>
    </message>
    <message>
        <source>To detect your NAS, please make sure Tessaly Sync has been permitted to pass through the firewall in your computer.</source>
        <translation>Чтобы обнаружить NAS, убедитесь, что брандмауэр компьютера пропускает Tessaly Sync.</translation>
    </message>
    <message>
        <source>The network path was not found!</source>
        <translation>Сетевой путь не найден!</translation>
    </message>
    <message>
        <source>Invalid user name or password.</source>
        <translation>Неверное имя пользователя или пароль.</translation>
    </message>
    <message>
        <source>Please select a backup destination folder!</source>
        <translation>Выберите папку для хранения резервных копий!</translation>
    </message>
    <message>
        <source>Please enter user name!</source>
        <translation>Введите имя пользователя!</translation>
    </message>
    <message>
        <source>Create Directory</source>
        <translation>Создание папки</translation>
    </message>
    <message>
        <source>Failed to create the directory.</source>
        <translation>Не удалось создать папку.</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup device!</source>
        <translation>Не удается найти устройство резервного копирования!</translation>
    </message>
    <message>
        <source>Please select a backup!</source>
        <translation>Выберите резервную копию!</translation>
    </message>
    <message>
        <source>Please enter a path where you want to restore!</source>
        <translation>Введите путь, куда нужно восстановить!</translation>
    </message>
    <message>
        <source>Can&apos;t find the backup files!</source>
        <translation>Не удается найти файлы резервной копии!</translation>
    </message>
    <message>
        <source>Backup is running, can&apos;t restore now!</source>
        <translation>Выполняется резервное копирование, восстановление сейчас невозможно!</translation>
    </message>
    <message>
        <source>The configuration folder %1 cannot be used: %2. No backup task and no setting can be saved until it can be made.</source>
        <translation>Папку конфигурации %1 невозможно использовать: %2. Пока её не удастся создать, нельзя сохранить ни задания резервного копирования, ни настройки.</translation>
    </message>
    <message>
        <source>The TessalySync service is not running. Start it with: systemctl start TessalySync</source>
        <translation>Служба TessalySync не запущена. Запустите её командой: systemctl start TessalySync</translation>
    </message>
    <message>
        <source>TessalySync service is not running</source>
        <translation>Служба TessalySync не запущена</translation>
    </message>
    <message>
        <source>Delete file(s) in the backup if the file(s) do NOT exist in the source folder(s)</source>
        <translation>Удалять из копии файлы, которых НЕТ в исходных папках</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>Расширение</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>Расширения</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Час</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Минута</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>День</translation>
    </message>
    <message>
        <source>Result of the last backup</source>
        <translation>Результат последнего копирования</translation>
    </message>
    <message>
        <source>Last backup completed</source>
        <translation>Последнее копирование завершено</translation>
    </message>
    <message>
        <source>Last backup did not succeed</source>
        <translation>Последнее копирование не удалось</translation>
    </message>
</context>
<context>
    <name>GetSessionVersion</name>
    <message>
        <source>No list to fill.</source>
        <translation>Нет списка для заполнения.</translation>
    </message>
    <message>
        <source>The SQLite driver of Qt (QSQLITE) is not installed.</source>
        <translation>Драйвер SQLite для Qt (QSQLITE) не установлен.</translation>
    </message>
    <message>
        <source>Another reading of versions is under way.</source>
        <translation>Уже выполняется другое чтение версий.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; is neither a share \\server\share nor a local folder.</source>
        <translation>Место назначения «%1» не является ни общим ресурсом \\server\share, ни локальной папкой.</translation>
    </message>
    <message>
        <source>The task uuid &quot;%1&quot; is not a uuid.</source>
        <translation>UUID задания «%1» не является UUID.</translation>
    </message>
    <message>
        <source>No thread could be started to read the destination.</source>
        <translation>Не удалось запустить поток для чтения места назначения.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; did not answer within %2 seconds.</source>
        <translation>Место назначения «%1» не ответило в течение %2 с.</translation>
    </message>
    <message>
        <source>The account of this task cannot be used (%1).</source>
        <translation>Не удаётся использовать учётную запись этого задания (%1).</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; refused the account of this task.</source>
        <translation>Место назначения «%1» отклонило учётную запись этого задания.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; was not found.</source>
        <translation>Место назначения «%1» не найдено.</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; cannot be reached (%2).</source>
        <translation>Место назначения «%1» недоступно (%2).</translation>
    </message>
    <message>
        <source>No backup of this task was found on &quot;%1&quot;.</source>
        <translation>На «%1» не найдено резервных копий этого задания.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be read (%1).</source>
        <translation>Не удаётся прочитать сведения о резервных копиях этого задания (%1).</translation>
    </message>
    <message>
        <source>No temporary folder could be made for the backup records.</source>
        <translation>Не удалось создать временную папку для сведений о резервных копиях.</translation>
    </message>
    <message>
        <source>The backup records of this task cannot be copied (%1).</source>
        <translation>Не удаётся скопировать сведения о резервных копиях этого задания (%1).</translation>
    </message>
    <message>
        <source>The versions of this task cannot be read: its backup records on the destination are damaged (%1).</source>
        <translation>Не удаётся прочитать версии этого задания: сведения о его резервных копиях в месте назначения повреждены (%1).</translation>
    </message>
</context>
</TS>
