#include "poerror.h"

namespace corvane {

PushoverError PushoverError::of(Kind kind)
{
    switch (kind) {
    case Kind::LoginCredentialsMissing:
        return {kind, QStringLiteral("Some of your login credentials are missing. Fill in all "
                                     "your credentials and try again.")};
    case Kind::UnexpectedResponse:
        return {kind, QStringLiteral("The Pushover service sent an unexpected result.")};
    case Kind::WebSocketTaskNil:
        return {kind, QStringLiteral("The Pushover service has been disconnected.")};
    case Kind::LoginFailed:
        // The missing full stop is deliberate: the text is quoted inside a longer sentence.
        return {kind, QStringLiteral("Login failed. Check your credentials and try again")};
    case Kind::DeviceRegistrationFailed:
        return {kind, QStringLiteral("Could not register your device. Try again in 10 minutes.")};
    case Kind::TwoFactorRequired:
        return {kind, QStringLiteral("Two-factor authentication required.")};
    case Kind::BadServerResponse:
        return {kind, QStringLiteral("The server sent a bad response")};
    case Kind::BadUrl:
        return {kind, QStringLiteral("The address of the Pushover service is not valid")};
    case Kind::Decoding:
        return {kind, QStringLiteral("The answer of the Pushover service could not be read")};
    case Kind::Transport:
        return {kind, QStringLiteral("The network connection failed")};
    case Kind::SocketSend:
        return {kind, QStringLiteral("The Pushover socket could not be opened")};
    }
    return {kind, QString()};
}

} // namespace corvane
