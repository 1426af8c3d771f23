#pragma once

namespace corvane {

// The desktop's light or dark look. The label and the views both follow it, so it lives
// below them; the shell reads it from the desktop and hands it to both.
enum class Appearance { light, dark };

} // namespace corvane
