#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <chrono>
#include <optional>

namespace corvane {

class APIService;
class BotAPIService;

// The errors meant for the user, shared by the fetchers, the connectivity handler and the
// views. Every setter announces the change, even to the same value, and writers call
// updateHasError() right after a write.
class GlobalData final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GlobalData)
    // Invalid while there is no error, a text (possibly empty) while there is one.
    Q_PROPERTY(QVariant criticalError READ criticalErrorValue NOTIFY criticalErrorChanged)
    Q_PROPERTY(QVariant internetError READ internetErrorValue NOTIFY internetErrorChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY hasErrorChanged)
    Q_PROPERTY(bool isSettingsVisible READ isSettingsVisible WRITE setSettingsVisible NOTIFY
                   isSettingsVisibleChanged)

public:
    explicit GlobalData(QObject* parent = nullptr);

    // Shows the errors the fetchers report.
    void follow(const APIService& fetcher);
    void follow(const BotAPIService& fetcher);

    const std::optional<QString>& criticalError() const { return m_criticalError; }
    const std::optional<QString>& internetError() const { return m_internetError; }
    void setCriticalError(const std::optional<QString>& text);
    void setInternetError(const std::optional<QString>& text);
    // An empty text counts as present: only "none" clears the error.
    void updateHasError();
    bool hasError() const { return m_hasError; }

    // Declared for the views; nothing reads or writes it yet.
    const std::optional<QString>& trades() const { return m_trades; }
    void setTrades(const std::optional<QString>& text);

    bool isSettingsVisible() const { return m_isSettingsVisible; }
    void setSettingsVisible(bool visible);

    // For display: "none" and the empty text both read as empty; hasError tells them apart.
    QString criticalErrorText() const { return m_criticalError.value_or(QString()); }
    QString internetErrorText() const { return m_internetError.value_or(QString()); }
    QVariant criticalErrorValue() const { return valueOf(m_criticalError); }
    QVariant internetErrorValue() const { return valueOf(m_internetError); }

Q_SIGNALS:
    void criticalErrorChanged();
    void internetErrorChanged();
    void hasErrorChanged();
    void tradesChanged();
    void isSettingsVisibleChanged();
    // The object-wide announcement that the writers of the errors make after each write.
    void changed();

private:
    static QVariant valueOf(const std::optional<QString>& text)
    {
        // A null QString is still a text here: only "none" is the invalid variant.
        return text ? QVariant(text->isNull() ? QStringLiteral("") : *text) : QVariant();
    }

    std::optional<QString> m_criticalError;
    std::optional<QString> m_internetError;
    bool m_hasError = false;
    std::optional<QString> m_trades;
    bool m_isSettingsVisible = false;
};

// Holds the debounce timer of a settings view: each edit replaces the pending one-shot.
class ViewModel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ViewModel)

public:
    explicit ViewModel(QObject* parent = nullptr);

    QTimer* debounceTimer() const { return m_debounceTimer; }
    // Stops the pending timer (if any) and schedules a new one-shot after `delay`, calling
    // `action` when it fires. The timer is owned by this object.
    template <class Action> void debounce(std::chrono::milliseconds delay, Action&& action)
    {
        replaceTimer(delay);
        connect(m_debounceTimer, &QTimer::timeout, this, std::forward<Action>(action));
        m_debounceTimer->start();
    }
    void cancel();

Q_SIGNALS:
    void debounceTimerChanged();

private:
    void replaceTimer(std::chrono::milliseconds delay);

    QPointer<QTimer> m_debounceTimer;
};

} // namespace corvane
