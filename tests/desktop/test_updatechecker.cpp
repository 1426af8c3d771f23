#include "app/core.h"
#include "app/updatechecker.h"
#include "base/buildinfo.h"
#include "fakeservices.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;
using Kind = UpdateResult::Kind;

namespace {

const QString current = u"1.4.2"_s;
// moc reads "//" inside a raw string literal as a comment and loses the test class, so the
// feeds below are plain literals and the namespace, with its URL, is spelled once here.
const QByteArray sparkle = "xmlns:sparkle='http:"
                           "//www.andymatuschak.org/xml-namespaces/sparkle'";

QByteArray feedOf(const QString& version, const QString& url = u"https://x.io/dl"_s)
{
    return fake::FakeServices::appcast(version, u"v"_s + version, url);
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
            return {Kind::unreadable, {}, {}, u"no answer"_s};
        return spy.first().first().value<UpdateResult>();
    }

    fake::FakeServices fake;
    QNetworkAccessManager network;
};

} // namespace

class UpdateCheckerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Versions compare as numbers, pre-releases below their release; the newest item wins
    // wherever its version sits.
    void appcastItemsAreReadWhereverTheVersionSits()
    {
        QCOMPARE(compareVersions(u"1.10"_s, u"1.9"_s), 1);
        QCOMPARE(compareVersions(u"1.2"_s, u"1.2.0"_s), 0);
        QCOMPARE(compareVersions(u"0.9.9"_s, u"1"_s), -1);
        QCOMPARE(compareVersions(u"2.0-beta"_s, u"2.0"_s), -1);
        QCOMPARE(compareVersions(u"2.0-rc1"_s, u"2.0-beta"_s), 1);
        QCOMPARE(compareVersions(u"99999999999999999999.1"_s, u"1"_s), 1);

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
        QCOMPARE(newest.version, u"One ten"_s);
        QCOMPARE(newest.downloadPage, QUrl(u"https://x.io/1.10"_s));

        const QByteArray notesOnly =
            "<rss " + sparkle +
            "><channel><item><sparkle:version>2.0</sparkle:version>"
            "<sparkle:releaseNotesLink> https://x.io/notes </sparkle:releaseNotesLink>"
            "</item></channel></rss>";
        QCOMPARE(evaluateAppcast(notesOnly, current).downloadPage, QUrl(u"https://x.io/notes"_s));
    }

    void badFeedsAreUnreadableNotNews()
    {
        const QByteArray cases[] = {
            "",
            "<rss><channel><item><sparkle:version>2</sparkle:version>",
            "<rss><channel><item><version>9.9</version></item></channel></rss>",
            // A newer version must not send the user's browser to a local file.
            feedOf(u"9.0"_s, u"file:///etc/passwd"_s),
            feedOf(u"9.0"_s, u"javascript:alert(1)"_s),
            // What the user downloads and runs must not be open to tampering on the way.
            feedOf(u"9.0"_s, u"http://x.io/dl"_s),
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

        rig.fake.setFeed(feedOf(u"1.5"_s));
        const UpdateResult newer = rig.checkOnce(checker);
        QCOMPARE(newer.kind, Kind::newer);
        QCOMPARE(newer.version, u"v1.5"_s);
        QCOMPARE(newer.downloadPage, QUrl(u"https://x.io/dl"_s));
        QVERIFY(log.contains(u"Corvane v1.5 is available."_s));

        rig.fake.setFeed(feedOf(current));
        QCOMPARE(rig.checkOnce(checker).kind, Kind::upToDate);

        rig.fake.injectFault({u"/appcast.xml"_s, fake::Fault::Kind::none, 404});
        const UpdateResult missing = rig.checkOnce(checker);
        QCOMPARE(missing.kind, Kind::unreadable);
        QVERIFY2(missing.problem.contains(u"cannot be reached"_s), qPrintable(missing.problem));

        rig.fake.injectFault({u"/appcast.xml"_s, fake::Fault::Kind::oversized});
        QCOMPARE(rig.checkOnce(checker).problem, u"The update feed is too large."_s);

        QUrl closed = rig.fake.feedUrl();
        closed.setPort(1);
        UpdateChecker unreachable(rig.network, closed, current);
        const UpdateResult result = rig.checkOnce(unreachable);
        QCOMPARE(result.kind, Kind::unreadable);
        QVERIFY(describeUpdate(result).startsWith(u"Could not check for updates."_s));
    }

    // An appcast's sparkle:version counts builds: the application compares it with its build
    // number, not with its version, and shows the feed's short version.
    void theFeedIsComparedWithTheBuildNumber()
    {
        FeedRig rig;
        qputenv("CORVANE_UPDATE_FEED_URL", rig.fake.feedUrl().toEncoded());
        QCoreApplication::setApplicationVersion(u"0.1.0"_s);
        const std::optional<DesktopConfig> config = CoreConfig::fromEnvironment().desktop;
        qunsetenv("CORVANE_UPDATE_FEED_URL");
        QVERIFY(config);
        QCOMPARE(config->updateFeed, rig.fake.feedUrl());
        UpdateChecker checker(rig.network, config->updateFeed, config->buildNumber);
        const int build = buildNumber().toInt();
        rig.fake.setFeed(
            fake::FakeServices::appcast(QString::number(build), u"0.1.0"_s, u"https://x.io/dl"_s));
        QCOMPARE(rig.checkOnce(checker).kind, Kind::upToDate);
        rig.fake.setFeed(fake::FakeServices::appcast(QString::number(build + 1), u"0.1.1"_s,
                                                     u"https://x.io/dl"_s));
        const UpdateResult next = rig.checkOnce(checker);
        QCOMPARE(next.kind, Kind::newer);
        QCOMPARE(next.version, u"0.1.1"_s);
    }

    void askingDuringAQuietCheckGetsItsAnswer()
    {
        FeedRig rig;
        rig.fake.injectFault({u"/appcast.xml"_s, fake::Fault::Kind::none, 0, 300});
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
        QCOMPARE(log.lines(), QStringList{u"Update checks are off in this build."_s});
    }
};

CORVANE_TEST(UpdateCheckerTest)
#include "test_updatechecker.moc"
