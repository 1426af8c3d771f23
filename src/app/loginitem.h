#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace corvane {

// The desktop's record of whether Corvane starts when the user logs in. Each operation that
// can fail returns the reason as readable text; none is returned on success.
class LoginService {
public:
    virtual ~LoginService() = default;

    virtual bool isRegistered() const = 0;
    virtual std::optional<QString> registerApp() = 0;
    virtual std::optional<QString> unregisterApp() = 0;
};

// The freedesktop.org way: "autostart/corvane.desktop" in the user's config folder. A file
// marked Hidden=true is the desktop's own "disabled" switch, so it does not count.
class XdgAutostart final : public LoginService {
public:
    // An empty folder means the user's XDG config folder; an empty executable the running one.
    explicit XdgAutostart(QString configFolder = {}, QString executable = {});

    QString filePath() const;
    bool isRegistered() const override;
    std::optional<QString> registerApp() override;
    std::optional<QString> unregisterApp() override;

private:
    QString m_configFolder;
    QString m_executable;
};

// For desktops without autostart: never registered, every change quietly ignored.
class NoLoginService final : public LoginService {
public:
    bool isRegistered() const override { return false; }
    std::optional<QString> registerApp() override { return std::nullopt; }
    std::optional<QString> unregisterApp() override { return std::nullopt; }
};

// The outcome of a change: whether Corvane now starts at login, and why not as asked.
struct LoginItemChange {
    bool enabled = false;
    std::optional<QString> error; // for the user, under the switch
};

// What the general settings read and write. A failed change is logged and reported back, with
// the state the desktop actually has, so the switch never claims what did not happen.
class LoginItem final {
public:
    explicit LoginItem(std::unique_ptr<LoginService> service);

    bool isEnabled() const { return m_service->isRegistered(); }
    // Turning it on while it is on writes the entry afresh (so a moved binary is picked up),
    // replacing it whole: a failed write leaves the old one in place.
    LoginItemChange setEnabled(bool enabled);

private:
    std::unique_ptr<LoginService> m_service;
};

// The Exec value of a desktop entry that runs `program` with no arguments.
QString desktopExecValue(const QString& program);

} // namespace corvane
