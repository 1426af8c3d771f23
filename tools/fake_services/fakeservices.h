#pragma once

#include "fault.h"
#include "httpmessage.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QUrl>
#include <memory>

namespace corvane::fake {

class Certificate;
class HttpsServer;
class Orrisfield;
class Pushover;
class PushSocket;
struct Reply;

// The local stand-ins for Orrisfield and Pushover, for tests (in process) and for the
// corvane-fake-services program. One HTTPS port serves both APIs (their paths do not meet)
// and the control routes under "/_control/"; a second port serves the push socket (WSS).
//
// In a test:
//     FakeServices fake;
//     QVERIFY2(fake.start(), qPrintable(fake.errorString()));
//     fake.trustInProcess();      // or CORVANE_EXTRA_CA_FILE=fake.caFile() for a child process
//     qputenv("CORVANE_PLATFORM_API_URL", fake.apiUrl().toEncoded());
class FakeServices final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeServices)

public:
    struct Options {
        quint16 port = 0;       // 0: any free port
        quint16 socketPort = 0; // 0: any free port
        QString fixtures;       // empty: the fixtures built into the program
        TlsFault tls = TlsFault::None;
    };

    explicit FakeServices(QObject* parent = nullptr);
    ~FakeServices() override;

    bool start(const Options& options);
    bool start() { return start(Options{}); }
    QString errorString() const { return error_; }

    QUrl apiUrl() const;      // Orrisfield base URL
    QUrl pushoverUrl() const; // Pushover API base URL
    QUrl socketUrl() const;   // the whole push socket URL, ".../push"
    QUrl feedUrl() const;     // the app's update feed, ".../appcast.xml"
    QString caFile() const;   // PEM of the self-signed certificate
    void trustInProcess() const;
    QStringList knownKeys() const;

    // A fixed answer for a path; apiKey empty: whatever the key. A key-specific answer wins.
    void setAnswer(const QString& path, const QString& apiKey, int status, const QByteArray& body);
    void clearAnswer(const QString& path, const QString& apiKey = {});
    void clearAnswers() { answers_.clear(); }

    // The update feed's body (an appcast). Until set, it lists one item, build 1 (0.1.0).
    void setFeed(const QByteArray& body) { feed_ = body; }
    static QByteArray appcast(const QString& version, const QString& shortVersion,
                              const QString& downloadUrl);

    // The first matching fault is used; a one-shot fault is gone once used.
    void injectFault(const Fault& fault) { faults_.append(fault); }
    void clearFaults() { faults_.clear(); }

    // Every request to the two APIs, in order of arrival (control requests are not kept).
    QList<HttpRequest> requests() const { return requests_; }
    void clearRequests() { requests_.clear(); }

    // A network outage as the client sees it: both ports refuse connections and the open ones
    // are cut, so nothing sent meanwhile arrives or is recorded. Back, both listen on their
    // old ports again; false when one of them cannot be had back. In process only: the
    // control routes are on a port that is gone meanwhile.
    bool setReachable(bool reachable);

    Pushover& pushover() { return *pushover_; }
    PushSocket& socket() { return *socket_; }

Q_SIGNALS:
    void requestReceived(const corvane::fake::HttpRequest& request);

private:
    Reply handle(const HttpRequest& request);
    Fault takeFault(const QString& path);

    std::unique_ptr<Certificate> certificate_;
    std::unique_ptr<Orrisfield> orrisfield_;
    Pushover* pushover_ = nullptr;
    PushSocket* socket_ = nullptr;
    HttpsServer* http_ = nullptr;
    QString error_;
    QHash<QString, HttpResponse> answers_; // path + '\n' + key
    QList<Fault> faults_;
    QList<HttpRequest> requests_;
    QByteArray feed_;
};

} // namespace corvane::fake
