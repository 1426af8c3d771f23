// Cost of the stored account map: encoding and decoding it, a store load, and one account
// edit (which rewrites and syncs the whole map). Prints one JSON object.

#include "settings/settings.h"
#include "settings/suite.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>

using namespace corvane;

namespace {

AccountMap sampleAccounts(int accounts, int brokersEach)
{
    AccountMap map;
    for (int a = 0; a < accounts; ++a) {
        AccountSettings account = AccountSettings::newAccount();
        account.apiKey = QStringLiteral("key-%1-abcdefghijklmnopqrstuvwxyz0123456789").arg(a);
        account.keyVerified = true;
        for (int b = 0; b < brokersEach; ++b) {
            BrokerSettings broker;
            broker.brokerName = QStringLiteral("Broker %1").arg(b);
            broker.brokerNumber = QString::number(a * 100 + b);
            broker.brokerAccountNumber = QStringLiteral("ACC%1").arg(a * 100 + b);
            broker.nickname = QStringLiteral("Nick %1").arg(b);
            broker.enabled = broker.watch = b % 2 == 0;
            account.brokerSettings.append(broker);
        }
        map.insert(account.accountName, account);
    }
    return map;
}

template <class Body> double microsecondsPerRun(int runs, Body&& body)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        body(i);
    return double(timer.nsecsElapsed()) / 1000.0 / runs;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    Suite suite(dir.filePath(QStringLiteral("CVNSuite.conf")));

    const int accounts = 20;
    const int brokersEach = 6;
    const AccountMap map = sampleAccounts(accounts, brokersEach);
    const QByteArray stored = encodeAccountMap(map);
    const int runs = 500;

    QJsonObject result;
    result[QStringLiteral("accounts")] = accounts;
    result[QStringLiteral("brokersPerAccount")] = brokersEach;
    result[QStringLiteral("storedBytes")] = stored.size();
    result[QStringLiteral("encodeMicroseconds")] =
        microsecondsPerRun(runs, [&](int) { (void)encodeAccountMap(map); });
    result[QStringLiteral("decodeMicroseconds")] =
        microsecondsPerRun(runs, [&](int) { (void)decodeAccountMap(stored, suite).ok(); });

    suite.setData(QStringLiteral("accountSettings"), stored);
    result[QStringLiteral("loadMicroseconds")] =
        microsecondsPerRun(100, [&](int) { CVNSettings settings(suite); });

    CVNSettings settings(suite);
    const QUuid first = map.firstKey();
    result[QStringLiteral("editAndSyncMicroseconds")] = microsecondsPerRun(100, [&](int i) {
        settings.setAccountValue(first, CVNSettings::AccountField::nickName,
                                 QStringLiteral("N%1").arg(i));
    });

    std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}
