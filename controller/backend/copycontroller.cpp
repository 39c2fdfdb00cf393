#include "copycontroller.h"

#include <QtCore/QByteArray>
#include <QtCore/QStringList>
#include <QtNetwork/QHostAddress>
#include <QtNetwork/QUdpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link_packet.h"
#include "link_sender.h"
#include "paths.h"

namespace lp = tessaly::link;

namespace {

// A text and its zero byte, as the requests that name a task carry it.
std::vector<uint8_t> textPayload(const QString& text) {
  std::vector<uint8_t> out;
  lp::append_text(out, text.toStdString());
  return out;
}

QString fromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

Copycontroller::Copycontroller(int pid, QObject* parent)
    : QObject(parent), ownId_(static_cast<quint64>(static_cast<qint64>(pid))) {
  sendSocket_ = new QUdpSocket(this);
  receiveSocket_ = new QUdpSocket(this);
  // Not shared: a second controller on this machine must not take half of the answers.
  listening_ = receiveSocket_->bind(QHostAddress(QHostAddress::LocalHost), lp::CONTROLLER_PORT,
                                    QAbstractSocket::DontShareAddress);
  if (!listening_) {
    qWarning(
        "Copycontroller: cannot listen on 127.0.0.1:%u (%s); no answer of the service will "
        "arrive",
        unsigned(lp::CONTROLLER_PORT), qPrintable(receiveSocket_->errorString()));
  }
  connect(receiveSocket_, &QUdpSocket::readyRead, this, &Copycontroller::RevData);
  QueryVersion();
}

Copycontroller::~Copycontroller() {
  sendSocket_->close();
  receiveSocket_->close();
}

bool Copycontroller::isListening() const { return listening_; }

int Copycontroller::send(quint8 type, quint8 cmd, const std::vector<uint8_t>& payload) {
  // pkg_len is 16 bits and one datagram carries at most MAX_DATAGRAM bytes.
  if (lp::REQUEST_HEADER_SIZE + payload.size() > lp::MAX_DATAGRAM) return 0;
  const std::vector<uint8_t> packet =
      lp::build_request(type, cmd, serviceId_, ownId_, ++sequence_, payload);
  const qint64 written = sendSocket_->writeDatagram(
      reinterpret_cast<const char*>(packet.data()), static_cast<qint64>(packet.size()),
      QHostAddress(QHostAddress::LocalHost), lp::SERVICE_PORT);
  return written == static_cast<qint64>(packet.size()) ? 1 : 0;
}

int Copycontroller::QueryVersion() { return send(lp::PKG_QUERY, lp::QUERY_VERSION, {}); }

int Copycontroller::QuerySessionDetail(const QString& uuid) {
  return send(lp::PKG_QUERY, lp::QUERY_SESSION_DETAIL, textPayload(uuid));
}

int Copycontroller::SendReload() { return send(lp::PKG_SET, lp::SET_CONFIG_UPDATE, {}); }

int Copycontroller::SendBackupStart(const QString& uuid) {
  return send(lp::PKG_SET, lp::SET_BACKUP_START, textPayload(uuid));
}

int Copycontroller::SendBackupStop(const QString& uuid) {
  return send(lp::PKG_SET, lp::SET_BACKUP_STOP, textPayload(uuid));
}

// The flag 1 puts every file back where it came from; 0 restores into `path`.
int Copycontroller::SendRestoreStart(const QString& uuid, quint64 version, bool toOriginal,
                                     const QString& path) {
  lp::restore_request restore;
  restore.uuid = uuid.toStdString();
  restore.version = version;
  restore.flag = toOriginal ? 1 : 0;
  if (!toOriginal) restore.target = path.toStdString();
  return send(lp::PKG_SET, lp::SET_RESTORE_START, lp::encode_restore(restore));
}

int Copycontroller::SendLogClear() { return send(lp::PKG_SET, lp::SET_LOG_CLEAR, {}); }

void Copycontroller::RevData() {
  while (receiveSocket_->hasPendingDatagrams()) {
    QByteArray datagram(qMax<qint64>(receiveSocket_->pendingDatagramSize(), 0), '\0');
    QHostAddress sender;
    quint16 senderPort = 0;
    const qint64 n =
        receiveSocket_->readDatagram(datagram.data(), datagram.size(), &sender, &senderPort);
    if (n < 0) break;  // a read error; what is left comes with the next readyRead
    if (n < 1) continue;
    datagram.truncate(n);
    handleDatagram(datagram, sender, senderPort);
  }
}

// The link's bytes carry no proof of their sender, and any local user may send to the
// answer port. An answer is taken only from a socket on 127.0.0.1 that the kernel's socket
// tables name as root's or as a user's who may configure the service (the rule the service
// applies to its requests, link_sender.h); every socket that could have sent it must pass.
bool Copycontroller::fromService(const QHostAddress& sender, quint16 port) const {
  bool isIPv4 = false;
  const quint32 address = sender.toIPv4Address(&isIPv4);
  if (!isIPv4 || address != QHostAddress(QHostAddress::LocalHost).toIPv4Address()) return false;
  sockaddr_in from{};
  from.sin_family = AF_INET;
  from.sin_addr.s_addr = htonl(address);
  from.sin_port = htons(port);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(lp::CONTROLLER_PORT);
  std::vector<uid_t> owners;
  if (!tessaly::udp_socket_owners(from, to, &owners) || owners.empty()) return false;
  const std::string folder = tessaly::data_folder_path();
  return std::all_of(owners.begin(), owners.end(),
                     [&folder](uid_t uid) { return tessaly::may_configure(uid, folder); });
}

// ACKs and every answer but the version and the detail answers are dropped, as is any
// datagram shorter than the reply header or not sent by the service. Only the bytes
// received are ever read.
void Copycontroller::handleDatagram(const QByteArray& datagram, const QHostAddress& sender,
                                    quint16 senderPort) {
  const std::optional<lp::reply> reply =
      lp::parse_reply(reinterpret_cast<const uint8_t*>(datagram.constData()),
                      static_cast<size_t>(datagram.size()));
  if (!reply || reply->header.pkg_type != lp::ANSWER) return;
  const quint8 cmd = reply->header.cmd_type;
  if (cmd != lp::QUERY_VERSION && cmd != lp::QUERY_SESSION_DETAIL) return;
  if (!fromService(sender, senderPort)) return;
  emit ServiceAnswered();
  if (cmd == lp::QUERY_VERSION) {
    serviceId_ = reply->header.daemon_pid;
    return;
  }
  if (reply->header.result != 0) return;
  // Null when cut off before the task's texts were whole.
  const std::optional<lp::detail_answer> detail =
      lp::decode_detail(reply->payload, reply->payload_size);
  if (!detail) return;
  // The first path, then the others up to the first empty one.
  QString first;
  QStringList rest;
  if (!detail->paths.empty()) first = fromUtf8(detail->paths.front());
  for (size_t i = 1; i < detail->paths.size() && !detail->paths[i].empty(); ++i) {
    rest.append(fromUtf8(detail->paths[i]));
  }
  emit UpdateSessionStatus(fromUtf8(detail->uuid), fromUtf8(detail->state),
                           fromUtf8(detail->next_time), fromUtf8(detail->last_time),
                           rest.join(QLatin1Char('\n')), first);
}
