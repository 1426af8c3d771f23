#pragma once

#include <QWidget>

class QLabel;

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

    // Tells the user that the settings file could not be read and where its copy is (empty
    // when no copy could be made), above the accounts.
    void showUnreadableSettings(const QString& copyPath);

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
    QLabel* m_notice;
    bool m_placed = false;
};

} // namespace corvane
