// Measures the typed decode of a positions answer against two references on the same bytes:
// simdjson's bare DOM parse (the floor: nothing materialised) and QJsonDocument followed by
// the same strict typed reads (the idiomatic Qt way). Prints one JSON object.

#include "platform_api/positionrecords.h"
#include "qtreader.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <simdjson.h>
#include <vector>

using namespace corvane;

namespace {

constexpr int positionCount = 1000;
constexpr int legsPerPosition = 4;
constexpr int runs = 15;

// A small deterministic generator, so every run measures the same answer.
class Numbers {
public:
    uint32_t next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(m_state >> 33);
    }
    int between(int low, int high) { return low + static_cast<int>(next() % (high - low + 1)); }
    QByteArray price(int lowCents, int highCents)
    {
        return QByteArray::number(between(lowCents, highCents) / 100.0, 'f', 2);
    }
    QByteArray id(const char* prefix)
    {
        static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        QByteArray s(prefix);
        for (int i = 0; i < 10; ++i)
            s += alphabet[next() % 36];
        return s;
    }

private:
    uint64_t m_state = 0x5eed;
};

QByteArray quoted(const QByteArray& s)
{
    return '"' + s + '"';
}

QByteArray leg(Numbers& n, int index, int strike)
{
    const bool put = index < 2;
    const bool sell = index == 1 || index == 2;
    const QByteArray type = put ? "PUT" : "CALL";
    const QByteArray entry = n.price(5, 400);
    const QByteArray mid = n.price(5, 400);
    QByteArray j;
    j += "{\"status\":\"OPEN\",\"type\":" + quoted(type) + ",\"action\":";
    j += quoted(sell ? "SELL_TO_OPEN" : "BUY_TO_OPEN");
    j += ",\"instrument\":\"OPTION\",\"symbol\":";
    j += quoted("SPXW  261204" + QByteArray(put ? "P" : "C") + "0" + QByteArray::number(strike) +
                "000");
    j += ",\"expiration_date\":\"2026-12-04\",\"days_to_expiration\":0,";
    j += "\"daysToExpirationAtExit\":0,\"strikePrice\":" + quoted(QByteArray::number(strike));
    j += ",\"quantity\":" + QByteArray::number(sell ? -2 : 2) + ",\"quantityOpen\":2,";
    j += "\"entered_at\":\"2026-12-04T15:31:07.123Z\",\"exitedAt\":null,";
    j += "\"entryBid\":" + quoted(n.price(5, 400)) + ",\"entryAsk\":" + quoted(n.price(5, 400));
    j += ",\"entryPrice\":" + quoted(entry) + ",\"exitBid\":null,\"exitAsk\":null,";
    j += "\"exitPrice\":null,\"currentBid\":" + quoted(n.price(5, 400));
    j += ",\"currentMid\":" + quoted(mid) + ",\"currentAsk\":" + quoted(n.price(5, 400));
    j += ",\"currentProfit\":" + n.price(-30000, 30000);
    j += ",\"currentDelta\":" + quoted("-0.0" + QByteArray::number(n.between(100, 999)));
    j += ",\"profitDollars\":" + n.price(-30000, 30000);
    j += ",\"deltaAtEntry\":" + quoted("-0.1" + QByteArray::number(n.between(100, 999)));
    j += ",\"deltaAtExit\":" + quoted("-0.0" + QByteArray::number(n.between(100, 999)));
    j += ",\"ivAtEntry\":" + quoted("0.1" + QByteArray::number(n.between(100, 999)));
    j += ",\"ivAtExit\":" + quoted("0.1" + QByteArray::number(n.between(100, 999))) +
         ",\"heldToExpiration\":false,\"assigned\":false,\"exercised\":false}";
    return j;
}

QByteArray position(Numbers& n)
{
    const int strike = 5900 + 5 * n.between(0, 40);
    QByteArray j;
    j += "{\"number\":" + quoted(n.id("pos_")) + ",\"status\":";
    j += quoted(n.next() % 3 ? "OPEN" : "CLOSED");
    j += ",\"bot\":{\"name\":\"SPX 0DTE Iron Condor " + QByteArray::number(n.between(1, 30));
    j += "\",\"number\":" + quoted(n.id("bot_")) + "},\"broker_connection\":{\"broker\":";
    j += "\"Tradier\",\"name\":\"Main IRA\",\"number\":" + quoted(n.id("bc_"));
    j += ",\"account_number\":\"6YA" + QByteArray::number(n.between(10000, 99999)) + "\"},";
    j += "\"is_paper\":false,\"tags\":\"0dte,condor,spx-weekly,fomc-aware\",\"symbol\":\"SPX\","
         "\"type\":\"Iron Condor\",";
    j += "\"entered_at\":\"2026-12-04T10:31:07.123456-05:00\",\"exited_at\":null,";
    j += "\"entryBid\":" + quoted(n.price(100, 500)) + ",\"entryAsk\":" + quoted(n.price(100, 500));
    j += ",\"entryPrice\":" + n.price(100, 500) + ",\"exitBid\":null,\"exitAsk\":null,";
    j += "\"exitPrice\":null,\"brokerFee\":" + n.price(100, 900);
    j +=
        ",\"currentBid\":" + quoted(n.price(5, 300)) + ",\"currentMid\":" + quoted(n.price(5, 300));
    j += ",\"currentAsk\":" + quoted(n.price(5, 300));
    j += ",\"current_profit\":" + quoted(n.price(-80000, 50000));
    j += ",\"current_delta\":" + quoted("-0.0" + QByteArray::number(n.between(100, 999)));
    j += ",\"entry_value\":" + n.price(10000, 50000) +
         ",\"exitValue\":" + QByteArray::number(n.between(0, 500));
    j += ",\"max_risk\":" + quoted(n.price(50000, 100000));
    j += ",\"profit_dollars\":" + quoted(n.price(-80000, 50000));
    j += ",\"startingBalance\":\"25000.00\",\"endingBalance\":" + quoted(n.price(2400000, 2600000));
    j += ",\"underlyingAtEntry\":" + n.price(590000, 610000);
    j += ",\"underlyingAtExit\":" + n.price(590000, 610000);
    j += ",\"vixAtEntry\":" + quoted(n.price(1200, 2500)) + ",\"vixAtExit\":null,\"legs\":[";
    for (int i = 0; i < legsPerPosition; ++i) {
        if (i > 0)
            j += ',';
        j += leg(n, i, strike + (i - 1) * 25);
    }
    j += "]}";
    return j;
}

QByteArray positionsAnswer()
{
    Numbers n;
    QByteArray j = "{\"success\":true,\"message\":\"\",\"data\":[";
    for (int i = 0; i < positionCount; ++i) {
        if (i > 0)
            j += ',';
        j += position(n);
    }
    j += "],\"pages\":{\"has_pages\":false,\"items_per_page\":1000,\"current_page\":1,";
    j += "\"last_page\":1,\"total_items\":1000}}";
    // Room for simdjson's padding, as a network reply buffer usually has.
    j.reserve(j.size() + qsizetype(simdjson::SIMDJSON_PADDING));
    return j;
}

// The CPU time of this thread: the machine is shared, and wall time would count other
// processes' turns on the cores.
double threadMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Times work() alone: what it returns is freed after the clock stops, so each figure is the
// time to produce the records, not to release them.
template <class Work> double medianMs(Work&& work)
{
    (void)work(); // warm-up: caches, allocator, parser capacity
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = threadMs();
        [[maybe_unused]] const auto result = work();
        times.push_back(threadMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray body = positionsAnswer();

    const auto typed = decodeApiResponse(body);
    QString qtError;
    const auto viaQt = readWithQt(body, &qtError);
    const auto same = [](const ApiResponse& a, const ApiResponse& b) {
        return a.success == b.success && a.message == b.message && a.data == b.data;
    };
    if (!typed.ok() || !viaQt || !same(typed.value(), *viaQt)) {
        std::fprintf(stderr, "the readers disagree: %s / %s\n", qPrintable(typed.error()),
                     qPrintable(qtError));
        return 1;
    }

    size_t sink = 0;
    // "--profile" repeats only the typed decode, "--profile-floor" only the DOM parse, for a
    // profiler to look at (instruction counts of the two compare on a busy machine).
    if (app.arguments().contains(QStringLiteral("--profile"))) {
        for (int i = 0; i < 200; ++i)
            sink += decodeApiResponse(body).ok() ? 1 : 0;
        return sink == 200 ? 0 : 1;
    }
    if (app.arguments().contains(QStringLiteral("--profile-floor"))) {
        simdjson::dom::parser dom;
        for (int i = 0; i < 200; ++i) {
            simdjson::dom::element root;
            sink += dom.parse(body.constData(), size_t(body.size()), false).get(root) ==
                    simdjson::SUCCESS;
        }
        return sink == 200 ? 0 : 1;
    }
    const double typedMs = medianMs([&] {
        auto r = decodeApiResponse(body);
        sink += r.ok() ? r.value().data->size() : 0;
        return r;
    });
    simdjson::dom::parser dom;
    const double floorMs = medianMs([&] {
        simdjson::dom::element root;
        if (dom.parse(body.constData(), size_t(body.size()), false).get(root) == simdjson::SUCCESS)
            ++sink;
        return root;
    });
    const double qtMs = medianMs([&] {
        QString error;
        auto r = readWithQt(body, &error);
        sink += r ? r->data->size() : 0;
        return r;
    });

    const double mb = double(body.size()) / 1e6;
    const double typedOverFloor = typedMs / floorMs;
    const double qtOverTyped = qtMs / typedMs;
    std::printf(
        "{\"bench\":\"decode\",\"positions\":%d,\"legs_per_position\":%d,\"bytes\":%lld,"
        "\"runs\":%d,\"statistic\":\"median\",\"clock\":\"thread_cpu\",\"freeing_timed\":false,\n"
        " \"typed_ms\":%.3f,\"typed_mb_per_s\":%.1f,\"simdjson_kernel\":\"%s\",\n"
        " \"floor_simdjson_dom_ms\":%.3f,\"floor_mb_per_s\":%.1f,\n"
        " \"qt_json_document_ms\":%.3f,\"qt_mb_per_s\":%.1f,\n"
        " \"typed_over_floor\":%.2f,\"target_typed_over_floor_max\":1.5,"
        "\"typed_over_floor_met\":%s,\n"
        " \"qt_over_typed\":%.2f,\"target_qt_over_typed_min\":3,\"qt_over_typed_met\":%s,"
        "\"checksum\":%zu}\n",
        positionCount, legsPerPosition, static_cast<long long>(body.size()), runs, typedMs,
        mb / (typedMs / 1000), simdjson::get_active_implementation()->name().c_str(), floorMs,
        mb / (floorMs / 1000), qtMs, mb / (qtMs / 1000), typedOverFloor,
        typedOverFloor <= 1.5 ? "true" : "false", qtOverTyped, qtOverTyped >= 3 ? "true" : "false",
        sink);
    return 0;
}
