#include "wire.h"

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace corvane::wire {

using simdjson::ondemand::json_type;
using simdjson::ondemand::number_type;

void DecodeError::prefixKey(std::string_view key)
{
    const QString name = QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
    if (m_path.isEmpty() || m_path.startsWith(u'['))
        m_path = name + m_path;
    else
        m_path = name + QLatin1Char('.') + m_path;
}

void DecodeError::prefixIndex(size_t index)
{
    const QString item = u'[' + QString::number(index) + u']';
    if (m_path.isEmpty() || m_path.startsWith(u'['))
        m_path = item + m_path;
    else
        m_path = item + QLatin1Char('.') + m_path;
}

QString DecodeError::description() const
{
    if (m_path.isEmpty())
        return m_problem;
    return u'"' + m_path + QStringLiteral("\": ") + m_problem;
}

void fail(const QString& problem)
{
    throw DecodeError(problem);
}

void failSimdjson(simdjson::error_code code)
{
    switch (code) {
    case simdjson::UTF8_ERROR:
        fail(QStringLiteral("the data is not valid UTF-8"));
    case simdjson::DEPTH_ERROR:
        fail(QStringLiteral("the data is nested too deeply"));
    case simdjson::EMPTY:
        fail(QStringLiteral("the data is empty"));
    case simdjson::CAPACITY:
        fail(QStringLiteral("the data is too large"));
    case simdjson::NUMBER_OUT_OF_RANGE:
        fail(QStringLiteral("a number is out of range"));
    default:
        fail(QStringLiteral("the data is not valid JSON (%1)")
                 .arg(QString::fromUtf8(simdjson::error_message(code))));
    }
}

namespace {

json_type typeOf(Value v)
{
    json_type type;
    if (auto error = v.type().get(type))
        failSimdjson(error);
    return type;
}

const char* nameOf(json_type type)
{
    switch (type) {
    case json_type::array:
        return "an array";
    case json_type::object:
        return "an object";
    case json_type::number:
        return "a number";
    case json_type::string:
        return "a string";
    case json_type::boolean:
        return "a boolean";
    case json_type::null:
        return "null";
    }
    return "an unknown value";
}

void expect(Value v, json_type wanted, const char* wantedName)
{
    const json_type found = typeOf(v);
    if (found != wanted)
        fail(QStringLiteral("expected %1, found %2")
                 .arg(QLatin1String(wantedName), QLatin1String(nameOf(found))));
}

} // namespace

bool isNull(Value v)
{
    if (typeOf(v) != json_type::null)
        return false;
    // The type comes from the first byte alone; "nul" or "nonsense" must not pass for null.
    bool null = false;
    if (auto error = v.is_null().get(null))
        failSimdjson(error);
    if (!null)
        failSimdjson(simdjson::N_ATOM_ERROR);
    return true;
}

void skip(Value v)
{
    // Iterative, so that absurd nesting under an ignored key costs heap, never stack.
    struct Level {
        bool isObject;
        bool started = false;
        simdjson::ondemand::array_iterator element{};
        simdjson::ondemand::array_iterator elementsEnd{};
        simdjson::ondemand::object_iterator field{};
        simdjson::ondemand::object_iterator fieldsEnd{};
    };
    std::vector<Level> open;
    const auto visit = [&open](Value x) {
        switch (typeOf(x)) {
        case json_type::array: {
            Level level{.isObject = false};
            auto array = detail::arrayOf(x);
            if (auto error = array.begin().get(level.element))
                failSimdjson(error);
            if (auto error = array.end().get(level.elementsEnd))
                failSimdjson(error);
            open.push_back(level);
            return;
        }
        case json_type::object: {
            Level level{.isObject = true};
            auto object = detail::objectOf(x);
            if (auto error = object.begin().get(level.field))
                failSimdjson(error);
            if (auto error = object.end().get(level.fieldsEnd))
                failSimdjson(error);
            open.push_back(level);
            return;
        }
        case json_type::string: {
            std::string_view s;
            if (auto error = x.get_string().get(s))
                failSimdjson(error);
            return;
        }
        case json_type::number: {
            simdjson::ondemand::number n;
            if (auto error = x.get_number().get(n))
                failSimdjson(error);
            return;
        }
        case json_type::boolean: {
            bool b;
            if (auto error = x.get_bool().get(b))
                failSimdjson(error);
            return;
        }
        case json_type::null:
            isNull(x);
            return;
        }
    };
    visit(v);
    while (!open.empty()) {
        Level& top = open.back();
        Value next;
        if (top.isObject) {
            if (std::exchange(top.started, true))
                ++top.field;
            if (!(top.field != top.fieldsEnd)) {
                open.pop_back();
                continue;
            }
            simdjson::ondemand::field f;
            if (auto error = (*top.field).get(f))
                failSimdjson(error);
            std::string_view key;
            if (auto error = f.unescaped_key().get(key))
                failSimdjson(error);
            next = f.value();
        } else {
            if (std::exchange(top.started, true))
                ++top.element;
            if (!(top.element != top.elementsEnd)) {
                open.pop_back();
                continue;
            }
            if (auto error = (*top.element).get(next))
                failSimdjson(error);
        }
        visit(next); // may grow `open`, so `top` is not used after this
    }
}

QString text(Value v)
{
    expect(v, json_type::string, "a string");
    std::string_view s;
    if (auto error = v.get_string().get(s))
        failSimdjson(error);
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

Text keptText(std::string_view s)
{
    if (const std::optional<Text> kept = TextSink::keep(s))
        return *kept;
    fail(QStringLiteral("no room to keep a text"));
}

Text textView(Value v)
{
    expect(v, json_type::string, "a string");
    std::string_view s;
    if (auto error = v.get_string().get(s))
        failSimdjson(error);
    return keptText(s);
}

double number(Value v)
{
    expect(v, json_type::number, "a number");
    double d;
    if (auto error = v.get_double().get(d))
        failSimdjson(error);
    return d;
}

qint64 integer(Value v)
{
    expect(v, json_type::number, "an integer");
    number_type kind;
    if (auto error = v.get_number_type().get(kind))
        failSimdjson(error);
    if (kind == number_type::signed_integer) {
        int64_t i;
        if (auto error = v.get_int64().get(i))
            failSimdjson(error);
        return i;
    }
    if (kind == number_type::unsigned_integer)
        fail(QStringLiteral("the integer does not fit in 64 bits"));
    // A number written with a fraction or exponent counts when its value is whole.
    double d;
    if (auto error = v.get_double().get(d))
        failSimdjson(error);
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (d != std::trunc(d) || d < -limit || d >= limit)
        fail(QStringLiteral("expected an integer, found a number with a fraction"));
    return static_cast<qint64>(d);
}

bool boolean(Value v)
{
    expect(v, json_type::boolean, "a boolean");
    bool b;
    if (auto error = v.get_bool().get(b))
        failSimdjson(error);
    return b;
}

std::optional<QString> optText(Value v)
{
    return isNull(v) ? std::nullopt : std::optional(text(v));
}

std::optional<double> optNumber(Value v)
{
    return isNull(v) ? std::nullopt : std::optional(number(v));
}

std::optional<qint64> optInteger(Value v)
{
    return isNull(v) ? std::nullopt : std::optional(integer(v));
}

std::optional<bool> optBoolean(Value v)
{
    return isNull(v) ? std::nullopt : std::optional(boolean(v));
}

void require(bool present, std::string_view key)
{
    if (!present)
        fail(QStringLiteral("missing required key \"%1\"")
                 .arg(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()))));
}

namespace detail {

simdjson::ondemand::parser& parser()
{
    thread_local simdjson::ondemand::parser instance;
    return instance;
}

simdjson::ondemand::object objectOf(Value v)
{
    expect(v, json_type::object, "an object");
    simdjson::ondemand::object object;
    if (auto error = v.get_object().get(object))
        failSimdjson(error);
    return object;
}

const char* position(Value v)
{
    const char* at = nullptr;
    return v.current_location().get(at) == simdjson::SUCCESS ? at : nullptr;
}

bool hasPadding(const QByteArray& bytes)
{
    // capacity() also counts the free space in front of the data (left by remove(0, n)), so
    // only the space behind the last byte tells whether the padding is really there.
    // Qt 6.4 offers the data pointer without const only; reading it neither detaches nor writes.
    return const_cast<QByteArray&>(bytes).data_ptr().freeSpaceAtEnd() >=
           qsizetype(simdjson::SIMDJSON_PADDING);
}

simdjson::ondemand::array arrayOf(Value v)
{
    expect(v, json_type::array, "an array");
    simdjson::ondemand::array array;
    if (auto error = v.get_array().get(array))
        failSimdjson(error);
    return array;
}

void open(Document& d, const QByteArray& bytes)
{
    if (bytes.trimmed().isEmpty())
        fail(QStringLiteral("the data is empty"));
    auto& p = parser();
    if (static_cast<size_t>(bytes.size()) > p.max_capacity())
        fail(QStringLiteral("the data is too large"));
    d.bytes = padded(bytes);
    const auto size = static_cast<size_t>(bytes.size());
    if (auto error =
            p.iterate(d.bytes.constData(), size, size + simdjson::SIMDJSON_PADDING).get(d.doc))
        failSimdjson(error);
}

Value rootOf(Document& d)
{
    Value root;
    if (auto error = d.doc.get_value().get(root))
        failSimdjson(error);
    return root;
}

void finish(Document& d)
{
    // The root value is consumed; an unbalanced tail is what On-Demand leaves unchecked.
    const char* end = nullptr;
    if (d.doc.current_location().get(end) == simdjson::SUCCESS && end != nullptr)
        fail(QStringLiteral("the data is not valid JSON (content after the end)"));
}

} // namespace detail

QByteArray padded(const QByteArray& bytes)
{
    if (detail::hasPadding(bytes))
        return bytes;
    QByteArray copy;
    copy.reserve(bytes.size() + qsizetype(simdjson::SIMDJSON_PADDING));
    copy.append(bytes.constData(), bytes.size());
    return copy;
}

} // namespace corvane::wire
