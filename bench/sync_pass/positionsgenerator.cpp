#include "positionsgenerator.h"

#include <QRandomGenerator>

namespace {

QByteArray money(QRandomGenerator& random, double low, double high)
{
    return QByteArray::number(low + random.generateDouble() * (high - low), 'f', 2);
}

QByteArray leg(QRandomGenerator& random, int index, bool open)
{
    static const char* const actions[] = {"SELL_TO_OPEN", "BUY_TO_OPEN"};
    static const char* const types[] = {"PUT", "CALL"};
    const int strike = 5800 + int(random.bounded(40)) * 5;
    QByteArray json =
        "{\"status\":\"" + QByteArray(open ? "OPEN" : "CLOSED") + "\",\"type\":\"" +
        types[index / 2 % 2] + "\",\"action\":\"" + actions[index % 2] +
        "\",\"instrument\":\"OPTION\",\"symbol\":\"SPXW\","
        "\"expiration_date\":\"${TO_DATE}\",\"days_to_expiration\":0,"
        "\"daysToExpirationAtExit\":0,\"strikePrice\":\"" +
        QByteArray::number(strike) +
        "\",\"quantity\":" + QByteArray::number(1 + random.bounded(4)) +
        ",\"quantityOpen\":" + (open ? "2" : "0") +
        ",\"entered_at\":\"${TO_DATE}T14:35:12.482913Z\","
        "\"exitedAt\":" +
        (open ? QByteArray("null") : QByteArray("\"${TO_DATE}T19:05:41.118220Z\"")) +
        ",\"entryBid\":\"" + money(random, 1, 9) + "\",\"entryAsk\":\"" + money(random, 1, 9) +
        "\",\"entryPrice\":\"" + money(random, 1, 9) + "\",\"exitBid\":\"" + money(random, 0, 2) +
        "\",\"exitAsk\":\"" + money(random, 0, 2) + "\",\"exitPrice\":" + money(random, 0, 2) +
        ",\"currentBid\":\"" + money(random, 0, 5) + "\",\"currentMid\":\"" + money(random, 0, 5) +
        "\",\"currentAsk\":\"" + money(random, 0, 5) +
        "\",\"currentProfit\":" + money(random, -300, 300) + ",\"currentDelta\":\"" +
        money(random, -0.5, 0.5) + "\",\"profitDollars\":" + money(random, -300, 300) +
        ",\"deltaAtEntry\":\"" + money(random, -0.3, 0.3) + "\",\"deltaAtExit\":\"" +
        money(random, -0.3, 0.3) + "\",\"ivAtEntry\":\"" + money(random, 0.1, 0.4) +
        "\",\"ivAtExit\":\"" + money(random, 0.1, 0.4) +
        "\",\"heldToExpiration\":false,\"assigned\":false,\"exercised\":false}";
    return json;
}

QByteArray position(QRandomGenerator& random, const QString& broker, int index, int legs)
{
    const bool open = random.bounded(3) == 0;
    const int bot = int(random.bounded(12));
    QByteArray json =
        "{\"number\":\"pos_" + QByteArray::number(index) + "\",\"status\":\"" +
        QByteArray(open ? "OPEN" : "CLOSED") + "\",\"bot\":{\"name\":\"SPX 0DTE " +
        (bot % 2 ? "Iron Condor" : "Put Spread") + " #" + QByteArray::number(bot) +
        "\",\"number\":\"bot_" + QByteArray::number(bot) +
        "\"},\"broker_connection\":{\"broker\":\"Interactive Brokers\","
        "\"name\":\"IB Margin\",\"number\":\"" +
        broker.toUtf8() +
        "\",\"account_number\":\"U7712094\"},\"is_paper\":false,"
        "\"tags\":\"0dte,income\",\"symbol\":\"SPX\",\"type\":\"IRON_CONDOR\","
        "\"entered_at\":\"${TO_DATE}T10:02:11.250114${TO_OFFSET}\","
        "\"exited_at\":" +
        (open ? QByteArray("null") : QByteArray("\"${TO_DATE}T15:05:41.118220${TO_OFFSET}\"")) +
        ",\"entryBid\":\"" + money(random, 1, 3) + "\",\"entryAsk\":\"" + money(random, 2, 4) +
        "\",\"entryPrice\":" + money(random, 1, 4) +
        ",\"exitBid\":\"0.05\",\"exitAsk\":\"0.15\",\"exitPrice\":0.1,"
        "\"brokerFee\":5.2,\"currentBid\":\"" +
        money(random, 0, 3) + "\",\"currentMid\":\"" + money(random, 0, 3) +
        "\",\"currentAsk\":\"" + money(random, 0, 3) + "\",\"current_profit\":" +
        (open ? "\"" + money(random, -400, 400) + "\"" : QByteArray("null")) +
        ",\"current_delta\":\"" + money(random, -0.4, 0.4) + "\",\"entry_value\":-" +
        money(random, 100, 900) + ",\"exitValue\":-10,\"max_risk\":\"" + money(random, 1000, 5000) +
        "\",\"profit_dollars\":" +
        (open ? QByteArray("null") : "\"" + money(random, -400, 400) + "\"") +
        ",\"startingBalance\":\"104250.18\",\"endingBalance\":\"104482.68\","
        "\"underlyingAtEntry\":6012.37,\"underlyingAtExit\":6021.85,"
        "\"vixAtEntry\":\"14.82\",\"vixAtExit\":\"14.11\",\"legs\":[";
    for (int i = 0; i < legs; ++i) {
        if (i)
            json += ',';
        json += leg(random, i, open);
    }
    json += "]}";
    return json;
}

} // namespace

QByteArray generatePositions(const QStringList& brokerNumbers, int positionsPerBroker,
                             int legsPerPosition, unsigned seed)
{
    QRandomGenerator random(seed);
    QByteArray json = "{\"success\":true,\"message\":\"\",\"data\":[";
    int index = 0;
    for (int i = 0; i < positionsPerBroker; ++i) {
        for (const QString& broker : brokerNumbers) {
            if (index)
                json += ',';
            json += position(random, broker, index++, legsPerPosition);
        }
    }
    json += "],\"pages\":{\"has_pages\":false,\"items_per_page\":" + QByteArray::number(index) +
            ",\"current_page\":1,\"last_page\":1,\"total_items\":" + QByteArray::number(index) +
            "}}";
    return json;
}

QByteArray generateBrokerConnections(const QStringList& brokerNumbers)
{
    QByteArray json = "{\"success\":true,\"message\":\"\",\"data\":[";
    for (qsizetype i = 0; i < brokerNumbers.size(); ++i) {
        if (i)
            json += ',';
        json += "{\"broker\":\"Interactive Brokers\",\"name\":\"IB " + QByteArray::number(i) +
                "\",\"number\":\"" + brokerNumbers[i].toUtf8() +
                "\",\"status\":\"Active\",\"account_number\":\"U77120" + QByteArray::number(i) +
                "\",\"net_liquidation_value\":\"104482.68\","
                "\"expires_at\":\"2027-03-01T00:00:00.000000+00:00\"}";
    }
    json += "]}";
    return json;
}
