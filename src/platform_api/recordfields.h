#pragma once

// Table-driven reading of the platform's records, shared by their decoders. A record is described
// once, as a table of (JSON key, member) pairs; the member's C++ type decides the reader (QString:
// text, wire::Text: text viewed in place, double: number, qint64: integer, bool: boolean, QList:
// array, std::optional: may be absent or null, anything else: a nested record) and whether the key
// is required (every member that is not a std::optional).
//
// Nested records are read through readValue(wire::Value&, R&) overloads found next to the
// record type (argument-dependent lookup).

#include "base/wire.h"

#include <QList>
#include <QString>
#include <array>
#include <bit>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <type_traits>

namespace corvane::records {

// ---- reading one value by the member's type ----
//
// Each scalar reader first tries simdjson's getter of the expected type (a failed getter leaves
// the value untouched); only when that fails does it fall back to the wire reader, which
// tells null and the other JSON types apart and fails with the readable description.
//
// Values travel by reference here. A simdjson value handed over by value is assembled from
// narrow stores and read back with one wide load, which the CPU cannot forward from its store
// buffer: that stall, once per field, cost more than the reading itself.

inline bool tryRead(wire::Value& v, QString& out)
{
    std::string_view s;
    if (v.get_string().get(s) != simdjson::SUCCESS)
        return false;
    out = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    return true;
}
// The contents of a string without escapes, consumed and viewed where they lie in the
// document. Nothing is lost by not unescaping them: simdjson's structural pass has already
// checked the whole document's UTF-8 and refused control characters inside strings, and the
// token runs from the opening quote to the next structural character, so after JSON white space
// its last byte is the closing quote. Anything else (escapes, another type) is left unread.
inline bool tryPlainString(wire::Value& v, std::string_view& out)
{
    std::string_view token = v.raw_json_token();
    while (!token.empty() && (token.back() == ' ' || token.back() == '\n' || token.back() == '\r' ||
                              token.back() == '\t'))
        token.remove_suffix(1);
    if (token.size() < 2 || token.front() != '"' || token.back() != '"' ||
        token.find('\\') != std::string_view::npos)
        return false;
    simdjson::ondemand::raw_json_string consumed;
    if (v.get_raw_json_string().get(consumed) != simdjson::SUCCESS)
        return false;
    out = token.substr(1, token.size() - 2);
    return true;
}
inline bool tryRead(wire::Value& v, wire::Text& out)
{
    std::string_view s;
    if (tryPlainString(v, s)) {
        out = wire::Text(s.data(), static_cast<qsizetype>(s.size()));
        return true;
    }
    if (v.get_string().get(s) != simdjson::SUCCESS)
        return false;
    out = wire::keptText(s);
    return true;
}
inline bool tryRead(wire::Value& v, double& out)
{
    return v.get_double().get(out) == simdjson::SUCCESS;
}
// Only a plain integer that fits passes here; "3.0", 1e2 and out-of-range values take the
// careful path of wire::integer.
inline bool tryRead(wire::Value& v, qint64& out)
{
    int64_t i;
    if (v.get_int64().get(i) != simdjson::SUCCESS)
        return false;
    out = i;
    return true;
}
inline bool tryRead(wire::Value& v, bool& out)
{
    return v.get_bool().get(out) == simdjson::SUCCESS;
}

inline void readValue(wire::Value& v, QString& out)
{
    if (!tryRead(v, out))
        out = wire::text(v);
}
inline void readValue(wire::Value& v, wire::Text& out)
{
    if (!tryRead(v, out))
        out = wire::textView(v);
}
inline void readValue(wire::Value& v, double& out)
{
    if (!tryRead(v, out))
        out = wire::number(v);
}
inline void readValue(wire::Value& v, qint64& out)
{
    if (!tryRead(v, out))
        out = wire::integer(v);
}
inline void readValue(wire::Value& v, bool& out)
{
    if (!tryRead(v, out))
        out = wire::boolean(v);
}

template <class T>
inline constexpr bool isScalar =
    std::is_same_v<T, QString> || std::is_same_v<T, wire::Text> || std::is_same_v<T, double> ||
    std::is_same_v<T, qint64> || std::is_same_v<T, bool>;

// Elements are read in place: a record is never built aside and moved into the list.
template <class T> void readValue(wire::Value& v, QList<T>& out)
{
    out.clear();
    out.reserve(4); // most lists are short (a position's legs): grow them once, not thrice
    size_t index = 0;
    for (auto item : wire::detail::arrayOf(v)) {
        if (auto error = item.error())
            wire::failSimdjson(error);
        wire::Value&& element = std::move(item).value_unsafe();
        try {
            readValue(element, out.emplace_back());
        } catch (wire::DecodeError& e) {
            e.prefixIndex(index);
            throw;
        }
        ++index;
    }
}

// Only a well-formed null; "nul" and the like are left for wire::isNull to refuse.
inline bool tryNull(wire::Value& v)
{
    bool null = false;
    return v.is_null().get(null) == simdjson::SUCCESS && null;
}

template <class T> void readValue(wire::Value& v, std::optional<T>& out)
{
    if constexpr (isScalar<T>) {
        T value;
        if (tryRead(v, value)) {
            out = std::move(value);
            return;
        }
    }
    if (tryNull(v) || wire::isNull(v)) {
        out.reset();
        return;
    }
    readValue(v, out.emplace());
}

// ---- checking a value nobody reads ----
//
// A field that nothing uses is held to its JSON type like any other, but not stored: the records
// stay small and an escaped text is unescaped (to be checked) without being kept.

template <class T> bool tryCheck(wire::Value& v)
{
    if constexpr (std::is_same_v<T, wire::Text>) {
        // Nothing is viewed, so the closing quote need not be found: a token that opens with a
        // quote is a string, and one without a backslash needs no unescaping to be checked.
        const std::string_view token = v.raw_json_token();
        simdjson::ondemand::raw_json_string consumed;
        if (!token.empty() && token.front() == '"' && token.find('\\') == std::string_view::npos &&
            v.get_raw_json_string().get(consumed) == simdjson::SUCCESS)
            return true;
        std::string_view s;
        return v.get_string().get(s) == simdjson::SUCCESS;
    } else {
        T value;
        return tryRead(v, value);
    }
}

// Accepts what an optional T accepts, and fails as it fails.
template <class R, class T> void checkOptional(wire::Value& v, R&)
{
    if (tryCheck<T>(v) || tryNull(v) || wire::isNull(v))
        return;
    T value;
    readValue(v, value); // the careful reader: a readable failure, or a rarer valid form
}

// ---- the field table ----

template <class> struct MemberTraits;
template <class C, class T> struct MemberTraits<T C::*> {
    using Record = C;
    using Type = T;
};

template <class> inline constexpr bool isOptional = false;
template <class T> inline constexpr bool isOptional<std::optional<T>> = true;

// A key as the words of its bytes followed by the closing quote, compared with the raw key in
// the document a word at a time instead of through a call to memcmp per key. Reading whole
// words past the key stays inside simdjson's padding. A longer key is never matched this way
// and takes the unescaping path.
struct KeyWords {
    static constexpr size_t capacity = 6;
    std::array<uint64_t, capacity> words{};
    uint64_t lastMask = 0;
    size_t count = 0; // 0: too long to compare by words
};

constexpr KeyWords keyWords(std::string_view key)
{
    static_assert(std::endian::native == std::endian::little);
    KeyWords k;
    const size_t n = key.size() + 1;
    if (n > 8 * KeyWords::capacity)
        return k;
    for (size_t i = 0; i < n; ++i) {
        const char c = i < key.size() ? key[i] : '"';
        k.words[i / 8] |= uint64_t(uint8_t(c)) << (8 * (i % 8));
    }
    k.count = (n + 7) / 8;
    k.lastMask = n % 8 == 0 ? ~uint64_t(0) : (uint64_t(1) << (8 * (n % 8))) - 1;
    return k;
}

// raw: the key's first byte, just after its opening quote.
inline bool sameKey(const char* raw, const KeyWords& k)
{
    if (k.count == 0)
        return false;
    for (size_t i = 0; i + 1 < k.count; ++i) {
        uint64_t w;
        std::memcpy(&w, raw + 8 * i, 8);
        if (w != k.words[i])
            return false;
    }
    uint64_t w;
    std::memcpy(&w, raw + 8 * (k.count - 1), 8);
    return (w & k.lastMask) == k.words[k.count - 1];
}

template <class R> struct Field {
    std::string_view key;
    void (*read)(wire::Value&, R&);
    bool required;
    KeyWords words = keyWords(key);
};

template <auto Member>
void readMember(wire::Value& v, typename MemberTraits<decltype(Member)>::Record& r)
{
    readValue(v, r.*Member);
}

// A field that nothing reads: its value is checked as an optional T would be read, then dropped.
template <class R, class T> constexpr Field<R> checked(std::string_view key)
{
    return Field<R>{key, &checkOptional<R, T>, false};
}

// A field read into a member; required unless the member is a std::optional.
template <auto Member> constexpr auto decoded(std::string_view key)
{
    using Traits = MemberTraits<decltype(Member)>;
    return Field<typename Traits::Record>{key, &readMember<Member>,
                                          !isOptional<typename Traits::Type>};
}

// Reads one object front to back. Keys usually arrive in table order and without escapes, so
// the raw key is first compared with the one expected next, and only a miss unescapes it and
// searches the table: a whole record costs about one comparison per key. Every value is read by
// its field's reader or, under a key the table does not know, skipped with validation.
template <class R, size_t N>
void readFields(wire::Value& v, R& out, const std::array<Field<R>, N>& fields)
{
    static_assert(N > 0);
    std::bitset<N> seen;
    size_t next = 0;
    for (auto item : wire::detail::objectOf(v)) {
        if (auto error = item.error())
            wire::failSimdjson(error);
        // Used where it lies: a copy would be read back before its parts are stored (see above).
        simdjson::ondemand::field&& field = std::move(item).value_unsafe();
        size_t match = N;
        std::string_view key = fields[next].key;
        if (sameKey(field.key().raw(), fields[next].words)) {
            match = next;
        } else {
            if (auto error = field.unescaped_key().get(key))
                wire::failSimdjson(error);
            for (size_t i = 0; i < N && match == N; ++i) {
                if (fields[i].key == key)
                    match = i;
            }
        }
        try {
            if (match == N) {
                wire::skip(field.value());
                continue;
            }
            fields[match].read(field.value(), out);
        } catch (wire::DecodeError& e) {
            e.prefixKey(key);
            throw;
        }
        seen[match] = true; // match < N
        next = match + 1 < N ? match + 1 : 0;
    }
    for (size_t i = 0; i < N && !seen.all(); ++i) {
        if (fields[i].required)
            wire::require(seen.test(i), fields[i].key);
    }
}

} // namespace corvane::records
