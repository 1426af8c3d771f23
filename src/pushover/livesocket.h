#pragma once

namespace corvane {

// What the market schedule needs of the Pushover live socket: whether it is up, opening it,
// and closing it when the market closes. The socket implements it; whatever keeps the socket
// in step with the market holds only this interface, so it can be driven without a network.
class LiveSocket {
public:
    virtual ~LiveSocket() = default;

    // The socket task exists and is running.
    virtual bool isSocketRunning() const = 0;
    // Opens the socket and logs in (a no-op while it is already open).
    virtual void openSocket() = 0;
    // A deliberate close: cancels the task with close code 1001 (going away) and drops it.
    virtual void closeSocket() = 0;
};

} // namespace corvane
