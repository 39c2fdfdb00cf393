// The new-task wizard's rules that need no window: its steps and modes with the table that
// says where Back and Next lead, the checks of typed names, the file-type lists, the
// schedule's run-time texts, the texts of a found device, the local-network filter and the
// test for source folders on a network file system. The wizard's slots call these; the tests
// check them as tables.
#pragma once

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace wizard_logic {

// ---- the steps and the modes ------------------------------------------------------------

// The wizard's steps, numbered as a new task meets them; the page of step n lives in the
// window's dialog_wizard_<n>_<step>.cpp. Summary is no step of a new task: the task list shows
// a task's destination on it.
enum class WizardStep {
  Name = 1,
  Sources,
  FileTypes,
  Device,
  Share,
  Account,
  Folder,
  Schedule,
  Summary,
};

// What the wizard is opened for: a new task, or one of the task list's edits of a task (its
// name, its schedule, or a look at its destination).
enum class WizardMode { NewTask, Rename, Reschedule, ShowDestination };

// The step a mode opens on. An edit mode shows that one step only.
WizardStep firstStep(WizardMode mode);

// Where the buttons of a step lead.
struct StepRule {
  WizardStep step;
  // Where Back leads; none: Back shows but is off.
  std::optional<WizardStep> back;
  // Where a passed check leads; none: Next reads "Finish" and a passed check ends the wizard.
  std::optional<WizardStep> next;
  // Where a check leads that passed on another way: the share that asks for an account, and
  // an account the share refused, both lead to the account step.
  std::optional<WizardStep> detour;
  // Back and Next show; the summary only reads and has neither.
  bool navigation = true;
};
// The rules of all steps as a new task goes through them, in the order of their numbers.
const std::array<StepRule, 9>& stepRules();
// The rule of `step` in `mode`: the one step of an edit mode has no Back, and its Next ends
// the wizard.
StepRule stepRule(WizardStep step, WizardMode mode);

// What the check of a step's answers came to when Next was pressed.
enum class StepResult {
  Refused,  // a box said why; the step stays
  Passed,   // on to the step's next one, or the end of the wizard
  Detour,   // on to the step's detour
  Pending,  // a slow part goes on and moves the wizard on itself when it ends
};

// What the window does after a check of `step` in `mode` came to `result`.
struct NextMove {
  enum class Kind { Stay, Show, Finish };
  Kind kind = Kind::Stay;
  WizardStep step = WizardStep::Name;  // the step to show, for Show
  bool operator==(const NextMove&) const = default;
};
NextMove nextMove(WizardStep step, WizardMode mode, StepResult result);

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

// "\\" + address + path: a path ("\share\folder") on the device at `address`.
QString uncPath(const QString& address, const QString& path);

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
