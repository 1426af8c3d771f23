#include "app/updatechecker.h"
#include "fakeservices.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using Kind = UpdateResult::Kind;

namespace {

const QString current = QStringLiteral("1.4.2");
// moc reads "//" inside a raw string literal as a comment and loses the test class, so the
// feeds below are plain literals and the namespace, with its URL, is spelled once here.
const QByteArray sparkle = "xmlns:sparkle='http:"
                           "//www.andymatuschak.org/xml-namespaces/sparkle'";

QByteArray feedOf(const QString& version, const QString& url = QStringLiteral("https://x.io/dl"))
{
    return fake::FakeServices::appcast(version, QStringLiteral("v") + version, url);
}

// The checker against the fake feed, with the answer of each check at hand.
struct FeedRig {
    FeedRig()
    {
        QVERIFY2(fake.start(), qPrintable(fake.errorString()));
        fake.trustInProcess();
    }

    UpdateResult checkOnce(UpdateChecker& checker)
    {
        QSignalSpy spy(&checker, &UpdateChecker::checked);
        checker.checkForUpdates();
        if (!spy.wait(20'000))
            return {Kind::unreadable, {}, {}, QStringLiteral("no answer")};
        return spy.first().first().value<UpdateResult>();
    }

    fake::FakeServices fake;
    QNetworkAccessManager network;
};

} // namespace

class UpdateCheckerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionsCompareAsNumbers()
    {
        QCOMPARE(compareVersions(QStringLiteral("1.10"), QStringLiteral("1.9")), 1);
        QCOMPARE(compareVersions(QStringLiteral("1.2"), QStringLiteral("1.2.0")), 0);
        QCOMPARE(compareVersions(QStringLiteral("0.9.9"), QStringLiteral("1")), -1);
        QCOMPARE(compareVersions(QStringLiteral("2.0-beta"), QStringLiteral("2.0")), -1);
        QCOMPARE(compareVersions(QStringLiteral("2.0-rc1"), QStringLiteral("2.0-beta")), 1);
        QCOMPARE(compareVersions(QStringLiteral("99999999999999999999.1"), QStringLiteral("1")), 1);
    }

    void appcastItemsAreReadWhereverTheVersionSits()
    {
        // The older form: versions on the enclosure, several items in any order.
        const QByteArray feed =
            "<?xml version='1.0'?>\n<rss version='2.0' " + sparkle +
            ">\n<channel><title>c</title>\n"
            "<item><enclosure url='https://x.io/1.9' sparkle:version='1.9'/></item>\n"
            "<item><enclosure url='https://x.io/1.10' sparkle:version='1.10'\n"
            "      sparkle:shortVersionString='One ten'/></item>\n"
            "<item><title>no version</title></item>\n</channel></rss>";
        const UpdateResult newest = evaluateAppcast(feed, current);
        QCOMPARE(newest.kind, Kind::newer);
        QCOMPARE(newest.version, QStringLiteral("One ten"));
        QCOMPARE(newest.downloadPage, QUrl(QStringLiteral("https://x.io/1.10")));

        const QByteArray notesOnly =
            "<rss " + sparkle +
            "><channel><item><sparkle:version>2.0</sparkle:version>"
            "<sparkle:releaseNotesLink> https://x.io/notes </sparkle:releaseNotesLink>"
            "</item></channel></rss>";
        QCOMPARE(evaluateAppcast(notesOnly, current).downloadPage,
                 QUrl(QStringLiteral("https://x.io/notes")));
    }

    void badFeedsAreUnreadableNotNews()
    {
        const QByteArray cases[] = {
            "",
            "<html><body>Not found</body></html>",
            "<rss><channel><item><sparkle:version>2</sparkle:version>",
            "<rss><channel><item><version>9.9</version></item></channel></rss>",
            // A newer version must not send the user's browser to a local file.
            feedOf(QStringLiteral("9.0"), QStringLiteral("file:///etc/passwd")),
            feedOf(QStringLiteral("9.0"), QStringLiteral("javascript:alert(1)")),
        };
        for (const QByteArray& feed : cases) {
            const UpdateResult result = evaluateAppcast(feed, current);
            QVERIFY2(result.kind == Kind::unreadable, feed.constData());
            QVERIFY(!result.problem.isEmpty());
        }
    }

    void fakeFeedAnswers()
    {
        FeedRig rig;
        UpdateChecker checker(rig.network, rig.fake.feedUrl(), current);
        test::LogCapture log;

        rig.fake.setFeed(feedOf(QStringLiteral("1.5")));
        const UpdateResult newer = rig.checkOnce(checker);
        QCOMPARE(newer.kind, Kind::newer);
        QCOMPARE(newer.version, QStringLiteral("v1.5"));
        QCOMPARE(newer.downloadPage, QUrl(QStringLiteral("https://x.io/dl")));
        QVERIFY(log.contains(QStringLiteral("Corvane v1.5 is available.")));

        rig.fake.setFeed(feedOf(current));
        QCOMPARE(rig.checkOnce(checker).kind, Kind::upToDate);
        rig.fake.setFeed(feedOf(QStringLiteral("1.4.1")));
        QCOMPARE(rig.checkOnce(checker).kind, Kind::upToDate);
        rig.fake.setFeed("<rss><channel><item>");
        QCOMPARE(rig.checkOnce(checker).kind, Kind::unreadable);

        rig.fake.injectFault({QStringLiteral("/appcast.xml"), fake::Fault::Kind::none, 404});
        const UpdateResult missing = rig.checkOnce(checker);
        QCOMPARE(missing.kind, Kind::unreadable);
        QVERIFY2(missing.problem.contains(QStringLiteral("cannot be reached")),
                 qPrintable(missing.problem));

        rig.fake.injectFault({QStringLiteral("/appcast.xml"), fake::Fault::Kind::oversized});
        QCOMPARE(rig.checkOnce(checker).problem, QStringLiteral("The update feed is too large."));
    }

    void unreachableFeedSaysSo()
    {
        FeedRig rig;
        QUrl closed = rig.fake.feedUrl();
        closed.setPort(1);
        UpdateChecker checker(rig.network, closed, current);
        const UpdateResult result = rig.checkOnce(checker);
        QCOMPARE(result.kind, Kind::unreadable);
        QVERIFY(describeUpdate(result).startsWith(QStringLiteral("Could not check for updates.")));
    }

    void askingDuringAQuietCheckGetsItsAnswer()
    {
        FeedRig rig;
        rig.fake.injectFault({QStringLiteral("/appcast.xml"), fake::Fault::Kind::none, 0, 300});
        UpdateChecker checker(rig.network, rig.fake.feedUrl(), current);
        QSignalSpy spy(&checker, &UpdateChecker::checked);
        checker.start();
        checker.checkForUpdates();
        QVERIFY(spy.wait(20'000));
        QTest::qWait(400); // a second answer would come by now
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.first().at(1).toBool(), true);
        QCOMPARE(rig.fake.requests().size(), 1);
    }

    void startUpChecksQuietlyAndRepeats()
    {
        FeedRig rig;
        UpdateChecker checker(rig.network, rig.fake.feedUrl(), current,
                              std::chrono::milliseconds(200));
        QSignalSpy spy(&checker, &UpdateChecker::checked);
        checker.start();
        QTRY_VERIFY_WITH_TIMEOUT(spy.size() >= 2, 20'000);
        QCOMPARE(spy.first().at(1).toBool(), false);

        UpdateChecker off(rig.network, QUrl(), current);
        test::LogCapture log;
        off.start();
        QCOMPARE(log.lines(), QStringList{QStringLiteral("Update checks are off in this build.")});
    }
};

CORVANE_TEST(UpdateCheckerTest)
#include "test_updatechecker.moc"
