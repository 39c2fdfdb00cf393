// The new-task wizard's rules that need no window: the checks of typed names, the file-type
// lists, the schedule's run-time texts, the texts of a found device, the local-network filter
// and the test for source folders on a network file system. The wizard's slots call these;
// the tests check them as tables.
#pragma once

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <array>
#include <cstdint>
#include <functional>

namespace wizard_logic {

// ---- step 1: the task's name ------------------------------------------------------------

enum class NameCheck { Ok, Empty, ForbiddenCharacter };
// Empty also when the name holds nothing but blanks and tabs. Forbidden: < > ~ ` \ ^ & { } [ ]
// | and the double quote.
NameCheck checkTaskName(const QString& name);

// ---- step 3: file types -----------------------------------------------------------------

QStringList videoExtensions();
QStringList pictureExtensions();
QStringList audioExtensions();

enum class ExtensionCheck { Ok, Empty, Invalid };
// A typed extension: "*." followed by letters and digits only ("*.txt").
ExtensionCheck checkCustomExtension(const QString& typed);

// ---- step 8: run times ------------------------------------------------------------------

// A run time: the local date and time converted to UTC in ISO 8601 form with seconds and
// exactly one trailing "Z" ("2000-12-31T17:30:00Z" for 2001-01-01 02:30 at UTC+9).
QString runTimeText(int year, int month, int day, int hour, int minute);
// On the reference dates of January 2001: the day of month for a monthly task, 2001-01-01
// (Monday) to 2001-01-07 (Sunday) for a weekly one, 2001-01-01 for a daily one.
QStringList monthlyRunTimes(int day, int hour, int minute);
// One time per chosen day; `days` runs from Sunday to Saturday and the times come in that
// order (Sunday first).
QStringList weeklyRunTimes(const std::array<bool, 7>& days, int hour, int minute);
QStringList dailyRunTimes(int hour, int minute);

// A stored run time as the schedule controls show it: local day of month, weekday (0 Sunday
// to 6 Saturday), hour and minute. `valid` is false for a text that is not a time.
struct LocalRunTime {
  bool valid = false;
  int day = 1;
  int weekday = 1;
  int hour = 0;
  int minute = 0;
};
LocalRunTime localRunTime(const QString& iso);

// ---- steps 4 to 7: device, share and folders --------------------------------------------

// The model text of a device: its model, "Brelkin NAS" for none, "KMR-420" for "KMR-420B".
QString deviceModelText(const QString& model);
// The device name without a trailing ":eth..." (or else ":bond...") part.
QString deviceNameText(const QString& name);
// "MAC: " and the six bytes as twelve upper-case hexadecimal digits.
QString macText(const std::array<uint8_t, 6>& mac);

// A device is shown when its address lies in the network of one of the local addresses:
// (address AND masks[i]) == networks[i] for some i.
bool onLocalNetwork(uint32_t address, const QList<uint32_t>& masks,
                    const QList<uint32_t>& networks);

// A name that can be made, or listed and chosen, as one folder inside a share: not empty,
// not "." or "..", without "/", "\", control characters or any of " : * < > ? | (the name
// becomes part of the destination path).
bool isUsableFolderName(const QString& name);
// `base`, or `base` + " (n)" for the first n from 1 that no name in `taken` equals (compared
// without regard to case, as shares compare names).
QString freeFolderName(const QString& base, const QStringList& taken);
// A throw-away account name for the first try of a share: eight letters and digits.
QString probeAccountText();

// ---- step 2: source folders -------------------------------------------------------------

// True for a file-system type (statfs f_type) that lies on another computer: SMB and CIFS,
// NFS, AFS, Coda, Ceph, 9P, Lustre, and FUSE mounts whose type name (as the mount table gives
// it, "fuse.sshfs") names a network file system.
bool isNetworkFileSystemType(int64_t magic, const QString& typeName);
// The folder's own file system (statfs of the path) is a network one.
bool isOnNetworkFileSystem(const QString& path);
// The test the wizard uses; tests put their own in place (no test can mount a network file
// system), the program keeps isOnNetworkFileSystem.
std::function<bool(const QString&)>& networkFolderCheck();

}  // namespace wizard_logic
