// NAS discovery: the request and reply bytes, the search and the share-list query with their
// timings, and the event-processing wait. See easysearch.h for the protocol in brief.
#include "easysearch.h"

#include <arpa/inet.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QRandomGenerator>
#include <QtCore/QStringDecoder>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtNetwork/QNetworkInterface>

#include <algorithm>
#include <cstring>
#include <vector>

#include "discovery_socket.h"

namespace {

// Search: after the request, a pause, then 32 rounds of a short wait for one reply, with a
// pause between rounds: close to 990 ms per local address.
constexpr int SEARCH_SETTLE_MS = 50;
constexpr int SEARCH_ROUNDS = 32;
constexpr int SEARCH_PAUSE_MS = 20;
// Share list: 11 short reads drop what is left of earlier traffic, then up to 21 rounds with
// a pause after each round that brought no answer.
constexpr int SHARE_DRAIN_ROUNDS = 11;
constexpr int SHARE_ROUNDS = 21;
constexpr int SHARE_PAUSE_MS = 100;
constexpr int ROUND_WAIT_MS = 10;
// Datagrams that do not count a round (failed reads, traffic that is not a share-list
// reply) start counting after this many, so that a flood cannot hold a call for ever.
constexpr int MAX_UNCOUNTED = 64;
// Datagrams waiting from before a search are read and dropped, at most this many.
constexpr int MAX_STALE = 256;

// Reply layouts by kind: where the test bytes, the model and the name length lie, and the
// length of the fixed part (up to and including the name length) that a reply must hold.
constexpr int KIND_NAME = 2;
constexpr int KIND_TESTED = 7;
constexpr int KIND_MODEL = 8;
constexpr int SHARE_REQUEST = 3;
constexpr int SHARE_REPLY = 4;
constexpr int DISCOVERY_REQUEST = 1;
constexpr int ID_RANDOM_BYTES = 6;
constexpr int TEST_BYTES_AT = 56;
constexpr int MODEL_AT = 68;
constexpr int MODEL_BYTES = 32;
constexpr int SHARE_TEXT_AT = 28;

quint8 byteAt(const QByteArray& bytes, qsizetype i) { return static_cast<quint8>(bytes.at(i)); }

quint32 le32At(const QByteArray& bytes, qsizetype i) {
  return quint32(byteAt(bytes, i)) | (quint32(byteAt(bytes, i + 1)) << 8) |
         (quint32(byteAt(bytes, i + 2)) << 16) | (quint32(byteAt(bytes, i + 3)) << 24);
}

// The bytes from `offset` up to the first NUL, at most `max` of them, never past the end.
QByteArray textAt(const QByteArray& bytes, qsizetype offset, qsizetype max) {
  if (offset >= bytes.size() || max <= 0) return {};
  const QByteArray field = bytes.mid(offset, std::min(max, bytes.size() - offset));
  const qsizetype nul = field.indexOf('\0');
  return nul < 0 ? field : field.left(nul);
}

QString ipTextAt(const QByteArray& bytes, qsizetype offset) {
  return QStringLiteral("%1.%2.%3.%4")
      .arg(byteAt(bytes, offset))
      .arg(byteAt(bytes, offset + 1))
      .arg(byteAt(bytes, offset + 2))
      .arg(byteAt(bytes, offset + 3));
}

bool echoesId(const QByteArray& datagram, const QByteArray& requestId) {
  return requestId.size() >= ID_RANDOM_BYTES && datagram.size() >= 1 + ID_RANDOM_BYTES &&
         datagram.mid(1, ID_RANDOM_BYTES) == requestId.left(ID_RANDOM_BYTES);
}

// The number after "*" in a share token counts only as a decimal number; 0 keeps the share.
bool isZeroNumber(const QByteArray& text) {
  return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c == '0'; });
}

QByteArray bytesOf(const tessaly::DiscoveryDatagram& datagram) {
  return QByteArray(reinterpret_cast<const char*>(datagram.bytes.data()),
                    static_cast<qsizetype>(datagram.bytes.size()));
}

// Marks the object busy for the life of one search or share query.
class BusyMark {
 public:
  explicit BusyMark(bool* flag) : flag_(flag) { *flag_ = true; }
  ~BusyMark() { *flag_ = false; }
  BusyMark(const BusyMark&) = delete;
  BusyMark& operator=(const BusyMark&) = delete;

 private:
  bool* flag_;
};

}  // namespace

namespace nas_discovery {

QStringList usableAddresses(const QList<QHostAddress>& addresses) {
  QStringList out;
  for (const QHostAddress& address : addresses) {
    const QString text = address.toString();
    if (text.isEmpty() || text == QLatin1String("127.0.0.1") || text.contains(QLatin1Char(':')))
      continue;
    out.append(text);
    if (out.size() == static_cast<qsizetype>(tessaly::DISCOVERY_MAX_ADDRESSES)) break;
  }
  return out;
}

QByteArray makeRequestId() {
  QByteArray id(REQUEST_ID_SIZE, '\0');
  QRandomGenerator* random = QRandomGenerator::system();
  for (int i = 0; i < ID_RANDOM_BYTES; ++i) id[i] = static_cast<char>(random->generate() & 0xFF);
  return id;
}

QByteArray discoveryRequest(const QByteArray& requestId) {
  QByteArray request(DISCOVERY_REQUEST_SIZE, '\0');
  request[0] = static_cast<char>(DISCOVERY_REQUEST);
  request.replace(1, ID_RANDOM_BYTES,
                  requestId.left(ID_RANDOM_BYTES).leftJustified(ID_RANDOM_BYTES, '\0'));
  return request;
}

std::optional<NasDeviceRecord> parseDiscoveryReply(const QByteArray& datagram,
                                                   const QByteArray& requestId, int interface) {
  if (datagram.isEmpty()) return std::nullopt;
  const int kind = byteAt(datagram, 0);
  int lengthAt = 0;
  if (kind == KIND_NAME) {
    lengthAt = 56;
  } else if (kind == KIND_TESTED) {
    lengthAt = 68;
  } else if (kind == KIND_MODEL) {
    lengthAt = 100;
  } else {
    return std::nullopt;
  }
  if (!echoesId(datagram, requestId)) return std::nullopt;
  const qsizetype nameAt = lengthAt + 4;
  if (datagram.size() < nameAt) return std::nullopt;  // too short for its own kind

  NasDeviceRecord device;
  if (kind == KIND_TESTED) {
    const int t1 = byteAt(datagram, TEST_BYTES_AT), t2 = byteAt(datagram, TEST_BYTES_AT + 1),
              t3 = byteAt(datagram, TEST_BYTES_AT + 2);
    if (t1 == 3 && t2 == 3) {
      // no model
    } else if (t1 == 0 && t2 == 8 && t3 == 4) {
      device.model = QStringLiteral("KMR-2200-05");
    } else if (t1 == 0 && t2 == 8 && t3 == 8) {
      device.model = QStringLiteral("KMR-2100-04");
    } else {
      return std::nullopt;
    }
  } else if (kind == KIND_MODEL) {
    if (byteAt(datagram, TEST_BYTES_AT) != 3 || byteAt(datagram, TEST_BYTES_AT + 1) != 3)
      return std::nullopt;
    device.model = QString::fromUtf8(textAt(datagram, MODEL_AT, MODEL_BYTES));
  }

  // The name length is the sender's word; the name never reaches past the datagram.
  const quint64 length = le32At(datagram, lengthAt);
  const qsizetype nameBytes = static_cast<qsizetype>(
      std::min<quint64>({length, quint64(datagram.size() - nameAt), quint64(MAX_NAME_BYTES)}));
  device.name = QString::fromUtf8(textAt(datagram, nameAt, nameBytes));
  device.ip = ipTextAt(datagram, 17);
  device.textA = QString::fromUtf8(textAt(datagram, 24, 15));
  device.textB = QString::fromUtf8(textAt(datagram, 40, 15));
  if (byteAt(datagram, 21) != 0) device.flagText = QString(QChar(byteAt(datagram, 21)));
  device.addressBlock = datagram.mid(11, ADDRESS_BLOCK_SIZE);
  device.interface = interface;
  return device;
}

bool addDiscoveryReply(QList<NasDeviceRecord>* devices, const QByteArray& datagram,
                       const QByteArray& requestId, int interface) {
  std::optional<NasDeviceRecord> device = parseDiscoveryReply(datagram, requestId, interface);
  if (!device) return false;
  for (const NasDeviceRecord& known : *devices) {
    if (known.ip == device->ip) return false;
  }
  devices->append(std::move(*device));
  return true;
}

QByteArray shareListRequest(const QByteArray& requestId, const QByteArray& addressBlock) {
  QByteArray request(SHARE_REQUEST_SIZE, '\0');
  request[0] = static_cast<char>(SHARE_REQUEST);
  request.replace(1, REQUEST_ID_SIZE,
                  requestId.left(REQUEST_ID_SIZE).leftJustified(REQUEST_ID_SIZE, '\0'));
  request.replace(11, ADDRESS_BLOCK_SIZE,
                  addressBlock.left(ADDRESS_BLOCK_SIZE).leftJustified(ADDRESS_BLOCK_SIZE, '\0'));
  request[21] = 3;
  return request;
}

bool usableShareName(const QByteArray& name) {
  if (name.isEmpty() || name.size() > MAX_SHARE_NAME_BYTES || name == "." || name == "..")
    return false;
  if (name.contains('/') || name.contains('\\')) return false;
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = decoder(name);
  if (decoder.hasError()) return false;
  return std::none_of(text.begin(), text.end(),
                      [](QChar c) { return c.category() == QChar::Other_Control; });
}

ShareReply parseShareListReply(const QByteArray& datagram, const QByteArray& requestId,
                               const QByteArray& targetIp, QList<ShareFolderRecord>* shares) {
  if (datagram.isEmpty() || byteAt(datagram, 0) != SHARE_REPLY) return ShareReply::other;
  if (datagram.size() < SHARE_TEXT_AT || !echoesId(datagram, requestId))
    return ShareReply::mismatch;
  if (ipTextAt(datagram, 17) != QString::fromLatin1(targetIp)) return ShareReply::mismatch;

  // The text runs to its NUL or, without one, to the end of the datagram.
  const QByteArray text = textAt(datagram, SHARE_TEXT_AT, datagram.size());
  for (const QByteArray& token : text.split(':')) {
    QByteArray name = token;
    const qsizetype star = token.indexOf('*');
    if (star >= 0) {
      if (!isZeroNumber(token.mid(star + 1))) continue;
      name = token.left(star);
    }
    if (!usableShareName(name)) continue;
    const QString share = QString::fromUtf8(name);
    const bool known = std::any_of(shares->begin(), shares->end(),
                                   [&](const ShareFolderRecord& r) { return r.name == share; });
    if (!known) shares->append(ShareFolderRecord{share});
  }
  return ShareReply::matched;
}

}  // namespace nas_discovery

EasySearch::EasySearch(QObject* parent)
    : QObject(parent), requestId_(nas_discovery::makeRequestId()) {
  openSockets();
}

EasySearch::~EasySearch() = default;

void EasySearch::openSockets() {
  localAddresses_ = nas_discovery::usableAddresses(QNetworkInterface::allAddresses());
  std::vector<in_addr> locals;
  for (const QString& text : localAddresses_) {
    in_addr address{};
    if (inet_pton(AF_INET, text.toLatin1().constData(), &address) == 1) locals.push_back(address);
  }
  // The old receive socket holds the port: it goes first.
  sockets_.reset();
  sockets_ = std::make_unique<tessaly::DiscoverySocket>(locals);
}

bool EasySearch::SearchDevice() {
  if (busy_) return false;
  BusyMark mark(&busy_);
  devices_.clear();
  // The links may have changed since the last search (a network that came up later, an
  // address that went): every search sends from the addresses the computer has now.
  openSockets();

  // Replies and requests that waited since the last call belong to no search of this one.
  tessaly::DiscoveryDatagram datagram;
  for (int i = 0; i < MAX_STALE; ++i) {
    if (sockets_->receive(0, &datagram) == tessaly::DiscoveryReceive::timeout) break;
  }

  const QByteArray request = nas_discovery::discoveryRequest(requestId_);
  for (size_t i = 0; i < sockets_->size(); ++i) {
    sockets_->send(i, request.constData(), static_cast<size_t>(request.size()));
    Delay(SEARCH_SETTLE_MS);
    int counted = 0, uncounted = 0;
    while (counted < SEARCH_ROUNDS) {
      const tessaly::DiscoveryReceive got = sockets_->receive(ROUND_WAIT_MS, &datagram);
      if (got == tessaly::DiscoveryReceive::failed && ++uncounted <= MAX_UNCOUNTED) continue;
      if (got == tessaly::DiscoveryReceive::datagram) {
        // Tagged with the address it really arrived on; the one searched when unknown.
        const int arrival =
            datagram.local_index >= 0 ? datagram.local_index : static_cast<int>(i);
        nas_discovery::addDiscoveryReply(&devices_, bytesOf(datagram), requestId_, arrival);
      }
      if (++counted < SEARCH_ROUNDS) Delay(SEARCH_PAUSE_MS);
    }
  }
  return true;
}

const NasDeviceRecord* EasySearch::GetDeviceListHead() const {
  return devices_.isEmpty() ? nullptr : &devices_.front();
}

void EasySearch::SetDeviceIp(const char* ip) {
  targetAddress_.clear();
  if (ip) targetAddress_ = QByteArray(ip, static_cast<qsizetype>(strnlen(ip, 16)));
}

int EasySearch::QueryShareFolder() {
  if (busy_) return 0;
  BusyMark mark(&busy_);

  const NasDeviceRecord* device = nullptr;
  if (targetAddress_.size() <= 15) {
    const QString target = QString::fromLatin1(targetAddress_);
    for (const NasDeviceRecord& known : devices_) {
      if (known.ip == target) {
        device = &known;
        break;
      }
    }
  }
  shares_.clear();
  if (!device) return 0;
  const size_t interface = static_cast<size_t>(std::max(device->interface, 0));
  const QByteArray request = nas_discovery::shareListRequest(requestId_, device->addressBlock);

  tessaly::DiscoveryDatagram datagram;
  for (int i = 0; i < SHARE_DRAIN_ROUNDS; ++i) sockets_->receive(ROUND_WAIT_MS, &datagram);

  sockets_->send(interface, request.constData(), static_cast<size_t>(request.size()));
  int counted = 0, uncounted = 0;
  while (counted < SHARE_ROUNDS) {
    const tessaly::DiscoveryReceive got = sockets_->receive(ROUND_WAIT_MS, &datagram);
    nas_discovery::ShareReply reply = nas_discovery::ShareReply::mismatch;
    if (got == tessaly::DiscoveryReceive::datagram) {
      QList<ShareFolderRecord> found;
      reply = nas_discovery::parseShareListReply(bytesOf(datagram), requestId_, targetAddress_,
                                                 &found);
      if (reply == nas_discovery::ShareReply::matched) {
        shares_ = std::move(found);
        return 1;
      }
    }
    const bool counts = got == tessaly::DiscoveryReceive::timeout ||
                        (got == tessaly::DiscoveryReceive::datagram &&
                         reply == nas_discovery::ShareReply::mismatch);
    if (!counts && ++uncounted <= MAX_UNCOUNTED) continue;
    if (++counted < SHARE_ROUNDS) Delay(SHARE_PAUSE_MS);
  }
  return 0;
}

const ShareFolderRecord* EasySearch::GetShareFolderListHead() const {
  return shares_.isEmpty() ? nullptr : &shares_.front();
}

void EasySearch::Delay(int msec) {
  QElapsedTimer clock;
  clock.start();
  if (!QCoreApplication::instance()) {
    if (msec > 0) QThread::msleep(static_cast<unsigned long>(msec));
    return;
  }
  // The timer wakes the wait at least every 100 ms; in between, every event of the thread
  // (a repaint, a click, another timer) is handled as it comes, without spinning.
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  for (qint64 left = msec; left > 0; left = msec - clock.elapsed()) {
    wake.start(static_cast<int>(std::min<qint64>(left, 100)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
}
