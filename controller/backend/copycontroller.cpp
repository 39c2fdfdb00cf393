#include "copycontroller.h"

#include <QtCore/QByteArray>
#include <QtCore/QStringList>
#include <QtNetwork/QHostAddress>
#include <QtNetwork/QUdpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link_packet.h"
#include "link_sender.h"
#include "paths.h"

namespace lp = tessaly::link;

namespace {

std::string_view bytesOf(const QByteArray& utf8) {
  return std::string_view(utf8.constData(), static_cast<size_t>(utf8.size()));
}

// Reads zero-ended UTF-8 texts one after another, never past the end of the datagram.
class TextCursor {
 public:
  TextCursor(const uint8_t* data, size_t size, size_t at) : data_(data), size_(size), at_(at) {}
  // The next text when it is whole (its zero byte received); false at the end or for a text
  // cut off by the end of the datagram.
  bool next(QString* out) {
    if (at_ >= size_) return false;
    const lp::payload_text t = lp::read_text(data_ + at_, size_ - at_);
    if (!t.terminated) {
      at_ = size_;
      return false;
    }
    at_ += t.text.size() + 1;
    *out = QString::fromUtf8(t.text.data(), static_cast<qsizetype>(t.text.size()));
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_;
};

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

int Copycontroller::send(quint8 type, quint8 cmd, const QByteArray& payload) {
  // pkg_len is 16 bits and one datagram carries at most MAX_DATAGRAM bytes.
  if (lp::REQUEST_HEADER_SIZE + static_cast<size_t>(payload.size()) > lp::MAX_DATAGRAM) {
    return 0;
  }
  const std::vector<uint8_t> packet =
      lp::build_request(type, cmd, serviceId_, ownId_, ++sequence_,
                        std::vector<uint8_t>(payload.constBegin(), payload.constEnd()));
  const qint64 written = sendSocket_->writeDatagram(
      reinterpret_cast<const char*>(packet.data()), static_cast<qint64>(packet.size()),
      QHostAddress(QHostAddress::LocalHost), lp::SERVICE_PORT);
  return written == static_cast<qint64>(packet.size()) ? 1 : 0;
}

namespace {

QByteArray textPayload(const QString& text) {
  std::vector<uint8_t> out;
  lp::append_text(out, bytesOf(text.toUtf8()));
  return QByteArray(reinterpret_cast<const char*>(out.data()), static_cast<qsizetype>(out.size()));
}

}  // namespace

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

// uuid and its zero byte, the version (u64), the flag (1: every file back to where it came
// from), then for flag 0 the target folder and its zero byte.
int Copycontroller::SendRestoreStart(const QString& uuid, quint64 version, bool toOriginal,
                                     const QString& path) {
  QByteArray payload = textPayload(uuid);
  uint8_t number[8];
  lp::put_le64(number, version);
  payload.append(reinterpret_cast<const char*>(number), 8);
  payload.append(char(toOriginal ? 1 : 0));
  if (!toOriginal) payload.append(textPayload(path));
  return send(lp::PKG_SET, lp::SET_RESTORE_START, payload);
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
  const auto* data = reinterpret_cast<const uint8_t*>(datagram.constData());
  const size_t size = static_cast<size_t>(datagram.size());
  if (size < lp::REPLY_HEADER_SIZE || data[0] != lp::ANSWER) return;
  if (data[1] != lp::QUERY_VERSION && data[1] != lp::QUERY_SESSION_DETAIL) return;
  if (!fromService(sender, senderPort)) return;
  emit ServiceAnswered();
  if (data[1] == lp::QUERY_VERSION) {
    serviceId_ = lp::get_le64(data + 4);
    return;
  }
  if (data[1] != lp::QUERY_SESSION_DETAIL || lp::get_le64(data + 28) != 0) return;
  // Bytes 36 to 39: format tag, trigger kind, backup kind (not used); the texts follow.
  TextCursor cursor(data, size, lp::REPLY_HEADER_SIZE + 4);
  QString uuid, name, state, next, last;
  if (!cursor.next(&uuid) || !cursor.next(&name) || !cursor.next(&state) || !cursor.next(&next) ||
      !cursor.next(&last)) {
    return;  // cut off before the task's texts were whole
  }
  QString first;
  QStringList rest;
  if (cursor.next(&first)) {
    QString path;
    while (cursor.next(&path) && !path.isEmpty()) rest.append(path);
  }
  emit UpdateSessionStatus(uuid, state, next, last, rest.join(QLatin1Char('\n')), first);
}
