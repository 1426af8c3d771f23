#include "globaldata.h"

#include "platform_api/apiservice.h"
#include "platform_api/botapiservice.h"

namespace corvane {

GlobalData::GlobalData(QObject* parent)
    : QObject(parent)
{}

void GlobalData::follow(const APIService& fetcher)
{
    // Each report is written and then summed up, as the views expect of every writer.
    connect(&fetcher, &APIService::criticalErrorReported, this,
            [this](const std::optional<QString>& text) {
                setCriticalError(text);
                updateHasError();
            });
    connect(&fetcher, &APIService::internetErrorReported, this,
            [this](const std::optional<QString>& text) {
                setInternetError(text);
                updateHasError();
            });
}

void GlobalData::follow(const BotAPIService& fetcher)
{
    connect(&fetcher, &BotAPIService::criticalErrorReported, this, [this](const QString& text) {
        setCriticalError(text);
        updateHasError();
    });
}

void GlobalData::setCriticalError(const std::optional<QString>& text)
{
    m_criticalError = text;
    Q_EMIT criticalErrorChanged();
    Q_EMIT changed();
}

void GlobalData::setInternetError(const std::optional<QString>& text)
{
    m_internetError = text;
    Q_EMIT internetErrorChanged();
    Q_EMIT changed();
}

void GlobalData::updateHasError()
{
    m_hasError = m_criticalError.has_value() || m_internetError.has_value();
    Q_EMIT hasErrorChanged();
}

void GlobalData::setTrades(const std::optional<QString>& text)
{
    m_trades = text;
    Q_EMIT tradesChanged();
}

void GlobalData::setSettingsVisible(bool visible)
{
    m_isSettingsVisible = visible;
    Q_EMIT isSettingsVisibleChanged();
}

ViewModel::ViewModel(QObject* parent)
    : QObject(parent)
{}

void ViewModel::cancel()
{
    if (m_debounceTimer) {
        m_debounceTimer->stop();
        m_debounceTimer->deleteLater();
        m_debounceTimer = nullptr;
        Q_EMIT debounceTimerChanged();
    }
}

void ViewModel::replaceTimer(std::chrono::milliseconds delay)
{
    if (m_debounceTimer) {
        m_debounceTimer->stop();
        m_debounceTimer->deleteLater();
    }
    m_debounceTimer = new QTimer(this);
    m_debounceTimer->setSingleShot(true);
    m_debounceTimer->setInterval(delay);
    Q_EMIT debounceTimerChanged();
}

} // namespace corvane
