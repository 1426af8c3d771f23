#include "positionrecords.h"

#include "recordfields.h"

#if CORVANE_HAVE_AVX2_DECODER
#include <cpuid.h>
#endif

namespace corvane {
inline namespace CORVANE_WIRE_KERNEL {

// Nested records are found by argument-dependent lookup from the generic readers.
static void readValue(wire::Value v, Bot& out);
static void readValue(wire::Value v, BrokerConnection& out);
static void readValue(wire::Value v, Leg& out);
static void readValue(wire::Value v, PositionData& out);
static void readValue(wire::Value v, PagesInfo& out);

namespace {

using records::decoded;

constexpr std::array botFields{
    decoded<&Bot::name>("name"),
    decoded<&Bot::number>("number"),
};

constexpr std::array brokerConnectionFields{
    decoded<&BrokerConnection::broker>("broker"),
    decoded<&BrokerConnection::name>("name"),
    decoded<&BrokerConnection::number>("number"),
    decoded<&BrokerConnection::accountNumber>("account_number"),
};

constexpr std::array legFields{
    decoded<&Leg::status>("status"),
    decoded<&Leg::type>("type"),
    decoded<&Leg::action>("action"),
    decoded<&Leg::instrument>("instrument"),
    decoded<&Leg::symbol>("symbol"),
    decoded<&Leg::expirationDate>("expiration_date"),
    decoded<&Leg::days_to_expiration>("days_to_expiration"),
    decoded<&Leg::daysToExpirationAtExit>("daysToExpirationAtExit"),
    decoded<&Leg::strikePrice>("strikePrice"),
    decoded<&Leg::quantity>("quantity"),
    decoded<&Leg::quantityOpen>("quantityOpen"),
    decoded<&Leg::entered_at>("entered_at"),
    decoded<&Leg::exitedAt>("exitedAt"),
    decoded<&Leg::entryBid>("entryBid"),
    decoded<&Leg::entryAsk>("entryAsk"),
    decoded<&Leg::entryPrice>("entryPrice"),
    decoded<&Leg::exitBid>("exitBid"),
    decoded<&Leg::exitAsk>("exitAsk"),
    decoded<&Leg::exitPrice>("exitPrice"),
    decoded<&Leg::currentBid>("currentBid"),
    decoded<&Leg::currentMid>("currentMid"),
    decoded<&Leg::currentAsk>("currentAsk"),
    decoded<&Leg::currentProfit>("currentProfit"),
    decoded<&Leg::currentDelta>("currentDelta"),
    decoded<&Leg::profitDollars>("profitDollars"),
    decoded<&Leg::deltaAtEntry>("deltaAtEntry"),
    decoded<&Leg::deltaAtExit>("deltaAtExit"),
    decoded<&Leg::ivAtEntry>("ivAtEntry"),
    decoded<&Leg::ivAtExit>("ivAtExit"),
    decoded<&Leg::heldToExpiration>("heldToExpiration"),
    decoded<&Leg::assigned>("assigned"),
    decoded<&Leg::exercised>("exercised"),
};

constexpr std::array positionFields{
    decoded<&PositionData::number>("number"),
    decoded<&PositionData::status>("status"),
    decoded<&PositionData::bot>("bot"),
    decoded<&PositionData::brokerConnection>("broker_connection"),
    decoded<&PositionData::is_paper>("is_paper"),
    decoded<&PositionData::tags>("tags"),
    decoded<&PositionData::symbol>("symbol"),
    decoded<&PositionData::type>("type"),
    decoded<&PositionData::entered_at>("entered_at"),
    decoded<&PositionData::exited_at>("exited_at"),
    decoded<&PositionData::entryBid>("entryBid"),
    decoded<&PositionData::entryAsk>("entryAsk"),
    decoded<&PositionData::entryPrice>("entryPrice"),
    decoded<&PositionData::exitBid>("exitBid"),
    decoded<&PositionData::exitAsk>("exitAsk"),
    decoded<&PositionData::exitPrice>("exitPrice"),
    decoded<&PositionData::brokerFee>("brokerFee"),
    decoded<&PositionData::currentBid>("currentBid"),
    decoded<&PositionData::currentMid>("currentMid"),
    decoded<&PositionData::currentAsk>("currentAsk"),
    decoded<&PositionData::current_profit>("current_profit"),
    decoded<&PositionData::current_delta>("current_delta"),
    decoded<&PositionData::entry_value>("entry_value"),
    decoded<&PositionData::exitValue>("exitValue"),
    decoded<&PositionData::max_risk>("max_risk"),
    decoded<&PositionData::profit_dollars>("profit_dollars"),
    decoded<&PositionData::startingBalance>("startingBalance"),
    decoded<&PositionData::endingBalance>("endingBalance"),
    decoded<&PositionData::underlyingAtEntry>("underlyingAtEntry"),
    decoded<&PositionData::underlyingAtExit>("underlyingAtExit"),
    decoded<&PositionData::vixAtEntry>("vixAtEntry"),
    decoded<&PositionData::vixAtExit>("vixAtExit"),
    decoded<&PositionData::legs>("legs"),
};

constexpr std::array pagesFields{
    decoded<&PagesInfo::hasPages>("has_pages"),
    decoded<&PagesInfo::itemsPerPage>("items_per_page"),
    decoded<&PagesInfo::currentPage>("current_page"),
    decoded<&PagesInfo::lastPage>("last_page"),
    decoded<&PagesInfo::totalItems>("total_items"),
};

constexpr std::array responseFields{
    decoded<&ApiResponse::success>("success"),
    decoded<&ApiResponse::message>("message"),
    decoded<&ApiResponse::data>("data"),
    decoded<&ApiResponse::pages>("pages"),
};

} // namespace

static void readValue(wire::Value v, Bot& out)
{
    records::readFields(v, out, botFields);
}

static void readValue(wire::Value v, BrokerConnection& out)
{
    records::readFields(v, out, brokerConnectionFields);
}

static void readValue(wire::Value v, Leg& out)
{
    records::readFields(v, out, legFields);
}

static void readValue(wire::Value v, PositionData& out)
{
    records::readFields(v, out, positionFields);
}

static void readValue(wire::Value v, PagesInfo& out)
{
    records::readFields(v, out, pagesFields);
}

wire::Result<ApiResponse> decodePositions(const QByteArray& body)
{
    QByteArray texts;
    wire::Result<ApiResponse> result = [&] {
        // Unescaped, every text is shorter than it is on the wire.
        const wire::TextSink sink(texts, body.size());
        return wire::decode(body, [](wire::Value root) {
            ApiResponse response;
            records::readFields(root, response, responseFields);
            return response;
        });
    }();
    if (result.ok())
        result.value().texts = std::move(texts);
    return result;
}

} // namespace CORVANE_WIRE_KERNEL

#ifndef CORVANE_WIRE_KERNEL_VARIANT
#if CORVANE_HAVE_AVX2_DECODER
namespace avx2 {
wire::Result<ApiResponse> decodePositions(const QByteArray& body);
}
#endif

bool positionsDecoderUsesAvx2()
{
#if CORVANE_HAVE_AVX2_DECODER
    // The same features the AVX2 build was compiled for; the runtime also checks that the
    // system saves the AVX registers. LZCNT is read from CPUID: not every compiler's
    // __builtin_cpu_supports knows it.
    static const bool usable = [] {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        const bool lzcnt = __get_cpuid(0x80000001, &eax, &ebx, &ecx, &edx) && (ecx & bit_LZCNT);
        return lzcnt && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
               __builtin_cpu_supports("pclmul");
    }();
    return usable;
#else
    return false;
#endif
}

wire::Result<ApiResponse> decodeApiResponse(const QByteArray& body)
{
#if CORVANE_HAVE_AVX2_DECODER
    if (positionsDecoderUsesAvx2())
        return avx2::decodePositions(body);
#endif
    return generic::decodePositions(body);
}

wire::Result<ApiResponse> decodeApiResponseGeneric(const QByteArray& body)
{
    return generic::decodePositions(body);
}
#endif

} // namespace corvane
