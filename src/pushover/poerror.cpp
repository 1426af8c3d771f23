#include "poerror.h"

namespace corvane {

PushoverError PushoverError::of(Kind kind)
{
    switch (kind) {
    case Kind::loginCredentialsMissing:
        return {kind, QStringLiteral("Some of your login credentials are missing. Fill in all "
                                     "your credentials and try again.")};
    case Kind::unexpectedResponse:
        return {kind, QStringLiteral("The Pushover service sent an unexpected result.")};
    case Kind::webSocketTaskNil:
        return {kind, QStringLiteral("The Pushover service has been disconnected.")};
    case Kind::loginFailed:
        // The missing full stop is deliberate: the text is quoted inside a longer sentence.
        return {kind, QStringLiteral("Login failed. Check your credentials and try again")};
    case Kind::deviceRegistrationFailed:
        return {kind, QStringLiteral("Could not register your device. Try again in 10 minutes.")};
    case Kind::twoFactorRequired:
        return {kind, QStringLiteral("Two-factor authentication required.")};
    case Kind::badServerResponse:
        return {kind, QStringLiteral("The server sent a bad response")};
    case Kind::badUrl:
        return {kind, QStringLiteral("The address of the Pushover service is not valid")};
    case Kind::decoding:
        return {kind, QStringLiteral("The answer of the Pushover service could not be read")};
    case Kind::transport:
        return {kind, QStringLiteral("The network connection failed")};
    case Kind::socketSend:
        return {kind, QStringLiteral("The Pushover socket could not be opened")};
    }
    return {kind, QString()};
}

} // namespace corvane
