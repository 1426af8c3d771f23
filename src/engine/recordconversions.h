#pragma once

#include "platform_api/brokerrecords.h"
#include "settings/brokersettings.h"

#include <QList>

namespace corvane {

// A connection the platform reports as exactly "Active" starts enabled and watched; every
// converted row gets a fresh id.
BrokerSettings brokerSettingsFrom(const BrokerAccount& account);
QList<BrokerSettings> brokerSettingsFrom(const QList<BrokerAccount>& accounts);

} // namespace corvane
