#include "globaldata.h"

namespace corvane {

GlobalData::GlobalData(QObject* parent)
    : QObject(parent)
{}

GlobalData& GlobalData::shared()
{
    static GlobalData* instance = new GlobalData();
    return *instance;
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

void ViewModel::replaceTimer(int msec)
{
    if (m_debounceTimer) {
        m_debounceTimer->stop();
        m_debounceTimer->deleteLater();
    }
    m_debounceTimer = new QTimer(this);
    m_debounceTimer->setSingleShot(true);
    m_debounceTimer->setInterval(msec);
    Q_EMIT debounceTimerChanged();
}

} // namespace corvane
