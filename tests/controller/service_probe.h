// Questions to the real service over its link, asked from the test's own sockets (while no
// window holds the answer port 127.0.0.1:7503). Every question carries a sequence number of
// its own: the service drops a query that repeats the number of the one before from the same
// sender.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QProcess>
#include <QtCore/QProcessEnvironment>
#include <QtCore/QString>
#include <QtNetwork/QHostAddress>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>

#include <memory>
#include <vector>

#include "link_packet.h"

namespace service_probe {

// The result code of the service's answer to query `cmd` (the task's uuid as its text for
// a detail query), -1 without an answer, -2 when the answer port is taken.
inline qint64 ask(quint8 cmd, const QString& uuid = {}, int timeoutMs = 300) {
  namespace lp = tessaly::link;
  static quint64 sequence = 0;
  QUdpSocket answers;
  if (!answers.bind(QHostAddress::LocalHost, lp::CONTROLLER_PORT)) return -2;
  QUdpSocket requests;
  std::vector<uint8_t> payload;
  if (cmd != lp::QUERY_VERSION) lp::append_text(payload, uuid.toStdString());
  const std::vector<uint8_t> query =
      lp::build_request(lp::PKG_QUERY, cmd, 0, 0x51, ++sequence, payload);
  requests.writeDatagram(reinterpret_cast<const char*>(query.data()), qint64(query.size()),
                         QHostAddress::LocalHost, lp::SERVICE_PORT);
  if (!answers.waitForReadyRead(timeoutMs)) return -1;
  const QByteArray datagram = answers.receiveDatagram().data();
  const auto reply = lp::parse_reply(reinterpret_cast<const uint8_t*>(datagram.constData()),
                                     size_t(datagram.size()));
  return reply ? qint64(reply->header.result) : -1;
}

// True once the service answers a version query: it is up and its link is open.
inline bool waitForService(int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < timeoutMs) {
    if (ask(tessaly::link::QUERY_VERSION) >= 0) return true;
  }
  return false;
}

// The real service (TESSALY_DAEMON) started with `arguments` in this process's environment
// without NOTIFY_SOCKET and with `env` on top (an empty value removes a variable), its
// output forwarded to the test's. Null when it does not start.
inline std::unique_ptr<QProcess> startService(const QStringList& arguments = {"-s"},
                                              const QList<QPair<QString, QString>>& env = {}) {
  auto service = std::make_unique<QProcess>();
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("NOTIFY_SOCKET"));
  for (const auto& [name, value] : env) {
    if (value.isEmpty()) {
      environment.remove(name);
    } else {
      environment.insert(name, value);
    }
  }
  service->setProcessEnvironment(environment);
  service->setProcessChannelMode(QProcess::ForwardedChannels);
  service->start(qEnvironmentVariable("TESSALY_DAEMON"), arguments);
  if (!service->waitForStarted(10000)) return nullptr;
  return service;
}

// Ends a service that startService started: TERM, and KILL when it has not ended within 20 s.
inline void stopService(std::unique_ptr<QProcess>& service) {
  if (!service) return;
  service->terminate();
  if (!service->waitForFinished(20000)) service->kill();
  service->waitForFinished(5000);
  service.reset();
}

}  // namespace service_probe
