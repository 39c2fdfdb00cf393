// A NAS that takes every connection and then never says a word: a TCP server on a loopback
// address that accepts (while the test's events are processed) and never reads or answers.
// It listens on the private Samba server's port (TESSALY_SMB_PORT), so a share \\address\...
// on its address reaches it. Each connection stays open until the server goes.
#pragma once

#include <QtCore/QList>
#include <QtNetwork/QHostAddress>
#include <QtNetwork/QTcpServer>
#include <QtNetwork/QTcpSocket>

class SilentServer {
 public:
  bool listen(const QString& address, quint16 port) {
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* taken = server_.nextPendingConnection()) held_ << taken;
    });
    return server_.listen(QHostAddress(address), port);
  }
  // The connections taken so far, and those of them that their client has not closed.
  int taken() const { return int(held_.size()); }
  int open() const {
    int n = 0;
    for (const QTcpSocket* socket : held_) n += socket->state() == QAbstractSocket::ConnectedState;
    return n;
  }

 private:
  QTcpServer server_;  // parent of the sockets it has taken
  QList<QTcpSocket*> held_;
};
