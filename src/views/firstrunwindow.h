#pragma once

#include <QWidget>

namespace corvane {

class AccountsView;
class AccountVerifier;
class CVNSettings;

// The window a new user meets: the accounts view with its welcome note, where the first key is
// entered and verified. It remembers where the user left it.
class FirstRunWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FirstRunWindow)

public:
    static inline const QString frameName = QStringLiteral("First Run");

    FirstRunWindow(CVNSettings& settings, AccountVerifier& verifier, QWidget* parent = nullptr);
    ~FirstRunWindow() override;

    AccountsView* accountsView() const { return m_accounts; }

    // Places the window where it was last left, or centred on the screen, and brings it to the
    // front.
    void present();

Q_SIGNALS:
    void statusItemRefreshRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void saveFrame();

    AccountsView* m_accounts;
    bool m_placed = false;
};

} // namespace corvane
