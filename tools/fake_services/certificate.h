#pragma once

#include "fault.h"

#include <QSslConfiguration>
#include <QString>
#include <QTemporaryDir>

namespace corvane::fake {

// A throw-away self-signed certificate for 127.0.0.1 and localhost, made with the openssl
// command into a private temporary folder that lives as long as this object.
class Certificate {
public:
    // Runs openssl; on failure, error() says why and isValid() is false.
    explicit Certificate(TlsFault fault = TlsFault::None);

    bool isValid() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    QString pemPath() const; // the certificate alone, for clients to trust
    QSslConfiguration serverConfiguration() const { return config_; }

    // Makes every later connection of this process trust the certificate at pemPath (added to
    // QSslConfiguration::defaultConfiguration()). A separate program is told the same through
    // CORVANE_EXTRA_CA_FILE instead.
    static bool trustInProcess(const QString& pemPath);

private:
    bool run(const QStringList& arguments);
    bool makeExpired(const QString& keyPath);

    QTemporaryDir folder_;
    QSslConfiguration config_;
    QString error_;
};

} // namespace corvane::fake
