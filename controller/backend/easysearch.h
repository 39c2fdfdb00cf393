// NAS discovery: finds the NAS devices on the local links and asks one of them for its shares.
//
// The protocol is UDP to 224.0.0.1:13579 out of every local IPv4 address (at most 8; not
// 127.0.0.1, not IPv6): an 11-byte discovery request carrying a request id, replies of three
// kinds that echo it, then a 28-byte share-list request to one found device and its reply with
// a ":"-separated list of "name*n" tokens. The sockets are the platform layer's
// (discovery_socket.h); the bytes are built and read here, by the functions of nas_discovery,
// which also serve the tests.
//
// Nothing is signalled: the wizard calls SearchDevice or QueryShareFolder and reads the lists
// when the call returns. Each call waits about a second per local address (a search) or up to
// about 2.3 s (a share list) and keeps the window alive meanwhile by processing its events; a
// search or share query asked for from inside that wait (a timer slot, say) is refused.
//
// Every read of a reply is bounded by the bytes that arrived: length fields are clipped to
// them, replies too short for their kind are dropped, and share names that could step out of
// a path ("", ".", "..", "/", "\", control characters) are dropped.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtNetwork/QHostAddress>

#include <memory>
#include <optional>

namespace tessaly {
class DiscoverySocket;
}

// One device found by a search.
struct NasDeviceRecord {
  QString name;             // device name of the reply (at most 255 bytes, up to a NUL)
  QString ip;               // "%d.%d.%d.%d" of reply bytes 17 to 20
  QString textA;            // reply bytes 24 to 39 (at most 15 bytes, up to a NUL)
  QString textB;            // reply bytes 40 to 55 (likewise)
  QString flagText;         // reply byte 21 as one character; empty when it is 0
  QByteArray addressBlock;  // reply bytes 11 to 20 unchanged: 6 bytes MAC, 4 bytes IPv4
  QString model;            // model name; empty when the reply gives none
  int interface = 0;        // index of the local address on which the reply arrived
};

// One shared folder of the device asked.
struct ShareFolderRecord {
  QString name;  // at most 511 bytes in UTF-8
};

// The wire format, as pure functions over bytes.
namespace nas_discovery {

constexpr int REQUEST_ID_SIZE = 10;     // 6 random bytes, then 4 zero bytes
constexpr int DISCOVERY_REQUEST_SIZE = 11;
constexpr int SHARE_REQUEST_SIZE = 28;
constexpr int ADDRESS_BLOCK_SIZE = 10;  // MAC and IPv4 as a device reports them
constexpr int MAX_NAME_BYTES = 255;
constexpr int MAX_SHARE_NAME_BYTES = 511;

// The local addresses a search uses, in the given order: IPv4 only, not 127.0.0.1, at most 8.
QStringList usableAddresses(const QList<QHostAddress>& addresses);

// A new request id: 6 bytes from the system's random generator, then 4 zero bytes.
QByteArray makeRequestId();

// The 11-byte discovery request.
QByteArray discoveryRequest(const QByteArray& requestId);

// The device a discovery reply describes, tagged with `interface`; nothing when the reply is
// dropped (another kind, another id, too short for its kind, or test bytes of no known model).
std::optional<NasDeviceRecord> parseDiscoveryReply(const QByteArray& datagram,
                                                   const QByteArray& requestId, int interface);

// Adds the device of an accepted reply at the end of `devices` unless a device with the same
// ip text is already there (the first reply wins). True when it was added.
bool addDiscoveryReply(QList<NasDeviceRecord>* devices, const QByteArray& datagram,
                       const QByteArray& requestId, int interface);

// The 28-byte share-list request to the device with `addressBlock`.
QByteArray shareListRequest(const QByteArray& requestId, const QByteArray& addressBlock);

enum class ShareReply {
  other,     // not a share-list reply (byte 0 is not 4): does not count as an answer
  mismatch,  // a share-list reply for another request or another device, or too short
  matched,   // the answer; its shares were added
};

// Reads a share-list reply for the device at `targetIp`. On `matched` the usable shares with
// number 0 are appended to `shares` in order, each name once.
ShareReply parseShareListReply(const QByteArray& datagram, const QByteArray& requestId,
                               const QByteArray& targetIp, QList<ShareFolderRecord>* shares);

// True when a share name may stand in a path: not empty, not "." or "..", valid UTF-8 of at
// most 511 bytes, without "/", "\" or control characters.
bool usableShareName(const QByteArray& name);

}  // namespace nas_discovery

class EasySearch : public QObject {
  Q_OBJECT

 public:
  // Draws the request id and opens the sockets on the local addresses.
  explicit EasySearch(QObject* parent = nullptr);
  ~EasySearch() override;

  // Fills the device list anew, from the local addresses as they are now (the sockets are
  // opened again on them). False, with the list unchanged, when a search or share query of
  // this object is still waiting (the call came from inside its wait).
  bool SearchDevice();
  // The first device, null when the list is empty.
  const NasDeviceRecord* GetDeviceListHead() const;
  const QList<NasDeviceRecord>& deviceList() const { return devices_; }

  // The device of the next share-list query: its IPv4 text (a text longer than 15 characters
  // names no device).
  void SetDeviceIp(const char* ip);
  // Fills the share list from the device at the address of SetDeviceIp. 1 when its reply was
  // read, else 0 (no such device, no reply, or refused like a second search, list unchanged).
  int QueryShareFolder();
  // The first share, null when the list is empty.
  const ShareFolderRecord* GetShareFolderListHead() const;
  const QList<ShareFolderRecord>& shareFolderList() const { return shares_; }

  // The local addresses of the last search (or of the construction), in order.
  const QStringList& localAddresses() const { return localAddresses_; }
  // True while a search or share query waits.
  bool isBusy() const { return busy_; }

  // Waits `msec` milliseconds by the clock while the thread's events are processed.
  static void Delay(int msec);

 private:
  // Collects the local addresses and opens the sockets on them.
  void openSockets();

  QStringList localAddresses_;
  QList<NasDeviceRecord> devices_;
  QList<ShareFolderRecord> shares_;
  QByteArray requestId_;
  QByteArray targetAddress_;
  std::unique_ptr<tessaly::DiscoverySocket> sockets_;
  bool busy_ = false;
};
