#include "fakeservices.h"

#include "certificate.h"
#include "control.h"
#include "httpsserver.h"
#include "orrisfield.h"
#include "pushover.h"
#include "pushsocket.h"

#include <csignal>

namespace corvane::fake {

namespace {
const QString controlPrefix = QStringLiteral("/_control/");
const QString feedPath = QStringLiteral("/appcast.xml");

QString answerKey(const QString& path, const QString& apiKey)
{
    return path + u'\n' + apiKey;
}

QUrl loopbackUrl(const char* scheme, quint16 port, const QString& path = {})
{
    QUrl url;
    url.setScheme(QString::fromLatin1(scheme));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port);
    url.setPath(path);
    return url;
}
} // namespace

FakeServices::FakeServices(QObject* parent)
    : QObject(parent)
    , pushover_(new Pushover(this))
    // Build 1, version 0.1.0: what a default build is, so it finds itself up to date.
    , feed_(appcast(QStringLiteral("1"), QStringLiteral("0.1.0"),
                    QStringLiteral("https://corvane.app/download/")))
{}

FakeServices::~FakeServices() = default;

bool FakeServices::start(const Options& options)
{
    // A client that hangs up mid-answer (the oversized fault invites it) must not take the
    // server, or the test process it runs in, down with it.
    std::signal(SIGPIPE, SIG_IGN);
    certificate_ = std::make_unique<Certificate>(options.tls);
    if (!certificate_->isValid()) {
        error_ = certificate_->error();
        return false;
    }
    orrisfield_ = std::make_unique<Orrisfield>(options.fixtures);
    if (orrisfield_->knownKeys().isEmpty()) {
        error_ = QStringLiteral("No fixtures found in ") + options.fixtures;
        return false;
    }
    const QSslConfiguration tls = certificate_->serverConfiguration();
    http_ = new HttpsServer(
        tls, [this](const HttpRequest& request) { return handle(request); }, this);
    if (!http_->listen(options.port)) {
        error_ = QStringLiteral("Cannot listen for HTTPS: ") + http_->errorString();
        return false;
    }
    socket_ = new PushSocket(tls, *pushover_, this);
    if (!socket_->listen(options.socketPort)) {
        error_ = QStringLiteral("Cannot listen for WSS: ") + socket_->errorString();
        return false;
    }
    return true;
}

QUrl FakeServices::apiUrl() const
{
    return loopbackUrl("https", http_->port());
}

QUrl FakeServices::pushoverUrl() const
{
    return loopbackUrl("https", http_->port());
}

QUrl FakeServices::socketUrl() const
{
    return loopbackUrl("wss", socket_->port(), QStringLiteral("/push"));
}

QUrl FakeServices::feedUrl() const
{
    return loopbackUrl("https", http_->port(), feedPath);
}

QByteArray FakeServices::appcast(const QString& version, const QString& shortVersion,
                                 const QString& downloadUrl)
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
               "<rss version=\"2.0\" "
               "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
               "<channel><title>Corvane</title>\n"
               "<item><title>Version %2</title>\n"
               "<sparkle:version>%1</sparkle:version>\n"
               "<sparkle:shortVersionString>%2</sparkle:shortVersionString>\n"
               "<enclosure url=\"%3\" length=\"1000\" type=\"application/octet-stream\"/>\n"
               "</item></channel></rss>\n")
        .arg(version.toHtmlEscaped(), shortVersion.toHtmlEscaped(), downloadUrl.toHtmlEscaped())
        .toUtf8();
}

QString FakeServices::caFile() const
{
    return certificate_->pemPath();
}

void FakeServices::trustInProcess() const
{
    Certificate::trustInProcess(caFile());
}

QStringList FakeServices::knownKeys() const
{
    return orrisfield_->knownKeys();
}

bool FakeServices::setReachable(bool reachable)
{
    const bool http = http_->setReachable(reachable);
    return socket_->setReachable(reachable) && http;
}

void FakeServices::setAnswer(const QString& path, const QString& apiKey, int status,
                             const QByteArray& body)
{
    answers_.insert(answerKey(path, apiKey), HttpResponse{status, body});
}

void FakeServices::clearAnswer(const QString& path, const QString& apiKey)
{
    answers_.remove(answerKey(path, apiKey));
}

Fault FakeServices::takeFault(const QString& path)
{
    for (qsizetype i = 0; i < faults_.size(); ++i) {
        if (faults_[i].matches(path))
            return faults_[i].sticky ? faults_[i] : faults_.takeAt(i);
    }
    return {};
}

Reply FakeServices::handle(const HttpRequest& request)
{
    if (request.path.startsWith(controlPrefix))
        return {handleControl(*this, request), {}};

    requests_.append(request);
    Q_EMIT requestReceived(request);
    const Fault fault = takeFault(request.path);
    const QString key = Orrisfield::apiKeyOf(request);
    for (const QString& lookup : {answerKey(request.path, key), answerKey(request.path, {})}) {
        if (const auto found = answers_.constFind(lookup); found != answers_.cend()) {
            HttpResponse answer = *found;
            if (orrisfield_->handles(request.path))
                answer.body = Orrisfield::withDates(answer.body, request);
            return {answer, fault};
        }
    }
    if (request.path == feedPath)
        return {HttpResponse{200, feed_, "application/rss+xml; charset=utf-8"}, fault};
    if (orrisfield_->handles(request.path))
        return {orrisfield_->answer(request), fault};
    if (Pushover::handles(request.path))
        return {pushover_->answer(request), fault};
    return {HttpResponse{404, R"({"error":"not found"})"}, fault};
}

} // namespace corvane::fake
