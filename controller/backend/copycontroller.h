// The controller's end of the loopback link to the service.
//
// Every request is one datagram from an unbound socket to 127.0.0.1:7502, built with the
// link codec that the service also uses (platform/link_packet.h); nothing waits for a reply.
// Answers arrive on 127.0.0.1:7503: the version answer gives the service's id for later
// requests, and each task-detail answer becomes one UpdateSessionStatus signal; every answer
// of the service also gives ServiceAnswered, which tells the window that the service runs.
// Any local user may send to that port, so an answer counts only when the socket that sent
// it belongs to root or to a user who may configure the service. Every read is bounded by
// the bytes received; a request that does not fit one datagram is not sent.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QtGlobal>

#include <cstdint>
#include <vector>

class QHostAddress;
class QUdpSocket;

class Copycontroller : public QObject {
  Q_OBJECT

 public:
  // `pid`: the controller's id in every request (the low 32 bits of its process id).
  explicit Copycontroller(int pid, QObject* parent = nullptr);
  ~Copycontroller() override;

  // Each returns 1 when the datagram was handed to the socket whole, 0 when it was not
  // (too long for one datagram, or the socket refused it).
  int QueryVersion();
  int QuerySessionDetail(const QString& uuid);
  int SendReload();
  int SendBackupStart(const QString& uuid);
  int SendBackupStop(const QString& uuid);
  int SendRestoreStart(const QString& uuid, quint64 version, bool toOriginal, const QString& path);
  int SendLogClear();

  // False when the answer port 7503 could not be bound (another controller on this machine
  // holds it): requests still go out, but no answer can arrive.
  bool isListening() const;

 signals:
  // uuid, state text, next run time, last run time, the paths after the first joined with
  // "\n", the first path.
  void UpdateSessionStatus(QString, QString, QString, QString, QString, QString);
  // An answer of the service arrived (to any query).
  void ServiceAnswered();

 public slots:
  void RevData();

 private:
  int send(quint8 type, quint8 cmd, const std::vector<uint8_t>& payload);
  void handleDatagram(const QByteArray& datagram, const QHostAddress& sender, quint16 senderPort);
  // True when the datagram came from a socket of root or of a user who may configure the
  // service.
  bool fromService(const QHostAddress& sender, quint16 port) const;

  QUdpSocket* sendSocket_ = nullptr;
  QUdpSocket* receiveSocket_ = nullptr;
  quint64 ownId_ = 0;
  quint64 serviceId_ = 0;
  quint64 sequence_ = 0;
  bool listening_ = false;

  friend class CopycontrollerTest;
};
