#pragma once

#include <QString>
#include <utility>
#include <variant>

namespace corvane {

// An error of the Pushover client. The description is what the user reads (it stands in the
// status and error texts), so each kind has fixed wording where one is defined.
struct PushoverError {
    enum class Kind {
        transport,                // no connection, time-out, TLS failure: the network's text
        badServerResponse,        // an HTTP status other than 200 and 412
        badUrl,                   // an endpoint URL that cannot be formed
        decoding,                 // an HTTP 200 answer that is not a valid envelope
        twoFactorRequired,        // HTTP 412: Pushover wants a two-factor code
        loginCredentialsMissing,  // socket login without device id or secret
        unexpectedResponse,       // reserved
        webSocketTaskNil,         // reserved
        loginFailed,              // login answer without secret or id
        deviceRegistrationFailed, // registration answer without id
        socketSend,               // the socket could not be opened or the login frame not sent
    };

    Kind kind;
    QString description;

    static PushoverError of(Kind kind);
    static PushoverError withText(Kind kind, QString description)
    {
        return {kind, std::move(description)};
    }
};

// The outcome of one Pushover call: its answer or the error that ended it.
template <class T> class PoOutcome final {
public:
    PoOutcome(T value)
        : m_state(std::move(value))
    {}
    PoOutcome(PushoverError error)
        : m_state(std::move(error))
    {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    const T& value() const { return std::get<T>(m_state); }
    const PushoverError& error() const { return std::get<PushoverError>(m_state); }

private:
    std::variant<T, PushoverError> m_state;
};

} // namespace corvane
