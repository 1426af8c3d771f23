#pragma once

#include <QDialog>

namespace corvane {

// A message over the first-run window, closed with "Okay": the welcome before the first key
// is entered, and the note after it has been verified.
class FirstRunSheet final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FirstRunSheet)

public:
    enum class Kind { welcome, verified };

    FirstRunSheet(Kind kind, QWidget* parent = nullptr);

    static QString message(Kind kind);
};

} // namespace corvane
