// The watch of the data folder for changes of LOG.dat (on inotify).
//
// The service replaces LOG.dat by writing a temporary file and renaming it over the old one,
// so a change shows as IN_MOVED_TO (and IN_CLOSE_WRITE for a file written in place). Either,
// for a name that contains "LOG.dat" (case-insensitive), gives one FindModification() per
// batch of events read; an overflow of the event queue gives one too, since a change may
// have been lost. Other names (SESSION_CONFIG.dat, GLOBAL_SETTING.dat, the writers'
// temporary files) and removals give none. The watch is of the folder itself, not of its
// subfolders (the data folder has none). The thread ends on stop() (an eventfd wakes it) or
// when the folder is removed or moved away.
#pragma once

#include <QtCore/QString>
#include <QtCore/QThread>

class WatchFileThrd : public QThread {
  Q_OBJECT

 public:
  explicit WatchFileThrd(const QString& folder, QObject* parent = nullptr);
  ~WatchFileThrd() override;  // stop()

  // Sets up the watch on the folder and starts the thread. False, with nothing left open,
  // when the watch cannot be set up (no such folder, no inotify); true when already running.
  bool startWatch();
  // Wakes the thread, waits for it to end and releases the watch. Safe to call twice or
  // when the watch never started.
  void stop();

 signals:
  void FindModification();

 protected:
  void run() override;

 private:
  void closeAll();

  const QString folder_;
  int inotifyFd_ = -1;
  int stopFd_ = -1;
};
