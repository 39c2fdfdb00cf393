// The version reader (see getsessionversion.h): the share is read on a thread of its own,
// the copies are read here with Qt's SQLite driver.
#include "getsessionversion.h"

#include <fcntl.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlDriver>
#include <QtSql/QSqlError>
#include <QtSql/QSqlQuery>
#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "share.h"
#include "sharecall.h"
#include "task_destination.h"
#include "tree_db_guard.h"

namespace {

namespace share = tessaly::share;

const char kDriver[] = "QSQLITE";
const char kStatusConnection[] = "statusdb";
const char kHistoryConnection[] = "historydb";
const char kStatusFile[] = "status.db";
const char kHistoryFile[] = "history.db";
const char kIncrementsFolder[] = "increments";
// The files SQLite keeps beside a database while a transaction is open.
const char* const kJournalSuffixes[] = {"-journal", "-wal"};

// Both databases hold a few rows; anything near this size is not a task tree's file.
constexpr uint64_t kMaxFileBytes = 64u << 20;

// How the share thread's reading ended.
enum class fetch_result {
  ok,
  refused,           // the server refused the account or the folder
  no_destination,    // the destination folder does not exist
  unreachable,       // the server cannot be reached (errno says why)
  no_tree,           // no task folder under the destination
  no_database,       // the task folder lacks status.db or history.db
  read_failed,       // a database could not be read whole
};

struct fetched_file {
  std::string name;  // status.db, status.db-journal, ...
  std::string bytes;
};

// What the share thread found.
struct fetched {
  fetch_result result = fetch_result::ok;
  int error = 0;
  std::vector<fetched_file> files;
  std::vector<std::string> versionFolders;  // the names in increments
};

int read_whole(share::destination& d, const std::string& path, std::string* out) {
  std::unique_ptr<share::file> file = d.open_file(path, O_RDONLY, 0);
  if (!file) return -1;
  uint64_t size = 0;
  if (file->size(&size) != 0) {
    int error = errno;
    file->close();
    errno = error;
    return -1;
  }
  if (size > kMaxFileBytes) {
    file->close();
    errno = EFBIG;
    return -1;
  }
  out->assign(size, '\0');
  uint64_t done = 0;
  while (done < size) {
    ssize_t n = file->read_at(out->data() + done, size - done, done);
    if (n < 0) {
      int error = errno;
      file->close();
      errno = error;
      return -1;
    }
    if (n == 0) break;  // shorter than it said: take what is there
    done += static_cast<uint64_t>(n);
  }
  out->resize(done);
  return file->close();
}

fetch_result classify(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return fetch_result::refused;
    case ENOENT:
    case ENOTDIR:
      return fetch_result::no_destination;
    default:
      return fetch_result::unreachable;
  }
}

// Reads one database and the journals beside it into `files`.
fetch_result fetch_database(share::destination& d, const std::string& folder, const char* name,
                            std::vector<fetched_file>* files, int* error) {
  const std::string path = folder + "/" + name;
  share::info_t info;
  if (d.stat(path, &info, true) != 0) {
    *error = errno;
    return errno == ENOENT ? fetch_result::no_database : classify(errno);
  }
  fetched_file database{name, {}};
  if (info.type != share::kind::file || read_whole(d, path, &database.bytes) != 0) {
    *error = info.type != share::kind::file ? EISDIR : errno;
    return fetch_result::read_failed;
  }
  files->push_back(std::move(database));
  for (const char* suffix : kJournalSuffixes) {
    fetched_file journal{std::string(name) + suffix, {}};
    if (!share::exists(d, path + suffix)) continue;
    if (read_whole(d, path + suffix, &journal.bytes) != 0) {
      // Committed meanwhile: the journal went away after it was seen.
      if (errno == ENOENT) continue;
      *error = errno;
      return fetch_result::read_failed;
    }
    files->push_back(std::move(journal));
  }
  return fetch_result::ok;
}

// The share thread (handed the task's destination, with its account on a share): checks the
// destination and the task folder, lists the version folders and reads the two databases.
//
// The order matters while a run writes the tree. A backup adds its history row, then
// writes "init", then makes increments/<n>, and writes "complete" last; so a newest row
// whose folder was listed before the row was read, and whose status read after it says
// "complete", belongs to a run that completed. Read in another order, a run that has just
// added its row (the status still "complete" from the run before) would pass for a version.
fetched fetch(share::destination& d, const std::string& destination, const std::string& folder) {
  fetched out;
  fetch_result& result = out.result;
  int& error = out.error;
  if (share::probe_folder(d, destination) != 0) {
    error = errno;
    result = classify(error);
  }
  if (result == fetch_result::ok) {
    share::info_t info;
    if (d.stat(folder, &info, true) != 0) {
      error = errno;
      result = error == ENOENT ? fetch_result::no_tree : classify(error);
    } else if (info.type != share::kind::folder) {
      error = ENOTDIR;
      result = fetch_result::no_tree;
    }
  }
  if (result == fetch_result::ok) {
    std::vector<share::entry_t> entries;
    if (d.list(folder + "/" + kIncrementsFolder, &entries) == 0) {
      for (const share::entry_t& e : entries) {
        if (e.type == share::kind::folder) out.versionFolders.push_back(e.name);
      }
    } else if (errno != ENOENT) {
      error = errno;
      result = classify(error);
    }
  }
  for (const char* name : {kHistoryFile, kStatusFile}) {
    if (result != fetch_result::ok) break;
    result = fetch_database(d, folder, name, &out.files, &error);
  }
  return out;
}

QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The SQLite connection under a Qt connection of the QSQLITE driver, or null.
sqlite3* sqliteHandle(const QSqlDatabase& db) {
  const QVariant handle = db.driver()->handle();
  if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
  return *static_cast<sqlite3* const*>(handle.constData());
}

enum class query_result { ok, failed, damaged };

// Rows of one query on one database file, through a connection of its own name that is
// added and removed here. The file comes from a tree that others may write: it is used only
// when its schema holds plain tables (a view or a trigger could run a query that never
// ends), each step of the query is bounded, and so is the number of rows (tree_db_guard.h).
// `damaged` for a file that fails these, `failed` for any other error; the reason in `why`.
query_result queryRows(const QString& connection, const QString& file, const QString& sql,
                       int columns, QList<QStringList>* rows, QString* why) {
  query_result result = query_result::failed;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QString::fromLatin1(kDriver), connection);
    db.setDatabaseName(file);
    sqlite3* handle = nullptr;
    std::string guard;
    if (!db.open()) {
      *why = db.lastError().text();
    } else if ((handle = sqliteHandle(db)) == nullptr) {
      *why = QStringLiteral("the SQLite driver gives no connection handle");
    } else if (tessaly::tree_db::open_check(handle, &guard) != 0) {
      result = query_result::damaged;
      *why = QString::fromStdString(guard);
    } else {
      tessaly::tree_db::query_bound bound(handle);
      QSqlQuery query(db);
      query.setForwardOnly(true);
      if (query.exec(sql)) {
        result = query_result::ok;
        for (;;) {
          bound.reset();
          if (!query.next()) break;
          if (rows->size() >= tessaly::tree_db::kMaxRows) {
            result = query_result::damaged;
            *why = QStringLiteral("more than %1 rows").arg(tessaly::tree_db::kMaxRows);
            break;
          }
          QStringList row;
          for (int c = 0; c < columns; ++c) row << query.value(c).toString();
          rows->append(row);
        }
      }
      if (result != query_result::damaged && query.lastError().isValid()) {
        *why = query.lastError().text();
        result = bound.tripped() ? query_result::damaged : query_result::failed;
      }
      query.finish();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(connection);
  return result;
}

}  // namespace

GetSessionVersion::GetSessionVersion(const QString& taskUuid, const QString& taskName,
                                     const QString& destinationPath, const QString& accountName,
                                     const QString& password, QObject* parent)
    : QObject(parent),
      uuid_(taskUuid),
      name_(taskName),
      destination_(destinationPath),
      account_(accountName),
      password_(password) {}

GetSessionVersion::~GetSessionVersion() = default;

void GetSessionVersion::setTimeout(int milliseconds) { timeoutMs_ = qMax(0, milliseconds); }

bool GetSessionVersion::fail(const QString& reason) {
  lastError_ = reason;
  return false;
}

bool GetSessionVersion::GetVersionList(QStringList* numbers, QStringList* times) {
  historyNumbers_.clear();
  historyTimes_.clear();
  lastStatus_.clear();
  versions_.clear();
  lastError_.clear();
  if (numbers == nullptr || times == nullptr) return fail(tr("No list to fill."));

  // A missing driver would read as a task without versions.
  if (!QSqlDatabase::isDriverAvailable(QString::fromLatin1(kDriver))) {
    return fail(tr("The SQLite driver of Qt (QSQLITE) is not installed."));
  }
  if (QSqlDatabase::contains(QString::fromLatin1(kStatusConnection)) ||
      QSqlDatabase::contains(QString::fromLatin1(kHistoryConnection))) {
    return fail(tr("Another reading of versions is under way."));
  }

  // Nothing from the task's texts forms a path before it is checked.
  const std::string destination = destination_.toStdString();
  if (!tessaly::is_usable_destination(destination)) {
    return fail(tr("The destination \"%1\" is neither a share \\\\server\\share nor a local "
                   "folder.")
                    .arg(destination_));
  }
  const std::string folder = tessaly::task_folder_path(destination, uuid_.toStdString());
  if (folder.empty()) return fail(tr("The task uuid \"%1\" is not a uuid.").arg(uuid_));

  // A task stored without an account reaches its share as a guest; a local folder needs no
  // logon.
  std::optional<share::account_t> account;
  if (share::is_smb_path(destination)) {
    account = tessaly::destination_account(account_.toStdString(), password_.toStdString(),
                                           account_.isEmpty());
  }
  ShareCall call(std::move(account), timeoutMs_);
  std::optional<fetched> fromShare =
      call.run<fetched>([destination, folder](share::destination& d) {
        return fetch(d, destination, folder);
      });
  switch (call.outcome()) {
    case ShareCall::Outcome::Done:
      break;
    case ShareCall::Outcome::LogonFailed:
      return fail(tr("The account of this task cannot be used (%1).")
                      .arg(errorText(call.error())));
    case ShareCall::Outcome::TimedOut:
      return fail(tr("The destination \"%1\" did not answer within %2 seconds.")
                      .arg(destination_)
                      .arg(timeoutMs_ / 1000.0, 0, 'g', 3));
    case ShareCall::Outcome::NoThread:
      return fail(tr("No thread could be started to read the destination."));
  }
  const fetch_result result = fromShare->result;
  const int error = fromShare->error;
  const std::vector<fetched_file>& files = fromShare->files;
  QStringList versionFolders;
  for (const std::string& name : fromShare->versionFolders) {
    versionFolders << QString::fromStdString(name);
  }

  switch (result) {
    case fetch_result::ok:
      break;
    case fetch_result::refused:
      return fail(tr("The destination \"%1\" refused the account of this task.")
                      .arg(destination_));
    case fetch_result::no_destination:
      return fail(tr("The destination \"%1\" was not found.").arg(destination_));
    case fetch_result::unreachable:
      return fail(tr("The destination \"%1\" cannot be reached (%2).")
                      .arg(destination_, errorText(error)));
    case fetch_result::no_tree:
    case fetch_result::no_database:
      return fail(tr("No backup of this task was found on \"%1\".").arg(destination_));
    case fetch_result::read_failed:
      return fail(tr("The backup records of this task cannot be read (%1).")
                      .arg(errorText(error)));
  }

  // The copies, in a folder of this user only that goes with the reading.
  QTemporaryDir copies(QDir::tempPath() + QStringLiteral("/tessaly-versions-XXXXXX"));
  if (!copies.isValid() ||
      !QFile::setPermissions(copies.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner)) {
    return fail(tr("No temporary folder could be made for the backup records."));
  }
  for (const fetched_file& f : files) {
    QFile copy(copies.filePath(QString::fromStdString(f.name)));
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !copy.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        copy.write(f.bytes.data(), qint64(f.bytes.size())) != qint64(f.bytes.size()) ||
        !copy.flush()) {
      return fail(tr("The backup records of this task cannot be copied (%1).")
                      .arg(copy.errorString()));
    }
  }

  // Opened for writing: a copied journal of a transaction in flight rolls back, leaving the
  // last committed state. `No` is the version number, so the order is the versions' order.
  QList<QStringList> rows;
  QString why;
  auto queryFailed = [this, &why](query_result result) {
    historyNumbers_.clear();
    historyTimes_.clear();
    if (result == query_result::damaged) {
      return fail(tr("The versions of this task cannot be read: its backup records on the "
                     "destination are damaged (%1).")
                      .arg(why));
    }
    return fail(tr("The backup records of this task cannot be read (%1).").arg(why));
  };
  query_result read = queryRows(
      QString::fromLatin1(kHistoryConnection), copies.filePath(QString::fromLatin1(kHistoryFile)),
      QStringLiteral("SELECT No,Real_time FROM time_tbl ORDER BY No"), 2, &rows, &why);
  if (read != query_result::ok) return queryFailed(read);
  for (const QStringList& row : rows) {
    historyNumbers_ << row.at(0);
    historyTimes_ << row.at(1);
  }
  rows.clear();
  read = queryRows(QString::fromLatin1(kStatusConnection),
                   copies.filePath(QString::fromLatin1(kStatusFile)),
                   QStringLiteral("SELECT Real_status FROM status_tbl"), 1, &rows, &why);
  if (read != query_result::ok) return queryFailed(read);
  if (!rows.isEmpty()) lastStatus_ = rows.last().at(0);

  // Every version but a newest one whose run did not complete (running, stopped, cleaning):
  // its status is not "complete", or its run had not made its version folder yet (it had
  // only added its row), or the repair of an interrupted run has removed that folder and is
  // about to drop the row.
  const bool newestComplete =
      lastStatus_.contains(QLatin1String("complete"), Qt::CaseInsensitive) &&
      !historyNumbers_.isEmpty() && versionFolders.contains(historyNumbers_.last());
  SessionVersionList found;
  for (qsizetype k = 0; k < historyNumbers_.size(); ++k) {
    if (k == historyNumbers_.size() - 1 && !newestComplete) break;
    bool isNumber = false;
    SessionVersion version;
    version.number = historyNumbers_.at(k).toLongLong(&isNumber);
    if (!isNumber || version.number < 1) continue;
    // Qt keeps milliseconds and rounds a longer fraction, which could move a time just
    // before a full minute into the next one; the digits past the milliseconds are cut.
    static const QRegularExpression fraction(QStringLiteral("(\\.\\d{3})\\d+"));
    QString stored = historyTimes_.at(k);
    stored.replace(fraction, QStringLiteral("\\1"));
    version.start = QDateTime::fromString(stored, Qt::ISODate);
    // A time the service did not write is shown as stored rather than as an empty line.
    version.time = version.start.isValid()
                       ? version.start.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                       : historyTimes_.at(k);
    found.append(version);
  }

  for (const SessionVersion& version : found) {
    numbers->append(QString::number(version.number));
    times->append(version.time);
  }
  versions_ = found;
  return true;
}
