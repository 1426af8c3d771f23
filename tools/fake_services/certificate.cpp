#include "certificate.h"

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>

namespace corvane::fake {

Certificate::Certificate()
{
    if (!folder_.isValid()) {
        error_ = QStringLiteral("Cannot make a temporary folder: ") + folder_.errorString();
        return;
    }
    const QString keyPath = folder_.filePath(QStringLiteral("key.pem"));
    // An EC key is made in milliseconds; an RSA key would slow every test start.
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("30"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"),
                   QStringLiteral("-keyout"), keyPath, QStringLiteral("-out"), pemPath()});
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        error_ = QStringLiteral("openssl failed: ") + openssl.errorString() + u' ' +
                 QString::fromLocal8Bit(openssl.readAllStandardError());
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
