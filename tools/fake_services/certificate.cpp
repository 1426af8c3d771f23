#include "certificate.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>

namespace corvane::fake {

Certificate::Certificate(TlsFault fault)
{
    if (!folder_.isValid()) {
        error_ = QStringLiteral("Cannot make a temporary folder: ") + folder_.errorString();
        return;
    }
    const QString keyPath = folder_.filePath(QStringLiteral("key.pem"));
    const bool wrongHost = fault == TlsFault::WrongHost;
    // An EC key is made in milliseconds; an RSA key would slow every test start.
    const QStringList newKey{QStringLiteral("-newkey"),
                             QStringLiteral("ec"),
                             QStringLiteral("-pkeyopt"),
                             QStringLiteral("ec_paramgen_curve:prime256v1"),
                             QStringLiteral("-nodes"),
                             QStringLiteral("-keyout"),
                             keyPath};
    if (fault == TlsFault::Expired) {
        if (!makeExpired(keyPath))
            return;
    } else if (!run(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + newKey +
                    QStringList{
                        QStringLiteral("-days"), QStringLiteral("30"), QStringLiteral("-subj"),
                        wrongHost ? QStringLiteral("/CN=wrong.invalid")
                                  : QStringLiteral("/CN=127.0.0.1"),
                        QStringLiteral("-addext"),
                        wrongHost ? QStringLiteral("subjectAltName=DNS:wrong.invalid")
                                  : QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"),
                        QStringLiteral("-out"), pemPath()})) {
        return;
    }

    QFile keyFile(keyPath);
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(pemPath(), QSsl::Pem);
    if (!keyFile.open(QIODevice::ReadOnly) || certificates.isEmpty()) {
        error_ = QStringLiteral("Cannot read the certificate made by openssl.");
        return;
    }
    const QSslKey key(&keyFile, QSsl::Ec, QSsl::Pem);
    if (key.isNull()) {
        error_ = QStringLiteral("Cannot read the key made by openssl.");
        return;
    }
    config_ = QSslConfiguration::defaultConfiguration();
    config_.setLocalCertificate(certificates.first());
    config_.setPrivateKey(key);
    config_.setPeerVerifyMode(QSslSocket::VerifyNone);
    // Our parser speaks HTTP/1.1 only; without this a client could try HTTP/2 first.
    config_.setAllowedNextProtocols({QByteArrayLiteral("http/1.1")});
}

bool Certificate::run(const QStringList& arguments)
{
    QProcess openssl;
    openssl.setWorkingDirectory(folder_.path());
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        error_ = QStringLiteral("openssl failed: ") + openssl.errorString() + u' ' +
                 QString::fromLocal8Bit(openssl.readAllStandardError());
        return false;
    }
    return true;
}

// "req -x509" only dates forward from now; "ca" takes any dates, given a throw-away database.
bool Certificate::makeExpired(const QString& keyPath)
{
    QDir(folder_.path()).mkdir(QStringLiteral("ca"));
    QFile index(folder_.filePath(QStringLiteral("ca/index")));
    QFile serial(folder_.filePath(QStringLiteral("ca/serial")));
    QFile config(folder_.filePath(QStringLiteral("ca.cnf")));
    if (!index.open(QIODevice::WriteOnly) || !serial.open(QIODevice::WriteOnly) ||
        !config.open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("Cannot write the files for an expired certificate.");
        return false;
    }
    serial.write("01\n");
    config.write("[ca]\ndefault_ca = expired\n"
                 "[expired]\ndatabase = ca/index\nnew_certs_dir = ca\nserial = ca/serial\n"
                 "default_md = sha256\npolicy = anything\nx509_extensions = extensions\n"
                 "[anything]\ncommonName = supplied\n"
                 "[extensions]\nsubjectAltName = IP:127.0.0.1,DNS:localhost\n"
                 "basicConstraints = critical,CA:true\n");
    index.close();
    serial.close();
    config.close();
    const QString request = folder_.filePath(QStringLiteral("request.pem"));
    return run({QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-newkey"),
                QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-keyout"),
                keyPath, QStringLiteral("-out"), request}) &&
           run({QStringLiteral("ca"), QStringLiteral("-batch"), QStringLiteral("-config"),
                config.fileName(), QStringLiteral("-selfsign"), QStringLiteral("-keyfile"), keyPath,
                QStringLiteral("-in"), request, QStringLiteral("-out"), pemPath(),
                QStringLiteral("-startdate"), QStringLiteral("20200101000000Z"),
                QStringLiteral("-enddate"), QStringLiteral("20200201000000Z")});
}

QString Certificate::pemPath() const
{
    return folder_.filePath(QStringLiteral("cert.pem"));
}

bool Certificate::trustInProcess(const QString& pemPath)
{
    const QList<QSslCertificate> roots = QSslCertificate::fromPath(pemPath, QSsl::Pem);
    if (roots.isEmpty())
        return false;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificates(roots);
    QSslConfiguration::setDefaultConfiguration(config);
    return true;
}

} // namespace corvane::fake
