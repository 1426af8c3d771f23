#pragma once

#include "platform_api/positionrecords.h"

#include <QByteArray>
#include <optional>

// The idiomatic Qt reading of a positions answer, as strict as decodeApiResponse: the
// reference the typed decoder is measured against.
std::optional<corvane::ApiResponse> readWithQt(const QByteArray& body, QString* error);
