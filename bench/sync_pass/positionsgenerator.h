#pragma once

#include <QByteArray>
#include <QStringList>

// Realistic positions answers for the benchmark: bots trading SPX and RUT spreads and condors,
// a third of them still open, with 2 to 4 legs each. Dates are the fake service's
// placeholders, so the positions belong to whatever day the pass asks for.
QByteArray generatePositions(const QStringList& brokerNumbers, int positionsPerBroker,
                             int legsPerPosition, unsigned seed);

// The broker connections answer that goes with them.
QByteArray generateBrokerConnections(const QStringList& brokerNumbers);
