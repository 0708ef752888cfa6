#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

namespace skyrelle::app {

// One running program per user session. The first start listens on a local socket in the
// user's private runtime folder; a later start asks it to show its window and ends.
class TSingleInstance : public QObject {
  Q_OBJECT

 public:
  // AFolder: a folder only this user can enter; the socket and its lock live there.
  explicit TSingleInstance(const QString& AFolder, QObject* AParent = nullptr);
  ~TSingleInstance() override;

  // True when a running instance took the request to show its window; otherwise this
  // instance now listens for later starts.
  bool HandOverToRunningInstance();

 signals:
  void ShowRequested();

 private:
  void Listen();

  QString FSocketPath;
  QLockFile FLock;
  QLocalServer* FServer = nullptr;
};

// The folder the session's instance socket lives in (the user's runtime folder).
QString InstanceFolder();

}  // namespace skyrelle::app
