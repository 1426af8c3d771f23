#pragma once

// Strict, typed readers over simdjson On-Demand for JSON that comes from the wire.
//
// A record decoder is a list of field reads: iterate the object once with object(), dispatch
// on the key, read each value with the reader of its JSON type, and check the required keys
// at the end with require(). Readers throw DecodeError; decode() catches it at the boundary,
// so nothing escapes a decode call. Each object() and array() level prefixes the failing key
// to the error, so the description names the full path ("data[3].bot.name: ...").

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUtf8StringView>
#include <algorithm>
#include <optional>
#include <simdjson.h>
#include <string_view>
#include <utility>

// Only the iteration and the number parsing of On-Demand are compiled into this code, and they
// are scalar whatever the target. The vector work (the structural index and the unescaping of
// strings) goes through the implementation simdjson picks for the CPU at run time
// (simdjson::get_active_implementation()), so one build of the decoders runs at the CPU's speed
// and every inline function exists in one version only.

namespace corvane::wire {

// The outcome of decoding a whole document: a value or a readable description.
template <class T> class Result final {
public:
    Result(T value)
        : m_value(std::move(value))
    {}
    static Result failure(QString description)
    {
        Result r;
        r.m_error = std::move(description);
        return r;
    }

    bool ok() const { return m_value.has_value(); }
    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    std::optional<T> take() { return std::move(m_value); }
    const QString& error() const { return m_error; }

private:
    Result() = default;
    std::optional<T> m_value;
    QString m_error;
};

// A text of a decoded answer, viewed where it lies (in the answer's text storage, or a literal):
// reading one allocates nothing; toString() copies it out.
using Text = QUtf8StringView;

// Collects the texts read as Text that could not be viewed in the answer itself (those with
// escapes) while it is in scope on this thread. The storage is reserved on first use to a bound
// it never passes, so it never moves and the views into it stay valid for as long as a copy of
// the storage lives.
class TextSink final {
public:
    TextSink(QByteArray& storage, qsizetype bound)
        : m_previous(std::exchange(current(), {&storage, bound}))
    {
        storage.clear();
    }
    ~TextSink() { current() = m_previous; }
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    // Nothing when no sink is in scope or the bound would be passed.
    static std::optional<Text> keep(std::string_view s)
    {
        auto [storage, bound] = current();
        if (!storage)
            return std::nullopt;
        if (storage->capacity() == 0)
            storage->reserve(bound);
        const qsizetype at = storage->size();
        if (storage->data_ptr().freeSpaceAtEnd() < qsizetype(s.size()))
            return std::nullopt;
        storage->resize(at + qsizetype(s.size()));
        char* to = storage->data() + at;
        std::copy(s.begin(), s.end(), to);
        return Text(to, qsizetype(s.size()));
    }

private:
    struct Scope {
        QByteArray* storage = nullptr;
        qsizetype bound = 0;
    };
    static Scope& current()
    {
        static thread_local Scope scope;
        return scope;
    }
    Scope m_previous;
};

} // namespace corvane::wire

namespace corvane::wire {

using Value = simdjson::ondemand::value;

class DecodeError final {
public:
    explicit DecodeError(QString problem)
        : m_problem(std::move(problem))
    {}

    void prefixKey(std::string_view key);
    void prefixIndex(size_t index);
    QString description() const;

private:
    QString m_path;
    QString m_problem;
};

[[noreturn]] void fail(const QString& problem);
[[noreturn]] void failSimdjson(simdjson::error_code code);

// Required readers: absent is checked by require(); null or another JSON type fails.
QString text(Value v);
double number(Value v);
qint64 integer(Value v);
bool boolean(Value v);

// A text kept in the TextSink in scope; fails when there is none or it is full.
Text keptText(std::string_view s);
Text textView(Value v);

// Optional readers: null gives nothing; another JSON type still fails.
std::optional<QString> optText(Value v);
std::optional<double> optNumber(Value v);
std::optional<qint64> optInteger(Value v);
std::optional<bool> optBoolean(Value v);

bool isNull(Value v);
void require(bool present, std::string_view key);

// Reads past a value nobody decodes, still failing when it is not valid JSON: a document is
// accepted or refused as a whole, whatever its decoder happens to look at.
void skip(Value v);

// Iterates the fields of an object, front to back; onField(std::string_view key, Value v).
template <class OnField> void object(Value v, OnField&& onField);

// Reads an array whose elements are decoded by element(Value) -> T.
template <class Element> auto array(Value v, Element&& element);
template <class Element> auto optArray(Value v, Element&& element);

template <class Decode> auto optObject(Value v, Decode&& decode);

// The bytes themselves when simdjson may read its padding past their end, else a padded copy.
// A decoder that keeps views into the document keeps this array alive with them.
QByteArray padded(const QByteArray& bytes);

// Parses one JSON document and hands its root to root(Value) -> T. Malformed JSON, invalid
// UTF-8, too deep nesting, trailing content and every reader failure end as a failure.
template <class Root> auto decode(const QByteArray& bytes, Root&& root);

// ---- implementation of the templates ----

namespace detail {
simdjson::ondemand::parser& parser();
simdjson::ondemand::object objectOf(Value v);
simdjson::ondemand::array arrayOf(Value v);
// Where the iteration stands; unchanged across a reader call when the reader left the value.
const char* position(Value v);
// Hands v to read(v), then skips what read left unread.
template <class Read> void consume(Value v, Read&& read)
{
    const char* before = position(v);
    read(v);
    if (position(v) == before)
        skip(v);
}
// Whether simdjson may read its padding past the last byte without leaving the allocation.
bool hasPadding(const QByteArray& bytes);
struct Document {
    QByteArray bytes; // what the document reads: see padded()
    simdjson::ondemand::document doc;
};
void open(Document& d, const QByteArray& bytes);
Value rootOf(Document& d);
void finish(Document& d);
} // namespace detail

template <class OnField> void object(Value v, OnField&& onField)
{
    for (auto field : detail::objectOf(v)) {
        std::string_view key;
        if (auto error = field.unescaped_key().get(key))
            failSimdjson(error);
        Value value;
        if (auto error = field.value().get(value))
            failSimdjson(error);
        try {
            detail::consume(value, [&](Value v) { onField(key, v); });
        } catch (DecodeError& e) {
            e.prefixKey(key);
            throw;
        }
    }
}

template <class Element> auto array(Value v, Element&& element)
{
    using T = decltype(element(std::declval<Value>()));
    QList<T> list;
    size_t index = 0;
    for (auto item : detail::arrayOf(v)) {
        Value value;
        if (auto error = item.get(value))
            failSimdjson(error);
        try {
            detail::consume(value, [&](Value v) { list.append(element(v)); });
        } catch (DecodeError& e) {
            e.prefixIndex(index);
            throw;
        }
        ++index;
    }
    return list;
}

template <class Element> auto optArray(Value v, Element&& element)
{
    using List = decltype(array(v, element));
    if (isNull(v))
        return std::optional<List>();
    return std::optional<List>(array(v, std::forward<Element>(element)));
}

template <class Decode> auto optObject(Value v, Decode&& decode)
{
    using T = decltype(decode(v));
    if (isNull(v))
        return std::optional<T>();
    return std::optional<T>(decode(v));
}

template <class Root> auto decode(const QByteArray& bytes, Root&& root)
{
    using T = decltype(root(std::declval<Value>()));
    try {
        detail::Document d;
        detail::open(d, bytes);
        T value = root(detail::rootOf(d));
        detail::finish(d);
        return Result<T>(std::move(value));
    } catch (const DecodeError& e) {
        return Result<T>::failure(e.description());
    }
}

} // namespace corvane::wire
